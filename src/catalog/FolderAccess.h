#pragma once

// Inside the catalog library only: how its name lookup sees the folders.

#include "catalog/FolderEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace korvane {

// Calls the caller's own function for each entry, without copying it: a
// walk asks for entries hundreds of thousands of times.
class EntryVisitor
{
public:
    template <typename Visit>
    requires(!std::is_same_v<std::remove_cvref_t<Visit>, EntryVisitor>)
        EntryVisitor(Visit &&visit) // NOLINT(bugprone-forwarding-reference-overload): never a copy
        : m_visit(const_cast<void *>(static_cast<const void *>(std::addressof(visit)))),
          m_call([](void *function, QByteArrayView name) {
              (*static_cast<std::remove_reference_t<Visit> *>(function))(name);
          })
    {
    }
    void operator()(QByteArrayView name) const { m_call(m_visit, name); }

private:
    void *m_visit;
    void (*m_call)(void *, QByteArrayView);
};

// An empty folder stands for the current folder, so relative composed names
// come back relative.
QByteArray joinNative(const QByteArray &folder, QByteArrayView name);

bool isAsciiName(QByteArrayView bytes);
// The name read as UTF-8, or nothing when its bytes are not that.
std::optional<QString> decodeUtf8Name(QByteArrayView bytes);

// How a lookup sees the folders: straight from the file system, or through
// listings kept for a whole walk. The naming rules (CatalogNames.cpp) are
// written once, on top of either.
class FolderAccess
{
public:
    virtual ~FolderAccess() = default;

    virtual bool entryExists(const QByteArray &folder, QByteArrayView name) = 0;
    // Every entry whose name may read as the piece (see readEntryAs): all of
    // them, or only those an index has not ruled out.
    virtual void forEachCandidate(const QByteArray &folder, QStringView piece, const EntryVisitor &visit) = 0;
    // Whether two entries of the folder may read as one name; false only
    // when an index rules it out.
    virtual bool mayHoldNamesAlike(const QByteArray &) { return true; }
    // What the folder says at once of a piece of ASCII characters, given as
    // its bytes: no entry reads as it (Missing), or the entry of exactly its
    // name is the only one that does (Alone); Unknown when it takes the
    // closer look of forEachCandidate. A folder whose names are all ASCII
    // tells it from its listing: another name reads as an ASCII piece only by
    // its letter case.
    enum class PlainName { Unknown, Missing, Alone };
    virtual PlainName lookUpPlainName(const QByteArray &, QByteArrayView) { return PlainName::Unknown; }
    // Every entry but "." and "..".
    virtual void forEachEntry(const QByteArray &folder, const EntryVisitor &visit) = 0;
    // Symlinks are followed here, at every level: a link to a folder is a
    // folder to the catalog (the whole catalog may be one, or a shared folder
    // linked in), and a broken link is no entry at all.
    virtual EntryKind kindOf(const QByteArray &native) = 0;
    bool isFolder(const QByteArray &native) { return kindOf(native) == EntryKind::Folder; }
    bool isExistingNonFolder(const QByteArray &native)
    {
        const EntryKind kind = kindOf(native);
        return kind == EntryKind::File || kind == EntryKind::Other;
    }
};

// Asks the file system every time, as the browser does at every selection.
class DirectFolders final : public FolderAccess
{
public:
    bool entryExists(const QByteArray &folder, QByteArrayView name) override;
    void forEachCandidate(const QByteArray &folder, QStringView piece, const EntryVisitor &visit) override;
    void forEachEntry(const QByteArray &folder, const EntryVisitor &visit) override;
    EntryKind kindOf(const QByteArray &native) override;
};

// Entry numbers of a listing by the hash of a name of theirs: a flat table
// probed in turn, the hash kept beside each number, so that a probe reads
// one slot and compares a name only when the hashes agree. A photo folder
// of tens of thousands of names is asked hundreds of thousands of times.
class NameTable
{
public:
    bool isEmpty() const { return m_slots.empty(); }
    // Room for count entries without growing.
    void reserve(qsizetype count);
    void insert(quint32 hash, quint32 entry);
    // The number kept for the first entry whose name is equal (is(entry)
    // says), to be read or replaced; nothing when there is none.
    template <typename Is>
    const quint32 *find(quint32 hash, Is is) const
    {
        if (m_slots.empty())
            return nullptr;
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot &slot = m_slots[i];
            if (slot.entry == kFree)
                return nullptr;
            if (slot.hash == hash && is(slot.entry))
                return &slot.entry;
        }
    }
    template <typename Is>
    quint32 *find(quint32 hash, Is is)
    {
        return const_cast<quint32 *>(std::as_const(*this).find(hash, is));
    }
    // Fetches the slot a find of that hash starts at.
    void prefetch(quint32 hash) const
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[hash & m_mask]);
    }

private:
    static constexpr quint32 kFree = 0xFFFFFFFFu;
    struct Slot
    {
        quint32 hash;
        quint32 entry;
    };
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    size_t m_used = 0;
};

// Memory for a walk's listings, handed out from large blocks and given back
// all at once when the walk ends: tens of thousands of small listings do not
// each take and free blocks of their own.
class ListingMemory
{
public:
    // Room for count objects of type T, uninitialised.
    template <typename T>
    T *allocate(size_t count)
    {
        return static_cast<T *>(allocateBytes(count * sizeof(T), alignof(T)));
    }
    // A copy of the bytes that stays where it is.
    QByteArrayView keep(QByteArrayView bytes);

private:
    void *allocateBytes(size_t bytes, size_t alignment);

    std::vector<std::unique_ptr<char[]>> m_blocks;
    char *m_next = nullptr;
    size_t m_left = 0;
};

