#pragma once

#include "catalog/FolderEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace korvane {

// Windows matches file names without regard to letter case and reads "\" as a
// folder separator; catalogs copied from there rely on both. These functions
// give composed catalog names the same meaning on a case-sensitive file system.
//
// A name is split at "/", and at "\" in what was added to its base; empty
// pieces (doubled separators) are dropped, and "." and ".." are folded into
// the name before anything is looked up, as Windows does. Each piece is taken
// as it stands when such an entry exists, else the first entry, in the order
// of the names' bytes, that equals it without regard to case.
//
// Catalogs also arrive as archives unpacked without converting their names,
// so a name on disk may be Windows-1251 or DOS (CP866) bytes rather than
// UTF-8: a piece matches an entry whose bytes read as it in any of the three.

// A name as the catalog composes it: a base that is a name of this machine
// (the executable's folder, a fixed path, a file picked in a dialog), then
// what the catalog's literal pieces, its lines and the controls' texts add to
// it. A "\" in the base is part of a folder's name, as Linux has it; a "\"
// added to it separates folders, as on Windows. A bare text is all added.
struct ComposedPath
{
    ComposedPath() = default;
    ComposedPath(const QString &added) : added(added) { }
    ComposedPath(const QString &base, const QString &added) : base(base), added(added) { }

    // The whole name, as messages and the window show it.
    QString text() const { return base + added; }

    QString base;
    QString added;
};

// A catalog file as found on disk: the existence test finds it once and hands
// it to the read that follows, so one selection resolves each name once.
struct CatalogFile
{
    // The name as the catalog composed it; failures quote it.
    ComposedPath composed;
    // The entry's path in the file system's own bytes.
    QByteArray native;
    // A walk's listing has just said the entry is a regular file (links
    // followed), so the look before opening it is taken already; what is
    // opened is still refused unless it is one.
    bool seenRegular = false;
    // The folder named by native up to its last "/", held open by a walk's
    // lookup: the file is opened by its own name relative to it.
    std::shared_ptr<const OpenFolder> folder = nullptr;
};

// A piece of a name, added to its base, that was found on disk other than as
// it stands. It works here; a reader that matches names exactly, or that does
// not take "\" for a separator, would not find it.
struct LooseMatch
{
    enum class CodePage { Utf8, Windows1251, Cp866 };

    // The piece as the name composed it.
    QString piece;
    // The entry it was found as: its whole path, in the file system's bytes,
    // and its name as read when it matched.
    QByteArray entry;
    QString nameOnDisk;
    // The entry's name equals the piece only without regard to letter case.
    bool ignoringCase = false;
    // How the entry's bytes read as the piece: other than UTF-8 (or ASCII)
    // when the name was unpacked from a Windows archive unconverted.
    CodePage codePage = CodePage::Utf8;
    // A "\" or a doubled separator follows the piece, or a "." or ".." was
    // folded away just before it (or after the last piece).
    bool foldedSeparators = false;
    // Other entries of the same folder that read as the piece too (they
    // differ from the one taken only in letter case or code page); Windows
    // could hold only one of them.
    QList<QByteArray> alsoMatching = {};
};

// The added pieces of one name that were found loosely, or beside entries
// that read alike, in order.
using NameMatch = std::vector<LooseMatch>;

// The existence test: a directory search for the name. It succeeds only when
// a matching entry is found that is not a folder. "*" and "?" in the last
// piece are wildcards; the file then handed on is the name as it stands, which
// the read that follows opens literally, as Windows would.
std::optional<CatalogFile> findCatalogFile(const ComposedPath &path);

// The file an untested read opens: the entry found, else the composed name as
// it stands, so that the read fails naming what the catalog composed.
CatalogFile locateCatalogFile(const ComposedPath &path);

// The existing entry, file or folder, that the name names.
std::optional<QByteArray> resolveCatalogEntry(const ComposedPath &path);

// The path to use for writing: the folders resolved, the last piece replaced by
// an existing file of that name in any case, otherwise kept as given. Nothing
// when a folder is missing.
std::optional<QByteArray> resolveForWriting(const ComposedPath &path);

class ListedFolders;
struct RememberedFolders;

// The lookups above for a walk through a whole catalog: every folder is listed
// once, when a name is first looked up in it, and the names looked up there
// later are found in that listing, so that thousands of folders and tens of
// thousands of photos are searched in memory. The answers are those of the
// functions above as long as the catalog does not change meanwhile. One per
// thread: it is not to be shared.
class CatalogLookup
{
public:
    CatalogLookup();
    ~CatalogLookup();
    CatalogLookup(const CatalogLookup &) = delete;
    CatalogLookup &operator=(const CatalogLookup &) = delete;

    // As findCatalogFile and resolveCatalogEntry. When the name is found and
    // how is given, it receives the added pieces that were found loosely or
    // beside entries that read alike.
    std::optional<CatalogFile> findFile(const ComposedPath &path, NameMatch *how = nullptr);
    std::optional<QByteArray> resolveEntry(const ComposedPath &path, NameMatch *how = nullptr);
    // What an entry found by these lookups is, from its folder's listing:
    // nothing is opened to find out.
    EntryKind kindOf(const QByteArray &native);
    // Readies the lookup of a name to be asked for soon, in the folder asked
    // for last: a walk through a folder of tens of thousands of names fetches
    // the place each is kept in while the names before it are looked up.
    void prefetch(const ComposedPath &path);
    // The folder that holds an entry found by these lookups, while the
    // lookup still holds it open from listing it (the last few folders
    // listed or asked for), else nothing.
    std::shared_ptr<const OpenFolder> openFolderOf(const QByteArray &native);

private:
    std::unique_ptr<ListedFolders> m_folders;
    // The folders resolved so far, by the composed text that names them.
    std::unique_ptr<RememberedFolders> m_remembered;
};

// Names of the files (not folders) in the folder of the pattern that match the
// pattern's last piece, letter case ignored, in name order. A missing folder
// lists nothing.
QStringList listMatchingFiles(const ComposedPath &pattern);

// A name on disk as the user sees it: UTF-8 when its bytes are that, else
// Windows-1251, the catalogs' own code page.
QString nameOnDisk(QByteArrayView native);

// Whether a composed name stays inside the folder root once its "." and
// ".." pieces are folded as Windows folds them, and names something below it.
bool staysInside(const ComposedPath &path, const ComposedPath &root);

// Whether a composed name for writing stays inside the folder root once its
// "." and ".." pieces are folded as Windows folds them, names something below
// it, and holds no character that Windows refuses in a file name (< > : " | ?
// * and control characters) below it. Texts typed by the user and taken from
// catalog lines end up in such names.
bool isSafeCatalogTarget(const ComposedPath &path, const ComposedPath &root);

// Wildcard match of a single name: "*" any run, "?" one character, case ignored.
bool wildcardMatch(const QString &pattern, const QString &name);

} // namespace korvane
