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

std::vector<HotspotCut> findHotspotCuts(const QStringList &lines)
{
    std::vector<HotspotCut> cuts;
    cuts.reserve(size_t(lines.size()));
    // The positions outlive the line they were found in: a line without "="
    // or "-" is cut where the previous one was.
    HotspotCut cut;
    for (const QString &line : lines) {
        if (const qsizetype at = line.lastIndexOf(QLatin1Char('=')); at >= 0)
            cut.equalsAt = qint64(at) + 1;
        if (const qsizetype at = line.lastIndexOf(QLatin1Char('-')); at >= 0)
            cut.dashAt = qint64(at) + 1;
        cuts.push_back(cut);
    }
    return cuts;
}

HotspotCells cutHotspotLine(const QString &line, HotspotCut cut)
{
    HotspotCells cell;
    cell.name = pascalCopy(line, 1, cut.equalsAt - 1);
    cell.x = pascalCopy(line, cut.equalsAt + 1, cut.dashAt - cut.equalsAt - 1);
    // Length less one, not the rest of the line: without a "-" the last
    // character is lost, and that is what the files were written against.
    cell.y = pascalCopy(line, cut.dashAt + 1, qint64(line.size()) - 1);
    return cell;
}

std::vector<HotspotCells> cutHotspotLines(const QStringList &lines)
{
    const std::vector<HotspotCut> cuts = findHotspotCuts(lines);
    std::vector<HotspotCells> cells;
    cells.reserve(cuts.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        cells.push_back(cutHotspotLine(lines.at(i), cuts[size_t(i)]));
    return cells;
}

} // namespace korvane
