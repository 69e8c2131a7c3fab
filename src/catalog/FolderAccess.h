#pragma once

// Inside the catalog library only: how its name lookup sees the folders.

#include "catalog/CatalogNames.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace korvane {

using EntryVisitor = std::function<void(QByteArrayView)>;

// An empty folder stands for the current folder, so relative composed names
// come back relative.
QByteArray joinNative(const QByteArray &folder, QByteArrayView name);

bool isAsciiName(QByteArrayView bytes);
// The name read as UTF-8, or nothing when its bytes are not that.
std::optional<QString> decodeUtf8Name(QByteArrayView bytes);

// A folder as a lookup with listings remembers it, by the composed text that
// names it: found on disk or not, the pieces of that text found loosely, and
// whether a "." or ".." at its end is still to be folded into the piece that
// follows.
struct ResolvedFolder
{
    std::optional<QByteArray> native;
    NameMatch loose;
    bool foldPending = false;
};

// The folders a lookup with listings has resolved, by the composed text that
// names them, and the last one asked for: a walk asks for the same folder
// many times in a row.
struct RememberedFolders
{
    QHash<QString, ResolvedFolder> byName;
    QString lastBase;
    QString lastAdded;
    std::optional<ResolvedFolder> last;
};

// How a lookup sees the folders: straight from the file system, or through
// listings kept for a whole walk. The naming rules (CatalogNames.cpp) are
// written once, on top of either.
class FolderAccess
{
public:
    virtual ~FolderAccess() = default;

    virtual bool entryExists(const QByteArray &folder, const QByteArray &name) = 0;
    // Every entry whose name may read as the piece (see readEntryAs): all of
    // them, or only those an index has not ruled out.
    virtual void forEachCandidate(const QByteArray &folder, const QString &piece, const EntryVisitor &visit) = 0;
    // Whether two entries of the folder may read as one name; false only
    // when an index rules it out.
    virtual bool mayHoldNamesAlike(const QByteArray &) { return true; }
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
    // The folders resolved so far, for a view that keeps them.
    virtual RememberedFolders *rememberedFolders() { return nullptr; }
};

// Asks the file system every time, as the browser does at every selection.
class DirectFolders final : public FolderAccess
{
public:
    bool entryExists(const QByteArray &folder, const QByteArray &name) override;
    void forEachCandidate(const QByteArray &folder, const QString &piece, const EntryVisitor &visit) override;
    void forEachEntry(const QByteArray &folder, const EntryVisitor &visit) override;
    EntryKind kindOf(const QByteArray &native) override;
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
    bool entryExists(const QByteArray &folder, const QByteArray &name) override;
    void forEachCandidate(const QByteArray &folder, const QString &piece, const EntryVisitor &visit) override;
    bool mayHoldNamesAlike(const QByteArray &folder) override;
    void forEachEntry(const QByteArray &folder, const EntryVisitor &visit) override;
    EntryKind kindOf(const QByteArray &native) override;
    RememberedFolders *rememberedFolders() override { return &m_remembered; }

private:
    // What an entry is; Unknown until a stat has said, for a link or where
    // the listing does not tell.
    enum class Kind : quint8 { Unknown, Missing, Folder, File, Other };

    // One folder's entries, their names side by side in one block: a walk
    // lists tens of thousands of small folders, and keeps them all.
    class Listing
    {
    public:
        bool listed = false;
        // The index of the names' readings that could compare equal to a
        // piece. An ASCII name reads only as itself: it is found by its lower
        // case, kept in a block laid out as the names are, with the entries
        // sharing one chained. Every reading of the other names (UTF-8,
        // Windows-1251, CP866) is kept by its folded key.
        bool indexed = false;
        QByteArray lowered;
        QHash<QByteArrayView, quint32> byLowered;
        std::vector<quint32> nextAlike;
        QHash<QString, QList<quint32>> byReading;
        // Two names may read as one name: they share a key, or (known without
        // an index) are equal but for letter case.
        bool namesAlike = false;
        bool namesAlikeKnown = false;

        void add(QByteArrayView name, Kind kind);
        // Called once every entry is added.
        void finish();
        qsizetype size() const { return qsizetype(m_entries.size()); }
        QByteArrayView name(qsizetype entry) const
        {
            const Entry &e = m_entries[size_t(entry)];
            return QByteArrayView(m_names.constData() + e.at, e.size);
        }
        QByteArrayView loweredName(qsizetype entry) const
        {
            const Entry &e = m_entries[size_t(entry)];
            return QByteArrayView(lowered.constData() + e.at, e.size);
        }
        const QByteArray &names() const { return m_names; }
        Kind &kind(qsizetype entry) { return m_entries[size_t(entry)].kind; }
        // The entry of that name, or -1.
        qsizetype find(QByteArrayView name) const;

    private:
        struct Entry
        {
            quint32 at;
            quint32 size;
            Kind kind;
        };
        QByteArray m_names;
        std::vector<Entry> m_entries;
        // Large folders (photos) are searched by hash, small ones in turn.
        QHash<QByteArrayView, quint32> m_byName;
    };

    Listing &listingOf(const QByteArray &folder);
    static void index(Listing &listing);

    DirectFolders m_direct;
    // Node-based, so that the last listing asked for stays where it is.
    std::unordered_map<QByteArray, Listing> m_listings;
    QByteArray m_lastFolder;
    Listing *m_lastListing = nullptr;
    // Entries outside any listing (a folder that cannot be listed, "..").
    QHash<QByteArray, EntryKind> m_kinds;
    RememberedFolders m_remembered;
};

} // namespace korvane
