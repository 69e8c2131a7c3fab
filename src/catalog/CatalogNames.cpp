#include "catalog/CatalogNames.h"

#include "catalog/FolderAccess.h"
#include "catalog/Win1251.h"

#include <QFile>

#include <algorithm>

namespace korvane {

namespace {

struct Piece
{
    QString text;
    // Added to the base by the catalog rather than part of this machine's
    // own folder name.
    bool added = false;
    // See LooseMatch::foldedSeparators.
    bool foldedSeparators = false;
};

struct SplitPath
{
    bool absolute = false;
    // The composed name ended in a separator: Windows then names a folder, and
    // the existence test of a file fails.
    bool trailingSeparator = false;
    QList<Piece> pieces;
    // An added "." or ".." was folded away and no piece has come since.
    bool foldPending = false;
};

// Windows folds "." and ".." into the name before it looks anything up, so
// "DATA/NONE/../catalog.txt" names DATA's own list even though NONE does not
// exist; a composed name therefore never climbs through a folder's entry.
void appendPiece(SplitPath &split, Piece piece)
{
    if (piece.text == QLatin1String(".")) {
        split.foldPending = split.foldPending || piece.added;
        return;
    }
    if (piece.text == QLatin1String("..")) {
        const bool climbs = !split.pieces.isEmpty() && split.pieces.constLast().text != QLatin1String("..");
        if (climbs)
            split.pieces.removeLast();
        if (climbs || split.absolute) {
            split.foldPending = split.foldPending || piece.added;
            return;
        }
    }
    piece.foldedSeparators = split.foldPending;
    split.foldPending = false;
    split.pieces.append(std::move(piece));
}

// The base is a name of this machine, where "\" is an ordinary character;
// only what the catalog added to it came from Windows.
bool isSeparatorAt(const QString &path, qsizetype base, qsizetype i)
{
    return path.at(i) == QLatin1Char('/') || (i >= base && path.at(i) == QLatin1Char('\\'));
}

enum class SplitEnd { NameEnds, MorePiecesFollow };

SplitPath splitPath(const ComposedPath &composed, SplitEnd end = SplitEnd::NameEnds)
{
    const QString path = composed.text();
    const qsizetype base = composed.base.size();
    const auto isSeparator = [base, &path](qsizetype i) { return isSeparatorAt(path, base, i); };
    SplitPath split;
    split.absolute = path.startsWith(QLatin1Char('/'));
    split.trailingSeparator = !path.isEmpty() && isSeparator(path.size() - 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(i))
            continue;
        if (i > start)
            appendPiece(split, Piece{path.mid(start, i - start), start >= base});
        // A "\" or a second separator in a row after an added piece: the
        // piece is found only as Windows reads separators.
        const bool doubled = i == start && i > 0;
        if (i < path.size() && i >= base && (path.at(i) == QLatin1Char('\\') || doubled) && !split.pieces.isEmpty())
            split.pieces.last().foldedSeparators = true;
        start = i + 1;
    }
    if (end == SplitEnd::NameEnds && split.foldPending && !split.pieces.isEmpty())
        split.pieces.last().foldedSeparators = true;
    return split;
}

// How an entry's name was found for a piece.
struct EntryMatch
{
    QByteArray name;
    // The name read as it matched; kept only when it did not match as it stands.
    QString reading = {};
    bool ignoringCase = false;
    LooseMatch::CodePage codePage = LooseMatch::CodePage::Utf8;
    // The folder's other entries that read as the piece too.
    QList<QByteArray> alsoMatching = {};
};

// Whether an entry's bytes read as the piece, letter case ignored, in UTF-8,
// in Windows-1251 or in CP866, and how.
std::optional<EntryMatch> readEntryAs(QByteArrayView entry, const QString &piece)
{
    using CodePage = LooseMatch::CodePage;
    const auto match = [&](const QString &reading, CodePage codePage) -> std::optional<EntryMatch> {
        if (reading.compare(piece, Qt::CaseInsensitive) != 0)
            return std::nullopt;
        return EntryMatch{entry.toByteArray(), reading, reading != piece, codePage};
    };
    // No reading of these bytes has more characters than bytes.
    if (entry.size() < piece.size())
        return std::nullopt;
    if (isAsciiName(entry)) {
        if (entry.size() != piece.size())
            return std::nullopt;
        return match(QString::fromLatin1(entry), CodePage::Utf8);
    }
    if (const std::optional<QString> utf8 = decodeUtf8Name(entry)) {
        if (std::optional<EntryMatch> found = match(*utf8, CodePage::Utf8))
            return found;
    }
    if (entry.size() != piece.size())
        return std::nullopt;
    if (std::optional<EntryMatch> found = match(decodeWin1251(entry), CodePage::Windows1251))
        return found;
    return match(decodeCp866(entry), CodePage::Cp866);
}

enum class OtherMatches { Ignore, Collect };

// The entry of the folder that the piece names: the exact name when it exists,
// else the first one, in the order of the names' bytes, that reads as it.
// Only the matches are kept, so big picture folders are not sorted for every
// lookup. Asked to, it also collects the other entries that read as the piece.
// A piece's name on disk as it stands. Most are ASCII, which the general
// conversion takes long over.
QByteArray encodedName(const QString &piece)
{
    QByteArray bytes(piece.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const char16_t u = piece.at(i).unicode();
        if (u >= 0x80)
            return QFile::encodeName(piece);
        bytes[i] = char(u);
    }
    return bytes;
}

std::optional<EntryMatch> findEntry(FolderAccess &folders, const QByteArray &folder, const QString &piece,
                                    OtherMatches others = OtherMatches::Ignore)
{
    QByteArray exact = encodedName(piece);
    const bool exactExists = folders.entryExists(folder, exact);
    const bool collect = others == OtherMatches::Collect && folders.mayHoldNamesAlike(folder);
    if (exactExists && !collect)
        return EntryMatch{std::move(exact)};
    std::optional<EntryMatch> best;
    if (exactExists)
        best = EntryMatch{exact};
    QList<QByteArray> matching;
    folders.forEachCandidate(folder, piece, [&](QByteArrayView name) {
        const bool better = !exactExists && (!best || name < best->name);
        if (!better && (!collect || name == exact || matching.contains(name)))
            return;
        if (std::optional<EntryMatch> found = readEntryAs(name, piece)) {
            if (collect)
                matching.append(name.toByteArray());
            if (better)
                best = std::move(found);
        }
    });
    if (best && collect) {
        matching.removeAll(best->name);
        std::sort(matching.begin(), matching.end());
        best->alsoMatching = std::move(matching);
    }
    return best;
}

// Keeps the record of an added piece that was not found as it stands.
void noteMatch(NameMatch *how, const Piece &piece, const EntryMatch &entry, const QByteArray &native)
{
    if (!how || !piece.added)
        return;
    if (entry.ignoringCase || entry.codePage != LooseMatch::CodePage::Utf8 || piece.foldedSeparators
        || !entry.alsoMatching.isEmpty())
        how->push_back(LooseMatch{piece.text, native, entry.reading.isNull() ? piece.text : entry.reading,
                                  entry.ignoringCase, entry.codePage, piece.foldedSeparators, entry.alsoMatching});
}

// A composed name resolved up to its last piece: the folder that holds it,
// found on disk, and that piece as the catalog composed it.
struct Parent
{
    QByteArray folder;
    Piece last;
    bool trailingSeparator = false;
};

// The first count pieces of a split name, each a folder in the one before.
std::optional<QByteArray> resolveFolders(FolderAccess &folders, const SplitPath &split, qsizetype count, NameMatch *how)
{
    QByteArray folder = split.absolute ? QByteArrayLiteral("/") : QByteArray();
    for (qsizetype i = 0; i < count; ++i) {
        const std::optional<EntryMatch> entry
            = findEntry(folders, folder, split.pieces.at(i).text, how ? OtherMatches::Collect : OtherMatches::Ignore);
        if (!entry)
            return std::nullopt;
        folder = joinNative(folder, entry->name);
        noteMatch(how, split.pieces.at(i), *entry, folder);
        if (!folders.isFolder(folder))
            return std::nullopt;
    }
    return folder;
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

// A folder named by its composed text (added to the base, ending in a
// separator), as a lookup keeps it. A folder whose last piece is a plain
// name is found in the folder before it, itself remembered, so a walk
// through thousands of model folders looks each piece up once.
const ResolvedFolder &rememberedFolder(FolderAccess &folders, RememberedFolders &remembered, const QString &base,
                                       QStringView folderAdded)
{
    // Where the base ends decides which "\\" separate, so it is part of the key.
    QString key = QString::number(base.size()) + u':' + base;
    key += folderAdded;
    auto found = remembered.byName.constFind(key);
    if (found != remembered.byName.constEnd())
        return *found;

    qsizetype start = folderAdded.size() - 1;
    while (start > 0 && !isSeparator(folderAdded.at(start - 1)))
        --start;
    const QStringView piece = folderAdded.sliced(start, folderAdded.size() - 1 - start);
    ResolvedFolder folder;
    if (start > 0 && !piece.isEmpty() && piece != u"." && piece != u"..") {
        const ResolvedFolder &parent = rememberedFolder(folders, remembered, base, folderAdded.left(start));
        folder.loose = parent.loose;
        if (parent.native) {
            // A "\\" after the piece, or a dot piece folded before it: found
            // only as Windows reads separators.
            const Piece named{piece.toString(), true, parent.foldPending || folderAdded.endsWith(u'\\')};
            if (const std::optional<EntryMatch> entry
                = findEntry(folders, *parent.native, named.text, OtherMatches::Collect)) {
                QByteArray native = joinNative(*parent.native, entry->name);
                noteMatch(&folder.loose, named, *entry, native);
                if (folders.isFolder(native))
                    folder.native = std::move(native);
            }
        }
    } else {
        const SplitPath split = splitPath(ComposedPath(base, folderAdded.toString()), SplitEnd::MorePiecesFollow);
        folder.native = resolveFolders(folders, split, split.pieces.size(), &folder.loose);
        folder.foldPending = split.foldPending;
    }
    return *remembered.byName.insert(key, folder);
}

// The same resolution through the folders a lookup keeps: the text before a
// name's last piece names the same folder every time, so it is resolved once.
// False when the name's end is no ordinary piece added to the base, which is
// then resolved as a whole.
bool resolveRememberedParent(FolderAccess &folders, RememberedFolders &remembered, const ComposedPath &path,
                             NameMatch *how, std::optional<Parent> &parent)
{
    const QString &added = path.added;
    qsizetype start = added.size();
    while (start > 0 && !isSeparator(added.at(start - 1)))
        --start;
    const QStringView last = QStringView(added).sliced(start);
    if (start == 0 || last.isEmpty() || last == u"." || last == u"..")
        return false;
    const QStringView folderAdded = QStringView(added).left(start);
    if (!remembered.last || remembered.lastAdded != folderAdded || remembered.lastBase != path.base) {
        remembered.last = rememberedFolder(folders, remembered, path.base, folderAdded);
        remembered.lastBase = path.base;
        remembered.lastAdded = folderAdded.toString();
    }
    const ResolvedFolder &folder = *remembered.last;
    parent.reset();
    if (!folder.native)
        return true;
    if (how)
        how->insert(how->end(), folder.loose.begin(), folder.loose.end());
    parent = Parent{*folder.native, Piece{last.toString(), true, folder.foldPending}};
    return true;
}

// The one split-and-resolve that every lookup starts with. Nothing when the
// name is empty or a folder on the way is missing.
std::optional<Parent> resolveParent(FolderAccess &folders, const ComposedPath &path, NameMatch *how)
{
    std::optional<Parent> parent;
    if (RememberedFolders *remembered = folders.rememberedFolders()) {
        if (resolveRememberedParent(folders, *remembered, path, how, parent))
            return parent;
    }
    const SplitPath split = splitPath(path);
    if (split.pieces.isEmpty())
        return std::nullopt;
    const qsizetype last = split.pieces.size() - 1;
    const std::optional<QByteArray> folder = resolveFolders(folders, split, last, how);
    if (!folder)
        return std::nullopt;
    return Parent{*folder, split.pieces.at(last), split.trailingSeparator};
}

bool hasWildcard(const QString &piece)
{
    return piece.contains(QLatin1Char('*')) || piece.contains(QLatin1Char('?'));
}

bool sameCharIgnoringCase(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

std::optional<QByteArray> resolveEntryIn(FolderAccess &folders, const ComposedPath &path, NameMatch *how)
{
    const std::optional<Parent> parent = resolveParent(folders, path, how);
    if (!parent) {
        // The name of the root alone.
        if (path.text().startsWith(QLatin1Char('/')) && splitPath(path).pieces.isEmpty())
            return QByteArrayLiteral("/");
        return std::nullopt;
    }
    const std::optional<EntryMatch> entry
        = findEntry(folders, parent->folder, parent->last.text, how ? OtherMatches::Collect : OtherMatches::Ignore);
    if (!entry)
        return std::nullopt;
    QByteArray resolved = joinNative(parent->folder, entry->name);
    if (parent->trailingSeparator && !folders.isFolder(resolved))
        return std::nullopt;
    noteMatch(how, parent->last, *entry, resolved);
    return resolved;
}

CatalogFile locateFileIn(FolderAccess &folders, const ComposedPath &path, NameMatch *how)
{
    return CatalogFile{path, resolveEntryIn(folders, path, how).value_or(QFile::encodeName(path.text()))};
}

std::optional<CatalogFile> findFileIn(FolderAccess &folders, const ComposedPath &path, NameMatch *how)
{
    const std::optional<Parent> parent = resolveParent(folders, path, how);
    if (!parent || parent->trailingSeparator)
        return std::nullopt;
    if (hasWildcard(parent->last.text)) {
        bool found = false;
        folders.forEachEntry(parent->folder, [&](QByteArrayView name) {
            if (!found && wildcardMatch(parent->last.text, nameOnDisk(name))
                && folders.isExistingNonFolder(joinNative(parent->folder, name)))
                found = true;
        });
        if (!found)
            return std::nullopt;
        if (how)
            how->clear();
        return locateFileIn(folders, path, how);
    }
    // The same entry that reading opens, so a "yes" here is one the reader
    // agrees with.
    const std::optional<EntryMatch> entry
        = findEntry(folders, parent->folder, parent->last.text, how ? OtherMatches::Collect : OtherMatches::Ignore);
    if (!entry)
        return std::nullopt;
    QByteArray native = joinNative(parent->folder, entry->name);
    if (!folders.isExistingNonFolder(native))
        return std::nullopt;
    noteMatch(how, parent->last, *entry, native);
    return CatalogFile{path, std::move(native)};
}

} // namespace

CatalogLookup::CatalogLookup() : m_folders(std::make_unique<ListedFolders>())
{
}

CatalogLookup::~CatalogLookup() = default;

std::optional<CatalogFile> CatalogLookup::findFile(const ComposedPath &path, NameMatch *how)
{
    if (how)
        how->clear();
    return findFileIn(*m_folders, path, how);
}

CatalogFile CatalogLookup::locateFile(const ComposedPath &path, NameMatch *how)
{
    if (how)
        how->clear();
    return locateFileIn(*m_folders, path, how);
}

std::optional<QByteArray> CatalogLookup::resolveEntry(const ComposedPath &path, NameMatch *how)
{
    if (how)
        how->clear();
    return resolveEntryIn(*m_folders, path, how);
}

EntryKind CatalogLookup::kindOf(const QByteArray &native)
{
    return m_folders->kindOf(native);
}

QString nameOnDisk(QByteArrayView native)
{
    if (isAsciiName(native))
        return QString::fromLatin1(native);
    return decodeUtf8Name(native).value_or(decodeWin1251(native));
}

std::optional<QByteArray> resolveCatalogEntry(const ComposedPath &path)
{
    DirectFolders folders;
    return resolveEntryIn(folders, path, nullptr);
}

CatalogFile locateCatalogFile(const ComposedPath &path)
{
    DirectFolders folders;
    return locateFileIn(folders, path, nullptr);
}

std::optional<CatalogFile> findCatalogFile(const ComposedPath &path)
{
    DirectFolders folders;
    return findFileIn(folders, path, nullptr);
}

std::optional<QByteArray> resolveForWriting(const ComposedPath &path)
{
    DirectFolders folders;
    const std::optional<Parent> parent = resolveParent(folders, path, nullptr);
    // A name ending in a separator names a folder; no file can be made there.
    if (!parent || parent->trailingSeparator)
        return std::nullopt;
    // Rewriting "catalog.txt" must replace "CATALOG.TXT" rather than put a
    // second file beside it that Windows could not even hold.
    const std::optional<EntryMatch> entry = findEntry(folders, parent->folder, parent->last.text);
    return joinNative(parent->folder, entry ? entry->name : QFile::encodeName(parent->last.text));
}

QStringList listMatchingFiles(const ComposedPath &pattern)
{
    DirectFolders folders;
    const std::optional<Parent> parent = resolveParent(folders, pattern, nullptr);
    if (!parent || parent->trailingSeparator)
        return {};
    QStringList names;
    folders.forEachEntry(parent->folder, [&](QByteArrayView native) {
        const QString name = nameOnDisk(native);
        if (wildcardMatch(parent->last.text, name) && folders.isExistingNonFolder(joinNative(parent->folder, native)))
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

bool staysInside(const ComposedPath &path, const ComposedPath &root)
{
    const SplitPath target = splitPath(path);
    const SplitPath folder = splitPath(root);
    if (target.absolute != folder.absolute || target.pieces.size() <= folder.pieces.size())
        return false;
    for (qsizetype i = 0; i < folder.pieces.size(); ++i) {
        if (target.pieces.at(i).text != folder.pieces.at(i).text)
            return false;
    }
    return true;
}

bool isSafeCatalogTarget(const ComposedPath &path, const ComposedPath &root)
{
    const SplitPath target = splitPath(path);
    const SplitPath folder = splitPath(root);
    if (target.trailingSeparator || !staysInside(path, root))
        return false;
    // A root that climbs is not one a write can be kept inside.
    for (const Piece &piece : folder.pieces) {
        if (piece.text == QLatin1String(".."))
            return false;
    }
    for (qsizetype i = folder.pieces.size(); i < target.pieces.size(); ++i) {
        for (QChar c : target.pieces.at(i).text) {
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
