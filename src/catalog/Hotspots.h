#pragma once

#include "catalog/CatalogLines.h"

#include <QByteArrayView>
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

// The three texts of one line, still Windows-1251 bytes.
struct HotspotBytes
{
    QByteArrayView name;
    QByteArrayView x;
    QByteArrayView y;
};

// The hotspot table of one file: its lines, each cut where the rule cuts it
// when it is asked for. Only the cuts of lines that lack "=" or "-", which
// depend on the lines before them, are kept; a file of millions of hotspots
// costs its text and its line starts.
class HotspotTable
{
public:
    HotspotTable() = default;
    explicit HotspotTable(CatalogLines lines);

    qsizetype size() const { return m_lines.size(); }
    const CatalogLines &lines() const { return m_lines; }
    HotspotCut cut(qsizetype index) const;
    HotspotBytes bytes(qsizetype index) const;
    HotspotCells cells(qsizetype index) const;

private:
    CatalogLines m_lines;
    // The cuts of the lines that carry a position over, by line. A text
    // holds less than 4 GiB, so every number fits 32 bits.
    struct Carried
    {
        quint32 line;
        quint32 equalsAt;
        quint32 dashAt;
    };
    std::vector<Carried> m_carried;
};

// Cuts the lines of one hotspot file in order. The cut of a line may depend on
// the lines before it: a line without "=" (or "-") reuses the position of the
// previous line's last "=" (or "-").
std::vector<HotspotCells> cutHotspotLines(const QStringList &lines);

// The hit tolerances the window sets at start-up: with the strict comparisons
// of hotspotHit, a press hits up to 19 pixels to either side of a hotspot and
// up to 7 above or below it.
inline constexpr qint32 kHotspotHalfWidth = 20;
inline constexpr qint32 kHotspotHalfHeight = 8;

// Whether a press at X, Y hits the hotspot at x, y: strictly inside the box
// of the half width and half height around it, computed in 32-bit arithmetic
// that wraps, as the catalogs' coordinates were always compared.
bool hotspotHit(qint32 x, qint32 y, qint32 halfWidth, qint32 halfHeight, qint32 X, qint32 Y);

} // namespace korvane
