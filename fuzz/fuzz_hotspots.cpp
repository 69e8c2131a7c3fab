// libFuzzer target for hotspot files: the bytes are read as a hotspot file,
// its lines are cut into name, x and y, and x and y are converted as a press
// on the diagram converts them. For every input:
// - cutting the file at once gives what cutting each line at its cut gives;
// - every cell is a piece of its line, and a line with its own "=" before its
//   own last "-" is exactly name "=" x "-" y;
// - a conversion gives a value or throws Failure with the user's message, and
//   a value written back in decimal or after "$" converts to itself.

#include "FuzzCheck.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "catalog/Hotspots.h"
#include "catalog/IntegerText.h"

#include <cstddef>
#include <cstdint>

using namespace korvane;

namespace {

void checkConversion(const QString &text)
{
    qint32 value = 0;
    try {
        value = convertToInteger(text);
    } catch (const Failure &failure) {
        fuzzCheck(failure.message().startsWith(u'\'') && failure.message().endsWith(u"' is not a valid integer value"),
                  "a failed conversion quotes the text");
        return;
    }
    fuzzCheck(convertToInteger(QString::number(value)) == value, "a value written in decimal converts back");
    const QString hex = QStringLiteral("$%1").arg(quint32(value), 8, 16, QLatin1Char('0'));
    fuzzCheck(convertToInteger(hex) == value, "a value written in hexadecimal converts back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines = splitCatalogLines(QByteArrayView(data, qsizetype(size)));
    const std::vector<HotspotCut> cuts = findHotspotCuts(lines);
    const std::vector<HotspotCells> cells = cutHotspotLines(lines);
    fuzzCheck(cuts.size() == size_t(lines.size()) && cells.size() == cuts.size(), "one row per line");

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const HotspotCells &row = cells[size_t(i)];
        const HotspotCells alone = cutHotspotLine(line, cuts[size_t(i)]);
        fuzzCheck(alone.name == row.name && alone.x == row.x && alone.y == row.y, "a line is cut at its own cut");
        // y runs to the end of the line, except with no "-" seen yet in the
        // file: then it is the line but its last character.
        const bool yIsTail = cuts[size_t(i)].dashAt > 0;
        fuzzCheck(line.startsWith(row.name) && line.contains(row.x)
                      && (yIsTail ? line.endsWith(row.y) : line.startsWith(row.y)),
                  "the cells are pieces of the line");

        const qsizetype equals = line.lastIndexOf(u'=');
        const qsizetype dash = line.lastIndexOf(u'-');
        if (equals >= 0 && dash > equals)
            fuzzCheck(row.name + u'=' + row.x + u'-' + row.y == line, "name = x - y is the line");

        checkConversion(row.x);
        checkConversion(row.y);
        checkConversion(line);
    }
    return 0;
}
