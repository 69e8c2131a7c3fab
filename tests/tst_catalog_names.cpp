#include "catalog/CatalogNames.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "support/CatalogTexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvane;
using korvane::testing::catalogFileExists;

namespace {

// The lookup answers in the file system's own bytes; the names made here are
// UTF-8.
std::optional<QString> resolveCaseInsensitive(const ComposedPath &path)
{
    const std::optional<QByteArray> native = resolveCatalogEntry(path);
    return native ? std::optional<QString>(QFile::decodeName(*native)) : std::nullopt;
}

// What a lookup reports of the pieces it found loosely: piece, the name on
// disk, and how.
QStringList describe(const NameMatch &how)
{
    QStringList described;
    for (const LooseMatch &match : how) {
        QString text = match.piece + u' ' + match.nameOnDisk;
        if (match.ignoringCase)
            text += QStringLiteral(" case");
        if (match.codePage == LooseMatch::CodePage::Windows1251)
            text += QStringLiteral(" 1251");
        if (match.codePage == LooseMatch::CodePage::Cp866)
            text += QStringLiteral(" 866");
        if (match.foldedSeparators)
            text += QStringLiteral(" folded");
        if (!match.alsoMatching.isEmpty())
            text += QStringLiteral(" alike ") + QString::fromUtf8(match.alsoMatching.join(' '));
        described.append(text);
    }
    return described;
}

std::optional<QString> writingTarget(const ComposedPath &path)
{
    const std::optional<QByteArray> native = resolveForWriting(path);
    return native ? std::optional<QString>(QFile::decodeName(*native)) : std::nullopt;
}

} // namespace

class TestCatalogNames : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void resolve_data();
    void resolve();
    void exists_data();
    void exists();
    void relativeToCurrentFolder();
    void folderInPlaceOfFile();
    void symlinks();
    void baseIsTakenAsItStands();
    void namesFromWindowsArchives();
    void looseMatches_data();
    void looseMatches();
    void kindsFromTheListing_data();
    void kindsFromTheListing();
    void foldersDeeperThanPathMax();

    void resolveForWriting_data();
    void resolveForWriting();

    void listMatchingFiles_data();
    void listMatchingFiles();

    void wildcardMatch_data();
    void wildcardMatch();
    void wildcardMatchIsNotExponential();

private:
    void makeFile(const QString &relative, const QByteArray &bytes = QByteArrayLiteral("x\r\n"));
    void makeFolder(const QString &relative);
    QString at(const QString &relative) const { return m_dir->path() + QLatin1Char('/') + relative; }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCatalogNames::makeFile(const QString &relative, const QByteArray &bytes)
{
    const QString path = at(relative);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestCatalogNames::makeFolder(const QString &relative)
{
    QVERIFY(QDir().mkpath(at(relative)));
}

void TestCatalogNames::cleanup()
{
    QVERIFY(testing::removeTree(m_dir->path()));
}

// Every case works in the same small catalog tree with names in mixed case.
void TestCatalogNames::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    makeFile(QStringLiteral("data/lst/CATALOG.txt"), "Tamiya\r\n");
    makeFile(QStringLiteral("data/XRay/Catalog.txt"));
    makeFile(QStringLiteral("data/twin/catalog.txt"));
    makeFile(QStringLiteral("data/twin/CATALOG.TXT"));
    makeFile(QStringLiteral("data/twin/Catalog.txt"));
    makeFile(QStringLiteral("Pairs/Sub/inner.txt"));
    makeFile(QStringLiteral("pairs/sub/other.txt"));
    makeFile(QStringLiteral("Модели/Кузов.txt"));
    makeFile(QStringLiteral("Модели/ёлка.txt"));
    makeFile(QStringLiteral("IMG/51000.jpg"));
    makeFile(QStringLiteral("IMG/xra51000.JPG"));
    makeFile(QStringLiteral("IMG/notes.txt"));
    makeFolder(QStringLiteral("IMG/sub.jpg"));
    makeFolder(QStringLiteral("ONLYDIR/x.jpg"));
    makeFile(QStringLiteral("a*b/c.txt"));
    makeFolder(QStringLiteral("FOLDER/catalog.txt"));
    makeFile(QStringLiteral("plain.txt"));
}

