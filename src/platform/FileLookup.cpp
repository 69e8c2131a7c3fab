#include "platform/FileLookup.h"

#include <QFile>

#include <algorithm>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace korvane {

namespace {

struct SplitPath
{
    bool absolute = false;
    // The composed name ended in a separator: Windows then names a folder, and
    // the existence test of a file fails.
    bool trailingSeparator = false;
    QStringList pieces;
};

// Windows folds "." and ".." into the name before it looks anything up, so
// "DATA/NONE/../catalog.txt" names DATA's own list even though NONE does not
// exist; a composed name therefore never climbs through a folder's entry.
void appendPiece(SplitPath &split, const QString &piece)
{
    if (piece == QLatin1String("."))
        return;
    if (piece == QLatin1String("..")) {
        if (!split.pieces.isEmpty() && split.pieces.constLast() != QLatin1String(".."))
            split.pieces.removeLast();
        else if (!split.absolute)
            split.pieces.append(piece);
        return;
    }
    split.pieces.append(piece);
}

SplitPath splitPath(const ComposedPath &composed)
{
    const QString path = composed.text();
    // The base is a name of this machine, where "\" is an ordinary character;
    // only what the catalog added to it came from Windows.
    const auto isSeparator = [base = composed.base.size(), &path](qsizetype i) {
        return path.at(i) == QLatin1Char('/') || (i >= base && path.at(i) == QLatin1Char('\\'));
    };
    SplitPath split;
    split.absolute = path.startsWith(QLatin1Char('/'));
    split.trailingSeparator = !path.isEmpty() && isSeparator(path.size() - 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(i)) {
            if (i > start)
                appendPiece(split, path.mid(start, i - start));
            start = i + 1;
        }
    }
    return split;
}

