// libFuzzer target for the case-insensitive lookup of composed catalog names,
// over a small catalog tree made once in a temporary folder: names in several
// letter cases, a Cyrillic folder, a folder and a file named in Windows-1251
// and CP866 bytes as archives unpack them, two files whose names differ only
// in case, a folder named like a file, symlinks to a folder, to a file and to
// nothing. The input up to its first NUL is a Windows-1251 text added to the
// tree's root as a catalog name is added to the program's folder. For every
// input:
// - a resolved name exists, lies in the tree and, when its bytes are UTF-8,
//   resolves to itself;
// - the existence test finds exactly the resolved entry when the name has no
//   wildcards and it is no folder, and the read then succeeds; with a wildcard
//   it says yes exactly when the listing finds a file;
// - the name for writing is the resolved name when there is one;
// - a walk's lookup, which keeps its listings and folders from one input to
//   the next, resolves and finds as the direct lookups do, and says what an
//   entry is as stat says;
// - a name judged safe to write stays inside DATA once "." and ".." are folded;
// - the wildcard matcher agrees with a plain table-filling matcher on the input
//   as pattern and the bytes after its first NUL as name (libFuzzer's -timeout
//   catches a matcher that takes too long).

#include "FuzzCheck.h"
#include "catalog/CatalogNames.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "catalog/Win1251.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvane;

namespace {

class Tree
{
public:
    Tree()
    {
        fuzzCheck(m_folder.isValid(), "the temporary folder is made");
        m_root = m_folder.path();
        for (const char *folder : {"DATA/XRAY/T4/Parts/EXPLODED", "DATA/Шасси", "DATA/list.txt", "DATA/IMG"})
            fuzzCheck(QDir(m_root).mkpath(QString::fromUtf8(folder)), "a folder of the tree is made");
        for (const char *file : {"DATA/catalog.txt", "DATA/CATALOG.TXT", "DATA/XRAY/catalog.txt", "DATA/XRAY/T4/T4.txt",
                                 "DATA/XRAY/T4/Parts/list.txt", "DATA/XRAY/T4/Parts/EXPLODED/List.TXT",
                                 "DATA/XRAY/T4/Parts/EXPLODED/front.bmp", "DATA/Шасси/Детали.txt",
                                 "DATA/IMG/xra1001.jpg", "DATA/IMG/A-12.jpg"}) {
            QFile created(m_root + u'/' + QString::fromUtf8(file));
            fuzzCheck(created.open(QIODevice::WriteOnly) && created.write("A12 part\r\n") == 10,
                      "a file of the tree is made");
        }
        // "Колеса" in Windows-1251 and "Детали.txt" in CP866 inside it.
        const QByteArray folder = QFile::encodeName(m_root) + "/DATA/\xca\xee\xeb\xe5\xf1\xe0";
        fuzzCheck(::mkdir(folder.constData(), 0755) == 0, "a folder named in Windows-1251 is made");
        const int file = ::open((folder + "/\x84\xa5\xe2\xa0\xab\xa8.txt").constData(), O_WRONLY | O_CREAT, 0644);
        fuzzCheck(file >= 0 && ::close(file) == 0, "a file named in CP866 is made");
        link("XRAY", "DATA/link-to-xray");
        link("catalog.txt", "DATA/link.txt");
        link("missing.txt", "DATA/broken.txt");
    }

    const QString &root() const { return m_root; }

private:
    void link(const char *target, const char *name)
    {
        fuzzCheck(::symlink(target, QFile::encodeName(m_root + u'/' + QLatin1String(name)).constData()) == 0,
                  "a symlink of the tree is made");
    }