void TestCatalogNames::resolve_data()
{
    QTest::addColumn<QString>("composed");
    QTest::addColumn<QString>("resolved"); // empty: nothing found

    QTest::newRow("exact") << "data/lst/CATALOG.txt"
                           << "data/lst/CATALOG.txt";
    QTest::newRow("mixed-case folders") << "DATA/LST/catalog.txt"
                                        << "data/lst/CATALOG.txt";
    QTest::newRow("folder only") << "Data/XRAY"
                                 << "data/XRay";
    QTest::newRow("exact name preferred") << "data/twin/Catalog.txt"
                                          << "data/twin/Catalog.txt";
    QTest::newRow("exact name preferred, lower") << "data/twin/catalog.txt"
                                                 << "data/twin/catalog.txt";
    QTest::newRow("first in name order otherwise") << "data/twin/catalog.TXT"
                                                   << "data/twin/CATALOG.TXT";
    QTest::newRow("exact folder preferred") << "pairs/sub/other.txt"
                                            << "pairs/sub/other.txt";
    QTest::newRow("first folder in name order") << "PAIRS/SUB/inner.txt"
                                                << "Pairs/Sub/inner.txt";
    QTest::newRow("only the first folder is searched") << "PAIRS/SUB/other.txt"
                                                       << "";
    QTest::newRow("Cyrillic") << "МОДЕЛИ/КУЗОВ.TXT"
                              << "Модели/Кузов.txt";
    QTest::newRow("Cyrillic Io") << "модели/ЁЛКА.txt"
                                 << "Модели/ёлка.txt";
    QTest::newRow("doubled separators and backslash") << "DATA//LST\\catalog.txt"
                                                      << "data/lst/CATALOG.txt";
    QTest::newRow("backslashes only") << "DATA\\\\LST\\CATALOG.TXT"
                                      << "data/lst/CATALOG.txt";
    QTest::newRow("dot dot goes up") << "DATA/LST/../XRAY/catalog.txt"
                                     << "data/XRay/Catalog.txt";
    QTest::newRow("dot dot folds before the lookup") << "DATA/NONE/../XRAY\\..\\lst/catalog.txt"
                                                     << "data/lst/CATALOG.txt";
    QTest::newRow("dot is dropped") << "DATA/./LST/catalog.txt"
                                    << "data/lst/CATALOG.txt";
    QTest::newRow("folder is an entry too") << "folder/CATALOG.TXT"
                                            << "FOLDER/catalog.txt";
    QTest::newRow("missing file") << "DATA/LST/list.txt"
                                  << "";
    QTest::newRow("missing folder") << "DATA/NONE/catalog.txt"
                                    << "";
    QTest::newRow("file used as a folder") << "PLAIN.TXT/catalog.txt"
                                           << "";
    QTest::newRow("wildcards are literal here") << "DATA/LST/*.txt"
                                                << "";
    QTest::newRow("no partial match") << "DATA/LST/catalog"
                                      << "";
}

void TestCatalogNames::resolve()
{
    QFETCH(QString, composed);
    QFETCH(QString, resolved);
    const std::optional<QString> result = resolveCaseInsensitive(at(composed));
    // A walk's lookup answers alike, from its listings the second time too,
    // and after another name.
    CatalogLookup lookup;
    QCOMPARE(lookup.resolveEntry(at(composed)), resolveCatalogEntry(at(composed)));
    QVERIFY(lookup.resolveEntry(at(QStringLiteral("data/twin/Catalog.txt"))));
    QCOMPARE(lookup.resolveEntry(at(composed)), resolveCatalogEntry(at(composed)));
    if (resolved.isEmpty()) {
        QVERIFY2(!result, qPrintable(result.value_or(QString())));
    } else {
        QVERIFY(result);
        QCOMPARE(*result, at(resolved));
    }
}

