#pragma once

// Inside the catalog library only: how its name lookup sees the folders.

#include "catalog/CatalogNames.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>
#include <unordered_map>

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
    // Every entry but "." and "..".
    virtual void forEachEntry(const QByteArray &folder, const EntryVisitor &visit) = 0;
    // Symlinks are followed here, at every level: a link to a folder is a
    // folder to the catalog (the whole catalog may be one, or a shared folder
    // linked in), and a broken link is no entry at all.
    virtual bool isFolder(const QByteArray &native) = 0;
    virtual bool isExistingNonFolder(const QByteArray &native) = 0;
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
    bool isFolder(const QByteArray &native) override;
    bool isExistingNonFolder(const QByteArray &native) override;
};

// Lists each folder once, with an index of its names' readings by folded
// key, and keeps what a stat says of an entry. A folder that cannot be listed
// is asked directly every time.
class ListedFolders final : public FolderAccess
{
public:
    bool entryExists(const QByteArray &folder, const QByteArray &name) override;
    void forEachCandidate(const QByteArray &folder, const QString &piece, const EntryVisitor &visit) override;
    void forEachEntry(const QByteArray &folder, const EntryVisitor &visit) override;
    bool isFolder(const QByteArray &native) override;
    bool isExistingNonFolder(const QByteArray &native) override;
    RememberedFolders *rememberedFolders() override { return &m_remembered; }

private:
    struct Listing
    {
        bool listed = false;
        QSet<QByteArray> names;
        bool indexed = false;
        // Every reading of every name (UTF-8, Windows-1251, CP866) that could
        // compare equal to a piece, by folded key.
        QHash<QString, QList<QByteArray>> byReading;
    };
    enum class Kind { Missing, Folder, Other };

    Listing &listingOf(const QByteArray &folder);
    static void index(Listing &listing);
    Kind kindOf(const QByteArray &native);

    DirectFolders m_direct;
    // Node-based, so that the last listing asked for stays where it is.
    std::unordered_map<QByteArray, Listing> m_listings;
    QByteArray m_lastFolder;
    Listing *m_lastListing = nullptr;
    QHash<QByteArray, Kind> m_kinds;
    RememberedFolders m_remembered;
};

} // namespace korvane
