#include "ui/Unit1.h"

#include "catalog/CatalogNames.h"
#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureFile.h"

#include <QPushButton>

#include <optional>

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

    if (const std::optional<CatalogFile> models = findCatalogFile(paths::modelList(BaseFolder, Manufacturer->text())))
        Model->setEntries(readCatalogLines(*models).toStringList());
    else
        setStatusText(kPictureMissing);
}

void TForm1::ModelChange()
{
    recomputeBaseFolder();
    const ComposedPath partListPath = paths::modelPartList(BaseFolder, Manufacturer->text(), Model->text());
    const std::optional<CatalogFile> partList = findCatalogFile(partListPath);
    if (!partList) {
        setWindowTitle(partListPath.text());
        return;
    }
    runButtonStep(Button2, &TForm1::Button2Click);
    fl1->setLines(readCatalogLines(*partList));
    // Not tested first: a missing picture ends the change here, in the error
    // box, before the group list is read.
    logo->setPicture(loadPictureFile(paths::modelPicture(BaseFolder, Manufacturer->text(), Model->text())));
    runButtonStep(loadgroup, &TForm1::loadgroupClick);
}

void TForm1::Button2Click()
{
    const ComposedPath viewListPath = paths::explodedViewList(BaseFolder, Manufacturer->text(), Model->text());
    if (const std::optional<CatalogFile> viewList = findCatalogFile(viewListPath)) {
        exview->setEntries(readCatalogLines(*viewList).toStringList());
        setStatusText(viewListPath.text());
    } else {
        setStatusText(kTextMissing);
    }
}

void TForm1::loadgroupClick()
{
    recomputeBaseFolder();
    const ComposedPath groupListPath = paths::groupList(BaseFolder, Manufacturer->text(), Model->text());
    setWindowTitle(groupListPath.text());
    if (const std::optional<CatalogFile> groupList = findCatalogFile(groupListPath))
        Group->setEntries(readCatalogLines(*groupList).toStringList());
}

void TForm1::GroupChange()
{
    // The group list is only tested; the group's own file is read untested.
    if (catalogFileExists(paths::groupList(BaseFolder, Manufacturer->text(), Model->text())))
        fl1->setLines(
            readCatalogLines(paths::groupPartList(BaseFolder, Manufacturer->text(), Model->text(), Group->text())));
    else
        setStatusText(kTextMissing);
}

void TForm1::CurrentGroupChange()
{
    if (const std::optional<CatalogFile> listed
        = findCatalogFile(paths::listedGroupFile(BaseFolder, ModelSubfolder, CurrentGroup->text())))
        fl1->setLines(readCatalogLines(*listed));
    else
        setStatusText(kTextMissing);
}

void TForm1::Panel1Click()
{
    recomputeBaseFolder();
    // What the panel is to open is not settled; it only looks.
    catalogFileExists(paths::panelPartList(BaseFolder, Manufacturer->text(), Model->text()));
}