void TestCatalogNames::exists_data()
{
    QTest::addColumn<QString>("composed");
    QTest::addColumn<bool>("exists");

    QTest::newRow("exact") << "data/lst/CATALOG.txt" << true;
    QTest::newRow("mixed-case folders") << "DATA/LST/catalog.txt" << true;
    QTest::newRow("Cyrillic") << "МОДЕЛИ/КУЗОВ.TXT" << true;
    QTest::newRow("doubled separators and backslash") << "DATA//LST\\catalog.txt" << true;
    QTest::newRow("dot dot") << "DATA/LST/../XRAY/catalog.txt" << true;
    QTest::newRow("missing") << "DATA/LST/list.txt" << false;
    QTest::newRow("missing folder") << "DATA/NONE/catalog.txt" << false;
    QTest::newRow("folder named like the file") << "FOLDER/catalog.txt" << false;
    QTest::newRow("folder of other case") << "folder/CATALOG.TXT" << false;
    QTest::newRow("a folder") << "DATA/LST" << false;
    QTest::newRow("ends in a separator") << "DATA/LST/catalog.txt/" << false;
    QTest::newRow("ends in a backslash") << "DATA/LST/catalog.txt\\" << false;
    QTest::newRow("dot") << "IMG/." << false;
    QTest::newRow("dot dot entry") << "IMG/.." << false;
    QTest::newRow("star matches a file") << "IMG/*.jpg" << true;
    QTest::newRow("star ignores case") << "img/*.JPG" << true;
    QTest::newRow("star in the middle") << "IMG/xra*.jpg" << true;
    QTest::newRow("question mark is one character") << "IMG/5100?.jpg" << true;
    QTest::newRow("question mark is not none") << "IMG/51000?.jpg" << false;
    QTest::newRow("question mark is not two") << "IMG/510?.jpg" << false;
    QTest::newRow("star with nothing to match") << "IMG/*.bmp" << false;
    QTest::newRow("only a folder matches") << "ONLYDIR/*.jpg" << false;
    QTest::newRow("only a folder, by name") << "ONLYDIR/x.jpg" << false;
    QTest::newRow("lone star sees no dot entries") << "ONLYDIR/*" << false;
    QTest::newRow("lone star finds a file") << "IMG/*" << true;
    QTest::newRow("star in a missing folder") << "NONE/*" << false;
    QTest::newRow("star in a folder piece is literal") << "I*G/51000.jpg" << false;
    QTest::newRow("literal star folder") << "a*b/c.txt" << true;
    QTest::newRow("literal star folder, other case") << "A*B/C.TXT" << true;
    QTest::newRow("question mark in a folder piece is literal") << "a?b/c.txt" << false;
}

void TestCatalogNames::exists()
{
    QFETCH(QString, composed);
    QFETCH(bool, exists);
    QCOMPARE(catalogFileExists(at(composed)), exists);
    CatalogLookup lookup;
    QCOMPARE(lookup.findFile(at(composed)).has_value(), exists);
    QCOMPARE(lookup.findFile(at(composed)).has_value(), exists);
}

void TestCatalogNames::relativeToCurrentFolder()
{
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const std::optional<QString> resolved = resolveCaseInsensitive(QStringLiteral("DATA/LST/catalog.txt"));
    const bool exists = catalogFileExists(QStringLiteral("data\\LST\\CATALOG.TXT"));
    const bool wildcard = catalogFileExists(QStringLiteral("img/*.jpg"));
    const QStringList listed = korvane::listMatchingFiles(QStringLiteral("Img/*.txt"));
    const std::optional<QString> writing = writingTarget(QStringLiteral("DATA/new.txt"));
    QVERIFY(QDir::setCurrent(saved));

    QCOMPARE(resolved.value_or(QString()), QStringLiteral("data/lst/CATALOG.txt"));
    QVERIFY(exists);
    QVERIFY(wildcard);
    QCOMPARE(listed, QStringList{QStringLiteral("notes.txt")});
    QCOMPARE(writing.value_or(QString()), QStringLiteral("data/new.txt"));
}

