#pragma once

#include "catalog/CatalogLines.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace korvane {

// The list box's prefix rule: a text begins with the prefix when every
// character of the case-folded prefix equals the text's character there,
// or that character case-folded (Cyrillic too).
//
// Catalog lines are Windows-1251 bytes: each byte is one character, so the
// rule becomes a table of 256 entries, a byte's class being the folded
// character it stands for, and a line is tested on its bytes without being
// decoded. Both forms give the same answer for every line.
class PrefixMatcher
{
public:
    explicit PrefixMatcher(const QString &prefix);

    bool matches(QStringView text) const;
    bool matches(QByteArrayView win1251) const
    {
        if (!m_possibleInBytes || win1251.size() < qsizetype(m_classes.size()))
            return false;
        const auto *bytes = reinterpret_cast<const unsigned char *>(win1251.data());
        for (size_t i = 0; i < m_classes.size(); ++i) {
            if (m_byteClasses[bytes[i]] != m_classes[i])
                return false;
        }
        return true;
    }

private:
    const unsigned char *m_byteClasses;

    QString m_folded;
    std::vector<unsigned char> m_classes;
    // Whether any Windows-1251 text can begin with the prefix at all.
    bool m_possibleInBytes = true;
};

// The first of the texts that begins with the prefix; -1 if none.
qsizetype findFirstStartingWith(const QStringList &texts, const QString &prefix);
qsizetype findFirstStartingWith(const CatalogLines &lines, const QString &prefix);

// The substring search works on copies of at most 255 characters of the text
// and of each line; letter case counts.
inline constexpr qsizetype kSearchCapacity = 255;

// Where the substring search starts: after the selected line (the second line
// when none is selected), wrapping to the first only when the last one is
// selected; the scan never wraps further.
int substringSearchStart(int selectedIndex, int lineCount);

// Whether a line, cut to the search capacity, holds the text, itself cut;
// a file's line is searched in its bytes.
class SubstringMatcher
{
public:
    explicit SubstringMatcher(const QString &text);
    bool holds(const CatalogLines &lines, qsizetype index) const;

private:
    QString m_text;
    QByteArray m_bytes;
    bool m_possibleInBytes = true;
};
bool lineHoldsText(QStringView line, QStringView text);

// The substring search over a list: from the start after the selected line
// (-1 for none) to the last line, each line that holds the text, in order.
// The search selects every one in turn and does not stop, so the last line
// of the range that holds the text is the one that ends selected.
class SubstringScan
{
public:
    SubstringScan(const CatalogLines &lines, int selectedIndex, const QString &text);
    // The next line that holds the text; nothing once the scan is through.
    std::optional<int> next();

private:
    const CatalogLines &m_lines;
    SubstringMatcher m_matcher;
    int m_count;
    int m_at;
};

} // namespace korvane
