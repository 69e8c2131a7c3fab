#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace korvane {

struct HotspotCells
{
    QString name;
    QString x;
    QString y;
};

// Cuts the lines of one hotspot file in order. The cut of a line may depend on
// the lines before it: a line without "=" (or "-") reuses the position of the
// previous line's last "=" (or "-").
std::vector<HotspotCells> cutHotspotLines(const QStringList &lines);

} // namespace korvane