void TestCatalogNames::folderInPlaceOfFile()
{
    const QString path = at(QStringLiteral("FOLDER/catalog.txt"));
    QVERIFY(!catalogFileExists(path));
    try {
        testing::readCatalogLines(path);
        QFAIL("a folder was read as a file");
    } catch (const Failure &failure) {
        QCOMPARE(failure.message(), QStringLiteral("Cannot open file ") + path);
    }
    QVERIFY(!catalogFileOpens(locateCatalogFile(path)));
    // The same catalog's real file is read through other-case folders.
    QCOMPARE(testing::readCatalogLines(at(QStringLiteral("DATA/Lst/catalog.TXT"))).toStringList(),
             QStringList{QStringLiteral("Tamiya")});
    QVERIFY(catalogFileOpens(locateCatalogFile(at(QStringLiteral("DATA/Lst/catalog.TXT")))));
}

void TestCatalogNames::symlinks()
{
    makeFolder(QStringLiteral("links"));
    QVERIFY(QFile::link(at(QStringLiteral("nowhere/gone.txt")), at(QStringLiteral("links/dead.txt"))));
    QVERIFY(QFile::link(at(QStringLiteral("plain.txt")), at(QStringLiteral("links/file.txt"))));
    QVERIFY(QFile::link(at(QStringLiteral("IMG")), at(QStringLiteral("links/Folder.jpg"))));

    QVERIFY(!catalogFileExists(at(QStringLiteral("links/dead.txt"))));
    QVERIFY(!catalogFileExists(at(QStringLiteral("links/DEAD.TXT"))));
    QVERIFY(catalogFileExists(at(QStringLiteral("links/FILE.TXT"))));
    QVERIFY(!catalogFileExists(at(QStringLiteral("links/folder.jpg"))));
    QVERIFY(!catalogFileExists(at(QStringLiteral("links/*.jpg"))));
    QVERIFY(catalogFileExists(at(QStringLiteral("links/*.txt"))));
    QCOMPARE(korvane::listMatchingFiles(at(QStringLiteral("links/*"))), QStringList{QStringLiteral("file.txt")});
    // A link to a folder is walked through like the folder itself.
    QVERIFY(catalogFileExists(at(QStringLiteral("LINKS/folder.JPG/51000.jpg"))));

    // The package's layout: the program's DATA links to /var/lib, which an
    // administrator may have linked on to a shared folder whose manufacturer
    // folders are links again.
    makeFolder(QStringLiteral("usr/lib/korvane"));
    makeFolder(QStringLiteral("var/lib/korvane"));
    makeFolder(QStringLiteral("shared"));
    QVERIFY(QFile::link(at(QStringLiteral("var/lib/korvane/DATA")), at(QStringLiteral("usr/lib/korvane/DATA"))));
    QVERIFY(QFile::link(at(QStringLiteral("shared")), at(QStringLiteral("var/lib/korvane/DATA"))));
    QVERIFY(QFile::link(at(QStringLiteral("data/lst")), at(QStringLiteral("shared/Lst"))));
    QCOMPARE(testing::readCatalogLines(at(QStringLiteral("usr/lib/korvane/DATA/LST/catalog.txt"))).toStringList(),
             QStringList{QStringLiteral("Tamiya")});
    QVERIFY(catalogFileExists(at(QStringLiteral("usr/lib/korvane/data/lst/*.TXT"))));
    QCOMPARE(korvane::listMatchingFiles(at(QStringLiteral("usr/lib/korvane/DATA/LST/*.txt"))),
             QStringList{QStringLiteral("CATALOG.txt")});
    QCOMPARE(korvane::resolveForWriting(at(QStringLiteral("usr/lib/korvane/DATA/LST/Body.txt"))),
             at(QStringLiteral("usr/lib/korvane/DATA/Lst/Body.txt")));
}

