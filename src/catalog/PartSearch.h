#pragma once

#include <QString>
#include <QStringList>

namespace korvane {

// The first of the texts that begins with the prefix, letter case ignored
// (Cyrillic too); -1 if none. Catalog text comes from a single-byte code page,
// so every character is one UTF-16 unit and folds on its own: the prefix is
// folded once and each text only as far as it matches, which keeps a search
// through a million lines in the milliseconds.
qsizetype findFirstStartingWith(const QStringList &texts, const QString &prefix);

// The substring search works on copies of at most 255 characters of the text
// and of each line; letter case counts.
inline constexpr qsizetype kSearchCapacity = 255;

// Where the substring search starts: after the selected line (the second line
// when none is selected), wrapping to the first only when the last one is
// selected; the scan never wraps further.
int substringSearchStart(int selectedIndex, int lineCount);

// Whether the line, cut to the search capacity, holds the text, itself cut.
bool lineHoldsText(QStringView line, QStringView text);

} // namespace korvane
