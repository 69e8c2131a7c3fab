#include "catalog/FolderAccess.h"

#include "catalog/Win1251.h"

#include <QStringDecoder>
#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <limits>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

const char *orCurrentFolder(const QByteArray &native)
{
    return native.isEmpty() ? "." : native.constData();
}

bool isDotEntry(QByteArrayView name)
{
    return name == "." || name == "..";
}

// A folder opened for listing. A name longer than the system takes in one
// call (PATH_MAX) is opened from the longest beginning that it takes, then a
// piece at a time.
int openFolder(const QByteArray &native)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (native.size() < PATH_MAX)
        return ::open(orCurrentFolder(native), flags);
    const qsizetype cut = native.lastIndexOf('/', PATH_MAX - 1);
    if (cut <= 0) {
        errno = ENAMETOOLONG;
        return -1;
    }
    int fd = ::open(native.left(cut).constData(), flags);
    for (qsizetype start = cut + 1; fd >= 0 && start < native.size();) {
        qsizetype end = native.indexOf('/', start);
        if (end < 0)
            end = native.size();
        if (end > start) {
            const int next = ::openat(fd, native.mid(start, end - start).constData(), flags);
            ::close(fd);
            fd = next;
        }
        start = end + 1;
    }
    return fd;
}

// stat(), links followed, for a name of any length.
bool statFollowingLinks(const QByteArray &native, struct stat &info)
{
    if (native.size() < PATH_MAX)
        return ::stat(orCurrentFolder(native), &info) == 0;
    const qsizetype slash = native.lastIndexOf('/');
    const int fd = openFolder(native.left(slash));
    if (fd < 0)
        return false;
    const bool found = ::fstatat(fd, native.constData() + slash + 1, &info, 0) == 0;
    ::close(fd);
    return found;
}

EntryKind kindOfMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return EntryKind::Folder;
    return S_ISREG(mode) ? EntryKind::File : EntryKind::Other;
}

EntryKind statKind(const QByteArray &native)
{
    struct stat info;
    return statFollowingLinks(native, info) ? kindOfMode(info.st_mode) : EntryKind::Missing;
}

using ListingVisitor = std::function<void(QByteArrayView name, unsigned char type)>;

// Calls visit(nameBytes, d_type) for every entry but "." and ".."; false
// when the folder cannot be listed.
bool listFolderWithTypes(const QByteArray &folder, const ListingVisitor &visit)
{
    DIR *opened = nullptr;
    if (folder.size() < PATH_MAX) {
        opened = ::opendir(orCurrentFolder(folder));
    } else if (const int fd = openFolder(folder); fd >= 0) {
        opened = ::fdopendir(fd);
        if (!opened)
            ::close(fd);
    }
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(opened, &::closedir);
    if (!dir)
        return false;
    while (const dirent *entry = ::readdir(dir.get())) {
        const QByteArrayView name(entry->d_name);
        if (!isDotEntry(name))
            visit(name, entry->d_type);
    }
    return true;
}

bool listFolder(const QByteArray &folder, const EntryVisitor &visit)
{
    return listFolderWithTypes(folder, [&visit](QByteArrayView name, unsigned char) { visit(name); });
}

// The key under which a name is indexed: its characters folded one by one,
// as the comparison without regard to case folds them, so that two names
// that compare equal share a key.
QString foldedKey(const QString &text)
{
    QString key = text;
    // Photo folders hold tens of thousands of ASCII names, whose folding is
    // their lower case.
    for (QChar &c : key) {
        const char16_t u = c.unicode();
        c = u >= 0x80 ? c.toCaseFolded() : QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
    }
    return key;
}

bool hasSurrogates(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
}

} // namespace

QByteArray joinNative(const QByteArray &folder, QByteArrayView name)
{
    if (folder.isEmpty())
        return name.toByteArray();
    QByteArray joined = folder;
    if (!folder.endsWith('/'))
        joined += '/';
    return joined += name;
}

