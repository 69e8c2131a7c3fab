#include "ui/Unit1.h"

#include "catalog/CatalogNames.h"
#include "catalog/CatalogPaths.h"
#include "catalog/Failure.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureFile.h"

#include <QLineEdit>

#include <optional>

// Part selection and the part photo.

using namespace korvane;

namespace {

// Part lines are cut to 255 characters, part codes to 64 for photo names.
constexpr int kPartLineCapacity = 255;
constexpr int kPartCodeCapacity = 64;

void showPhotoAt(ComposedPath (*composePath)(const QString &, const QString &))
{
    TForm1 &form = *Form1;
    CurrentPartCode = form.newCode->text().left(kPartCodeCapacity);
    form.recomputeBaseFolder();
    const ComposedPath photoPath = composePath(BaseFolder, CurrentPartCode);
    // The path shows in the status bar before the test, as the user waits.
    form.setStatusText(photoPath.text());
    if (const std::optional<CatalogFile> photo = findCatalogFile(photoPath))
        form.logo->setPicture(loadPictureFile(*photo));
    else
        form.setStatusText(QStringLiteral("Изображение отсутствует"));
}

} // namespace

void NextToken(QString &S, QChar D, QString &Token)
{
    const qsizetype p = S.indexOf(D) + 1; // 0 when S holds no D
    Token = p > 1 ? S.left(p - 1) : QString();
    if (p > 0)
        S.remove(0, p);
}

void ShowPartPhoto()
{
    // Three separate tests, each on the text as it stands then; the names are
    // compared exactly, so "xRAY" or "LST " choose no photo.
    if (Form1->Manufacturer->text() == QLatin1String("XRAY"))
        showPhotoAt(&paths::partPhotoXray);
    if (Form1->Manufacturer->text() == QLatin1String("LST"))
        showPhotoAt(&paths::partPhoto);
    if (Form1->Manufacturer->text() == QLatin1String("Teamassociated"))
        showPhotoAt(&paths::partPhoto);
}

void TForm1::fl1Click()
{
    const int index = fl1->selectedIndex();
    if (index < 0)
        throw Failure(QStringLiteral("List index out of bounds (%1)").arg(index));
    setStatusText(fl1->line(index).left(kPartLineCapacity));
    // The status bar text is the line's only keeper from here on.
    QString work = statusText();
    QString partCode;
    NextToken(work, u' ', partCode);
    newCode->setText(partCode);
    CurrentPartCode = newCode->text().left(kPartCodeCapacity);
    ShowPartPhoto();
}
