#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "catalog/Hotspots.h"
#include "catalog/LineBreaks.h"
#include "catalog/PartCategory.h"
#include "catalog/PartLine.h"
#include "catalog/PartSearch.h"
#include "catalog/Win1251.h"
#include "support/CatalogTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvane;

namespace {

QByteArray readRaw(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return file.readAll();
}

bool writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString chars(std::initializer_list<char16_t> units)
{
    QString text;
    for (char16_t unit : units)
        text.append(QChar(unit));
    return text;
}

// The message a failure carries, or an empty text when nothing was thrown.
template <typename Call>
QString failureOf(Call call)
{
    try {
        call();
    } catch (const Failure &failure) {
        return failure.message();
    }
    return QString();
}

} // namespace

class TestCatalogText : public QObject
{
    Q_OBJECT

private slots:
    void splitLines_data();
    void splitLines();
    void splitMillionLines();
    void splitInPartsAsTheRuleSays();

    void decodeBytes_data();
    void decodeBytes();
    void everyByteRoundTrips();
    void encodeOutsideCodePage_data();
    void encodeOutsideCodePage();

    void joinLines_data();
    void joinLines();
    void fileRoundTripKeepsEveryByte();
    void writeLinesExactBytes_data();
    void writeLinesExactBytes();
    void writeReplacesFileOfOtherCase();
    void writeFailureNamesComposedPath_data();
    void writeFailureNamesComposedPath();
    void writeFailureKeepsOldFile();
    void writeInFolderThatTakesNoNewFiles();

    void readFailures_data();
    void readFailures();
    void readFindsOtherCase();

    void hotspots_data();
    void hotspots();

    void groupName_data();
    void groupName();
    void hitBoxWrapsAround();
    void hitBoxIsWhereHitsAre_data();
    void hitBoxIsWhereHitsAre();
    void pressSteps_data();
    void pressSteps();
    void substringSearchStart();
    void substringScan_data();
    void substringScan();
    void partLineCuts_data();
    void partLineCuts();
    void categoryAbbreviations_data();
    void categoryAbbreviations();
    void prefixRuleOnBytesEqualsTheRuleOnText();

    void composedPaths_data();
    void composedPaths();
    void baseFolder_data();
    void baseFolder();
    void partListDump();
    void diagramPlaceIsWhereTheDiagramRowComposesIt();
};

void TestCatalogText::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty text") << QByteArray() << QStringList();
    QTest::newRow("one line, no break") << QByteArray("a") << QStringList{"a"};
    QTest::newRow("final CR LF adds nothing") << QByteArray("a\r\n") << QStringList{"a"};
    QTest::newRow("final LF adds nothing") << QByteArray("a\n") << QStringList{"a"};
    QTest::newRow("final CR adds nothing") << QByteArray("a\r") << QStringList{"a"};
    QTest::newRow("lone LF is one empty line") << QByteArray("\n") << QStringList{""};
    QTest::newRow("lone CR LF is one empty line") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("LF LF") << QByteArray("a\n\n") << QStringList{"a", ""};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("LF CR ends two lines") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("CR LF LF") << QByteArray("a\r\n\nb") << QStringList{"a", "", "b"};
    QTest::newRow("CR LF CR LF") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
    QTest::newRow("CR only file") << QByteArray("a\rbc\r\rd\r") << QStringList{"a", "bc", "", "d"};
    QTest::newRow("LF only file") << QByteArray("a\nbc\nd\n") << QStringList{"a", "bc", "d"};
    QTest::newRow("leading break") << QByteArray("\r\na") << QStringList{"", "a"};
    QTest::newRow("spaces kept") << QByteArray("  a \t\r\n ") << QStringList{"  a \t", " "};
    QTest::newRow("NUL in the middle ends the text") << QByteArray("ab\0cd\r\nef", 9) << QStringList{"ab"};
    QTest::newRow("NUL right after a break") << QByteArray("a\r\n\0b\r\n", 7) << QStringList{"a"};
    QTest::newRow("NUL first") << QByteArray("\0a", 2) << QStringList();
    QTest::newRow("undefined byte 0x98") << QByteArray("x\x98y") << QStringList{chars({u'x', 0x98, u'y'})};
    QTest::newRow("Cyrillic capitals and small letters")
        << QByteArray("\xC0\xFF\r\n\xA8\xB8") << QStringList{chars({0x0410, 0x044F}), chars({0x0401, 0x0451})};
    QTest::newRow("Cyrillic word") << QByteArray("\xCA\xF3\xE7\xEE\xE2") << QStringList{QStringLiteral("Кузов")};
}

void TestCatalogText::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(testing::splitCatalogLines(bytes), lines);
}

void TestCatalogText::splitMillionLines()
{
    const QByteArray line("12345-678 Shock absorber \xCA\xF3\xE7\xEE\xE2\r\n");
    const QByteArray bytes = line.repeated(1000000);
    const QStringList lines = testing::splitCatalogLines(bytes);
    QCOMPARE(lines.size(), 1000000);
    QCOMPARE(lines.first(), QStringLiteral("12345-678 Shock absorber Кузов"));
    // Every start right, across the move from the heap into mapped memory.
    QCOMPARE(lines.count(lines.first()), 1000000);
}

