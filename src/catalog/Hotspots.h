#pragma once

#include "catalog/CatalogLines.h"

#include <QByteArrayView>
#include <QRect>
#include <QString>

#include <optional>
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

    bool operator==(const HotspotCut &) const = default;
};

// The three texts of one line, still Windows-1251 bytes.
struct HotspotBytes
{
    QByteArrayView name;
    QByteArrayView x;
    QByteArrayView y;
};

// Cuts one line, the lines before it having left the positions carried;
// they are updated for the line after it. The texts are pieces of the line.
HotspotBytes cutHotspotLine(QByteArrayView line, HotspotCut &carried);

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

// The hit tolerances the window sets at start-up: with the strict comparisons
// of hotspotHit, a press hits up to 19 pixels to either side of a hotspot and
// up to 7 above or below it.
inline constexpr qint32 kHotspotHalfWidth = 20;
inline constexpr qint32 kHotspotHalfHeight = 8;

// Whether a press at X, Y hits the hotspot at x, y: strictly inside the box
// of the half width and half height around it, computed in 32-bit arithmetic
// that wraps, as the catalogs' coordinates were always compared.
bool hotspotHit(qint32 x, qint32 y, qint32 halfWidth, qint32 halfHeight, qint32 X, qint32 Y);

// The pixels a press hits the hotspot at x, y on, by hotspotHit: a box
// 2 * halfWidth - 1 wide and 2 * halfHeight - 1 high around the point.
// Nothing where no press hits it: tolerances of 0, or a point so near either
// end of the 32-bit range that a bound of its box wraps over.
std::optional<QRect> hotspotHitBox(qint32 x, qint32 y, qint32 halfWidth, qint32 halfHeight);

// One step of a press on the picture: when the row is hit and named, its name
// goes into the search edit; then the part list is selected by the search
// edit's text.
struct HotspotPressStep
{
    // The row, from 1.
    qsizetype row = 0;
    // The name written first; empty when the row writes nothing.
    QByteArrayView name;
};

// A press at X, Y, run over the hotspot table row by row as the window runs
// it: both cells of a row are converted before anything is compared, and a
// cell that does not convert ends the press at its row, with the steps of the
// rows before it done; a hit on a named row writes the name, a later one
// overwriting an earlier one; and the list is selected again after every row.
//
// Selecting again by the text that the selection just before used changes
// nothing, so those steps are left out: next() gives the first row's step and
// then only the rows that write a name other than the last one written. A
// press over millions of rows selects once, and again only where the name
// it writes changes.
class HotspotPress
{
public:
    HotspotPress(const HotspotTable &table, qint32 halfWidth, qint32 halfHeight, qint32 X, qint32 Y);

    // The next step, or nothing once every row is done. Throws the
    // conversion's Failure at a row whose cell does not convert; row() is
    // that row then, and the press has ended.
    std::optional<HotspotPressStep> next();
    qsizetype row() const { return m_row; }

private:
    const HotspotTable &m_table;
    qint32 m_halfWidth;
    qint32 m_halfHeight;
    qint32 m_X;
    qint32 m_Y;
    qsizetype m_row = 0;
    QByteArrayView m_lastWritten;
    bool m_ended = false;
};

} // namespace korvane
