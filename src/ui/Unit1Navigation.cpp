#include "ui/Unit1.h"

#include "catalog/CatalogNames.h"
#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/FileRoutes.h"
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

void TForm1::ManufacturerChange()
{
    CurrentGroup->clearEntries();
    CurrentGroup->setText(QString());
    CurrentGroup->setEntries(listMatchingFiles(paths::manufacturerFolderListing(BaseFolder, Manufacturer->text())));

    Group->clearEntries();
    Group->setText(QString());
    Group->setEntries(groupNamesFromListedFiles(CurrentGroup->entries()));

    if (const std::optional<CatalogFile> models
        = routeFile(routes::modelList, paths::modelList(BaseFolder, Manufacturer->text())))
        Model->setEntries(readCatalogLines(*models).toStringList());
}

void TForm1::ModelChange()
{
    recomputeBaseFolder();
    const std::optional<CatalogFile> partList
        = routeFile(routes::modelPartList, paths::modelPartList(BaseFolder, Manufacturer->text(), Model->text()));
    if (!partList)
        return;
    runButtonStep(Button2, &TForm1::Button2Click);
    fl1->setLines(readCatalogLines(*partList));
    // A missing picture ends the change here, before the group list is read.
    const std::optional<CatalogFile> picture
        = routeFile(routes::modelPicture, paths::modelPicture(BaseFolder, Manufacturer->text(), Model->text()));
    if (!picture)
        return;
    logo->setPicture(loadPictureFile(*picture));
    runButtonStep(loadgroup, &TForm1::loadgroupClick);
}

void TForm1::Button2Click()
{
    const ComposedPath viewListPath = paths::explodedViewList(BaseFolder, Manufacturer->text(), Model->text());
    if (const std::optional<CatalogFile> viewList = routeFile(routes::explodedViewList, viewListPath)) {
        exview->setEntries(readCatalogLines(*viewList).toStringList());
        setStatusText(viewListPath.text());
    }
}

void TForm1::loadgroupClick()
{
    recomputeBaseFolder();
    const ComposedPath groupListPath = paths::groupList(BaseFolder, Manufacturer->text(), Model->text());
    setWindowTitle(groupListPath.text());
    if (const std::optional<CatalogFile> groupList = routeFile(routes::groupList, groupListPath))
        Group->setEntries(readCatalogLines(*groupList).toStringList());
}

void TForm1::GroupChange()
{
    // The group list is only looked for, as the condition of reading the
    // group's own file.
    if (!routeFile(routes::groupListOnGroupChange, paths::groupList(BaseFolder, Manufacturer->text(), Model->text())))
        return;
    if (const std::optional<CatalogFile> partList
        = routeFile(routes::groupPartList,
                    paths::groupPartList(BaseFolder, Manufacturer->text(), Model->text(), Group->text())))
        fl1->setLines(readCatalogLines(*partList));
}

void TForm1::CurrentGroupChange()
{
    if (const std::optional<CatalogFile> listed
        = routeFile(routes::listedGroupFile, paths::listedGroupFile(BaseFolder, ModelSubfolder, CurrentGroup->text())))
        fl1->setLines(readCatalogLines(*listed));
}

void TForm1::Panel1Click()
{
    recomputeBaseFolder();
    // What the panel is to open is not settled; it only looks.
    routeFile(routes::panelPartList, paths::panelPartList(BaseFolder, Manufacturer->text(), Model->text()));
}
