#include "catalog/CatalogNames.h"

#include "catalog/FolderAccess.h"
#include "catalog/Win1251.h"

#include <QFile>
#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <bit>

#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {

// A folder as a walk's lookup remembers it, by the composed text that names
// it: found on disk or not, the pieces of that text found loosely, and
// whether a "." or ".." at its end is still to be folded into the piece that
// follows.
struct ResolvedFolder
{
    std::optional<QByteArray> native;
    NameMatch loose;
    bool foldPending = false;
};

// The folders a walk's lookup has resolved, by the composed text that names
// them, and the last one asked for: a walk asks for the same folder many
// times in a row.
struct RememberedFolders
{
    QHash<QString, ResolvedFolder> byName;
    QString lastBase;
    QString lastAdded;
    std::optional<ResolvedFolder> last;
};

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
std::optional<EntryMatch> readEntryAs(QByteArrayView entry, QStringView piece)
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

// A piece's name on disk as it stands. Most are ASCII, which the general
// conversion takes long over, and most names looked up in a photo folder
// are not there: an ASCII name is kept without an allocation of its own.
class EncodedName
{
public:
    explicit EncodedName(QStringView piece)
    {
        m_ascii.resize(piece.size());
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const char16_t u = piece.at(i).unicode();
            if (u >= 0x80) {
                m_other = QFile::encodeName(piece.toString());
                m_isAscii = false;
                return;
            }
            m_ascii[i] = char(u);
        }
    }

    QByteArrayView view() const
    {
        return m_isAscii ? QByteArrayView(m_ascii.constData(), m_ascii.size()) : QByteArrayView(m_other);
    }
    QByteArray toByteArray() const { return m_isAscii ? view().toByteArray() : m_other; }
    bool isAscii() const { return m_isAscii; }

private:
    QVarLengthArray<char, 128> m_ascii;
    QByteArray m_other;
    bool m_isAscii = true;
};

