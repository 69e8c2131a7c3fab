#include "ui/Unit1.h"

#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/Hotspots.h"
#include "catalog/IntegerText.h"
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
    // Not tested first: a missing or broken diagram ends the change in the
    // error box, and the old hotspots stay in force.
    logo->setPicture(loadPictureFile(paths::diagram(BaseFolder, Manufacturer->text(), Model->text(), exview->text())));
    runButtonStep(SpeedButton1, &TForm1::SpeedButton1Click);
}

void TForm1::SpeedButton1Click()
{
    lbmet->setLines(
        readCatalogLines(paths::hotspotFile(BaseFolder, Manufacturer->text(), Model->text(), exview->text())));
    HotspotCount = lbmet->lineCount();
    // The grid cuts the same lines, shared, not copied.
    sg1->setHotspotTable(HotspotTable(lbmet->catalogLines()));
}

void TForm1::logoMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y)
{
    if (!HotspotTestMode)
        return;
    QString lastSearched;
    bool searched = false;
    for (qint32 r = 1; r <= HotspotCount; ++r) {
        // Both converted before comparing: a bad cell ends the press here,
        // with what the earlier rows did left done. The cells are read in the
        // file's bytes; only a name that is hit is decoded.
        const HotspotBytes cells = sg1->rowBytes(r);
        const qint32 x = convertToInteger(cells.x);
        const qint32 y = convertToInteger(cells.y);
        if (hotspotHit(x, y, HotspotHalfWidth, HotspotHalfHeight, X, Y) && !cells.name.isEmpty())
            savnam->setText(decodeWin1251(cells.name));
        // The list is selected again after every row. Selecting by the text of
        // the call just before changes nothing, so only a changed text is
        // searched: a diagram with thousands of hotspots over a million-line
        // list still answers at once.
        if (!searched || savnam->text() != lastSearched) {
            lastSearched = savnam->text();
            searched = true;
            SelectPartByPrefix(lastSearched);
        }
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
