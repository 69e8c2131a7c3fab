#include "catalog/FolderAccess.h"

#include "catalog/ByteHash.h"

#include "catalog/Win1251.h"

#include <QStringDecoder>
#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
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

// Whether two names are the same bytes: their sizes, which mostly differ,
// are compared before anything is called.
inline bool same(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && (a.isEmpty() || std::memcmp(a.data(), b.data(), size_t(a.size())) == 0);
}

bool isDotEntry(QByteArrayView name)
{
    return name == "." || name == "..";
}

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// A folder opened for listing. A name longer than the system takes in one
// call (PATH_MAX) is opened from the longest beginning that it takes, then a
// piece at a time.
int openFolder(const QByteArray &native)
{
    constexpr int flags = kFolderFlags;
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

// Calls visit(nameBytes, d_type) for every entry of the open folder but "."
// and ".."; false when it cannot be listed. The entries are read straight
// into the buffer, which takes a few hundred of them at a time.
template <typename Visit>
bool listOpenFolder(int fd, std::vector<char> &buffer, Visit visit)
{
    constexpr size_t kBufferBytes = size_t{32} * 1024;
    if (buffer.size() < kBufferBytes)
        buffer.resize(kBufferBytes);
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (ssize_t at = 0; at < got;) {
            dirent64 entry;
            std::memcpy(&entry, buffer.data() + at, offsetof(dirent64, d_name));
            const QByteArrayView name(buffer.data() + at + offsetof(dirent64, d_name));
            if (!isDotEntry(name))
                visit(name, entry.d_type);
            at += entry.d_reclen;
        }
    }
}

bool listFolder(const QByteArray &folder, const EntryVisitor &visit)
{
    const int fd = openFolder(folder);
    if (fd < 0)
        return false;
    std::vector<char> buffer;
    const bool listed = listOpenFolder(fd, buffer, [&visit](QByteArrayView name, unsigned char) { visit(name); });
    ::close(fd);
    return listed;
}

// The key under which a name is indexed: its characters folded one by one,
// as the comparison without regard to case folds them, so that two names
// that compare equal share a key.
QString foldedKey(QStringView text)
{
    QString key = text.toString();
    // Photo folders hold tens of thousands of ASCII names, whose folding is
    // their lower case.
    for (QChar &c : key) {
        const char16_t u = c.unicode();
        c = u >= 0x80 ? c.toCaseFolded() : QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
    }
    return key;
}

bool hasSurrogates(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
}

} // namespace

