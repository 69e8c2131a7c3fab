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

// Where one line is cut: the positions (from 1) of the "=" and the "-" that
// end the name and the x text, carried over from earlier lines when the line
// has none of its own.
struct HotspotCut
{
    qint64 equalsAt = 0;
    qint64 dashAt = 0;
};

// The cut of every line of one hotspot file, in order.
std::vector<HotspotCut> findHotspotCuts(const QStringList &lines);

// The three texts of one line at its cut.
HotspotCells cutHotspotLine(const QString &line, HotspotCut cut);

// Cuts the lines of one hotspot file in order. The cut of a line may depend on
// the lines before it: a line without "=" (or "-") reuses the position of the
// previous line's last "=" (or "-").
std::vector<HotspotCells> cutHotspotLines(const QStringList &lines);

// Whether a press at X, Y hits the hotspot at x, y: strictly inside the box
// of the half width and half height around it, computed in 32-bit arithmetic
// that wraps, as the catalogs' coordinates were always compared.
bool hotspotHit(qint32 x, qint32 y, qint32 halfWidth, qint32 halfHeight, qint32 X, qint32 Y);

} // namespace korvane