void TestCatalogNames::namesFromWindowsArchives()
{
    // Unpacked without converting their names: "Колёса.txt" in Windows-1251,
    // a folder "ДЕТАЛИ" in CP866, beside a UTF-8 file.
    const QByteArray folder = QFile::encodeName(at(QStringLiteral("win")));
    const QByteArray wheels = "\xCA\xEE\xEB\xB8\xF1\xE0.txt";
    const QByteArray parts = "\x84\x85\x92\x80\x8B\x88";
    QVERIFY(QDir().mkpath(at(QStringLiteral("win/Рама"))));
    QCOMPARE(::mkdir((folder + '/' + parts).constData(), 0755), 0);
    for (const QByteArray &name : {folder + '/' + wheels, folder + '/' + parts + "/list.txt"}) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "a\r\n", 3), 3);
        ::close(fd);
    }

    // Listed as Windows-1251, the catalogs' own code page.
    QCOMPARE(korvane::listMatchingFiles(at(QStringLiteral("win/*.txt"))), QStringList{QStringLiteral("Колёса.txt")});
    // Found without regard to case in either code page, and opened by its bytes.
    QCOMPARE(resolveCatalogEntry(at(QStringLiteral("WIN/КОЛЁСА.TXT"))), folder + '/' + wheels);
    QCOMPARE(testing::readCatalogLines(at(QStringLiteral("win/колёса.txt"))).toStringList(),
             QStringList{QStringLiteral("a")});
    QVERIFY(catalogFileExists(at(QStringLiteral("win/Детали/LIST.TXT"))));
    QVERIFY(!catalogFileExists(at(QStringLiteral("win/Колеса.txt")))); // е is not ё

    // A walk's lookup finds them alike and says how.
    CatalogLookup lookup;
    NameMatch how;
    QCOMPARE(lookup.findFile(ComposedPath(at(QString()), QStringLiteral("win/Колёса.txt")), &how)->native,
             folder + '/' + wheels);
    QCOMPARE(describe(how), QStringList{QStringLiteral("Колёса.txt Колёса.txt 1251")});
    QVERIFY(lookup.findFile(ComposedPath(at(QString()), QStringLiteral("WIN/Детали/list.txt")), &how));
    QCOMPARE(describe(how), (QStringList{QStringLiteral("WIN win case"), QStringLiteral("Детали ДЕТАЛИ case 866")}));
    QVERIFY(!lookup.findFile(ComposedPath(at(QString()), QStringLiteral("win/Колеса.txt"))));
}

void TestCatalogNames::looseMatches_data()
{
    QTest::addColumn<QString>("added");
    QTest::addColumn<QStringList>("loose");

    QTest::newRow("as it stands") << "data/lst/CATALOG.txt" << QStringList();
    QTest::newRow("letter case") << "DATA/lst/catalog.txt"
                                 << QStringList{"DATA data case", "catalog.txt CATALOG.txt case"};
    QTest::newRow("Cyrillic case") << "МОДЕЛИ/Кузов.txt" << QStringList{"МОДЕЛИ Модели case"};
    QTest::newRow("backslash") << "data\\lst/CATALOG.txt" << QStringList{"data data folded"};
    QTest::newRow("doubled separator") << "data//lst/CATALOG.txt" << QStringList{"data data folded"};
    QTest::newRow("trailing backslash") << "data/lst\\" << QStringList{"lst lst folded"};
    QTest::newRow("dot dot") << "data/XRay/../lst/CATALOG.txt" << QStringList{"lst lst folded"};
    QTest::newRow("both") << "Data\\LST/CATALOG.txt" << QStringList{"Data data case folded", "LST lst case"};
    // Windows holds only one of such names; the lookup says which it took.
    QTest::newRow("names alike beside the exact one")
        << "data/twin/Catalog.txt" << QStringList{"Catalog.txt Catalog.txt alike CATALOG.TXT catalog.txt"};
    QTest::newRow("names alike, the first in name order taken")
        << "data/twin/CATALOG.txt" << QStringList{"CATALOG.txt CATALOG.TXT case alike Catalog.txt catalog.txt"};
    QTest::newRow("folders alike") << "pairs/sub/other.txt" << QStringList{"pairs pairs alike Pairs"};
}

