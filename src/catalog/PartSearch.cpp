#include "catalog/PartSearch.h"

#include <algorithm>

namespace korvane {

namespace {

bool startsWithFolded(QStringView text, QStringView foldedPrefix)
{
    if (text.size() < foldedPrefix.size())
        return false;
    for (qsizetype i = 0; i < foldedPrefix.size(); ++i) {
        const QChar c = text[i];
        if (c != foldedPrefix[i] && c.toCaseFolded() != foldedPrefix[i])
            return false;
    }
    return true;
}

} // namespace

qsizetype findFirstStartingWith(const QStringList &texts, const QString &prefix)
{
    const QString folded = prefix.toCaseFolded();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (startsWithFolded(texts.at(i), folded))
            return i;
    }
    return -1;
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

} // namespace korvane