// An empty folder text stands for the current folder, so relative composed
// names come back relative.
QString joinName(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QByteArray nativeName(const QString &name)
{
    return name.isEmpty() ? QByteArrayLiteral(".") : QFile::encodeName(name);
}

bool entryExists(const QString &name)
{
    struct stat info;
    return ::lstat(nativeName(name).constData(), &info) == 0;
}

// Symlinks are followed here: a link to a folder is a folder to the catalog,
// and a broken link is no entry at all.
bool isFolder(const QString &name)
{
    struct stat info;
    return ::stat(nativeName(name).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isExistingNonFolder(const QString &name)
{
    struct stat info;
    return ::stat(nativeName(name).constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool isDotEntry(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls visit(decodedName) for every entry but "." and "..". False when the
// folder cannot be read.
template <typename Visit>
bool forEachEntry(const QString &folder, Visit visit)
{
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(nativeName(folder).constData()), &::closedir);
    if (!dir)
        return false;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (!isDotEntry(entry->d_name))
            visit(QFile::decodeName(entry->d_name));
    }
    return true;
}

// The entry of the folder that the piece names: the exact name when it exists,
// else the first one in name order that differs only in letter case. Only the
// matches are kept, so big picture folders are not sorted for every lookup.
std::optional<QString> findEntry(const QString &folder, const QString &piece)
{
    if (entryExists(joinName(folder, piece)))
        return piece;
    std::optional<QString> best;
    forEachEntry(folder, [&](const QString &name) {
        if (name.compare(piece, Qt::CaseInsensitive) == 0 && (!best || name < *best))
            best = name;
    });
    return best;
}

// Resolves the first count pieces, each of which must be a folder.
std::optional<QString> resolveFolders(const SplitPath &split, qsizetype count)
{
    QString folder = split.absolute ? QStringLiteral("/") : QString();
    for (qsizetype i = 0; i < count; ++i) {
        const std::optional<QString> entry = findEntry(folder, split.pieces.at(i));
        if (!entry)
            return std::nullopt;
        const QString joined = joinName(folder, *entry);
        if (!isFolder(joined))
            return std::nullopt;
        folder = joined;
    }
    return folder;
}

bool hasWildcard(const QString &piece)
{
    return piece.contains(QLatin1Char('*')) || piece.contains(QLatin1Char('?'));
}

bool sameCharIgnoringCase(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

} // namespace

std::optional<QString> resolveCaseInsensitive(const ComposedPath &path)
{
    const SplitPath split = splitPath(path);
    if (split.pieces.isEmpty()) {
        if (split.absolute)
            return QStringLiteral("/");
        return std::nullopt;
    }
    const qsizetype last = split.pieces.size() - 1;
    const std::optional<QString> folder = resolveFolders(split, last);
    if (!folder)
        return std::nullopt;
    const std::optional<QString> entry = findEntry(*folder, split.pieces.at(last));
    if (!entry)
        return std::nullopt;
    const QString resolved = joinName(*folder, *entry);
    if (split.trailingSeparator && !isFolder(resolved))
        return std::nullopt;
    return resolved;
}

std::optional<QString> resolveForWriting(const ComposedPath &path)
{
    const SplitPath split = splitPath(path);
    // A name ending in a separator names a folder; no file can be made there.
    if (split.pieces.isEmpty() || split.trailingSeparator)
        return std::nullopt;
    const qsizetype last = split.pieces.size() - 1;
    const std::optional<QString> folder = resolveFolders(split, last);
    if (!folder)
        return std::nullopt;
    const QString &piece = split.pieces.at(last);
    // Rewriting "catalog.txt" must replace "CATALOG.TXT" rather than put a
    // second file beside it that Windows could not even hold.
    return joinName(*folder, findEntry(*folder, piece).value_or(piece));
}

bool catalogFileExists(const ComposedPath &path)
{
    const SplitPath split = splitPath(path);
    if (split.pieces.isEmpty() || split.trailingSeparator)
        return false;
    const qsizetype last = split.pieces.size() - 1;
    const std::optional<QString> folder = resolveFolders(split, last);
    if (!folder)
        return false;
    const QString &piece = split.pieces.at(last);
    if (hasWildcard(piece)) {
        bool found = false;
        forEachEntry(*folder, [&](const QString &name) {
            if (!found && wildcardMatch(piece, name) && isExistingNonFolder(joinName(*folder, name)))
                found = true;
        });
        return found;
    }
    // The same entry that reading would open, so a "yes" here is one the
    // reader agrees with.
    const std::optional<QString> entry = findEntry(*folder, piece);
    return entry && isExistingNonFolder(joinName(*folder, *entry));
}

QStringList listMatchingFiles(const ComposedPath &pattern)
{
    const SplitPath split = splitPath(pattern);
    if (split.pieces.isEmpty() || split.trailingSeparator)
        return {};
    const qsizetype last = split.pieces.size() - 1;
    const std::optional<QString> folder = resolveFolders(split, last);
    if (!folder)
        return {};
    const QString &piece = split.pieces.at(last);
    QStringList names;
    forEachEntry(*folder, [&](const QString &name) {
        if (wildcardMatch(piece, name) && isExistingNonFolder(joinName(*folder, name)))
            names.append(name);
    });
    // The listing drives what the user sees in a drop-down, so its order must
    // not depend on the order the file system happens to return.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int byCase = a.compare(b, Qt::CaseInsensitive);
        return byCase != 0 ? byCase < 0 : a < b;
    });
    return names;
}

bool isSafeCatalogTarget(const ComposedPath &path, const ComposedPath &root)
{
    const SplitPath target = splitPath(path);
    const SplitPath folder = splitPath(root);
    if (target.absolute != folder.absolute || target.trailingSeparator || target.pieces.size() <= folder.pieces.size())
        return false;
    for (qsizetype i = 0; i < folder.pieces.size(); ++i) {
        if (target.pieces.at(i) != folder.pieces.at(i) || folder.pieces.at(i) == QLatin1String(".."))
            return false;
    }
    for (qsizetype i = folder.pieces.size(); i < target.pieces.size(); ++i) {
        for (QChar c : target.pieces.at(i)) {
            if (c.unicode() < 32 || QStringView(u"<>:\"|?*").contains(c))
                return false;
        }
    }
    return true;
}

bool wildcardMatch(const QString &pattern, const QString &name)
{
    // Two pointers with a single remembered star: a later star makes the
    // earlier one irrelevant, so no more than one position ever needs retrying
    // and the cost stays proportional to the lengths' product at worst.
    const qsizetype patternSize = pattern.size();
    const qsizetype nameSize = name.size();
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1;
    qsizetype resumeAt = 0;
    while (n < nameSize) {
        if (p < patternSize && pattern.at(p) == QLatin1Char('*')) {
            starAt = p++;
            resumeAt = n;
        } else if (p < patternSize
                   && (pattern.at(p) == QLatin1Char('?') || sameCharIgnoringCase(pattern.at(p), name.at(n)))) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < patternSize && pattern.at(p) == QLatin1Char('*'))
        ++p;
    return p == patternSize;
}

} // namespace korvane