// The entry of the folder that the piece names: the exact name when it exists,
// else the first one, in the order of the names' bytes, that reads as it.
// Only the matches are kept, so big picture folders are not sorted for every
// lookup. Asked to, it also collects the other entries that read as the piece.
std::optional<EntryMatch> findEntry(FolderAccess &folders, const QByteArray &folder, QStringView piece,
                                    OtherMatches others = OtherMatches::Ignore)
{
    const EncodedName encoded(piece);
    switch (encoded.isAscii() ? folders.lookUpPlainName(folder, encoded.view()) : FolderAccess::PlainName::Unknown) {
    case FolderAccess::PlainName::Missing:
        return std::nullopt;
    case FolderAccess::PlainName::Alone:
        return EntryMatch{encoded.toByteArray()};
    case FolderAccess::PlainName::Unknown:
        break;
    }
    const QByteArrayView exact = encoded.view();
    const bool exactExists = folders.entryExists(folder, exact);
    const bool collect = others == OtherMatches::Collect && folders.mayHoldNamesAlike(folder);
    if (exactExists && !collect)
        return EntryMatch{encoded.toByteArray()};
    std::optional<EntryMatch> best;
    if (exactExists)
        best = EntryMatch{encoded.toByteArray()};
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
void noteMatch(NameMatch *how, QStringView piece, bool added, bool foldedSeparators, const EntryMatch &entry,
               const QByteArray &native)
{
    if (!how || !added)
        return;
    if (entry.ignoringCase || entry.codePage != LooseMatch::CodePage::Utf8 || foldedSeparators
        || !entry.alsoMatching.isEmpty())
        how->push_back(LooseMatch{piece.toString(), native, entry.reading.isNull() ? piece.toString() : entry.reading,
                                  entry.ignoringCase, entry.codePage, foldedSeparators, entry.alsoMatching});
}

void noteMatch(NameMatch *how, const Piece &piece, const EntryMatch &entry, const QByteArray &native)
{
    noteMatch(how, piece.text, piece.added, piece.foldedSeparators, entry, native);
}

// A composed name resolved up to its last piece: the folder that holds it,
// found on disk, and that piece as the catalog composed it.
struct Parent
{
    QByteArray folder;
    // The last piece: its text views the composed name's own (which outlives
    // this), or the copy here when the name was split anew.
    QStringView last;
    bool lastAdded = false;
    bool lastFoldedSeparators = false;
    bool trailingSeparator = false;
    QString split = {};

    QStringView lastText() const { return split.isNull() ? last : QStringView(split); }
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
    // Where the base ends decides which "\\" separate, so it is part of the
    // key; it is made in one allocation, as a walk asks for every model's
    // folders.
    char16_t length[24];
    qsizetype digits = 0;
    for (qsizetype n = base.size(); digits == 0 || n > 0; n /= 10)
        length[digits++] = char16_t(u'0' + n % 10);
    QString key(digits + 1 + base.size() + folderAdded.size(), Qt::Uninitialized);
    char16_t *at = reinterpret_cast<char16_t *>(key.data());
    at = std::reverse_copy(length, length + digits, at);
    *at++ = u':';
    at = std::copy_n(reinterpret_cast<const char16_t *>(base.constData()), base.size(), at);
    std::copy_n(reinterpret_cast<const char16_t *>(folderAdded.data()), folderAdded.size(), at);
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
// Where the last piece of what was added begins: after its last separator.
qsizetype lastPieceStart(QStringView added)
{
    const char16_t *begin = added.utf16();
    const char16_t *at = begin + added.size();
#if defined(__SSE2__)
    // Eight characters at once where the processor compares so (every
    // x86-64 does): a walk asks for the last piece of every name it looks up.
    const __m128i slash = _mm_set1_epi16(u'/');
    const __m128i backslash = _mm_set1_epi16(u'\\');
    for (; at - begin >= 8; at -= 8) {
        const __m128i characters = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at - 8));
        const int separators = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi16(characters, slash), _mm_cmpeq_epi16(characters, backslash)));
        if (separators != 0)
            return at - 8 - begin + (31 - std::countl_zero(unsigned(separators))) / 2 + 1;
    }
#endif
    while (at > begin && at[-1] != u'/' && at[-1] != u'\\')
        --at;
    return at - begin;
}

// The same base is mostly the same text: its data is compared only when it
// is another copy.
bool sameText(const QString &a, const QString &b)
{
    return a.constData() == b.constData() ? a.size() == b.size() : a == b;
}

bool isDotPiece(QStringView piece)
{
    return (piece.size() == 1 && piece[0] == u'.') || (piece.size() == 2 && piece[0] == u'.' && piece[1] == u'.');
}

bool resolveRememberedParent(FolderAccess &folders, RememberedFolders &remembered, const ComposedPath &path,
                             NameMatch *how, std::optional<Parent> &parent)
{
    const QString &added = path.added;
    const qsizetype start = lastPieceStart(added);
    const QStringView last = QStringView(added).sliced(start);
    if (start == 0 || last.isEmpty() || isDotPiece(last))
        return false;
    const QStringView folderAdded = QStringView(added).left(start);
    if (!remembered.last || !sameText(path.base, remembered.lastBase)
        || QStringView(remembered.lastAdded) != folderAdded) {
        remembered.last = rememberedFolder(folders, remembered, path.base, folderAdded);
        remembered.lastBase = path.base;
        // Kept in the same block from one folder to the next.
        remembered.lastAdded.resize(folderAdded.size());
        std::copy(folderAdded.begin(), folderAdded.end(), remembered.lastAdded.begin());
    }
    const ResolvedFolder &folder = *remembered.last;
    parent.reset();
    if (!folder.native)
        return true;
    if (how && !folder.loose.empty())
        how->insert(how->end(), folder.loose.begin(), folder.loose.end());
    parent.emplace(Parent{*folder.native, last, true, folder.foldPending});
    return true;
}