void TestCatalogText::decodeBytes_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");

    QTest::newRow("NUL") << 0x00 << 0x0000;
    QTest::newRow("A") << 0x41 << 0x0041;
    QTest::newRow("DEL") << 0x7F << 0x007F;
    QTest::newRow("0x80 Dje") << 0x80 << 0x0402;
    QTest::newRow("0x82 low quote") << 0x82 << 0x201A;
    QTest::newRow("0x88 euro") << 0x88 << 0x20AC;
    QTest::newRow("0x8F Dzhe") << 0x8F << 0x040F;
    QTest::newRow("0x98 undefined") << 0x98 << 0x0098;
    QTest::newRow("0x99 trade mark") << 0x99 << 0x2122;
    QTest::newRow("0xA0 no-break space") << 0xA0 << 0x00A0;
    QTest::newRow("0xA5 Ghe with upturn") << 0xA5 << 0x0490;
    QTest::newRow("0xA8 Io") << 0xA8 << 0x0401;
    QTest::newRow("0xB4 ghe with upturn") << 0xB4 << 0x0491;
    QTest::newRow("0xB8 io") << 0xB8 << 0x0451;
    QTest::newRow("0xB9 numero") << 0xB9 << 0x2116;
    QTest::newRow("0xBF yi") << 0xBF << 0x0457;
    QTest::newRow("0xC0 A") << 0xC0 << 0x0410;
    QTest::newRow("0xDF Ya") << 0xDF << 0x042F;
    QTest::newRow("0xE0 a") << 0xE0 << 0x0430;
    QTest::newRow("0xFF ya") << 0xFF << 0x044F;
}

void TestCatalogText::decodeBytes()
{
    QFETCH(int, byte);
    QFETCH(int, unicode);
    QCOMPARE(win1251ToChar(static_cast<unsigned char>(byte)).unicode(), char16_t(unicode));
    const char raw = static_cast<char>(byte);
    QCOMPARE(decodeWin1251(QByteArrayView(&raw, 1)), QString(QChar(char16_t(unicode))));
    QCOMPARE(encodeWin1251(QString(QChar(char16_t(unicode)))), QByteArray(1, raw));
}

void TestCatalogText::everyByteRoundTrips()
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(static_cast<char>(byte));
    const QString decoded = decodeWin1251(all);
    QCOMPARE(decoded.size(), 256);
    QCOMPARE(encodeWin1251(decoded), all);
    // Distinct bytes must give distinct characters, or writing back would
    // change some of them.
    QSet<QChar> seen;
    for (QChar c : decoded)
        seen.insert(c);
    QCOMPARE(seen.size(), 256);
}

void TestCatalogText::encodeOutsideCodePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ASCII") << QStringLiteral("Abc 1-2=3") << QByteArray("Abc 1-2=3");
    QTest::newRow("Cyrillic") << QStringLiteral("Ёж") << QByteArray("\xA8\xE6");
    QTest::newRow("Latin a umlaut") << QStringLiteral("ä") << QByteArray("?");
    QTest::newRow("CJK") << QStringLiteral("x中y") << QByteArray("x?y");
    QTest::newRow("U+0080 is not 0x80") << QString(QChar(0x0080)) << QByteArray("?");
    QTest::newRow("NUL stays NUL") << QString(QChar(0)) << QByteArray(1, '\0');
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestCatalogText::encodeOutsideCodePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeWin1251(text), bytes);
}

void TestCatalogText::joinLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("no lines") << QStringList() << QByteArray();
    QTest::newRow("one empty line") << QStringList{""} << QByteArray("\r\n");
    QTest::newRow("two lines") << QStringList{"a", "bc"} << QByteArray("a\r\nbc\r\n");
    QTest::newRow("empty line between") << QStringList{"a", "", "b"} << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("Cyrillic") << QStringList{QStringLiteral("Кузов")} << QByteArray("\xCA\xF3\xE7\xEE\xE2\r\n");
}

void TestCatalogText::joinLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, bytes);
    QCOMPARE(testing::joinCatalogLines(lines), bytes);
}

void TestCatalogText::fileRoundTripKeepsEveryByte()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // Every byte but the three that end text or lines, sixteen to a line.
    QByteArray original;
    int onLine = 0;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte == '\r' || byte == '\n')
            continue;
        original.append(static_cast<char>(byte));
        if (++onLine == 16) {
            original.append("\r\n");
            onLine = 0;
        }
    }
    original.append("\r\n");

    const QString source = dir.filePath(QStringLiteral("all.txt"));
    QVERIFY(writeRaw(source, original));
    const QStringList lines = testing::readCatalogLines(source).toStringList();
    QCOMPARE(lines.size(), 16);
    QCOMPARE(testing::joinCatalogLines(lines), original);

    const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    testing::writeCatalogLines(copy, lines);
    QCOMPARE(readRaw(copy), original);
}

void TestCatalogText::writeLinesExactBytes_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty list gives an empty file") << QStringList() << QByteArray();
    QTest::newRow("two lines") << QStringList{"A-1", "B-2"} << QByteArray("A-1\r\nB-2\r\n");
    QTest::newRow("an empty line") << QStringList{""} << QByteArray("\r\n");
    QTest::newRow("undefined byte") << QStringList{chars({0x98})} << QByteArray("\x98\r\n");
}

void TestCatalogText::writeLinesExactBytes()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("list.txt"));

    // Once into a new file and once over a longer old one, which must not
    // leave its tail behind.
    testing::writeCatalogLines(path, lines);
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(readRaw(path), bytes);
    QVERIFY(writeRaw(path, QByteArray(100, 'z')));
    testing::writeCatalogLines(path, lines);
    QCOMPARE(readRaw(path), bytes);
}

void TestCatalogText::writeReplacesFileOfOtherCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("data/lst")));
    QVERIFY(writeRaw(dir.filePath(QStringLiteral("data/lst/CATALOG.TXT")), "old\r\n"));

    testing::writeCatalogLines(dir.path() + QStringLiteral("/DATA/LST/catalog.txt"), {QStringLiteral("new")});

    QCOMPARE(readRaw(dir.filePath(QStringLiteral("data/lst/CATALOG.TXT"))), QByteArray("new\r\n"));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("data/lst"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("CATALOG.TXT")});
}

