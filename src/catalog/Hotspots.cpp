#include "catalog/Hotspots.h"

#include "catalog/IntegerText.h"
#include "catalog/Win1251.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace korvane {

namespace {

// Pascal's Copy, 1-based, forgiving of every out-of-range start and count;
// the cut positions below lean on that for lines lacking "=" or "-".
QByteArrayView pascalCopy(QByteArrayView text, qint64 start, qint64 count)
{
    const qint64 length = text.size();
    if (start < 1)
        start = 1;
    if (start > length || count <= 0)
        return {};
    count = std::min(count, length - start + 1);
    return text.sliced(qsizetype(start - 1), qsizetype(count));
}

// The positions (from 1) of the last "=" and the last "-", 0 where none.
HotspotCut ownCut(QByteArrayView line)
{
    HotspotCut cut;
    for (qsizetype i = line.size(); i > 0 && (cut.equalsAt == 0 || cut.dashAt == 0); --i) {
        const char c = line[i - 1];
        if (c == '=' && cut.equalsAt == 0)
            cut.equalsAt = i;
        else if (c == '-' && cut.dashAt == 0)
            cut.dashAt = i;
    }
    return cut;
}

// The cells of a line cut at the given positions.
HotspotBytes cellsAt(QByteArrayView line, HotspotCut at)
{
    HotspotBytes cells;
    cells.name = pascalCopy(line, 1, at.equalsAt - 1);
    cells.x = pascalCopy(line, at.equalsAt + 1, at.dashAt - at.equalsAt - 1);
    // Length less one, not the rest of the line: without a "-" the last
    // character is lost, and that is what the files were written against.
    cells.y = pascalCopy(line, at.dashAt + 1, qint64(line.size()) - 1);
    return cells;
}

qint32 wrappingAdd(qint32 a, qint32 b)
{
    return qint32(quint32(a) + quint32(b));
}

qint32 wrappingSubtract(qint32 a, qint32 b)
{
    return qint32(quint32(a) - quint32(b));
}

} // namespace

bool hotspotHit(qint32 x, qint32 y, qint32 halfWidth, qint32 halfHeight, qint32 X, qint32 Y)
{
    return wrappingSubtract(x, halfWidth) < X && X < wrappingAdd(x, halfWidth) && wrappingSubtract(y, halfHeight) < Y
           && Y < wrappingAdd(y, halfHeight);
}

std::optional<QRect> hotspotHitBox(qint32 x, qint32 y, qint32 halfWidth, qint32 halfHeight)
{
    // The strict bounds one pixel in from x - halfWidth and x + halfWidth; a
    // bound that wraps leaves no press that passes both comparisons.
    const qint64 left = qint64(x) - halfWidth + 1;
    const qint64 right = qint64(x) + halfWidth - 1;
    const qint64 top = qint64(y) - halfHeight + 1;
    const qint64 bottom = qint64(y) + halfHeight - 1;
    if (left > right || top > bottom || qint64(wrappingSubtract(x, halfWidth)) != left - 1
        || qint64(wrappingAdd(x, halfWidth)) != right + 1 || qint64(wrappingSubtract(y, halfHeight)) != top - 1
        || qint64(wrappingAdd(y, halfHeight)) != bottom + 1)
        return std::nullopt;
    // A QRect holds its right and bottom edges as int: a box reaching the
    // very last pixel of the range has no place in one.
    if (right >= std::numeric_limits<qint32>::max() || bottom >= std::numeric_limits<qint32>::max())
        return std::nullopt;
    return QRect(QPoint(int(left), int(top)), QPoint(int(right), int(bottom)));
}

HotspotBytes cutHotspotLine(QByteArrayView line, HotspotCut &carried)
{
    const HotspotCut own = ownCut(line);
    carried.equalsAt = own.equalsAt != 0 ? own.equalsAt : carried.equalsAt;
    carried.dashAt = own.dashAt != 0 ? own.dashAt : carried.dashAt;
    return cellsAt(line, carried);
}

HotspotPress::HotspotPress(const HotspotTable &table, qint32 halfWidth, qint32 halfHeight, qint32 X, qint32 Y)
    : m_table(table), m_halfWidth(halfWidth), m_halfHeight(halfHeight), m_X(X), m_Y(Y)
{
}

std::optional<HotspotPressStep> HotspotPress::next()
{
    while (!m_ended && m_row < m_table.size()) {
        ++m_row;
        // Both converted before comparing: a bad cell ends the press here,
        // with what the earlier rows did left done. The cells are read in the
        // file's bytes; only a name that is hit is decoded, by the caller.
        const HotspotBytes cells = m_table.bytes(m_row - 1);
        qint32 x = 0;
        qint32 y = 0;
        try {
            x = convertToInteger(cells.x);
            y = convertToInteger(cells.y);
        } catch (...) {
            m_ended = true;
            throw;
        }
        const bool writes = !cells.name.isEmpty() && hotspotHit(x, y, m_halfWidth, m_halfHeight, m_X, m_Y);
        if (m_row == 1 || (writes && (m_lastWritten.isEmpty() || cells.name != m_lastWritten))) {
            if (writes)
                m_lastWritten = cells.name;
            return HotspotPressStep{m_row, writes ? cells.name : QByteArrayView()};
        }
    }
    m_ended = true;
    return std::nullopt;
}

HotspotTable::HotspotTable(CatalogLines lines)
{
    // A file's lines are cut in their bytes; lines that came as text are
    // written out as a file first.
    m_lines = lines.addedLines().isEmpty() ? std::move(lines) : CatalogLines::fromText(lines.joined());
    // The positions outlive the line they were found in: a line without "="
    // or "-" is cut where the previous one was.
    HotspotCut carried;
    for (qsizetype i = 0, n = m_lines.textLineCount(); i < n; ++i) {
        const HotspotCut own = ownCut(m_lines.textLine(i));
        carried.equalsAt = own.equalsAt != 0 ? own.equalsAt : carried.equalsAt;
        carried.dashAt = own.dashAt != 0 ? own.dashAt : carried.dashAt;
        if (own.equalsAt == 0 || own.dashAt == 0)
            m_carried.push_back({quint32(i), quint32(carried.equalsAt), quint32(carried.dashAt)});
    }
    m_carried.shrink_to_fit();
}

HotspotCut HotspotTable::cut(qsizetype index) const
{
    const auto found = std::lower_bound(m_carried.begin(), m_carried.end(), index,
                                        [](const Carried &entry, qsizetype line) { return entry.line < line; });
    if (found != m_carried.end() && found->line == index)
        return {found->equalsAt, found->dashAt};
    return ownCut(m_lines.textLine(index));
}

HotspotBytes HotspotTable::bytes(qsizetype index) const
{
    return cellsAt(m_lines.textLine(index), cut(index));
}

HotspotCells HotspotTable::cells(qsizetype index) const
{
    const HotspotBytes raw = bytes(index);
    return {decodeWin1251(raw.name), decodeWin1251(raw.x), decodeWin1251(raw.y)};
}

} // namespace korvane