void TestCatalogNames::looseMatches()
{
    QFETCH(QString, added);
    QFETCH(QStringList, loose);
    CatalogLookup lookup;
    NameMatch how;
    // The base is this machine's: its pieces are never the catalog's to report.
    QVERIFY(lookup.resolveEntry(ComposedPath(at(QString()), added), &how));
    QCOMPARE(describe(how), loose);
}

void TestCatalogNames::kindsFromTheListing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");

    QTest::newRow("file") << "plain.txt" << int(EntryKind::File);
    QTest::newRow("folder") << "IMG" << int(EntryKind::Folder);
    QTest::newRow("FIFO") << "links/pipe" << int(EntryKind::Other);
    QTest::newRow("link to a FIFO") << "links/pipe.txt" << int(EntryKind::Other);
    QTest::newRow("link to a device") << "links/null.txt" << int(EntryKind::Other);
    QTest::newRow("link to a file") << "links/file.txt" << int(EntryKind::File);
    QTest::newRow("link to a folder") << "links/Folder.jpg" << int(EntryKind::Folder);
    QTest::newRow("broken link") << "links/dead.txt" << int(EntryKind::Missing);
    QTest::newRow("missing") << "links/none.txt" << int(EntryKind::Missing);
}

void TestCatalogNames::kindsFromTheListing()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    makeFolder(QStringLiteral("links"));
    QCOMPARE(::mkfifo(QFile::encodeName(at(QStringLiteral("links/pipe"))).constData(), 0644), 0);
    QVERIFY(QFile::link(at(QStringLiteral("links/pipe")), at(QStringLiteral("links/pipe.txt"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), at(QStringLiteral("links/null.txt"))));
    QVERIFY(QFile::link(at(QStringLiteral("plain.txt")), at(QStringLiteral("links/file.txt"))));
    QVERIFY(QFile::link(at(QStringLiteral("IMG")), at(QStringLiteral("links/Folder.jpg"))));
    QVERIFY(QFile::link(at(QStringLiteral("nowhere")), at(QStringLiteral("links/dead.txt"))));
    // Asked after a lookup has listed the folder, and before.
    CatalogLookup listed;
    listed.resolveEntry(at(QStringLiteral("links/x")));
    listed.resolveEntry(at(QStringLiteral("x")));
    QCOMPARE(int(listed.kindOf(QFile::encodeName(at(name)))), kind);
    QCOMPARE(int(CatalogLookup().kindOf(QFile::encodeName(at(name)))), kind);
}