// Lists each folder once, with what the listing says each entry is, and an
// index of its names' readings by folded key. An entry's kind comes from the
// listing; only links, and entries of a file system that does not say, are
// asked with a stat. A folder that cannot be listed is asked directly every
// time. Folders deeper than the system takes in one name (PATH_MAX) are
// opened a piece at a time, so a deep catalog is seen as it is.
class ListedFolders final : public FolderAccess
{
public:
    bool entryExists(const QByteArray &folder, QByteArrayView name) override;
    void forEachCandidate(const QByteArray &folder, QStringView piece, const EntryVisitor &visit) override;
    bool mayHoldNamesAlike(const QByteArray &folder) override;
    PlainName lookUpPlainName(const QByteArray &folder, QByteArrayView name) override;
    void forEachEntry(const QByteArray &folder, const EntryVisitor &visit) override;
    EntryKind kindOf(const QByteArray &native) override;
    // Fetches where the entries that may read as the piece are kept, when the
    // folder is one of the recent ones and indexed; nothing else is done.
    void prefetch(QByteArrayView folder, QStringView piece) const;
    // The folder of that name held open, when it is one of the recent ones.
    std::shared_ptr<const OpenFolder> heldOpen(QByteArrayView folder) const;

private:
    // What an entry is; Unknown until a stat has said, for a link or where
    // the listing does not tell.
    enum class Kind : quint8 { Unknown, Missing, Folder, File, Other };

    struct Entry
    {
        quint32 at;
        quint32 size;
        Kind kind;
    };

    // One folder's entries, their names side by side in one block of the
    // walk's memory: a walk lists tens of thousands of small folders, and
    // keeps them all.
    class Listing
    {
    public:
        // The folder, as the walk names it.
        QByteArrayView folder;
        bool listed = false;
        // The index of the names' readings that could compare equal to a
        // piece. An ASCII name reads only as itself: it is found by its lower
        // case, kept in a block laid out as the names are, with the entries
        // sharing one chained. Every reading of the other names (UTF-8,
        // Windows-1251, CP866) is kept by its folded key.
        bool indexed = false;
        const char *lowered = nullptr;
        NameTable byLowered;
        std::vector<quint32> nextAlike;
        QHash<QString, QList<quint32>> byReading;
        // Two names may read as one name: they share a key, or (known without
        // an index) are equal but for letter case.
        bool namesAlike = false;
        bool namesAlikeKnown = false;
        // Every name is ASCII.
        bool allAscii = true;

        // The entries listed, copied into the walk's memory.
        void fill(ListingMemory &memory, QByteArrayView names, const std::vector<Entry> &entries);
        qsizetype size() const { return qsizetype(m_count); }
        QByteArrayView name(qsizetype entry) const
        {
            const Entry &e = m_entries[entry];
            return QByteArrayView(m_names + e.at, e.size);
        }
        QByteArrayView loweredName(qsizetype entry) const
        {
            const Entry &e = m_entries[entry];
            return QByteArrayView(lowered + e.at, e.size);
        }
        QByteArrayView names() const { return QByteArrayView(m_names, m_namesSize); }
        Kind &kind(qsizetype entry) { return m_entries[entry].kind; }
        // The entry of that name, or -1.
        qsizetype find(QByteArrayView name);

    private:
        const char *m_names = nullptr;
        qsizetype m_namesSize = 0;
        Entry *m_entries = nullptr;
        quint32 m_count = 0;
        // Large folders (photos) are searched by hash, small ones in turn.
        NameTable m_byName;
    };

    Listing &listingOf(QByteArrayView folder);
    // The entry of that name in the listing, or -1; remembered when found.
    qsizetype findIn(Listing &listing, QByteArrayView name);
    // The first entry of an indexed listing whose ASCII name has that lower
    // case, the others chained to it; kNoEntry when there is none.
    quint32 firstAlike(const Listing &listing, QByteArrayView lowered);
    static constexpr quint32 kNoEntry = 0xFFFFFFFFu;
    // The folder opened for listing: relative to its parent when that is
    // held open, else by its whole name.
    int openForListing(const QByteArray &folder) const;
    void index(Listing &listing);

    DirectFolders m_direct;
    ListingMemory m_memory;
    // Every folder listed, by the hash of its name; a deque keeps each
    // listing where it is.
    std::deque<Listing> m_listings;
    NameTable m_listingOfFolder;
    // The folders asked for last: a walk goes back and forth between a
    // model's folder, its parts folder and the photo folder. Each is held
    // open while it is one of them (when it was listed here), for the files
    // and folders in it to be opened relative to it.
    struct Recent
    {
        Listing *listing = nullptr;
        std::shared_ptr<const OpenFolder> open;
        quint64 used = 0;
    };
    std::array<Recent, 4> m_recent;
    quint64 m_uses = 0;
    // The entry found last: its kind is asked for next, again and again, as
    // a file found is tested and opened.
    Listing *m_lastFoundIn = nullptr;
    qsizetype m_lastFound = -1;
    // The entries of an indexed listing whose lower case is the one asked
    // for last: a lookup asks whether the name itself is there, then for the
    // names that read alike, and a photo folder is probed once for both.
    const Listing *m_alikeIn = nullptr;
    std::string m_alikeKey;
    quint32 m_alikeFirst = 0;
    // What a listing is built from (the folder's raw entries, then its names
    // and entries), kept from one to the next.
    std::vector<char> m_entryBuffer;
    std::string m_names;
    std::vector<Entry> m_entries;
    // Entries outside any listing (a folder that cannot be listed, "..").
    QHash<QByteArray, EntryKind> m_kinds;
};

} // namespace korvane
