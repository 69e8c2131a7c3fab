#include "catalog/Hotspots.h"

#include "catalog/Win1251.h"

#include <algorithm>
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
    const QByteArrayView line = m_lines.textLine(index);
    const HotspotCut at = cut(index);
    HotspotBytes cells;
    cells.name = pascalCopy(line, 1, at.equalsAt - 1);
    cells.x = pascalCopy(line, at.equalsAt + 1, at.dashAt - at.equalsAt - 1);
    // Length less one, not the rest of the line: without a "-" the last
    // character is lost, and that is what the files were written against.
    cells.y = pascalCopy(line, at.dashAt + 1, qint64(line.size()) - 1);
    return cells;
}

HotspotCells HotspotTable::cells(qsizetype index) const
{
    const HotspotBytes raw = bytes(index);
    return {decodeWin1251(raw.name), decodeWin1251(raw.x), decodeWin1251(raw.y)};
}

std::vector<HotspotCells> cutHotspotLines(const QStringList &lines)
{
    const HotspotTable table(CatalogLines::fromStrings(lines));
    std::vector<HotspotCells> cells;
    cells.reserve(size_t(table.size()));
    for (qsizetype i = 0; i < table.size(); ++i)
        cells.push_back(table.cells(i));
    return cells;
}

} // namespace korvane
