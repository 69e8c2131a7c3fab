#include "ui/Unit1.h"

#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/FileLookup.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureFile.h"

#include <QPushButton>

// Catalog navigation: manufacturer, model and group drop-downs. Every path is
// composed anew from the texts the drop-downs show at that moment, so nothing
// here remembers a selection: the controls are the whole state.

using namespace korvane;

namespace {

const QString kTextMissing = QStringLiteral("Текст отсутствует");
const QString kPictureMissing = QStringLiteral("Изображение отсутствует");

} // namespace

void TForm1::ManufacturerChange()
{
    CurrentGroup->clearEntries();
    CurrentGroup->setText(QString());
    CurrentGroup->setEntries(listMatchingFiles(paths::manufacturerFolderListing(BaseFolder, Manufacturer->text())));

    Group->clearEntries();
    Group->setText(QString());
    Group->setEntries(groupNamesFromListedFiles(CurrentGroup->entries()));

    if (catalogFileExists(paths::modelList(BaseFolder, Manufacturer->text())))
        Model->setEntries(readCatalogLines(paths::modelList(BaseFolder, Manufacturer->text())));
    else
        setStatusText(kPictureMissing);
}

void TForm1::ModelChange()
{
    recomputeBaseFolder();
    if (!catalogFileExists(paths::modelPartList(BaseFolder, Manufacturer->text(), Model->text()))) {
        setWindowTitle(paths::modelPartList(BaseFolder, Manufacturer->text(), Model->text()).text());
        return;
    }
    runButtonStep(Button2, &TForm1::Button2Click);
    fl1->setLines(readCatalogLines(paths::modelPartList(BaseFolder, Manufacturer->text(), Model->text())));
    // Not tested first: a missing picture ends the change here, in the error
    // box, before the group list is read.
    logo->setPicture(loadPictureFile(paths::modelPicture(BaseFolder, Manufacturer->text(), Model->text())));
    runButtonStep(loadgroup, &TForm1::loadgroupClick);
}

void TForm1::Button2Click()
{
    if (catalogFileExists(paths::explodedViewList(BaseFolder, Manufacturer->text(), Model->text()))) {
        exview->setEntries(readCatalogLines(paths::explodedViewList(BaseFolder, Manufacturer->text(), Model->text())));
        setStatusText(paths::explodedViewList(BaseFolder, Manufacturer->text(), Model->text()).text());
    } else {
        setStatusText(kTextMissing);
    }
}

void TForm1::loadgroupClick()
{
    recomputeBaseFolder();
    setWindowTitle(paths::groupList(BaseFolder, Manufacturer->text(), Model->text()).text());
    if (catalogFileExists(paths::groupList(BaseFolder, Manufacturer->text(), Model->text())))
        Group->setEntries(readCatalogLines(paths::groupList(BaseFolder, Manufacturer->text(), Model->text())));
}

void TForm1::GroupChange()
{
    if (catalogFileExists(paths::groupList(BaseFolder, Manufacturer->text(), Model->text())))
        fl1->setLines(
            readCatalogLines(paths::groupPartList(BaseFolder, Manufacturer->text(), Model->text(), Group->text())));
    else
        setStatusText(kTextMissing);
}

void TForm1::CurrentGroupChange()
{
    if (catalogFileExists(paths::listedGroupFile(BaseFolder, ModelSubfolder, CurrentGroup->text())))
        fl1->setLines(readCatalogLines(paths::listedGroupFile(BaseFolder, ModelSubfolder, CurrentGroup->text())));
    else
        setStatusText(kTextMissing);
}

void TForm1::Panel1Click()
{
    recomputeBaseFolder();
    // What the panel is to open is not settled; it only looks.
    catalogFileExists(paths::panelPartList(BaseFolder, Manufacturer->text(), Model->text()));
}
