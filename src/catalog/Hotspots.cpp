#include "catalog/Hotspots.h"

#include <algorithm>
#include <utility>

namespace korvane {

namespace {

// Pascal's Copy, 1-based, forgiving of every out-of-range start and count;
// the cut positions below lean on that for lines lacking "=" or "-".
QString pascalCopy(const QString &text, qint64 start, qint64 count)
{
    const qint64 length = text.size();
    if (start < 1)
        start = 1;
    if (start > length || count <= 0)
        return QString();
    count = std::min(count, length - start + 1);
    return text.mid(qsizetype(start - 1), qsizetype(count));
}

} // namespace

std::vector<HotspotCells> cutHotspotLines(const QStringList &lines)
{
    std::vector<HotspotCells> cells;
    cells.reserve(size_t(lines.size()));
    // The positions outlive the line they were found in: a line without "="
    // or "-" is cut where the previous one was.
    qint64 equalsAt = 0;
    qint64 dashAt = 0;
    for (const QString &line : lines) {
        const qint64 length = line.size();
        if (const qsizetype at = line.lastIndexOf(QLatin1Char('=')); at >= 0)
            equalsAt = qint64(at) + 1;
        if (const qsizetype at = line.lastIndexOf(QLatin1Char('-')); at >= 0)
            dashAt = qint64(at) + 1;
        HotspotCells cell;
        cell.name = pascalCopy(line, 1, equalsAt - 1);
        cell.x = pascalCopy(line, equalsAt + 1, dashAt - equalsAt - 1);
        // Length less one, not the rest of the line: without a "-" the last
        // character is lost, and that is what the files were written against.
        cell.y = pascalCopy(line, dashAt + 1, length - 1);
        cells.push_back(std::move(cell));
    }
    return cells;
}

} // namespace korvane
