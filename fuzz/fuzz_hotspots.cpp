// libFuzzer target for hotspot files: the bytes are read as a hotspot file,
// its lines are cut into name, x and y, and x and y are converted as a press
// on the diagram converts them. For every input:
// - the table's cut of every line is the one a plain reading of the rule
//   gives, carrying the last "=" and "-" over lines that lack them;
// - every cell is a piece of its line, and a line with its own "=" before its
//   own last "-" is exactly name "=" x "-" y; the cells of the file's bytes
//   are those of its lines as text;
// - a conversion gives a value or throws Failure with the user's message, the
//   same for a cell's bytes as for its text, and a value written back in
//   decimal or after "$" converts to itself.

#include "FuzzCheck.h"
#include "catalog/CatalogLines.h"
#include "catalog/Failure.h"
#include "catalog/Hotspots.h"
#include "catalog/IntegerText.h"
#include "catalog/Win1251.h"
#include "support/CatalogTexts.h"

#include <cstddef>
#include <cstdint>
#include <optional>

using namespace korvane;

namespace {

std::optional<qint32> converted(const QString &text, QString &message)
{
    try {
        return testing::convertToInteger(text);
    } catch (const Failure &failure) {
        message = failure.message();
        return std::nullopt;
    }
}

void checkConversion(QByteArrayView bytes)
{
    const QString text = decodeWin1251(bytes);
    QString message;
    const std::optional<qint32> value = converted(text, message);
    QString bytesMessage;
    std::optional<qint32> bytesValue;
    try {
        bytesValue = convertToInteger(bytes);
    } catch (const Failure &failure) {
        bytesMessage = failure.message();
    }
    fuzzCheck(bytesValue == value && bytesMessage == message, "bytes and text convert alike");
    if (!value) {
        fuzzCheck(message.startsWith(u'\'') && message.endsWith(u"' is not a valid integer value"),
                  "a failed conversion quotes the text");
        return;
    }
    fuzzCheck(testing::convertToInteger(QString::number(*value)) == *value, "a value written in decimal converts back");
    const QString hex = QStringLiteral("$%1").arg(quint32(*value), 8, 16, QLatin1Char('0'));
    fuzzCheck(testing::convertToInteger(hex) == *value, "a value written in hexadecimal converts back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const QStringList lines = testing::splitCatalogLines(bytes);
    const HotspotTable table(CatalogLines::fromText(bytes.toByteArray()));
    const std::vector<HotspotCells> fromText = testing::cutHotspotLines(lines);
    fuzzCheck(table.size() == lines.size() && fromText.size() == size_t(lines.size()), "one row per line");

    HotspotCut carried;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const qsizetype equals = line.lastIndexOf(u'=');
        const qsizetype dash = line.lastIndexOf(u'-');
        carried.equalsAt = equals >= 0 ? equals + 1 : carried.equalsAt;
        carried.dashAt = dash >= 0 ? dash + 1 : carried.dashAt;
        const HotspotCut cut = table.cut(i);
        fuzzCheck(cut.equalsAt == carried.equalsAt && cut.dashAt == carried.dashAt, "a line is cut by the rule");

        const HotspotCells row = table.cells(i);
        const HotspotCells &textRow = fromText[size_t(i)];
        fuzzCheck(row.name == textRow.name && row.x == textRow.x && row.y == textRow.y, "bytes and text are cut alike");
        // y runs to the end of the line, except with no "-" seen yet in the
        // file: then it is the line but its last character.
        fuzzCheck(line.startsWith(row.name) && line.contains(row.x)
                      && (cut.dashAt > 0 ? line.endsWith(row.y) : line.startsWith(row.y)),
                  "the cells are pieces of the line");
        if (equals >= 0 && dash > equals)
            fuzzCheck(row.name + u'=' + row.x + u'-' + row.y == line, "name = x - y is the line");

        const HotspotBytes cells = table.bytes(i);
        checkConversion(cells.x);
        checkConversion(cells.y);
        checkConversion(table.lines().textLine(i));
    }
    return 0;
}
