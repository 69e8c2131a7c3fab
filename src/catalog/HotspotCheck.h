#pragma once

#include "catalog/CatalogLines.h"
#include "catalog/Hotspots.h"

#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace korvane {

// What of a diagram can be pressed at the window's designed size: the part
// of it the picture area shows on every desktop (see HotspotCheck.cpp).
inline constexpr qint32 kShownDiagramWidth = 627;
inline constexpr qint32 kShownDiagramHeight = 576;

// One thing wrong with a hotspot line, in the words of the person who writes
// the file, with how to mend it.
struct HotspotFault
{
    // The browser fails or loses the hotspot (an error), or the hotspot
    // works but not as meant (a warning).
    bool error = false;
    QString message;
};

// What the catalog knows around a hotspot file, where it knows it.
struct HotspotContext
{
    // The diagram's size, when it decodes.
    std::optional<QSize> diagram;
    // The model's part list, whose lines a press searches, and its name.
    const CatalogLines *partLines = nullptr;
    QString partListName;
};

// Line `row` of a hotspot table, checked as a press reads it.
struct HotspotLineCheck
{
    // Both coordinates convert as a press converts them; when one does not,
    // every press on the diagram stops at this line.
    bool converts = false;
    qint32 x = 0;
    qint32 y = 0;
    std::vector<HotspotFault> faults;
};

HotspotLineCheck checkHotspotLine(const HotspotTable &table, qsizetype row, const HotspotContext &context = {});
// The same for a line kept elsewhere, as an editor keeps its lines: its text
// and the cells the lines before it cut it into (cutHotspotLine).
HotspotLineCheck checkHotspotLine(QByteArrayView line, const HotspotBytes &cells, const HotspotContext &context = {});

// A line after stopLine (from 1), the first whose coordinates do not convert:
// no press ever reaches it. korvane-check reports the line that stops the
// presses; an editor, which shows every line, marks those after it too.
HotspotFault neverReachedHotspotLine(QByteArrayView line, qsizetype stopLine);

} // namespace korvane
