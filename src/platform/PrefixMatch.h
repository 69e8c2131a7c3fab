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

} // namespace korvane