void TestCatalogNames::foldersDeeperThanPathMax()
{
    // Made a piece at a time: no single name reaches the deepest folder.
    const QByteArray piece(200, 'd');
    const int depth = PATH_MAX / (piece.size() + 1) + 2;
    int fd = ::open(QFile::encodeName(m_dir->path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < depth; ++i) {
        QCOMPARE(::mkdirat(fd, piece.constData(), 0755), 0);
        const int next = ::openat(fd, piece.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    QCOMPARE(::mkdirat(fd, "Last", 0755), 0);
    ::close(fd);
    const QString deep = QStringList(depth, QString::fromLatin1(piece)).join(u'/');

    // A walk's lookup sees them as they are, by any case.
    CatalogLookup lookup;
    const std::optional<QByteArray> found
        = lookup.resolveEntry(ComposedPath(at(QString()), deep.toUpper() + QStringLiteral("/last")));
    QCOMPARE(found, QFile::encodeName(at(deep + QStringLiteral("/Last"))));
    QVERIFY(found->size() > PATH_MAX);
    QCOMPARE(lookup.kindOf(*found), EntryKind::Folder);

    // Nor can the toolkit remove them: deepest first, a piece at a time.
    std::vector<int> folders{::open(QFile::encodeName(m_dir->path()).constData(), O_RDONLY | O_DIRECTORY)};
    for (int i = 0; i < depth; ++i)
        folders.push_back(::openat(folders.back(), piece.constData(), O_RDONLY | O_DIRECTORY));
    QCOMPARE(::unlinkat(folders.back(), "Last", AT_REMOVEDIR), 0);
    ::close(folders.back());
    folders.pop_back();
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        QCOMPARE(::unlinkat(*it, piece.constData(), AT_REMOVEDIR), 0);
        ::close(*it);
    }
}

void TestCatalogNames::baseIsTakenAsItStands()
{
    // Two catalogs: one in the folder "a\b", one in the folder b inside a.
    makeFile(QStringLiteral("a\\b/data/lst/CATALOG.txt"));
    makeFile(QStringLiteral("a/b/data/lst/CATALOG.txt"));
    const QString base = at(QStringLiteral("a\\b/"));
    const ComposedPath list(base, QStringLiteral("DATA\\LST\\catalog.txt"));

    QCOMPARE(resolveCaseInsensitive(list).value_or(QString()), at(QStringLiteral("a\\b/data/lst/CATALOG.txt")));
    QVERIFY(catalogFileExists(ComposedPath(base, QStringLiteral("DATA\\lst\\*.txt"))));
    QCOMPARE(writingTarget(ComposedPath(base, QStringLiteral("DATA\\LST\\new.txt"))).value_or(QString()),
             at(QStringLiteral("a\\b/data/lst/new.txt")));
    QVERIFY(isSafeCatalogTarget(ComposedPath(base, QStringLiteral("DATA\\x.jpg")),
                                ComposedPath(base, QStringLiteral("DATA"))));
    // A bare text is all added: it splits at every "\".
    QCOMPARE(resolveCaseInsensitive(list.text()).value_or(QString()), at(QStringLiteral("a/b/data/lst/CATALOG.txt")));
}

void TestCatalogNames::resolveForWriting_data()
{
    QTest::addColumn<QString>("composed");
    QTest::addColumn<QString>("target"); // empty: refused

    QTest::newRow("existing file of other case") << "DATA/LST/catalog.txt"
                                                 << "data/lst/CATALOG.txt";
    QTest::newRow("new file keeps its name") << "DATA/LST/New.TXT"
                                             << "data/lst/New.TXT";
    QTest::newRow("exact name preferred") << "data/twin/catalog.txt"
                                          << "data/twin/catalog.txt";
    QTest::newRow("Cyrillic") << "МОДЕЛИ/кузов.TXT"
                              << "Модели/Кузов.txt";
    QTest::newRow("backslash") << "DATA\\LST\\\\x.txt"
                               << "data/lst/x.txt";
    QTest::newRow("existing folder named as given") << "folder/CATALOG.TXT"
                                                    << "FOLDER/catalog.txt";
    QTest::newRow("missing folder") << "DATA/NONE/x.txt"
                                    << "";
    QTest::newRow("file in place of a folder") << "plain.txt/x.txt"
                                               << "";
    QTest::newRow("ends in a separator") << "DATA/LST/"
                                         << "";
}

void TestCatalogNames::resolveForWriting()
{
    QFETCH(QString, composed);
    QFETCH(QString, target);
    const std::optional<QString> result = writingTarget(at(composed));
    if (target.isEmpty()) {
        QVERIFY2(!result, qPrintable(result.value_or(QString())));
    } else {
        QVERIFY(result);
        QCOMPARE(*result, at(target));
    }
}

void TestCatalogNames::listMatchingFiles_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("listed");

    const QStringList mixed{"Lists/b.txt", "Lists/A.TXT",         "Lists/a.txt",      "Lists/c.jpg",
                            "Lists/Ä.txt", "Lists/notes.txt.bak", "Lists/catalog.txt"};
    QTest::newRow("txt files in name order")
        << mixed << "lists/*.txt" << QStringList{"A.TXT", "a.txt", "b.txt", "catalog.txt", "Ä.txt"};
    QTest::newRow("upper-case pattern") << mixed << "LISTS/*.TXT"
                                        << QStringList{"A.TXT", "a.txt", "b.txt", "catalog.txt", "Ä.txt"};
    QTest::newRow("folders are left out") << QStringList{"Lists/z.txt"} << "Lists/*.txt" << QStringList{"z.txt"};
    QTest::newRow("question mark") << mixed << "Lists/?.txt" << QStringList{"A.TXT", "a.txt", "b.txt", "Ä.txt"};
    QTest::newRow("everything") << QStringList{"Lists/b", "Lists/.hidden"} << "Lists/*" << QStringList{".hidden", "b"};
    QTest::newRow("no match") << mixed << "Lists/*.bmp" << QStringList();
    QTest::newRow("missing folder") << mixed << "None/*.txt" << QStringList();
    QTest::newRow("Cyrillic") << QStringList{"Кат/Кузов.txt", "Кат/шасси.TXT"} << "КАТ/*.txt"
                              << QStringList{"Кузов.txt", "шасси.TXT"};
}

void TestCatalogNames::listMatchingFiles()
{
    QFETCH(QStringList, files);
    QFETCH(QString, pattern);
    QFETCH(QStringList, listed);
    for (const QString &file : files)
        makeFile(file);
    // A folder whose name matches the pattern is never listed.
    makeFolder(QStringLiteral("Lists/folder.txt"));
    QCOMPARE(korvane::listMatchingFiles(at(pattern)), listed);
}

void TestCatalogNames::wildcardMatch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");

    QTest::newRow("empty both") << ""
                                << "" << true;
    QTest::newRow("empty pattern") << ""
                                   << "a" << false;
    QTest::newRow("star, empty name") << "*"
                                      << "" << true;
    QTest::newRow("star") << "*"
                          << "anything.txt" << true;
    QTest::newRow("double star") << "**"
                                 << "x" << true;
    QTest::newRow("question mark, empty name") << "?"
                                               << "" << false;
    QTest::newRow("question mark") << "?"
                                   << "a" << true;
    QTest::newRow("question mark is not two") << "?"
                                              << "ab" << false;
    QTest::newRow("question marks around star") << "?*?"
                                                << "ab" << true;
    QTest::newRow("question marks need two") << "?*?"
                                             << "a" << false;
    QTest::newRow("extension, case ignored") << "*.txt"
                                             << "Body.TXT" << true;
    QTest::newRow("extension only") << "*.jpg"
                                    << ".jpg" << true;
    QTest::newRow("longer name") << "x.jpg"
                                 << "x.jpgg" << false;
    QTest::newRow("shorter name") << "x.jpg"
                                  << "x.jp" << false;
    QTest::newRow("star then literal") << "*a"
                                       << "bbba" << true;
    QTest::newRow("star then literal, no match") << "*a"
                                                 << "bbab" << false;
    QTest::newRow("trailing star") << "a*"
                                   << "a" << true;
    QTest::newRow("several stars") << "a*b*c"
                                   << "aXbYc" << true;
    QTest::newRow("several stars, no end") << "a*b*c"
                                           << "aXbY" << false;
    QTest::newRow("star must retry") << "*ab"
                                     << "aab" << true;
    QTest::newRow("star retries far") << "*abc*d"
                                      << "ababcabcxd" << true;
    QTest::newRow("brackets are literal") << "[a]"
                                          << "a" << false;
    QTest::newRow("brackets match themselves") << "[a]"
                                               << "[A]" << true;
    QTest::newRow("literal characters") << "a.b"
                                        << "aXb" << false;
    QTest::newRow("Cyrillic case ignored") << "абв*"
                                           << "АБВГД" << true;
    QTest::newRow("Io case ignored") << "ё"
                                     << "Ё" << true;
    QTest::newRow("different letters") << "е"
                                       << "ё" << false;
}

void TestCatalogNames::wildcardMatch()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(korvane::wildcardMatch(pattern, name), matches);
}

void TestCatalogNames::wildcardMatchIsNotExponential()
{
    // Backtracking into every star would take ages here.
    const QString pattern = QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*b");
    const QString name(5000, QLatin1Char('a'));
    QVERIFY(!korvane::wildcardMatch(pattern, name));
    QVERIFY(korvane::wildcardMatch(pattern, name + QLatin1Char('b')));
}

QTEST_GUILESS_MAIN(TestCatalogNames)
#include "tst_catalog_names.moc"