    QTemporaryDir m_folder;
    QString m_root;
};

const Tree &tree()
{
    static const Tree made;
    return made;
}

bool lexists(const QByteArray &native)
{
    struct stat info;
    return ::lstat(native.constData(), &info) == 0;
}

bool isFile(const QByteArray &native)
{
    struct stat info;
    return ::stat(native.constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool isFolder(const QByteArray &native)
{
    struct stat info;
    return ::stat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isInside(const QByteArray &native, const QString &folder)
{
    const QByteArray nativeFolder = QFile::encodeName(folder);
    return native == nativeFolder || native.startsWith(nativeFolder + '/');
}

bool isUtf8(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

bool sameIgnoringCase(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Whether the pattern matches the whole name: matches[j] tells whether the
// pattern from position i on matches the name from position j on, filled from
// the end of the pattern backwards.
bool referenceMatch(const QString &pattern, const QString &name)
{
    const qsizetype n = name.size();
    std::vector<char> after(size_t(n + 1), 0);
    after[size_t(n)] = 1;
    for (qsizetype i = pattern.size() - 1; i >= 0; --i) {
        std::vector<char> here(size_t(n + 1), 0);
        for (qsizetype j = n; j >= 0; --j) {
            if (pattern.at(i) == u'*')
                here[size_t(j)] = after[size_t(j)] || (j < n && here[size_t(j + 1)]);
            else
                here[size_t(j)] = j < n && (pattern.at(i) == u'?' || sameIgnoringCase(pattern.at(i), name.at(j)))
                                  && after[size_t(j + 1)];
        }
        after.swap(here);
    }
    return after[0];
}

void checkWildcardMatch(const QString &pattern, const QString &name)
{
    fuzzCheck(wildcardMatch(pattern, pattern), "a name matches itself");
    // The table costs the product of the lengths; short texts say enough.
    if (pattern.size() <= 256 && name.size() <= 256)
        fuzzCheck(wildcardMatch(pattern, name) == referenceMatch(pattern, name), "the matcher matches as the table");
}

void checkLookup(const QString &root, const QString &text)
{
    const ComposedPath path(root + u'/', text);
    const QString data = root + QStringLiteral("/DATA");

    if (isSafeCatalogTarget(path, ComposedPath(data, QString()))) {
        const QString folded = QDir::cleanPath(root + u'/' + QString(text).replace(u'\\', u'/'));
        fuzzCheck(folded.startsWith(data + u'/'), "a safe name stays inside DATA");
    }
    // Climbing out of the tree would look things up all over the machine.
    if (text.contains(QStringLiteral("..")))
        return;

    const std::optional<QByteArray> resolved = resolveCatalogEntry(path);
    if (resolved) {
        fuzzCheck(lexists(*resolved), "a resolved name exists");
        fuzzCheck(isInside(*resolved, root), "a resolved name lies in the tree");
        if (isUtf8(*resolved))
            fuzzCheck(resolveCatalogEntry(ComposedPath(QFile::decodeName(*resolved), QString())) == resolved,
                      "a resolved name resolves to itself");
    }

    const bool endsInSeparator = text.isEmpty() || text.endsWith(u'/') || text.endsWith(u'\\');
    const std::optional<QByteArray> forWriting = resolveForWriting(path);
    if (resolved && !endsInSeparator)
        fuzzCheck(forWriting == resolved, "an existing name is written where it was resolved");
    if (forWriting) {
        fuzzCheck(isInside(*forWriting, root), "a name for writing lies in the tree");
        fuzzCheck(isFolder(forWriting->left(forWriting->lastIndexOf('/'))), "a name for writing is in a folder");
    }

    const std::optional<CatalogFile> found = findCatalogFile(path);
    static CatalogLookup walk;
    NameMatch how;
    fuzzCheck(walk.resolveEntry(path, &how) == resolved, "a walk's lookup resolves as the direct lookup");
    const std::optional<CatalogFile> walkFound = walk.findFile(path);
    fuzzCheck(walkFound.has_value() == found.has_value() && (!found || walkFound->native == found->native),
              "a walk's lookup finds as the direct lookup");
    if (resolved)
        fuzzCheck((walk.kindOf(*resolved) == EntryKind::Folder) == isFolder(*resolved),
                  "a walk's lookup tells a folder as stat does");
    const QString lastPiece = text.mid(std::max(text.lastIndexOf(u'/'), text.lastIndexOf(u'\\')) + 1);
    if (lastPiece.contains(u'*') || lastPiece.contains(u'?')) {
        fuzzCheck(found.has_value() == !listMatchingFiles(path).isEmpty(),
                  "a wildcard name exists when files match it");
    } else if (!text.contains(u'*') && !text.contains(u'?')) {
        fuzzCheck(found.has_value() == (resolved && isFile(*resolved)), "a name exists when it resolves to a file");
        if (found) {
            fuzzCheck(found->native == *resolved, "the existence test finds the resolved entry");
            try {
                readCatalogFile(*found);
            } catch (const Failure &) {
                fuzzCheck(false, "a file that exists can be read");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Catalog texts never hold a NUL: their lines end there.
    const QByteArrayView bytes(data, qsizetype(size));
    const qsizetype nul = bytes.indexOf('\0');
    const QString text = decodeWin1251(nul < 0 ? bytes : bytes.first(nul));
    const QString other = nul < 0 ? QString() : decodeWin1251(bytes.sliced(nul + 1));

    checkWildcardMatch(text, other);
    checkLookup(tree().root(), text);
    return 0;
}