QByteArray joinNative(const QByteArray &folder, QByteArrayView name)
{
    if (folder.isEmpty())
        return name.toByteArray();
    // In one allocation: a walk joins hundreds of thousands of names.
    const bool separated = folder.endsWith('/');
    QByteArray joined(folder.size() + (separated ? 0 : 1) + name.size(), Qt::Uninitialized);
    char *at = joined.data();
    std::memcpy(at, folder.constData(), size_t(folder.size()));
    at += folder.size();
    if (!separated)
        *at++ = '/';
    if (!name.isEmpty())
        std::memcpy(at, name.data(), size_t(name.size()));
    return joined;
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

bool DirectFolders::entryExists(const QByteArray &folder, QByteArrayView name)
{
    struct stat info;
    return ::lstat(orCurrentFolder(joinNative(folder, name)), &info) == 0;
}

void DirectFolders::forEachCandidate(const QByteArray &folder, QStringView, const EntryVisitor &visit)
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

void NameTable::reserve(qsizetype count)
{
    // At most half full, so that a probe ends soon.
    size_t capacity = 16;
    while (capacity < size_t(count) * 2)
        capacity *= 2;
    if (capacity <= m_slots.size())
        return;
    std::vector<Slot> old(capacity, Slot{0, kFree});
    old.swap(m_slots);
    m_mask = capacity - 1;
    for (const Slot &slot : old) {
        if (slot.entry == kFree)
            continue;
        size_t i = slot.hash & m_mask;
        while (m_slots[i].entry != kFree)
            i = (i + 1) & m_mask;
        m_slots[i] = slot;
    }
}

void NameTable::insert(quint32 hash, quint32 entry)
{
    if ((m_used + 1) * 2 > m_slots.size())
        reserve(qsizetype(m_used + 1) * 2);
    size_t i = hash & m_mask;
    while (m_slots[i].entry != kFree)
        i = (i + 1) & m_mask;
    m_slots[i] = Slot{hash, entry};
    ++m_used;
}

void *ListingMemory::allocateBytes(size_t bytes, size_t alignment)
{
    constexpr size_t kBlock = size_t{256} * 1024;
    size_t skip = size_t(-reinterpret_cast<quintptr>(m_next)) & (alignment - 1);
    if (!m_next || skip + bytes > m_left) {
        // A listing larger than a block has one of its own.
        const size_t size = std::max(kBlock, bytes + alignment);
        m_blocks.push_back(std::make_unique<char[]>(size));
        m_next = m_blocks.back().get();
        m_left = size;
        skip = size_t(-reinterpret_cast<quintptr>(m_next)) & (alignment - 1);
    }
    void *at = m_next + skip;
    m_next += skip + bytes;
    m_left -= skip + bytes;
    return at;
}

QByteArrayView ListingMemory::keep(QByteArrayView bytes)
{
    char *kept = allocate<char>(size_t(bytes.size()));
    if (!bytes.isEmpty())
        std::memcpy(kept, bytes.data(), size_t(bytes.size()));
    return QByteArrayView(kept, bytes.size());
}

void ListedFolders::Listing::fill(ListingMemory &memory, QByteArrayView names, const std::vector<Entry> &entries)
{
    m_names = memory.keep(names).data();
    m_namesSize = names.size();
    allAscii = isAsciiName(names);
    m_count = quint32(entries.size());
    m_entries = memory.allocate<Entry>(entries.size());
    std::copy(entries.begin(), entries.end(), m_entries);
    // The names stay where they are from now on: the table keeps their places.
    if (size() > kSearchedInTurn) {
        m_byName.reserve(size());
        for (qsizetype i = 0; i < size(); ++i)
            m_byName.insert(hashBytes(name(i)), quint32(i));
    }
}

qsizetype ListedFolders::Listing::find(QByteArrayView wanted)
{
    if (size() > kSearchedInTurn) {
        const quint32 *found
            = m_byName.find(hashBytes(wanted), [&](quint32 entry) { return same(name(entry), wanted); });
        return found ? qsizetype(*found) : -1;
    }
    for (qsizetype i = 0; i < size(); ++i) {
        if (same(name(i), wanted))
            return i;
    }
    return -1;
}

bool ListedFolders::entryExists(const QByteArray &folder, QByteArrayView name)
{
    Listing &listing = listingOf(folder);
    if (!listing.listed || isDotEntry(name))
        return m_direct.entryExists(folder, name);
    if (listing.indexed && isAsciiName(name)) {
        // An ASCII name is among those of its lower case.
        QVarLengthArray<char, 256> lowered(name.size());
        for (qsizetype i = 0; i < name.size(); ++i)
            lowered[i] = name[i] >= 'A' && name[i] <= 'Z' ? char(name[i] + 32) : name[i];
        for (quint32 entry = firstAlike(listing, QByteArrayView(lowered.constData(), lowered.size()));
             entry != kNoEntry; entry = listing.nextAlike[entry]) {
            if (same(listing.name(entry), name)) {
                m_lastFoundIn = &listing;
                m_lastFound = entry;
                return true;
            }
        }
        return false;
    }
    return findIn(listing, name) >= 0;
}

quint32 ListedFolders::firstAlike(const Listing &listing, QByteArrayView lowered)
{
    if (m_alikeIn == &listing && same(QByteArrayView(m_alikeKey.data(), qsizetype(m_alikeKey.size())), lowered))
        return m_alikeFirst;
    const quint32 *found = listing.byLowered.find(
        hashBytes(lowered), [&](quint32 entry) { return same(listing.loweredName(entry), lowered); });
    m_alikeIn = &listing;
    m_alikeKey.assign(lowered.data(), size_t(lowered.size()));
    m_alikeFirst = found ? *found : kNoEntry;
    return m_alikeFirst;
}

qsizetype ListedFolders::findIn(Listing &listing, QByteArrayView name)
{
    const qsizetype entry = listing.find(name);
    if (entry >= 0) {
        m_lastFoundIn = &listing;
        m_lastFound = entry;
    }
    return entry;
}

void ListedFolders::forEachCandidate(const QByteArray &folder, QStringView piece, const EntryVisitor &visit)
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
        for (quint32 entry = firstAlike(listing, QByteArrayView(bytes.constData(), bytes.size())); entry != kNone;
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

FolderAccess::PlainName ListedFolders::lookUpPlainName(const QByteArray &folder, QByteArrayView exact)
{
    Listing &listing = listingOf(folder);
    if (!listing.listed || !listing.allAscii || isDotEntry(exact))
        return PlainName::Unknown;
    if (listing.indexed) {
        QVarLengthArray<char, 256> lowered(exact.size());
        for (qsizetype i = 0; i < exact.size(); ++i) {
            const char c = exact[i];
            lowered[i] = c >= 'A' && c <= 'Z' ? char(c + 32) : c;
        }
        // The entries of its lower case are every one that reads as it.
        const quint32 first = firstAlike(listing, QByteArrayView(lowered.constData(), lowered.size()));
        if (first == kNoEntry)
            return PlainName::Missing;
        if (listing.nextAlike[first] != kNoEntry || !same(listing.name(first), exact))
            return PlainName::Unknown;
        m_lastFoundIn = &listing;
        m_lastFound = first;
        return PlainName::Alone;
    }
    if (findIn(listing, exact) >= 0)
        return mayHoldNamesAlike(folder) ? PlainName::Unknown : PlainName::Alone;
    for (qsizetype i = 0; i < listing.size(); ++i) {
        if (listing.name(i).compare(exact, Qt::CaseInsensitive) == 0)
            return PlainName::Unknown;
    }
    return PlainName::Missing;
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
    Listing &listing = listingOf(folder);
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
    const auto *slashAt = static_cast<const char *>(::memrchr(native.constData(), '/', size_t(native.size())));
    const qsizetype slash = slashAt ? slashAt - native.constData() : -1;
    const QByteArrayView name(native.constData() + slash + 1, native.size() - slash - 1);
    if (!name.isEmpty() && !isDotEntry(name)) {
        const QByteArrayView folder(native.constData(), slash == 0 ? 1 : std::max<qsizetype>(slash, 0));
        const bool foundLast
            = m_lastFoundIn && same(m_lastFoundIn->folder, folder) && same(m_lastFoundIn->name(m_lastFound), name);
        Listing &listing = foundLast ? *m_lastFoundIn : listingOf(folder);
        if (listing.listed) {
            const qsizetype entry = foundLast ? m_lastFound : findIn(listing, name);
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

int ListedFolders::openForListing(const QByteArray &folder) const
{
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0 && slash + 1 < folder.size()) {
        const QByteArrayView name = QByteArrayView(folder).sliced(slash + 1);
        if (!isDotEntry(name)) {
            if (const std::shared_ptr<const OpenFolder> parent = heldOpen(QByteArrayView(folder).first(slash)))
                return ::openat(parent->fd(), name.toByteArray().constData(), kFolderFlags);
        }
    }
    return openFolder(folder);
}

void ListedFolders::prefetch(QByteArrayView folder, QStringView piece) const
{
    for (const Recent &recent : m_recent) {
        const Listing *listing = recent.listing;
        if (!listing || !listing->indexed || !same(listing->folder, folder))
            continue;
        QVarLengthArray<char, 256> lowered(piece.size());
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const char16_t u = piece[i].unicode();
            if (u >= 0x80)
                return;
            lowered[i] = char(u >= u'A' && u <= u'Z' ? u + 32 : u);
        }
        listing->byLowered.prefetch(hashBytes(QByteArrayView(lowered.constData(), lowered.size())));
        return;
    }
}

std::shared_ptr<const OpenFolder> ListedFolders::heldOpen(QByteArrayView folder) const
{
    for (const Recent &recent : m_recent) {
        if (recent.listing && same(recent.listing->folder, folder))
            return recent.open;
    }
    return nullptr;
}

ListedFolders::Listing &ListedFolders::listingOf(QByteArrayView folder)
{
    Recent *oldest = &m_recent[0];
    for (Recent &recent : m_recent) {
        if (recent.listing && same(recent.listing->folder, folder)) {
            recent.used = ++m_uses;
            return *recent.listing;
        }
        if (recent.used < oldest->used)
            oldest = &recent;
    }
    const quint32 hash = hashBytes(folder);
    const quint32 *known
        = m_listingOfFolder.find(hash, [&](quint32 listing) { return same(m_listings[listing].folder, folder); });
    std::shared_ptr<const OpenFolder> open;
    Listing *listing = known ? &m_listings[*known] : nullptr;
    if (!listing) {
        listing = &m_listings.emplace_back();
        listing->folder = m_memory.keep(folder);
        m_listingOfFolder.insert(hash, quint32(m_listings.size() - 1));
        const int fd = openForListing(folder.toByteArray());
        if (fd >= 0)
            open = std::make_shared<const OpenFolder>(fd);
        m_names.clear();
        m_entries.clear();
        listing->listed = fd >= 0 && listOpenFolder(fd, m_entryBuffer, [&](QByteArrayView name, unsigned char type) {
                              Kind kind = Kind::Unknown;
                              if (type == DT_DIR)
                                  kind = Kind::Folder;
                              else if (type == DT_REG)
                                  kind = Kind::File;
                              else if (type != DT_LNK && type != DT_UNKNOWN)
                                  kind = Kind::Other;
                              m_entries.push_back(Entry{quint32(m_names.size()), quint32(name.size()), kind});
                              m_names.append(name.data(), size_t(name.size()));
                          });
        listing->fill(m_memory, QByteArrayView(m_names.data(), qsizetype(m_names.size())), m_entries);
    }
    // The oldest goes, and its folder is closed unless a file still holds it.
    *oldest = Recent{listing, std::move(open), ++m_uses};
    return *listing;
}

void ListedFolders::index(Listing &listing)
{
    // The same readings that readEntryAs compares, so every entry that can
    // match a piece is under the piece's key.
    constexpr quint32 kNone = std::numeric_limits<quint32>::max();
    const QByteArrayView names = listing.names();
    char *lowered = m_memory.allocate<char>(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const char c = names[i];
        lowered[i] = c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    }
    listing.lowered = lowered;
    listing.nextAlike.assign(size_t(listing.size()), kNone);
    listing.byLowered.reserve(listing.size());
    for (qsizetype i = 0; i < listing.size(); ++i) {
        const QByteArrayView name = listing.name(i);
        if (isAsciiName(name)) {
            const QByteArrayView lowered = listing.loweredName(i);
            const quint32 hash = hashBytes(lowered);
            quint32 *found = listing.byLowered.find(
                hash, [&](quint32 entry) { return same(listing.loweredName(entry), lowered); });
            if (!found) {
                listing.byLowered.insert(hash, quint32(i));
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
        if (std::all_of(key.begin(), key.end(), [](QChar c) { return c.unicode() < 0x80; })) {
            const QByteArray lowered = key.toLatin1();
            listing.namesAlike = listing.byLowered.find(hashBytes(lowered), [&](quint32 entry) {
                return same(listing.loweredName(entry), lowered);
            }) != nullptr;
        }
    }
    listing.indexed = true;
}

} // namespace korvane