void TestCatalogText::writeFailureNamesComposedPath_data()
{
    QTest::addColumn<QString>("relative");

    QTest::newRow("missing folder") << QStringLiteral("DATA/missing/list.txt");
    QTest::newRow("file in place of a folder") << QStringLiteral("DATA/plain.txt/list.txt");
    QTest::newRow("target is a folder") << QStringLiteral("data/Folder.txt");
    QTest::newRow("target is a folder of other case") << QStringLiteral("DATA/FOLDER.TXT");
    QTest::newRow("ends in a separator") << QStringLiteral("DATA/");
    // A link as the last piece would take the write out of the catalog.
    QTest::newRow("target is a link to a file") << QStringLiteral("data/link.txt");
    QTest::newRow("target is a link of other case") << QStringLiteral("DATA/LINK.TXT");
    QTest::newRow("target is a link to nothing yet") << QStringLiteral("data/dead.txt");
    QTest::newRow("target is a FIFO") << QStringLiteral("data/pipe.txt");
}

void TestCatalogText::writeFailureNamesComposedPath()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("data/Folder.txt")));
    QVERIFY(writeRaw(dir.filePath(QStringLiteral("data/plain.txt")), "keep\r\n"));
    QVERIFY(writeRaw(dir.filePath(QStringLiteral("outside.txt")), "outside\r\n"));
    QVERIFY(QFile::link(QStringLiteral("../outside.txt"), dir.filePath(QStringLiteral("data/link.txt"))));
    QVERIFY(QFile::link(QStringLiteral("../gone.txt"), dir.filePath(QStringLiteral("data/dead.txt"))));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("data/pipe.txt"))).constData(), 0600), 0);

    const QString path = dir.path() + QLatin1Char('/') + relative;
    QCOMPARE(failureOf([&] { testing::writeCatalogLines(path, {QStringLiteral("x")}); }),
             QStringLiteral("Cannot create file ") + path);
    QCOMPARE(readRaw(dir.filePath(QStringLiteral("data/plain.txt"))), QByteArray("keep\r\n"));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("data/Folder.txt"))).isDir());
    QCOMPARE(readRaw(dir.filePath(QStringLiteral("outside.txt"))), QByteArray("outside\r\n"));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("data/link.txt"))).symLinkTarget(),
             dir.filePath(QStringLiteral("outside.txt")));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("data/dead.txt"))).isSymLink());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("gone.txt"))));
    const QFileInfo pipe(dir.filePath(QStringLiteral("data/pipe.txt")));
    QVERIFY(pipe.exists() && !pipe.isFile());
}

void TestCatalogText::writeFailureKeepsOldFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("DATA"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/list.txt");
    const QByteArray old("old line\r\n");
    QVERIFY(writeRaw(path, old));
    QByteArray replacement = QByteArray("new line\r\n").repeated(1000);

    // A file size limit makes the write itself fail part way, for root as for
    // anyone else: once within the write buffer, once past it. The limit is
    // lifted before anything is checked.
    for (const int lines : {1000, 100000}) {
        replacement = QByteArray("new line\r\n").repeated(lines);
        struct rlimit saved;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        struct rlimit small = saved;
        small.rlim_cur = 64;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString tooBig = failureOf([&] { writeCatalogFile(path, replacement); });
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(tooBig, QStringLiteral("Cannot create file ") + path);
        QCOMPARE(readRaw(path), old);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("list.txt")});
    }
}

void TestCatalogText::writeInFolderThatTakesNoNewFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("DATA"));
    QVERIFY(QDir().mkpath(folder));
    const QString writable = folder + QStringLiteral("/PartList.txt");
    const QString protectedFile = folder + QStringLiteral("/catalog.txt");
    // A link in the folder to a file the user may write outside it, in a
    // folder that takes no new files either: the in-place write must not
    // follow it.
    const QString outside = dir.filePath(QStringLiteral("outside.txt"));
    const QString link = folder + QStringLiteral("/link.txt");
    QVERIFY(writeRaw(writable, "old\r\n"));
    QVERIFY(writeRaw(protectedFile, "keep\r\n"));
    QVERIFY(writeRaw(outside, "outside\r\n"));
    QVERIFY(QFile::link(outside, link));

    // Root writes wherever it likes, so the writes run in a child process as
    // an ordinary user who owns the files but not the folder.
    const bool root = ::geteuid() == 0;
    const struct passwd *nobody = ::getpwnam("nobody");
    const uid_t uid = root ? (nobody ? nobody->pw_uid : 65534) : ::geteuid();
    const gid_t gid = root ? (nobody ? nobody->pw_gid : 65534) : ::getegid();
    for (const QString &file : {writable, protectedFile, outside})
        QCOMPARE(::chown(QFile::encodeName(file).constData(), uid, gid), 0);
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(writable).constData(), 0644), 0);
    QCOMPARE(::chmod(QFile::encodeName(outside).constData(), 0644), 0);
    QCOMPARE(::chmod(QFile::encodeName(protectedFile).constData(), 0444), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const auto reopen = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });

    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (root && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(100);
        // Each outcome sets one bit: 1 the writable file refused, 2 the
        // protected one taken or refused with another message, 4 a new file
        // made, 8 the link taken or refused with another message.
        int faults = 0;
        if (!failureOf([&] { testing::writeCatalogLines(writable, {QStringLiteral("new")}); }).isEmpty())
            faults |= 1;
        if (failureOf([&] { testing::writeCatalogLines(protectedFile, {QStringLiteral("x")}); })
            != QStringLiteral("Cannot create file ") + protectedFile)
            faults |= 2;
        if (failureOf([&] {
                testing::writeCatalogLines(folder + QStringLiteral("/new.txt"), {QStringLiteral("x")});
            }).isEmpty())
            faults |= 4;
        if (failureOf([&] { testing::writeCatalogLines(link, {QStringLiteral("x")}); })
            != QStringLiteral("Cannot create file ") + link)
            faults |= 8;
        ::_exit(faults);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QVERIFY2(WEXITSTATUS(status) != 100, "cannot become an ordinary user");
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readRaw(writable), QByteArray("new\r\n"));
    QCOMPARE(readRaw(protectedFile), QByteArray("keep\r\n"));
    QCOMPARE(readRaw(outside), QByteArray("outside\r\n"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{QStringLiteral("catalog.txt"), QStringLiteral("link.txt"), QStringLiteral("PartList.txt")}));
}

