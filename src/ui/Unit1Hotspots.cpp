#include "ui/Unit1.h"

#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/FileRoutes.h"
#include "catalog/Hotspots.h"
#include "catalog/Win1251.h"
#include "platform/EditableDropDown.h"
#include "platform/HotspotGrid.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureFile.h"

#include <QLineEdit>
#include <QToolButton>

// Exploded views and hotspots.

using namespace korvane;

namespace {

const QString kStartChecking = QStringLiteral("Начать проверку");

} // namespace

void TForm1::exviewChange()
{
    // A missing or broken diagram ends the change, and the old hotspots stay
    // in force.
    const std::optional<CatalogFile> diagram
        = routeFile(routes::diagram, paths::diagram(BaseFolder, Manufacturer->text(), Model->text(), exview->text()));
    if (!diagram)
        return;
    logo->setPicture(loadPictureFile(*diagram));
    runButtonStep(SpeedButton1, &TForm1::SpeedButton1Click);
}

void TForm1::SpeedButton1Click()
{
    const std::optional<CatalogFile> hotspots = routeFile(
        routes::hotspotFile, paths::hotspotFile(BaseFolder, Manufacturer->text(), Model->text(), exview->text()));
    if (!hotspots)
        return;
    lbmet->setLines(readCatalogLines(*hotspots));
    HotspotCount = lbmet->lineCount();
    // The grid cuts the same lines, shared, not copied.
    sg1->setHotspotTable(HotspotTable(lbmet->catalogLines()));
}

void TForm1::logoMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y)
{
    if (!HotspotTestMode)
        return;
    // The press rule lives with the hotspot table, where the hotspot editor's
    // Try mode runs it too; a cell that does not convert throws out of next()
    // and ends the press at its row. The steps leave out selections by an
    // unchanged text, so a diagram with thousands of hotspots over a
    // million-line list still answers at once.
    HotspotPress press(sg1->hotspotTable(), HotspotHalfWidth, HotspotHalfHeight, X, Y);
    while (const std::optional<HotspotPressStep> step = press.next()) {
        if (!step->name.isEmpty())
            savnam->setText(decodeWin1251(step->name));
        SelectPartByPrefix(savnam->text());
    }
}

void TForm1::testClick()
{
    if (test->text() == kStartChecking) {
        test->setText(QStringLiteral("Кончить"));
        HotspotTestMode = true;
    } else {
        test->setText(kStartChecking);
        HotspotTestMode = false;
    }
}
