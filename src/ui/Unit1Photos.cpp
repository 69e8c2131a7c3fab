#include "ui/Unit1.h"

#include "catalog/CatalogNames.h"
#include "catalog/CatalogPaths.h"
#include "catalog/Failure.h"
#include "catalog/FileRoutes.h"
#include "catalog/PartLine.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureFile.h"

#include <QLineEdit>

#include <optional>

// Part selection and the part photo.

using namespace korvane;

namespace {

void showPhotoAt(paths::PartPhotoPath composePath)
{
    TForm1 &form = *Form1;
    CurrentPartCode = form.newCode->text().left(kPartCodeCapacity);
    form.recomputeBaseFolder();
    const ComposedPath photoPath = composePath(BaseFolder, CurrentPartCode);
    // The path shows in the status bar before the test, as the user waits.
    form.setStatusText(photoPath.text());
    if (const std::optional<CatalogFile> photo = form.routeFile(routes::partPhoto, photoPath))
        form.logo->setPicture(loadPictureFile(*photo));
}

} // namespace

void ShowPartPhoto()
{
    // The names are compared exactly, so "xRAY" or "LST " choose no photo.
    if (const paths::PartPhotoPath photoPath = paths::partPhotoFor(Form1->Manufacturer->text()))
        showPhotoAt(photoPath);
}

void TForm1::fl1Click()
{
    const int index = fl1->selectedIndex();
    if (index < 0)
        throw Failure(QStringLiteral("List index out of bounds (%1)").arg(index));
    setStatusText(fl1->line(index).left(kPartLineCapacity));
    // The status bar text is the line's only keeper from here on.
    newCode->setText(partCodeOfLine(statusText()));
    CurrentPartCode = newCode->text().left(kPartCodeCapacity);
    ShowPartPhoto();
}
