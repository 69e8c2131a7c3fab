#include "catalog/CatalogNames.h"

#include "catalog/Win1251.h"

#include <QFile>
#include <QStringDecoder>

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

// An empty folder stands for the current folder, so relative composed names
// come back relative.
QByteArray joinNative(const QByteArray &folder, QByteArrayView name)
{
    if (folder.isEmpty())
        return name.toByteArray();
    QByteArray joined = folder;
    if (!folder.endsWith('/'))
        joined += '/';
    return joined += name;
}

const char *orCurrentFolder(const QByteArray &native)
{
    return native.isEmpty() ? "." : native.constData();
}

bool entryExists(const QByteArray &native)
{
    struct stat info;
    return ::lstat(orCurrentFolder(native), &info) == 0;
}

// Symlinks are followed here, at every level: a link to a folder is a folder
// to the catalog (the whole catalog may be one, or a shared folder linked in),
// and a broken link is no entry at all.
bool isFolder(const QByteArray &native)
{
    struct stat info;
    return ::stat(orCurrentFolder(native), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isExistingNonFolder(const QByteArray &native)
{
    struct stat info;
    return ::stat(orCurrentFolder(native), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool isDotEntry(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls visit(nameBytes) for every entry but "." and "..".
template <typename Visit>
void forEachEntry(const QByteArray &folder, Visit visit)
{
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(orCurrentFolder(folder)), &::closedir);
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (!isDotEntry(entry->d_name))
            visit(QByteArrayView(entry->d_name));
    }
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Whether an entry's bytes read as the piece, letter case ignored, in UTF-8,
// in Windows-1251 or in CP866.
bool entryReadsAs(QByteArrayView entry, const QString &piece)
{
    // No reading of these bytes has more characters than bytes.
    if (entry.size() < piece.size())
        return false;
    if (isAscii(entry))
        return entry.size() == piece.size() && QString::fromLatin1(entry).compare(piece, Qt::CaseInsensitive) == 0;
    if (const std::optional<QString> utf8 = decodeUtf8(entry); utf8 && utf8->compare(piece, Qt::CaseInsensitive) == 0)
        return true;
    if (entry.size() != piece.size())
        return false;
    return decodeWin1251(entry).compare(piece, Qt::CaseInsensitive) == 0
           || decodeCp866(entry).compare(piece, Qt::CaseInsensitive) == 0;
}

// The entry of the folder that the piece names: the exact name when it exists,
// else the first one, in the order of the names' bytes, that reads as it.
// Only the matches are kept, so big picture folders are not sorted for every
// lookup.
std::optional<QByteArray> findEntry(const QByteArray &folder, const QString &piece)
{
    const QByteArray exact = QFile::encodeName(piece);
    if (entryExists(joinNative(folder, exact)))
        return exact;
    std::optional<QByteArray> best;
    forEachEntry(folder, [&](QByteArrayView name) {
        if ((!best || name < *best) && entryReadsAs(name, piece))
            best = name.toByteArray();
    });
    return best;
}

// A composed name resolved up to its last piece: the folder that holds it,
// found on disk, and that piece as the catalog composed it.
struct Parent
{
    QByteArray folder;
    QString last;
    bool trailingSeparator = false;
};

// The one split-and-resolve that every lookup starts with. Nothing when the
// name is empty or a folder on the way is missing.
std::optional<Parent> resolveParent(const ComposedPath &path)
{
    const SplitPath split = splitPath(path);
    if (split.pieces.isEmpty())
        return std::nullopt;
    Parent parent;
    parent.folder = split.absolute ? QByteArrayLiteral("/") : QByteArray();
    const qsizetype last = split.pieces.size() - 1;
    for (qsizetype i = 0; i < last; ++i) {
        const std::optional<QByteArray> entry = findEntry(parent.folder, split.pieces.at(i));
        if (!entry)
            return std::nullopt;
        parent.folder = joinNative(parent.folder, *entry);
        if (!isFolder(parent.folder))
            return std::nullopt;
    }
    parent.last = split.pieces.at(last);
    parent.trailingSeparator = split.trailingSeparator;
    return parent;
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

QString nameOnDisk(QByteArrayView native)
{
    if (isAscii(native))
        return QString::fromLatin1(native);
    return decodeUtf8(native).value_or(decodeWin1251(native));
}

std::optional<QByteArray> resolveCatalogEntry(const ComposedPath &path)
{
    const std::optional<Parent> parent = resolveParent(path);
    if (!parent) {
        // The name of the root alone.
        if (path.text().startsWith(QLatin1Char('/')) && splitPath(path).pieces.isEmpty())
            return QByteArrayLiteral("/");
        return std::nullopt;
    }
    const std::optional<QByteArray> entry = findEntry(parent->folder, parent->last);
    if (!entry)
        return std::nullopt;
    QByteArray resolved = joinNative(parent->folder, *entry);
    if (parent->trailingSeparator && !isFolder(resolved))
        return std::nullopt;
    return resolved;
}

CatalogFile locateCatalogFile(const ComposedPath &path)
{
    return CatalogFile{path, resolveCatalogEntry(path).value_or(QFile::encodeName(path.text()))};
}

std::optional<CatalogFile> findCatalogFile(const ComposedPath &path)
{
    const std::optional<Parent> parent = resolveParent(path);
    if (!parent || parent->trailingSeparator)
        return std::nullopt;
    if (hasWildcard(parent->last)) {
        bool found = false;
        forEachEntry(parent->folder, [&](QByteArrayView name) {
            if (!found && wildcardMatch(parent->last, nameOnDisk(name))
                && isExistingNonFolder(joinNative(parent->folder, name)))
                found = true;
        });
        if (!found)
            return std::nullopt;
        return locateCatalogFile(path);
    }
    // The same entry that reading opens, so a "yes" here is one the reader
    // agrees with.
    const std::optional<QByteArray> entry = findEntry(parent->folder, parent->last);
    if (!entry)
        return std::nullopt;
    QByteArray native = joinNative(parent->folder, *entry);
    if (!isExistingNonFolder(native))
        return std::nullopt;
    return CatalogFile{path, std::move(native)};
}

std::optional<QByteArray> resolveForWriting(const ComposedPath &path)
{
    const std::optional<Parent> parent = resolveParent(path);
    // A name ending in a separator names a folder; no file can be made there.
    if (!parent || parent->trailingSeparator)
        return std::nullopt;
    // Rewriting "catalog.txt" must replace "CATALOG.TXT" rather than put a
    // second file beside it that Windows could not even hold.
    return joinNative(parent->folder,
                      findEntry(parent->folder, parent->last).value_or(QFile::encodeName(parent->last)));
}

QStringList listMatchingFiles(const ComposedPath &pattern)
{
    const std::optional<Parent> parent = resolveParent(pattern);
    if (!parent || parent->trailingSeparator)
        return {};
    QStringList names;
    forEachEntry(parent->folder, [&](QByteArrayView native) {
        const QString name = nameOnDisk(native);
        if (wildcardMatch(parent->last, name) && isExistingNonFolder(joinNative(parent->folder, native)))
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