void TestCatalogText::readFailures_data()
{
    QTest::addColumn<QString>("relative");

    QTest::newRow("missing file") << QStringLiteral("DATA/catalog.txt");
    QTest::newRow("missing folder") << QStringLiteral("DATA/nothing/catalog.txt");
    QTest::newRow("folder named like the file") << QStringLiteral("DATA/Folder/catalog.txt");
    QTest::newRow("folder of other case") << QStringLiteral("DATA/FOLDER/CATALOG.TXT");
    QTest::newRow("file in place of a folder") << QStringLiteral("DATA/plain.txt/catalog.txt");
    QTest::newRow("FIFO") << QStringLiteral("data/pipe.txt");
    QTest::newRow("ends in a separator") << QStringLiteral("data/plain.txt/");
}

void TestCatalogText::readFailures()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("data/folder/catalog.txt")));
    QVERIFY(writeRaw(dir.filePath(QStringLiteral("data/plain.txt")), "x\r\n"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("data/pipe.txt"))).constData(), 0600), 0);

    const QString path = dir.path() + QLatin1Char('/') + relative;
    QCOMPARE(failureOf([&] { testing::readCatalogLines(path); }), QStringLiteral("Cannot open file ") + path);
}

void TestCatalogText::readFindsOtherCase()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Data")));
    QVERIFY(writeRaw(dir.filePath(QStringLiteral("Data/Catalog.TXT")), "Tamiya\r\nKyosho\r\n"));
    QCOMPARE(testing::readCatalogLines(dir.path() + QStringLiteral("/DATA/catalog.txt")).toStringList(),
             (QStringList{QStringLiteral("Tamiya"), QStringLiteral("Kyosho")}));
}

void TestCatalogText::hotspots_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("xs");
    QTest::addColumn<QStringList>("ys");

    QTest::newRow("dash in the name") << QStringList{"A-1=20-30"} << QStringList{"A-1"} << QStringList{"20"}
                                      << QStringList{"30"};
    QTest::newRow("negative x") << QStringList{"A=-5-10"} << QStringList{"A"} << QStringList{"-5"} << QStringList{"10"};
    QTest::newRow("double dash") << QStringList{"A=5--10"} << QStringList{"A"} << QStringList{"5-"}
                                 << QStringList{"10"};
    QTest::newRow("empty line") << QStringList{""} << QStringList{""} << QStringList{""} << QStringList{""};
    QTest::newRow("first line without dash")
        << QStringList{"A=5"} << QStringList{"A"} << QStringList{""} << QStringList{"A="};
    QTest::newRow("first line without either")
        << QStringList{"ABC"} << QStringList{""} << QStringList{""} << QStringList{"AB"};
    QTest::newRow("last equals sign counts")
        << QStringList{"A=B=1-2"} << QStringList{"A=B"} << QStringList{"1"} << QStringList{"2"};
    QTest::newRow("equals after the last dash")
        << QStringList{"A-1=5"} << QStringList{"A-1"} << QStringList{""} << QStringList{"1=5"};
    QTest::newRow("eleven-digit numbers kept as text") << QStringList{"P=12345678901-98765432109"} << QStringList{"P"}
                                                       << QStringList{"12345678901"} << QStringList{"98765432109"};
    QTest::newRow("Cyrillic name") << QStringList{QStringLiteral("Кузов=1-2")} << QStringList{QStringLiteral("Кузов")}
                                   << QStringList{"1"} << QStringList{"2"};
    QTest::newRow("both positions carried over")
        << QStringList{"AB=1-2", "XYZWVU"} << QStringList{"AB", "XY"} << QStringList{"1", "W"} << QStringList{"2", "U"};
    QTest::newRow("dash position carried over")
        << QStringList{"A=1-2", "BB=77"} << QStringList{"A", "BB"} << QStringList{"1", ""} << QStringList{"2", "7"};
    QTest::newRow("equals position carried over")
        << QStringList{"ABC=1-2", "Q-9"} << QStringList{"ABC", "Q-9"} << QStringList{"1", ""} << QStringList{"2", "9"};
    QTest::newRow("carried into an empty line")
        << QStringList{"A=1-2", ""} << QStringList{"A", ""} << QStringList{"1", ""} << QStringList{"2", ""};
    QTest::newRow("carried over two lines")
        << QStringList{"AAAA=1-2", "", "0123456789"} << QStringList{"AAAA", "", "0123"} << QStringList{"1", "", "5"}
        << QStringList{"2", "", "789"};
    QTest::newRow("each line its own positions")
        << QStringList{"A=1-2", "Long name=100-200"} << QStringList{"A", "Long name"} << QStringList{"1", "100"}
        << QStringList{"2", "200"};
}

void TestCatalogText::hotspots()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, names);
    QFETCH(QStringList, xs);
    QFETCH(QStringList, ys);

    const std::vector<HotspotCells> cells = testing::cutHotspotLines(lines);
    QCOMPARE(qsizetype(cells.size()), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const HotspotCells &cell = cells[size_t(i)];
        QCOMPARE(cell.name, names.at(i));
        QCOMPARE(cell.x, xs.at(i));
        QCOMPARE(cell.y, ys.at(i));
    }
}

void TestCatalogText::groupName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("group");

    const QString longName = QString(296, QLatin1Char('n')) + QStringLiteral(".txt");
    QTest::newRow("usual") << QStringLiteral("Body.txt") << QStringLiteral("Body");
    QTest::newRow("one letter") << QStringLiteral("a.txt") << QStringLiteral("a");
    QTest::newRow("four characters") << QStringLiteral("Body") << QString();
    QTest::newRow("extension only") << QStringLiteral(".txt") << QString();
    QTest::newRow("shorter than four") << QStringLiteral("ab") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("other extension length") << QStringLiteral("Body.jpeg") << QStringLiteral("Body.");
    QTest::newRow("Cyrillic") << QStringLiteral("Кузов.txt") << QStringLiteral("Кузов");
    QTest::newRow("300 characters cut to 255 first") << longName << longName.left(251);
}

