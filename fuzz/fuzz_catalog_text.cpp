// libFuzzer target for the catalog line reader and the Windows-1251 text
// behind it. Every input gives lines, and for every input:
// - no line holds CR, LF or NUL;
// - the lines are those of a second reading of the rules, written differently;
// - the lines written out as a list and read again are the same lines;
// - a list kept as its text and line starts gives the same lines, each line's
//   bytes decode to it, and written out it is the file the lines make;
// - the bytes decoded and encoded again are the same bytes (all 256 values
//   have their own character), and any text encoded and decoded again is the
//   same text but for "?" in place of characters the code page lacks.

#include "FuzzCheck.h"
#include "catalog/CatalogLines.h"
#include "catalog/Win1251.h"
#include "support/CatalogTexts.h"

#include <cstddef>
#include <cstdint>

using namespace korvane;

namespace {

// The text up to the first NUL, each CR LF and then each lone CR made an LF,
// cut at every LF; a break at the very end closes the last line instead of
// opening an empty one.
QStringList referenceLines(QByteArrayView bytes)
{
    QByteArray text = bytes.toByteArray();
    if (const qsizetype nul = text.indexOf('\0'); nul >= 0)
        text.truncate(nul);
    text.replace("\r\n", "\n").replace('\r', '\n');
    if (text.isEmpty())
        return {};
    if (text.endsWith('\n'))
        text.chop(1);
    QStringList lines;
    for (const QByteArray &piece : text.split('\n'))
        lines.append(decodeWin1251(piece));
    return lines;
}

void checkEncodingOfAnyText(QByteArrayView bytes)
{
    // Two bytes a character, so every UTF-16 unit can turn up.
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uchar(bytes[2 * i]) | uchar(bytes[2 * i + 1]) << 8));
    const QByteArray encoded = encodeWin1251(text);
    fuzzCheck(encoded.size() == text.size(), "one byte per character");
    const QString decoded = decodeWin1251(encoded);
    for (qsizetype i = 0; i < text.size(); ++i)
        fuzzCheck(decoded.at(i) == text.at(i) || encoded.at(i) == '?', "a character encodes to another one");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));

    const QStringList lines = testing::splitCatalogLines(bytes);
    for (const QString &line : lines) {
        fuzzCheck(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(QChar(u'\0')),
                  "no line holds CR, LF or NUL");
    }
    fuzzCheck(lines == referenceLines(bytes), "the lines follow the line rules");
    fuzzCheck(testing::splitCatalogLines(testing::joinCatalogLines(lines)) == lines,
              "lines written and read again are the same");

    const CatalogLines kept = CatalogLines::fromText(bytes.toByteArray());
    fuzzCheck(kept.size() == lines.size() && kept.textLineCount() == lines.size(), "the kept list has every line");
    for (qsizetype i = 0; i < kept.size(); ++i) {
        fuzzCheck(kept.line(i) == lines.at(i) && decodeWin1251(kept.textLine(i)) == lines.at(i),
                  "a kept line is the line");
        fuzzCheck(kept.textLineWithBreak(i).startsWith(kept.textLine(i)), "a line with its break starts with the line");
    }
    fuzzCheck(kept.joined() == testing::joinCatalogLines(lines), "a kept list is written as its lines");

    fuzzCheck(encodeWin1251(decodeWin1251(bytes)) == bytes, "bytes decoded and encoded again are the same");
    checkEncodingOfAnyText(bytes);
    return 0;
}