bool isAsciiName(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

std::optional<QString> decodeUtf8Name(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool DirectFolders::entryExists(const QByteArray &folder, const QByteArray &name)
{
    struct stat info;
    return ::lstat(orCurrentFolder(joinNative(folder, name)), &info) == 0;
}

void DirectFolders::forEachCandidate(const QByteArray &folder, const QString &, const EntryVisitor &visit)
{
    listFolder(folder, visit);
}

void DirectFolders::forEachEntry(const QByteArray &folder, const EntryVisitor &visit)
{
    listFolder(folder, visit);
}

EntryKind DirectFolders::kindOf(const QByteArray &native)
{
    struct stat info;
    return ::stat(orCurrentFolder(native), &info) == 0 ? kindOfMode(info.st_mode) : EntryKind::Missing;
}

namespace {

constexpr qsizetype kSearchedInTurn = 32;

} // namespace

void ListedFolders::Listing::add(QByteArrayView name, Kind kind)
{
    m_entries.push_back(Entry{quint32(m_names.size()), quint32(name.size()), kind});
    m_names.append(name);
}

void ListedFolders::Listing::finish()
{
    m_entries.shrink_to_fit();
    m_names.squeeze();
    // The names stay where they are from now on: the hash keeps views of them.
    if (size() > kSearchedInTurn) {
        m_byName.reserve(size());
        for (qsizetype i = 0; i < size(); ++i)
            m_byName.insert(name(i), quint32(i));
    }
}

qsizetype ListedFolders::Listing::find(QByteArrayView wanted) const
{
    if (size() > kSearchedInTurn) {
        const auto found = m_byName.constFind(wanted);
        return found == m_byName.constEnd() ? -1 : qsizetype(*found);
    }
    for (qsizetype i = 0; i < size(); ++i) {
        if (name(i) == wanted)
            return i;
    }
    return -1;
}

bool ListedFolders::entryExists(const QByteArray &folder, const QByteArray &name)
{
    const Listing &listing = listingOf(folder);
    if (!listing.listed || isDotEntry(name))
        return m_direct.entryExists(folder, name);
    return listing.find(name) >= 0;
}

void ListedFolders::forEachCandidate(const QByteArray &folder, const QString &piece, const EntryVisitor &visit)
{
    Listing &listing = listingOf(folder);
    // Folding code units one by one agrees with the comparison only outside
    // surrogate pairs; a piece holding them is compared with every entry.
    if (!listing.listed || hasSurrogates(piece)) {
        forEachEntry(folder, visit);
        return;
    }
    if (!listing.indexed)
        index(listing);
    constexpr quint32 kNone = std::numeric_limits<quint32>::max();
    const bool ascii = std::all_of(piece.begin(), piece.end(), [](QChar c) { return c.unicode() < 0x80; });
    const QString key = ascii ? QString() : foldedKey(piece);
    const bool asciiKey = ascii || std::all_of(key.begin(), key.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (asciiKey) {
        const QStringView folded = ascii ? QStringView(piece) : QStringView(key);
        QVarLengthArray<char, 256> bytes(folded.size());
        for (qsizetype i = 0; i < folded.size(); ++i) {
            const char16_t u = folded[i].unicode();
            bytes[i] = char(u >= u'A' && u <= u'Z' ? u + 32 : u);
        }
        const auto found = listing.byLowered.constFind(QByteArrayView(bytes.constData(), bytes.size()));
        for (quint32 entry = found == listing.byLowered.constEnd() ? kNone : *found; entry != kNone;
             entry = listing.nextAlike[entry])
            visit(listing.name(entry));
    }
    if (!listing.byReading.isEmpty()) {
        const auto found = listing.byReading.constFind(ascii ? foldedKey(piece) : key);
        if (found != listing.byReading.constEnd()) {
            for (const quint32 entry : *found)
                visit(listing.name(entry));
        }
    }
}

bool ListedFolders::mayHoldNamesAlike(const QByteArray &folder)
{
    Listing &listing = listingOf(folder);
    if (!listing.listed)
        return true;
    if (listing.indexed || listing.namesAlikeKnown)
        return listing.namesAlike;
    // Most folders of a catalog hold a few ASCII names, which read alike only
    // when they are equal but for letter case: compared in pairs, they need
    // no index.
    constexpr qsizetype kComparedInPairs = 16;
    if (listing.size() <= kComparedInPairs) {
        QVarLengthArray<QByteArrayView, kComparedInPairs> names;
        for (qsizetype i = 0; i < listing.size(); ++i)
            names.append(listing.name(i));
        if (std::all_of(names.begin(), names.end(), isAsciiName)) {
            for (qsizetype i = 0; i < names.size() && !listing.namesAlike; ++i) {
                for (qsizetype j = i + 1; j < names.size() && !listing.namesAlike; ++j)
                    listing.namesAlike = names[i].compare(names[j], Qt::CaseInsensitive) == 0;
            }
            listing.namesAlikeKnown = true;
            return listing.namesAlike;
        }
    }
    index(listing);
    return listing.namesAlike;
}

void ListedFolders::forEachEntry(const QByteArray &folder, const EntryVisitor &visit)
{
    const Listing &listing = listingOf(folder);
    if (!listing.listed) {
        m_direct.forEachEntry(folder, visit);
        return;
    }
    for (qsizetype i = 0; i < listing.size(); ++i)
        visit(listing.name(i));
}

EntryKind ListedFolders::kindOf(const QByteArray &native)
{
    // The entry as its folder's listing saw it.
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray name = QByteArray::fromRawData(native.constData() + slash + 1, native.size() - slash - 1);
    if (!name.isEmpty() && !isDotEntry(name)) {
        const QByteArray folder
            = QByteArray::fromRawData(native.constData(), slash == 0 ? 1 : std::max<qsizetype>(slash, 0));
        Listing &listing = listingOf(folder);
        if (listing.listed) {
            const qsizetype entry = listing.find(name);
            if (entry < 0)
                return EntryKind::Missing;
            Kind &known = listing.kind(entry);
            switch (known) {
            case Kind::Unknown:
                break;
            case Kind::Missing:
                return EntryKind::Missing;
            case Kind::Folder:
                return EntryKind::Folder;
            case Kind::File:
                return EntryKind::File;
            case Kind::Other:
                return EntryKind::Other;
            }
            const EntryKind kind = statKind(native);
            known = kind == EntryKind::Missing  ? Kind::Missing
                    : kind == EntryKind::Folder ? Kind::Folder
                    : kind == EntryKind::File   ? Kind::File
                                                : Kind::Other;
            return kind;
        }
    }
    auto it = m_kinds.constFind(native);
    if (it == m_kinds.constEnd())
        it = m_kinds.insert(native, statKind(native));
    return *it;
}

ListedFolders::Listing &ListedFolders::listingOf(const QByteArray &folder)
{
    if (m_lastListing && m_lastFolder == folder)
        return *m_lastListing;
    auto it = m_listings.find(folder);
    if (it == m_listings.end()) {
        // A deep copy: the folder may be a view into a longer name.
        const QByteArray key(folder.constData(), folder.size());
        Listing listing;
        listing.listed = listFolderWithTypes(key, [&](QByteArrayView name, unsigned char type) {
            Kind kind = Kind::Unknown;
            if (type == DT_DIR)
                kind = Kind::Folder;
            else if (type == DT_REG)
                kind = Kind::File;
            else if (type != DT_LNK && type != DT_UNKNOWN)
                kind = Kind::Other;
            listing.add(name, kind);
        });
        listing.finish();
        it = m_listings.emplace(key, std::move(listing)).first;
    }
    m_lastFolder = it->first;
    m_lastListing = &it->second;
    return it->second;
}

void ListedFolders::index(Listing &listing)
{
    // The same readings that readEntryAs compares, so every entry that can
    // match a piece is under the piece's key.
    constexpr quint32 kNone = std::numeric_limits<quint32>::max();
    listing.lowered = listing.names();
    for (char &c : listing.lowered) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    }
    listing.nextAlike.assign(size_t(listing.size()), kNone);
    listing.byLowered.reserve(listing.size());
    for (qsizetype i = 0; i < listing.size(); ++i) {
        const QByteArrayView name = listing.name(i);
        if (isAsciiName(name)) {
            auto found = listing.byLowered.find(listing.loweredName(i));
            if (found == listing.byLowered.end()) {
                listing.byLowered.insert(listing.loweredName(i), quint32(i));
            } else {
                listing.nextAlike[size_t(i)] = *found;
                *found = quint32(i);
                listing.namesAlike = true;
            }
            continue;
        }
        const auto add = [&](const QString &reading) {
            QList<quint32> &entries = listing.byReading[foldedKey(reading)];
            if (entries.isEmpty() || entries.constLast() != quint32(i)) {
                entries.append(quint32(i));
                listing.namesAlike = listing.namesAlike || entries.size() > 1;
            }
        };
        if (const std::optional<QString> utf8 = decodeUtf8Name(name))
            add(*utf8);
        add(decodeWin1251(name));
        add(decodeCp866(name));
    }
    // A reading that folds to ASCII (the Kelvin sign to "k") reads alike
    // with the ASCII name of that lower case.
    for (auto it = listing.byReading.cbegin(); it != listing.byReading.cend() && !listing.namesAlike; ++it) {
        const QString &key = it.key();
        if (std::all_of(key.begin(), key.end(), [](QChar c) { return c.unicode() < 0x80; }))
            listing.namesAlike = listing.byLowered.contains(key.toLatin1());
    }
    listing.indexed = true;
}

} // namespace korvane