void TestCatalogText::groupName()
{
    QFETCH(QString, fileName);
    QFETCH(QString, group);
    QCOMPARE(groupNameFromListedFile(fileName), group);
}

void TestCatalogText::composedPaths_data()
{
    QTest::addColumn<QString>("composed");
    QTest::addColumn<QString>("expected");

    const QString b = QStringLiteral("/opt/korvane/");
    QTest::newRow("manufacturer list") << paths::manufacturerList(b).text() << "/opt/korvane/DATA/catalog.txt";
    QTest::newRow("manufacturer folder listing")
        << paths::manufacturerFolderListing(b, "Tamiya").text() << "/opt/korvane/DATA/Tamiya/*.txt";
    QTest::newRow("model list") << paths::modelList(b, "Tamiya").text() << "/opt/korvane/DATA/Tamiya/catalog.txt";
    QTest::newRow("model part list") << paths::modelPartList(b, "Tamiya", "TT-01").text()
                                     << "/opt/korvane/DATA/Tamiya/TT-01/TT-01.txt";
    QTest::newRow("model picture") << paths::modelPicture(b, "Tamiya", "TT-01").text()
                                   << "/opt/korvane/DATA/Tamiya/TT-01/TT-01.jpg";
    QTest::newRow("group list") << paths::groupList(b, "Tamiya", "TT-01").text()
                                << "/opt/korvane/DATA/Tamiya/TT-01/Parts/list.txt";
    QTest::newRow("group part list") << paths::groupPartList(b, "Tamiya", "TT-01", "Body").text()
                                     << "/opt/korvane/DATA/Tamiya/TT-01/Parts/Body.txt";
    QTest::newRow("exploded view list") << paths::explodedViewList(b, "Tamiya", "TT-01").text()
                                        << "/opt/korvane/DATA/Tamiya/TT-01/Parts/EXPLODED/list.txt";
    QTest::newRow("diagram") << paths::diagram(b, "Tamiya", "TT-01", "A").text()
                             << "/opt/korvane/DATA/Tamiya/TT-01/Parts/EXPLODED/A.bmp";
    QTest::newRow("hotspot file") << paths::hotspotFile(b, "Tamiya", "TT-01", "A").text()
                                  << "/opt/korvane/DATA/Tamiya/TT-01/Parts/EXPLODED/A.met";
    QTest::newRow("x-ray photo") << paths::partPhotoXray(b, "51000").text() << "/opt/korvane/DATA/IMG/xra51000.jpg";
    QTest::newRow("photo") << paths::partPhoto(b, "51000").text() << "/opt/korvane/DATA/IMG/51000.jpg";
    QTest::newRow("saved photo") << paths::savedPartPhoto(b, "Tamiya", "51000").text()
                                 << "/opt/korvane/DATA/Tamiya/51000.jpg";
    QTest::newRow("listed group file") << paths::listedGroupFile(b, "Tamiya/TT-01/Parts", "Body.txt").text()
                                       << "/opt/korvane/DATA/Tamiya/TT-01/Parts/Body.txt";
    QTest::newRow("panel part list") << paths::panelPartList(b, "Tamiya", "TT-01").text()
                                     << "/opt/korvane/DATA/Tamiya/TT-01/TT-01/parts/list.txt";
    QTest::newRow("backslash and dots unchanged") << paths::groupPartList(b, "..\\Kyosho", "..", "a\\..\\b").text()
                                                  << "/opt/korvane/DATA/..\\Kyosho/../Parts/a\\..\\b.txt";
    QTest::newRow("spaces and slashes unchanged")
        << paths::modelPartList(b, " Tamiya ", "TT/01/").text() << "/opt/korvane/DATA/ Tamiya /TT/01//TT/01/.txt";
    QTest::newRow("empty texts") << paths::modelList(QString(), QString()).text() << "DATA//catalog.txt";
    QTest::newRow("empty code") << paths::partPhotoXray(b, QString()).text() << "/opt/korvane/DATA/IMG/xra.jpg";
}

void TestCatalogText::composedPaths()
{
    QFETCH(QString, composed);
    QFETCH(QString, expected);
    QCOMPARE(composed, expected);
}

void TestCatalogText::baseFolder_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("base");

    const QString deep = QLatin1Char('/') + QString(300, QLatin1Char('d')) + QStringLiteral("/korvane");
    QTest::newRow("usual") << QStringLiteral("/opt/korvane/korvane") << QStringLiteral("/opt/korvane/");
    QTest::newRow("at the root") << QStringLiteral("/korvane") << QStringLiteral("/");
    QTest::newRow("no folder") << QStringLiteral("korvane") << QString();
    QTest::newRow("Cyrillic folder") << QStringLiteral("/home/Каталог/korvane") << QStringLiteral("/home/Каталог/");
    QTest::newRow("folder over 255 characters") << deep << deep.left(255);
    QTest::newRow("exactly 255") << QString(254, QLatin1Char('e')) + QStringLiteral("/k")
                                 << QString(254, QLatin1Char('e')) + QLatin1Char('/');
}

void TestCatalogText::baseFolder()
{
    QFETCH(QString, executable);
    QFETCH(QString, base);
    const QString result = paths::baseFolderFromExecutable(executable);
    QCOMPARE(result, base);
    QVERIFY(result.size() <= paths::kBaseFolderCapacity);
}

void TestCatalogText::partListDump()
{
    QVERIFY(paths::partListDump().text().endsWith(QStringLiteral("DATA/PartList.txt")));
    QVERIFY(QDir::isAbsolutePath(paths::partListDump().text()));
}

