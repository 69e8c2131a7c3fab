#include "catalog/PartSearch.h"

#include "catalog/Win1251.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace korvane {

namespace {

// Each byte's character case-folded; the class of a byte is the first byte
// whose character folds to the same.
struct FoldTables
{
    std::array<char16_t, 256> folded{};
    std::array<unsigned char, 256> classes{};

    FoldTables()
    {
        for (int byte = 0; byte < 256; ++byte)
            folded[byte] = win1251ToChar(uchar(byte)).toCaseFolded().unicode();
        for (int byte = 0; byte < 256; ++byte) {
            int first = 0;
            while (folded[first] != folded[byte])
                ++first;
            classes[byte] = uchar(first);
        }
    }
};

const FoldTables &foldTables()
{
    static const FoldTables tables;
    return tables;
}

} // namespace

PrefixMatcher::PrefixMatcher(const QString &prefix)
    : m_byteClasses(foldTables().classes.data()), m_folded(prefix.toCaseFolded())
{
    // A prefix character is folded already, so a byte matches it exactly
    // when the byte's own character folds to it.
    const FoldTables &tables = foldTables();
    m_classes.reserve(size_t(m_folded.size()));
    for (const QChar c : std::as_const(m_folded)) {
        const auto *found = std::find(tables.folded.begin(), tables.folded.end(), c.unicode());
        if (found == tables.folded.end()) {
            m_possibleInBytes = false;
            return;
        }
        m_classes.push_back(tables.classes[size_t(found - tables.folded.begin())]);
    }
}

bool PrefixMatcher::matches(QStringView text) const
{
    if (text.size() < m_folded.size())
        return false;
    for (qsizetype i = 0; i < m_folded.size(); ++i) {
        const QChar c = text[i];
        if (c != m_folded[i] && c.toCaseFolded() != m_folded[i])
            return false;
    }
    return true;
}

qsizetype findFirstStartingWith(const QStringList &texts, const QString &prefix)
{
    const PrefixMatcher matcher(prefix);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (matcher.matches(QStringView(texts.at(i))))
            return i;
    }
    return -1;
}

qsizetype findFirstStartingWith(const CatalogLines &lines, const QString &prefix)
{
    const PrefixMatcher matcher(prefix);
    const qsizetype fromText = lines.textLineCount();
    if (prefix.contains(u'\r') || prefix.contains(u'\n')) {
        for (qsizetype i = 0; i < fromText; ++i) {
            if (matcher.matches(lines.textLine(i)))
                return i;
        }
    } else {
        for (qsizetype i = 0; i < fromText; ++i) {
            if (matcher.matches(lines.textLineWithBreak(i)))
                return i;
        }
    }
    const qsizetype found = findFirstStartingWith(lines.addedLines(), prefix);
    return found < 0 ? -1 : fromText + found;
}

int substringSearchStart(int selectedIndex, int lineCount)
{
    int start = std::max(selectedIndex, 0);
    if (start != lineCount)
        ++start;
    if (start == lineCount)
        start = 0;
    return start;
}

bool lineHoldsText(QStringView line, QStringView text)
{
    return line.left(kSearchCapacity).contains(text.left(kSearchCapacity));
}

SubstringMatcher::SubstringMatcher(const QString &text) : m_text(text.left(kSearchCapacity))
{
    // A text with a character outside the code page is in no file's line.
    m_bytes = encodeWin1251(m_text);
    m_possibleInBytes = decodeWin1251(m_bytes) == m_text;
}

SubstringScan::SubstringScan(const CatalogLines &lines, int selectedIndex, const QString &text)
    : m_lines(lines), m_matcher(text), m_count(int(std::min<qsizetype>(lines.size(), INT_MAX))),
      m_at(substringSearchStart(selectedIndex, m_count))
{
}

std::optional<int> SubstringScan::next()
{
    while (m_at < m_count) {
        const int line = m_at++;
        if (m_matcher.holds(m_lines, line))
            return line;
    }
    return std::nullopt;
}

bool SubstringMatcher::holds(const CatalogLines &lines, qsizetype index) const
{
    if (index >= lines.textLineCount())
        return lineHoldsText(lines.line(index), m_text);
    if (!m_possibleInBytes)
        return false;
    const QByteArrayView line = lines.textLine(index);
    return line.first(std::min(line.size(), kSearchCapacity)).contains(m_bytes);
}

} // namespace korvane
