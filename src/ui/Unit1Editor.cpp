#include "ui/Unit1.h"

#include "catalog/CatalogNames.h"
#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "catalog/PartCategory.h"
#include "platform/EditableDropDown.h"
#include "platform/PictureBox.h"
#include "platform/PictureDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>
#include <utility>

// New-part editor: category, code, name, description and photo; a save
// writes the photo into the manufacturer's folder under the part's code.

using namespace korvane;

namespace {

constexpr QChar kEnter(13);

} // namespace

void TForm1::newcomboEnter()
{
    if (!newcombo->isDroppedDown())
        newcombo->showDropDown();
}

void TForm1::newcomboChange()
{
    const int index = newcombo->currentIndex();
    Label3->setText(index >= 0 ? newcombo->entries().at(index) : QString());
    // A text that is no category leaves the abbreviation shown before.
    if (const std::optional<QString> abbreviation = categoryAbbreviation(Label3->text()))
        Label2->setText(*abbreviation);
}

void TForm1::newcomboKeyPress(QChar Key)
{
    if (Key == kEnter)
        newCode->setFocus();
}

void TForm1::newCodeKeyPress(QChar Key)
{
    if (Key == kEnter)
        newname->setFocus();
}

void TForm1::newnameKeyPress(QChar Key)
{
    if (Key == kEnter)
        newcomment->setFocus();
}

void TForm1::newcommentKeyPress(QChar Key)
{
    if (Key == kEnter)
        pickEditorPhoto(true);
}

void TForm1::newpicClick()
{
    pickEditorPhoto(false);
}

void TForm1::newsaveKeyPress(QChar Key)
{
    // The button takes Enter as its click here and nowhere else, so one key
    // press saves once.
    if (Key == kEnter)
        runButtonStep(newsave, &TForm1::newsaveClick);
}

void TForm1::pickEditorPhoto(bool startedByEnter)
{
    OpenPictureDialog1->setFilterIndex(2);
    if (!OpenPictureDialog1->execute(this))
        return;
    // A failed load leaves the old picture, the button and the focus as they were.
    LoadedPicture picture = loadEditorPicture(OpenPictureDialog1->fileName());
    newpic->setPicture(picture.image);
    m_editorPicture = std::move(picture);
    newsave->setEnabled(true);
    if (startedByEnter)
        newsave->setFocus();
}

void TForm1::newsaveClick()
{
    recomputeBaseFolder();
    const ComposedPath path = paths::savedPartPhoto(BaseFolder, Manufacturer->text(), newCode->text());
    if (!m_editorPicture)
        return;
    // The code and the manufacturer come from typing and from catalog lines;
    // a name that climbs out of the catalog is never written.
    if (!isSafeCatalogTarget(path, ComposedPath(BaseFolder, QStringLiteral("DATA"))))
        throw Failure::cannotCreate(path.text());
    // Written as it was loaded: a JPEG byte for byte, a bitmap, icon or
    // metafile in its own format, whatever the ".jpg" name says.
    writeCatalogFile(path, m_editorPicture->bytes);
    newcombo->setFocus();
    newCode->setText(QString());
    newname->setText(QString());
    newcomment->setPlainText(QString());
}