void TestCatalogText::diagramPlaceIsWhereTheDiagramRowComposesIt()
{
    QTemporaryDir dir;
    const auto make = [&](const QString &relative) {
        QVERIFY(QDir(dir.path()).mkpath(QFileInfo(relative).path()));
        QVERIFY(writeRaw(dir.filePath(relative), "BM"));
    };
    // The literal pieces in any letter case, as the browser finds them.
    make(QStringLiteral("data/XRAY/T4/parts/Exploded/Gear box.BMP"));
    const std::optional<paths::DiagramPlace> place
        = paths::diagramPlace(dir.filePath(QStringLiteral("data/XRAY/T4/parts/Exploded/Gear box.BMP")));
    QVERIFY(place);
    QCOMPARE(place->base, dir.path() + u'/');
    QCOMPARE(place->manufacturer, QStringLiteral("XRAY"));
    QCOMPARE(place->model, QStringLiteral("T4"));
    QCOMPARE(place->view, QStringLiteral("Gear box"));
    // Anywhere else it is no catalog's.
    make(QStringLiteral("data/XRAY/T4/Parts/Other/Gear.bmp"));
    QVERIFY(!paths::diagramPlace(dir.filePath(QStringLiteral("data/XRAY/T4/Parts/Other/Gear.bmp"))));
    make(QStringLiteral("Parts/EXPLODED/Gear.bmp"));
    QVERIFY(!paths::diagramPlace(dir.filePath(QStringLiteral("Parts/EXPLODED/Gear.bmp"))));
    // A DATA that the composed name does not reach: another folder of the
    // same name in the exact case is the one the browser reads.
    make(QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/x.txt"));
    QVERIFY(!paths::diagramPlace(dir.filePath(QStringLiteral("data/XRAY/T4/parts/Exploded/Gear box.BMP"))));
}

void TestCatalogText::hitBoxWrapsAround()
{
    constexpr qint32 kMax = 2147483647;
    QVERIFY(hotspotHit(100, 50, 20, 8, 119, 57));
    // Near either end of the range one bound of the box wraps over to the
    // other end, and not even a press on the point hits it.
    QVERIFY(!hotspotHit(kMax, 0, 20, 8, kMax, 0));
    QVERIFY(!hotspotHit(-kMax + 5, 0, 20, 8, -kMax + 5, 0));
    QVERIFY(hotspotHit(kMax - 20, 0, 20, 8, kMax - 20, 0));
}

void TestCatalogText::hitBoxIsWhereHitsAre_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QSize>("half");
    constexpr qint32 kMax = 2147483647;
    QTest::newRow("the window's tolerances") << QPoint(100, 50) << QSize(kHotspotHalfWidth, kHotspotHalfHeight);
    QTest::newRow("at the origin") << QPoint(0, 0) << QSize(kHotspotHalfWidth, kHotspotHalfHeight);
    QTest::newRow("one pixel") << QPoint(-7, 3) << QSize(1, 1);
    QTest::newRow("no tolerance") << QPoint(10, 10) << QSize(0, 0);
    QTest::newRow("wraps at the top") << QPoint(kMax - 5, 0) << QSize(kHotspotHalfWidth, kHotspotHalfHeight);
    QTest::newRow("wraps at the bottom") << QPoint(0, -kMax + 3) << QSize(kHotspotHalfWidth, kHotspotHalfHeight);
    QTest::newRow("just fits") << QPoint(kMax - 21, -kMax + 7) << QSize(kHotspotHalfWidth, kHotspotHalfHeight);
}

void TestCatalogText::hitBoxIsWhereHitsAre()
{
    // The box drawn for a hotspot is the set of presses that hit it: every
    // pixel on its edges hits, every pixel just outside misses.
    QFETCH(QPoint, point);
    QFETCH(QSize, half);
    const auto hits = [&](qint64 X, qint64 Y) {
        return X >= INT_MIN && X <= INT_MAX && Y >= INT_MIN && Y <= INT_MAX
               && hotspotHit(point.x(), point.y(), half.width(), half.height(), qint32(X), qint32(Y));
    };
    const std::optional<QRect> box = hotspotHitBox(point.x(), point.y(), half.width(), half.height());
    if (!box) {
        for (qint64 dx = -half.width(); dx <= half.width(); ++dx)
            QVERIFY(!hits(point.x() + dx, point.y()));
        return;
    }
    QVERIFY(box->contains(point));
    for (qint64 X = box->left() - 1; X <= qint64(box->right()) + 1; ++X) {
        for (const qint64 Y :
             {qint64(box->top()) - 1, qint64(box->top()), qint64(box->bottom()), qint64(box->bottom()) + 1}) {
            const bool inside = X >= box->left() && X <= box->right() && Y >= box->top() && Y <= box->bottom();
            QCOMPARE(hits(X, Y), inside);
        }
    }
    for (qint64 Y = box->top(); Y <= box->bottom(); ++Y) {
        QVERIFY(!hits(qint64(box->left()) - 1, Y));
        QVERIFY(hits(box->left(), Y));
        QVERIFY(hits(box->right(), Y));
        QVERIFY(!hits(qint64(box->right()) + 1, Y));
    }
}

void TestCatalogText::pressSteps_data()
{
    // A step is "row" (the list selected by the unchanged text) or "row name"
    // (the name written first); a failure is "row: message".
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("failure");
    const QPoint on(100, 50);
    QTest::newRow("no rows") << QStringList() << on << QStringList() << QString();
    QTest::newRow("a miss selects once") << QStringList{"A=10-10", "B=20-20"} << on << QStringList{"1"} << QString();
    QTest::newRow("a hit on the first row")
        << QStringList{"A=100-50", "B=20-20"} << on << QStringList{"1 A"} << QString();
    QTest::newRow("a later hit overwrites") << QStringList{"A=10-10", "C3=105-52", "B=20-20", "b7=95-48"} << on
                                            << QStringList{"1", "2 C3", "4 b7"} << QString();
    QTest::newRow("the same name again selects nothing new")
        << QStringList{"C3=100-50", "C3=101-51", "b7=99-49", "C3=100-50"} << on << QStringList{"1 C3", "3 b7", "4 C3"}
        << QString();
    QTest::newRow("a nameless hit writes nothing")
        << QStringList{"C3=100-50", "=100-50"} << on << QStringList{"1 C3"} << QString();
    QTest::newRow("a bad cell ends the press at its row")
        << QStringList{"A=100-50", "b7=abc-10", "C3=100-50"} << on << QStringList{"1 A"}
        << QStringLiteral("2: 'abc' is not a valid integer value");
    QTest::newRow("y is converted even when x misses") << QStringList{"A=100-50", "B=0-x"} << on << QStringList{"1 A"}
                                                       << QStringLiteral("2: 'x' is not a valid integer value");
    QTest::newRow("a bad first row selects nothing")
        << QStringList{"", "A=100-50"} << on << QStringList() << QStringLiteral("1: '' is not a valid integer value");
    QTest::newRow("edges of the box") << QStringList{"L=119-57", "R=81-43", "Out=80-50"} << on
                                      << QStringList{"1 L", "2 R"} << QString();
}