// The one split-and-resolve that every lookup starts with. Nothing when the
// name is empty or a folder on the way is missing.
std::optional<Parent> resolveParent(FolderAccess &folders, RememberedFolders *remembered, const ComposedPath &path,
                                    NameMatch *how)
{
    std::optional<Parent> parent;
    if (remembered) {
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
    const Piece &piece = split.pieces.at(last);
    return Parent{*folder, QStringView(), piece.added, piece.foldedSeparators, split.trailingSeparator, piece.text};
}

bool hasWildcard(QStringView piece)
{
    return std::any_of(piece.begin(), piece.end(), [](QChar c) { return c == u'*' || c == u'?'; });
}

bool sameCharIgnoringCase(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// A folder's name (ending in a separator) through the folders a lookup
// keeps, resolved as the folders of the names in it are: a walk asks for
// every model's folders. False when the folder's last piece is no ordinary
// piece added to the base; the name is then resolved as a whole.
bool resolveRememberedFolder(FolderAccess &folders, RememberedFolders *remembered, const ComposedPath &path,
                             NameMatch *how, std::optional<QByteArray> &resolved)
{
    const QString &added = path.added;
    if (!remembered || added.isEmpty() || !isSeparator(added.back()))
        return false;
    qsizetype start = added.size() - 1;
    while (start > 0 && !isSeparator(added.at(start - 1)))
        --start;
    const QStringView piece = QStringView(added).sliced(start, added.size() - 1 - start);
    if (start == 0 || piece.isEmpty() || isDotPiece(piece))
        return false;
    const ResolvedFolder &folder = rememberedFolder(folders, *remembered, path.base, added);
    resolved = folder.native;
    if (resolved && how)
        how->insert(how->end(), folder.loose.begin(), folder.loose.end());
    return true;
}

std::optional<QByteArray> resolveEntryIn(FolderAccess &folders, RememberedFolders *remembered, const ComposedPath &path,
                                         NameMatch *how)
{
    if (std::optional<QByteArray> folder; resolveRememberedFolder(folders, remembered, path, how, folder))
        return folder;
    const std::optional<Parent> parent = resolveParent(folders, remembered, path, how);
    if (!parent) {
        // The name of the root alone.
        if (path.text().startsWith(QLatin1Char('/')) && splitPath(path).pieces.isEmpty())
            return QByteArrayLiteral("/");
        return std::nullopt;
    }
    const std::optional<EntryMatch> entry
        = findEntry(folders, parent->folder, parent->lastText(), how ? OtherMatches::Collect : OtherMatches::Ignore);
    if (!entry)
        return std::nullopt;
    QByteArray resolved = joinNative(parent->folder, entry->name);
    if (parent->trailingSeparator && !folders.isFolder(resolved))
        return std::nullopt;
    noteMatch(how, parent->lastText(), parent->lastAdded, parent->lastFoldedSeparators, *entry, resolved);
    return resolved;
}

CatalogFile locateFileIn(FolderAccess &folders, RememberedFolders *remembered, const ComposedPath &path, NameMatch *how)
{
    return CatalogFile{path, resolveEntryIn(folders, remembered, path, how).value_or(QFile::encodeName(path.text()))};
}

std::optional<CatalogFile> findFileIn(FolderAccess &folders, RememberedFolders *remembered, const ComposedPath &path,
                                      NameMatch *how)
{
    const std::optional<Parent> parent = resolveParent(folders, remembered, path, how);
    if (!parent || parent->trailingSeparator)
        return std::nullopt;
    if (hasWildcard(parent->lastText())) {
        const QString pattern = parent->lastText().toString();
        bool found = false;
        folders.forEachEntry(parent->folder, [&](QByteArrayView name) {
            if (!found && wildcardMatch(pattern, nameOnDisk(name))
                && folders.isExistingNonFolder(joinNative(parent->folder, name)))
                found = true;
        });
        if (!found)
            return std::nullopt;
        if (how)
            how->clear();
        return locateFileIn(folders, remembered, path, how);
    }
    // The same entry that reading opens, so a "yes" here is one the reader
    // agrees with.
    const std::optional<EntryMatch> entry
        = findEntry(folders, parent->folder, parent->lastText(), how ? OtherMatches::Collect : OtherMatches::Ignore);
    if (!entry)
        return std::nullopt;
    QByteArray native = joinNative(parent->folder, entry->name);
    if (!folders.isExistingNonFolder(native))
        return std::nullopt;
    noteMatch(how, parent->lastText(), parent->lastAdded, parent->lastFoldedSeparators, *entry, native);
    return CatalogFile{path, std::move(native)};
}

} // namespace

CatalogLookup::CatalogLookup()
    : m_folders(std::make_unique<ListedFolders>()), m_remembered(std::make_unique<RememberedFolders>())
{
}

CatalogLookup::~CatalogLookup() = default;

std::optional<CatalogFile> CatalogLookup::findFile(const ComposedPath &path, NameMatch *how)
{
    if (how)
        how->clear();
    return findFileIn(*m_folders, m_remembered.get(), path, how);
}

std::optional<QByteArray> CatalogLookup::resolveEntry(const ComposedPath &path, NameMatch *how)
{
    if (how)
        how->clear();
    return resolveEntryIn(*m_folders, m_remembered.get(), path, how);
}

EntryKind CatalogLookup::kindOf(const QByteArray &native)
{
    return m_folders->kindOf(native);
}

void CatalogLookup::prefetch(const ComposedPath &path)
{
    // Only in the folder resolved last: nothing is looked up here.
    const RememberedFolders &remembered = *m_remembered;
    const QString &added = path.added;
    const qsizetype start = lastPieceStart(added);
    if (start == 0 || !remembered.last || !remembered.last->native
        || QStringView(remembered.lastAdded) != QStringView(added).left(start)
        || !sameText(path.base, remembered.lastBase))
        return;
    m_folders->prefetch(*remembered.last->native, QStringView(added).sliced(start));
}

std::shared_ptr<const OpenFolder> CatalogLookup::openFolderOf(const QByteArray &native)
{
    const qsizetype slash = native.lastIndexOf('/');
    if (slash <= 0 || slash + 1 == native.size())
        return nullptr;
    return m_folders->heldOpen(QByteArrayView(native).first(slash));
}

OpenFolder::~OpenFolder()
{
    ::close(m_fd);
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
    return resolveEntryIn(folders, nullptr, path, nullptr);
}

CatalogFile locateCatalogFile(const ComposedPath &path)
{
    DirectFolders folders;
    return locateFileIn(folders, nullptr, path, nullptr);
}

std::optional<CatalogFile> findCatalogFile(const ComposedPath &path)
{
    DirectFolders folders;
    return findFileIn(folders, nullptr, path, nullptr);
}

std::optional<QByteArray> resolveForWriting(const ComposedPath &path)
{
    DirectFolders folders;
    const std::optional<Parent> parent = resolveParent(folders, nullptr, path, nullptr);
    // A name ending in a separator names a folder; no file can be made there.
    if (!parent || parent->trailingSeparator)
        return std::nullopt;
    // Rewriting "catalog.txt" must replace "CATALOG.TXT" rather than put a
    // second file beside it that Windows could not even hold.
    const std::optional<EntryMatch> entry = findEntry(folders, parent->folder, parent->lastText());
    return joinNative(parent->folder, entry ? entry->name : QFile::encodeName(parent->lastText().toString()));
}

QStringList listMatchingFiles(const ComposedPath &pattern)
{
    DirectFolders folders;
    const std::optional<Parent> parent = resolveParent(folders, nullptr, pattern, nullptr);
    if (!parent || parent->trailingSeparator)
        return {};
    const QString lastPiece = parent->lastText().toString();
    QStringList names;
    folders.forEachEntry(parent->folder, [&](QByteArrayView native) {
        const QString name = nameOnDisk(native);
        if (wildcardMatch(lastPiece, name) && folders.isExistingNonFolder(joinNative(parent->folder, native)))
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