void TestCatalogText::pressSteps()
{
    QFETCH(QStringList, lines);
    QFETCH(QPoint, press);
    QFETCH(QStringList, steps);
    QFETCH(QString, failure);
    const HotspotTable table(CatalogLines::fromText(testing::joinCatalogLines(lines)));
    HotspotPress run(table, kHotspotHalfWidth, kHotspotHalfHeight, press.x(), press.y());
    QStringList taken;
    const QString failed = failureOf([&] {
        while (const std::optional<HotspotPressStep> step = run.next())
            taken.append(step->name.isEmpty() ? QString::number(step->row)
                                              : QString::number(step->row) + u' ' + decodeWin1251(step->name));
    });
    QCOMPARE(taken, steps);
    QCOMPARE(failed.isEmpty() ? QString() : QString::number(run.row()) + QStringLiteral(": ") + failed, failure);
    // An ended press stays ended.
    QVERIFY(!run.next());
}

void TestCatalogText::substringSearchStart()
{
    QCOMPARE(korvane::substringSearchStart(-1, 5), 1); // nothing selected: the second line
    QCOMPARE(korvane::substringSearchStart(-1, 1), 0); // ...unless there is only one
    QCOMPARE(korvane::substringSearchStart(2, 5), 3);
    QCOMPARE(korvane::substringSearchStart(4, 5), 0); // wraps only from the last
    QVERIFY(lineHoldsText(QString(300, u'a') + u'b', QString(254, u'a')));
    QVERIFY(!lineHoldsText(QString(255, u'a') + u'b', QStringLiteral("ab")));
}

void TestCatalogText::substringScan_data()
{
    // The lines found, in the order the search selects them.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("found");
    const QStringList gears{"gear one", "shock", "big gear", "GEAR three"};
    QTest::newRow("nothing selected: from the second line") << gears << -1 << "gear" << QList<int>{2};
    QTest::newRow("after the selected line, letter case counting") << gears << 0 << "gear" << QList<int>{2};
    QTest::newRow("every line found in turn, the last ends selected")
        << QStringList{"a1", "a2", "a3", "b", "a4"} << 0 << "a" << QList<int>{1, 2, 4};
    QTest::newRow("from the last line it wraps and runs to the end") << gears << 3 << "gear" << QList<int>{0, 2};
    QTest::newRow("no wrap before the start") << gears << 1 << "one" << QList<int>();
    QTest::newRow("a one-line list starts at it") << QStringList{"gear"} << -1 << "gear" << QList<int>{0};
    QTest::newRow("an empty text is in every line") << gears << 1 << "" << QList<int>{2, 3};
    QTest::newRow("an empty list") << QStringList() << -1 << "" << QList<int>();
    QTest::newRow("only the first 255 characters of a line")
        << QStringList{"x", QString(254, u'a') + QStringLiteral("bc"), QString(253, u'a') + QStringLiteral("bc")} << -1
        << "bc" << QList<int>{2};
    QTest::newRow("Cyrillic in the file's bytes") << QStringList{"x", "Рычаг", "рычаг"} << -1 << "Рыч" << QList<int>{1};
}

void TestCatalogText::substringScan()
{
    QFETCH(QStringList, lines);
    QFETCH(int, selected);
    QFETCH(QString, text);
    QFETCH(QList<int>, found);
    // Lines read from a file and lines the program added are searched alike.
    CatalogLines added;
    for (const QString &line : std::as_const(lines))
        added.append(line);
    for (const CatalogLines &list :
         {CatalogLines::fromText(encodeWin1251(lines.join(QStringLiteral("\r\n")))), added}) {
        SubstringScan scan(list, selected, text);
        QList<int> taken;
        while (const std::optional<int> line = scan.next())
            taken.append(*line);
        QCOMPARE(taken, found);
        QVERIFY(!scan.next());
    }
}

void TestCatalogText::partLineCuts_data()
{
    // A selection's part code, and the maintenance tools' split into code and
    // description (eleven spaces always).
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("splitCode");
    QTest::addColumn<QString>("description");
    const QString spaces(11, u' ');
    QTest::newRow("three words: the last never arrives") << "A B C"
                                                         << "A"
                                                         << "A" << QStringLiteral("B") + spaces;
    QTest::newRow("empty") << ""
                           << ""
                           << "" << spaces;
    QString words;
    for (int i = 1; i <= 15; ++i)
        words += QStringLiteral("w%1 ").arg(i);
    QTest::newRow("words after the thirteenth dropped")
        << words << "w1"
        << "w1" << QStringLiteral("w2 w3 w4 w5 w6 w7 w8 w9 w10 w11 w12 w13");
    QTest::newRow("two spaces: an empty piece") << "A  B C D"
                                                << "A"
                                                << "A" << QStringLiteral(" B C") + QString(9, u' ');
    QTest::newRow("leading space: no code") << " x y"
                                            << ""
                                            << "" << QStringLiteral("x") + spaces;
    QTest::newRow("a tab does not cut") << "A\tB C"
                                        << "A\tB"
                                        << "A\tB" << spaces;
    // A selection cuts only the line's first 255 characters; the tools take
    // the status bar text whole.
    QTest::newRow("first space past 255")
        << QString(256, u'7') + QStringLiteral(" Arm x") << "" << QString(256, u'7') << QStringLiteral("Arm") + spaces;
}

void TestCatalogText::partLineCuts()
{
    QFETCH(QString, line);
    QFETCH(QString, code);
    QFETCH(QString, splitCode);
    QFETCH(QString, description);
    QCOMPARE(partCodeOfLine(line), code);
    QCOMPARE(partCodeOfLine(QByteArrayView(encodeWin1251(line))).toByteArray(), encodeWin1251(code));
    const CodeAndDescription split = splitCodeAndDescription(line);
    QCOMPARE(split.code, splitCode);
    QCOMPARE(split.description, description);
}

void TestCatalogText::categoryAbbreviations_data()
{
    // "-" for no abbreviation.
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("abbreviation");
    QTest::newRow("Chasis keeps its spelling") << "Chasis"
                                               << "Chasis";
    QTest::newRow("first") << "Steering"
                           << "Steer";
    QTest::newRow("two words") << "Front Chasis"
                               << "Fchasis";
    QTest::newRow("last") << "Other"
                          << "Othr";
    QTest::newRow("letter case counts") << "engine"
                                        << "-";
    QTest::newRow("a trailing space counts") << "Body "
                                             << "-";
    QTest::newRow("no item selected") << ""
                                      << "-";
    QTest::newRow("a catalog group is no category") << "Chassis"
                                                    << "-";
}

void TestCatalogText::categoryAbbreviations()
{
    QFETCH(QString, category);
    QFETCH(QString, abbreviation);
    QCOMPARE(categoryAbbreviation(category).value_or(QStringLiteral("-")), abbreviation);
}

void TestCatalogText::prefixRuleOnBytesEqualsTheRuleOnText()
{
    // Every byte against every character a prefix may hold there: the code
    // page's own, their case-folded forms, and some from outside it.
    QString probes;
    for (int byte = 0; byte < 256; ++byte) {
        const QChar c = win1251ToChar(uchar(byte));
        probes += c;
        probes += c.toUpper();
        probes += c.toCaseFolded();
    }
    probes += QStringLiteral("\u03BC\u00DF\u0130\u1E9E\u212A");
    int disagreements = 0;
    for (const QChar probe : std::as_const(probes)) {
        const PrefixMatcher matcher((QString(probe)));
        for (int byte = 0; byte < 256; ++byte) {
            const char raw = char(byte);
            if (matcher.matches(QByteArrayView(&raw, 1))
                != matcher.matches(QStringView(QString(win1251ToChar(uchar(byte))))))
                ++disagreements;
        }
    }
    QCOMPARE(disagreements, 0);
    // And through a whole list: the same line for the same prefix.
    const CatalogLines lines
        = CatalogLines::fromText(encodeWin1251(QStringLiteral("abc\r\nЁлка 1\r\nёЛКА 2\r\nµ\r\n")));
    for (const QString &prefix :
         {QStringLiteral("ёлка 2"), QStringLiteral("ЁЛ"), QStringLiteral("Μ"), QStringLiteral("x")})
        QCOMPARE(findFirstStartingWith(lines, prefix), findFirstStartingWith(lines.toStringList(), prefix));
}

// The line rules as written: a line runs to the next CR or LF; after it one
// CR, then one LF is skipped; the text ends at its end or its first NUL.
static QStringList linesByTheRule(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray text = nul >= 0 ? bytes.left(nul) : bytes;
    QStringList lines;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype stop = pos;
        while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n')
            ++stop;
        lines.append(decodeWin1251(text.mid(pos, stop - pos)));
        pos = stop;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return lines;
}

void TestCatalogText::splitInPartsAsTheRuleSays()
{
    // Random texts of breaks and letters, indexed in two parts cut at every
    // place, as a file is read in parts: the same lines as the rule gives.
    // Bytes with a CR's or an LF's low bits and the high bit set must not
    // pass for them. Every 64-byte block of every text gives the same masks
    // in the vector scans (SSE2, and AVX2 where the processor has it) as in
    // the plain one.
    quint32 seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    const char letters[] = "\r\n\r\nab\x8d\x8a\0";
    for (int round = 0; round < 200; ++round) {
        QByteArray text;
        const int size = int(next() % (round % 4 == 0 ? 300 : 100));
        for (int i = 0; i < size; ++i)
            text.append(letters[next() % (round % 3 == 0 ? 9 : 8)]);
        const QStringList expected = linesByTheRule(text);
        QCOMPARE(CatalogLines::fromText(text).toStringList(), expected);
        for (int cut = 0; cut <= text.size(); ++cut) {
            CatalogLines::Builder builder;
            if (builder.scan(text.constData(), cut))
                builder.scan(text.constData(), text.size());
            MappedBuffer read;
            read.resize(builder.endIn(text.size()));
            std::copy_n(text.constData(), read.size(), read.data());
            QCOMPARE(builder.finish(std::move(read)).toStringList(), expected);
        }
        for (qsizetype at = 0; at + lineBreaks::kBlockBytes < text.size(); ++at) {
            const lineBreaks::BlockMasks plain = lineBreaks::scanBlockPlainly(text.constData() + at);
            const lineBreaks::BlockMasks vector = lineBreaks::scanBlock(text.constData() + at);
            QCOMPARE(vector.ends, plain.ends);
            QCOMPARE(vector.nuls, plain.nuls);
#if defined(KORVANE_LINE_BREAKS_AVX2)
            if (lineBreaks::processorHasAvx2()) {
                const lineBreaks::BlockMasks wide = lineBreaks::scanBlockAvx2(text.constData() + at);
                QCOMPARE(wide.ends, plain.ends);
                QCOMPARE(wide.nuls, plain.nuls);
            }
#endif
        }
    }
}

QTEST_GUILESS_MAIN(TestCatalogText)
#include "tst_catalog_text.moc"
