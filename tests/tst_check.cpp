#include "catalog/Failure.h"
#include "check/CatalogCheck.h"
#include "support/BitmapFile.h"
#include "support/CatalogTexts.h"
#include "support/JpegFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include <fcntl.h>
#include <iconv.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

using namespace korvane;

namespace {

// A JPEG from the demo catalog: only the tests' own catalogs are written here.
QByteArray goodJpeg()
{
    QFile file(QStringLiteral(KORVANE_DEMO_DATA "/IMG/L3101.jpg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeRaw(const QByteArray &native, const QByteArray &bytes)
{
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    if (fd >= 0)
        ::close(fd);
    return written;
}

QByteArray readRaw(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// What iconv makes of a UTF-8 text: the conversion --fix must match.
QByteArray iconvToCp1251(const QByteArray &utf8)
{
    const iconv_t converter = iconv_open("CP1251", "UTF-8");
    if (converter == iconv_t(-1))
        return QByteArray("<no iconv>");
    QByteArray in = utf8;
    QByteArray out(utf8.size() + 1, '\0');
    char *inAt = in.data();
    char *outAt = out.data();
    size_t inLeft = size_t(in.size());
    size_t outLeft = size_t(out.size());
    const size_t done = ::iconv(converter, &inAt, &inLeft, &outAt, &outLeft);
    iconv_close(converter);
    if (done == size_t(-1))
        return QByteArray("<iconv failed>");
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

QString thousands(qint64 count)
{
    return QLocale(QLocale::English).toString(count);
}

// A folder deeper than the system takes in one name: pieces of 200 letters.
constexpr int kDeepPieces = 21;
const QByteArray kDeepPiece(200, 'x');

} // namespace

class CheckTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findsEachFaultOnce();
    void jsonCarriesTheSameFindings();
    void demoCatalogIsClean();
    void exitStatus();
    void defaultFolderIsTheProgramsCatalog();
    void hostileFilesEndWithTheirFinding();
    void fix_data();
    void fix();
    void cleanupTestCase();

private:
    void write(const QString &relative, const QByteArray &bytes);
    void writeLines(const QString &relative, const QStringList &lines);
    QString data() const { return m_dir.path() + QStringLiteral("/DATA"); }
    QString fifo() const { return m_dir.path() + QStringLiteral("/device.fifo"); }

    QTemporaryDir m_dir;
};

void CheckTest::write(const QString &relative, const QByteArray &bytes)
{
    const QString path = data() + u'/' + relative;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void CheckTest::writeLines(const QString &relative, const QStringList &lines)
{
    write(relative, testing::joinCatalogLines(lines));
}

// One catalog with one instance of each fault, beside the parts that are
// whole.
void CheckTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QByteArray jpeg = goodJpeg();
    QVERIFY(!jpeg.isEmpty());

    // The mark hides nothing: LST, the first manufacturer, is walked.
    write("catalog.txt",
          "\xEF\xBB\xBF" + testing::joinCatalogLines({"LST", "Kyosho", "Tamiya", "Traxxas", "", "..\\outside"}));
    QVERIFY(QDir().mkpath(m_dir.path() + "/outside"));
    write("../outside/catalog.txt", "");
    write("IMG/L3101.jpg", jpeg);
    write("IMG/L3102.jpg", "not a picture");
    QVERIFY(QDir().mkpath(data() + "/Traxxas"));

    writeLines("LST/catalog.txt", {"LST3", "Ghost", "Empty", "NoPic", "Sub\\Deep", "Fifo",
                                   QStringList(kDeepPieces, QString::fromLatin1(kDeepPiece)).join(u'\\')});
    writeLines("LST/LST3/LST3.txt",
               {"L3101 Rear arm", "L3102 Front arm", "L3103 Spring", "L3101 Rear arm, again", "Shock", "L3* Any arm"});
    write("LST/LST3/LST3.jpg", jpeg);
    writeLines("LST/LST3/Parts/list.txt", {"Chassis", "Missing", "Folder"});
    writeLines("LST/LST3/Parts/Chassis.txt", {"L3101 Rear arm"});
    QVERIFY(QDir().mkpath(data() + "/LST/LST3/Parts/Folder.txt"));
    writeLines("LST/LST3/Parts/EXPLODED/list.txt", {"Rear", "Broken", "Lost", "Bare", "Front", "Offset"});
    write("LST/LST3/Parts/EXPLODED/Rear.bmp", testing::solidBitmap(100, 80, qRgb(255, 255, 255)));
    writeLines("LST/LST3/Parts/EXPLODED/Rear.met",
               {"L3101=50-40", "L3102=150-40", "L3103=700-40", "Z9=20-20", "=30-30"});
    write("LST/LST3/Parts/EXPLODED/Broken.bmp", "not a bitmap");
    writeLines("LST/LST3/Parts/EXPLODED/Broken.met", {"L3101=10-10"});
    writeLines("LST/LST3/Parts/EXPLODED/Lost.met", {"L3101=10-10"});
    write("LST/LST3/Parts/EXPLODED/Bare.bmp", testing::solidBitmap(10, 10, qRgb(0, 0, 0)));
    // Each line a fault of its own; each cut as the browser cuts it, some
    // where the line before was cut.
    write("LST/LST3/Parts/EXPLODED/Front.bmp", testing::solidBitmap(100, 80, qRgb(255, 255, 255)));
    writeLines("LST/LST3/Parts/EXPLODED/Front.met",
               {"L3101=2O0-40", "L3102", "L3103=5", "L3101=10-2y", "L3101=99999999999-5", "", "L3101 30-40"});
    testing::Bitmap offset;
    offset.width = 2;
    offset.height = 2;
    offset.pixels = QByteArray(16, '\0');
    offset.dataOffset = 4294967040;
    write("LST/LST3/Parts/EXPLODED/Offset.bmp", offset.bytes());
    writeLines("LST/LST3/Parts/EXPLODED/Offset.met", {"L3101=1-1"});
    QVERIFY(QDir().mkpath(data() + "/LST/Empty"));
    // Windows holds one of these; the browser takes the exact one.
    QVERIFY(QDir().mkpath(data() + "/LST/EMPTY"));
    writeLines("LST/NoPic/NoPic.txt", {"L3101 Rear arm"});
    writeLines("LST/Sub/Deep/Sub/Deep.txt", {"L3101 Rear arm"});
    write("LST/Sub/Deep/Sub/Deep.jpg", jpeg);
    // A device, as a FIFO stands for one, linked in as a model picture.
    writeLines("LST/Fifo/Fifo.txt", {"L3101 Rear arm"});
    QCOMPARE(::mkfifo(QFile::encodeName(fifo()).constData(), 0644), 0);
    QVERIFY(QFile::link(fifo(), data() + "/LST/Fifo/Fifo.jpg"));
    // A model folder deeper than PATH_MAX: it exists, and is too deep to open.
    int fd = ::open(QFile::encodeName(data() + "/LST").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < kDeepPieces && fd >= 0; ++i) {
        QCOMPARE(::mkdirat(fd, kDeepPiece.constData(), 0755), 0);
        const int next = ::openat(fd, kDeepPiece.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    QVERIFY(fd >= 0);
    ::close(fd);

    writeLines("KYOSHO/catalog.txt", {"MP9"});
    // A name pasted from a web page keeps its UTF-8 in a Windows-1251 list.
    write("KYOSHO/MP9/MP9.txt", "K100 \xC0\xEC\xEE\xF0\xF2\xE8\xE7\xE0\xF2\xEE\xF0\r\nK101 "
                                    + QStringLiteral("Пружина").toUtf8() + " \xEB\xE5\xE2\xE0\xFF\r\n");
    write("KYOSHO/MP9/MP9.jpg", jpeg);
    writeLines("KYOSHO/MP9/Parts/list.txt", {"Кузов", "Шасси"});
    // Unpacked from a Windows archive: the name's bytes are Windows-1251.
    QVERIFY(writeRaw(QFile::encodeName(data()) + "/KYOSHO/MP9/Parts/\xCA\xF3\xE7\xEE\xE2.txt",
                     "\xEF\xBB\xBFK200 Body\r\n"));
    write("KYOSHO/MP9/Parts/Шасси.txt", QStringLiteral("K300 Рама\r\n").toUtf8());
}

void CheckTest::findsEachFaultOnce()
{
    const QByteArray d = QFile::encodeName(data());
    const QString deepModel = QStringList(kDeepPieces, QString::fromLatin1(kDeepPiece)).join(u'\\');
    const qint64 deepLength = d.size() + 4 + kDeepPieces * (kDeepPiece.size() + 1);
    const QByteArray front = d + "/LST/LST3/Parts/EXPLODED/Front.met:";
    const QByteArray rear = d + "/LST/LST3/Parts/EXPLODED/Rear.met:";
    // Sorted by file (bytes), then line; the paths as given, in the file
    // system's bytes: "Кузов.txt" is named in Windows-1251 on disk.
    const QByteArrayList expected{
        d + "/IMG/L3102.jpg:0: error: the photo does not decode: JPEG error #" + QByteArray::number(JERR_NO_SOI)
            + " (Not a JPEG file: starts with 0x6e 0x6f); save it again as a JPEG",
        d
            + "/KYOSHO/MP9/MP9.txt:2: warning: the line holds UTF-8 text, 'Пружина', in a Windows-1251 list: the "
              "browser shows it as 'РџСЂСѓР¶РёРЅР°'; type it again in Windows-1251 (--fix mends only whole texts)",
        d
            + "/KYOSHO/MP9/Parts/list.txt:1: warning: 'Кузов.txt' is found only as the Windows-1251 name "
              "$'\\312\\363\\347\\356\\342.txt' on disk: a reader of UTF-8 names misses it; rename it to 'Кузов.txt'",
        d
            + "/KYOSHO/MP9/Parts/\xCA\xF3\xE7\xEE\xE2.txt:1: error: the text starts with a UTF-8 byte-order mark, "
              "which the browser reads as the letters 'п»ї' at the start of the first line: 'п»їK200 Body'; "
              "--fix does not write it: its name on disk is not UTF-8; rename it first",
        d
            + "/KYOSHO/MP9/Parts/Шасси.txt:1: warning: the text is UTF-8, not Windows-1251: the browser shows "
              "'K300 Р\u00a0Р°РјР°' for 'K300 Рама'; korvane-check --fix converts it (or iconv -f UTF-8 -t CP1251)",
        d
            + "/LST/Fifo/Fifo.jpg:0: error: the model picture is a FIFO (named pipe), not a file: the browser "
              "cannot open it and shows an error box (the checker does not try); put the file itself there",
        d
            + "/LST/LST3/LST3.txt:3: warning: part 'L3103' has no photo 'IMG/L3103.jpg': choosing it shows "
              "\"Изображение отсутствует\"; add the photo as a JPEG",
        d
            + "/LST/LST3/LST3.txt:4: warning: the code 'L3101' is already on line 1: a search or a hotspot selects "
              "only that first line; remove one of them or correct its code",
        d
            + "/LST/LST3/LST3.txt:5: warning: part line 'Shock' has no code, as it holds no space: choosing it shows "
              "no photo; write CODE NAME, the code first",
        // The photo test finds L3101.jpg for the wildcard; the read fails.
        d
            + "/LST/LST3/LST3.txt:6: error: part code 'L3*' holds a wildcard: the photo test passes on another photo, "
              "then the browser cannot open 'IMG/L3*.jpg' and shows an error box; remove \"*\" and \"?\" from the "
              "code",
        d
            + "/LST/LST3/Parts/EXPLODED/Broken.bmp:0: error: the diagram does not decode: Bitmap image is not valid "
              "(the file starts with the bytes 6E 6F, not \"BM\" (42 4D)); save it again as a Windows bitmap (BMP)",
        front + "1: error: hotspot 'L3101': x '2O0' is not a number; a hotspot line is NAME=X-Y in diagram pixels",
        front + "2: error: hotspot line 'L3102' has no coordinates; write NAME=X-Y",
        front + "3: error: hotspot 'L3103': the coordinates '5' have no \"-\" between x and y; write NAME=X-Y",
        front + "4: error: hotspot 'L3101': y '2y' is not a number; a hotspot line is NAME=X-Y in diagram pixels",
        front
            + "5: error: hotspot 'L3101': x '99999999999' is too large for a coordinate; a hotspot line is "
              "NAME=X-Y in diagram pixels",
        front + "6: error: empty hotspot line: every press on the diagram stops here; delete it",
        front
            + "7: warning: hotspot line 'L3101 30-40' has no \"=\" of its own: it is cut where an earlier line "
              "was, as hotspot 'L3101' at 30,40; write NAME=X-Y",
        d
            + "/LST/LST3/Parts/EXPLODED/Offset.bmp:0: error: the diagram does not decode: Bitmap image is not valid "
              "(the pixel data offset 4294967040 lies past the file's 70 bytes); save it again as a Windows bitmap "
              "(BMP)",
        rear
            + "2: warning: hotspot 'L3102' at 150,40 lies outside its 100 x 80 diagram; x and y count pixels from "
              "its top-left corner",
        rear
            + "3: warning: hotspot 'L3103' at 700,40 cannot be pressed: the picture area shows only 627 x 576 "
              "pixels of a diagram; place the hotspot within them",
        rear
            + "4: warning: hotspot 'Z9' at 20,20 begins no line of the part list 'LST3.txt': a press on it selects "
              "nothing; name it by a part code of that list",
        rear
            + "5: error: hotspot line '=30-30' has no name: a press on it changes nothing; write NAME=X-Y, the name "
              "a part code",
        d
            + "/LST/LST3/Parts/EXPLODED/list.txt:3: error: view 'Lost' has no diagram 'Lost.bmp': choosing it shows "
              "an error box and loads no hotspots; add the diagram as a Windows bitmap (BMP) or correct the name on "
              "this line",
        d
            + "/LST/LST3/Parts/EXPLODED/list.txt:4: error: view 'Bare' has no hotspot file 'Bare.met': choosing it "
              "shows an error box after the diagram; write one, a line NAME=X-Y for each hotspot",
        d
            + "/LST/LST3/Parts/Folder.txt:0: error: the part list of group 'Folder' is a folder, not a file: the "
              "browser cannot open it and shows an error box; rename or remove the folder",
        d
            + "/LST/LST3/Parts/list.txt:2: error: group 'Missing' has no part list 'Missing.txt': choosing it shows "
              "an error box; write the part list or correct the name on this line",
        d
            + "/LST/catalog.txt:2: error: model 'Ghost' has no folder 'LST/Ghost': choosing it changes only the "
              "window caption; make the folder or correct the name on this line",
        d
            + "/LST/catalog.txt:3: error: model 'Empty' has no part list 'Empty.txt' in its folder: choosing it "
              "changes only the window caption; write the part list there, a part a line: CODE NAME",
        d
            + "/LST/catalog.txt:3: warning: 'Empty' matches 'Empty' and also 'EMPTY' in the same folder, names "
              "Windows takes for one: the browser takes 'Empty' and never reads the other; merge them into one",
        d
            + "/LST/catalog.txt:4: error: model 'NoPic' has no picture 'NoPic.jpg' in its folder: choosing it shows "
              "an error box and its groups never load; add the picture as a JPEG",
        d
            + "/LST/catalog.txt:5: warning: 'Sub\\Deep' is found only by reading \"\\\" as a folder separator, as "
              "Windows does: other readers take it for part of a name; write the name without \"\\\"",
        // Present, and deeper than any program here can open.
        d + "/LST/catalog.txt:7: error: model '" + Failure::quoted(deepModel).toUtf8() + "' lies at a path of "
            + thousands(deepLength).toUtf8() + " bytes, more than the " + thousands(PATH_MAX - 1).toUtf8()
            + " a program can open: the browser finds nothing in it; shorten the names of the folders on the way",
        d
            + "/catalog.txt:1: error: the text starts with a UTF-8 byte-order mark, which the browser reads as the "
              "letters 'п»ї' at the start of the first line: 'п»їLST'; korvane-check --fix removes it",
        d
            + "/catalog.txt:2: warning: 'Kyosho' is found as 'KYOSHO' only without regard to letter case: a reader "
              "that matches case misses it; rename it to 'Kyosho', or write 'KYOSHO' here",
        d
            + "/catalog.txt:3: error: manufacturer 'Tamiya' has no folder 'Tamiya': choosing it shows \"Изображение "
              "отсутствует\"; make the folder or correct the name on this line",
        d
            + "/catalog.txt:4: error: manufacturer 'Traxxas' has no model list 'Traxxas/catalog.txt': choosing it "
              "shows \"Изображение отсутствует\"; write one there, a model folder's name a line",
        d + "/catalog.txt:5: warning: empty line: the list offers an empty manufacturer; delete the line",
        d
            + "/catalog.txt:6: error: manufacturer '..\\outside' leads outside DATA: the browser would read what is "
              "no part of the catalog, and a copy of the catalog lacks it; name something inside DATA",
    };
    check::Options options;
    options.deep = true;
    options.listPartsWithoutPhoto = true;
    const check::Report report = check::checkCatalog(data(), options);
    check::OutputOptions output;
    output.quiet = true;
    QCOMPARE(check::formatReport(report, output).split('\n'), expected + QByteArrayList{QByteArray()});
    QCOMPARE(report.totals.errors, 25);
    QCOMPARE(report.totals.warnings, 13);
    QCOMPARE(report.totals.partsWithoutPhoto, 1);

    // Without --deep photos are opened, not decoded; without --verbose the
    // parts without a photo are only counted.
    const check::Report shallow = check::checkCatalog(data());
    QCOMPARE(shallow.totals.errors, 24);
    QCOMPARE(shallow.totals.partsWithoutPhoto, 1);
    QVERIFY(!check::formatReport(shallow, output).contains("has no photo"));
}

void CheckTest::jsonCarriesTheSameFindings()
{
    check::Options options;
    options.listPartsWithoutPhoto = true;
    const check::Report report = check::checkCatalog(data(), options);
    check::OutputOptions output;
    output.format = check::Format::Json;
    QJsonParseError error;
    const QJsonObject document = QJsonDocument::fromJson(check::formatReport(report, output), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray findings = document.value("findings").toArray();
    QCOMPARE(findings.size(), qsizetype(report.findings.size()));
    for (qsizetype i = 0; i < findings.size(); ++i) {
        const QJsonObject finding = findings.at(i).toObject();
        const check::Finding &expected = report.findings.at(size_t(i));
        QCOMPARE(finding.value("file").toString(), nameOnDisk(expected.file));
        QCOMPARE(finding.value("line").toInteger(), expected.line);
        QCOMPARE(finding.value("severity").toString(),
                 expected.severity == check::Severity::Error ? QStringLiteral("error") : QStringLiteral("warning"));
        QCOMPARE(finding.value("message").toString(), expected.message);
        QCOMPARE(finding.value("fixable").toBool(), expected.fixable);
    }
    QCOMPARE(document.value("summary").toObject().value("errors").toInteger(), report.totals.errors);
}

void CheckTest::demoCatalogIsClean()
{
    const check::Report report = check::checkCatalog(QStringLiteral(KORVANE_DEMO_DATA));
    QCOMPARE(report.totals.errors, 0);
    QCOMPARE(check::exitStatus(report), 0);
    QVERIFY(report.totals.models > 0 && report.totals.diagrams > 0 && report.totals.photos > 0);
}

void CheckTest::exitStatus()
{
    const auto run = [](const QStringList &arguments, QByteArray *out = nullptr) {
        QProcess process;
        process.start(QStringLiteral(KORVANE_CHECK), arguments);
        const bool done = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
        if (out)
            *out = process.readAllStandardOutput();
        return done ? process.exitCode() : -1;
    };
    QByteArray out;
    QCOMPARE(run({QStringLiteral(KORVANE_DEMO_DATA)}, &out), 0);
    // Counted in words.
    QVERIFY2(out.contains(" 0 errors, 1 warning, "), out.constData());
    QCOMPARE(run({QStringLiteral("--quiet"), data()}), 1);
    QCOMPARE(run({QStringLiteral("--format"), QStringLiteral("xml"), data()}), 2);
    // The browser reads only a folder named DATA.
    QCOMPARE(run({m_dir.path()}), 2);
    QCOMPARE(run({QStringLiteral("--version")}, &out), 0);
    QVERIFY(out.startsWith("korvane-check "));
    QCOMPARE(run({QStringLiteral("--help")}, &out), 0);
    for (const char *option : {"--format", "--quiet", "--verbose", "--deep", "--fix", "--help", "--version"})
        QVERIFY2(out.contains(option), option);
    // A report that cannot be written is none.
    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(QStringLiteral(KORVANE_CHECK), {QStringLiteral(KORVANE_DEMO_DATA)});
    QVERIFY(full.waitForFinished(60000));
    QCOMPARE(full.exitCode(), 2);
}

void CheckTest::defaultFolderIsTheProgramsCatalog()
{
    // Built, DATA lies beside the checker; installed, the checker lies in
    // <prefix>/bin and the catalog beside the program in <prefix>/lib/korvane.
    QCOMPARE(check::defaultDataFolder(m_dir.path() + QStringLiteral("/korvane-check")), data());
    QCOMPARE(check::defaultDataFolder(QStringLiteral("/nowhere/usr/bin/korvane-check")),
             QStringLiteral("/nowhere/usr/lib/korvane/DATA"));
}

void CheckTest::hostileFilesEndWithTheirFinding()
{
    // A catalog of its own: a model picture of 4,000 scans, a diagram of
    // 1,080 bytes claiming a gigabyte of pixels, and a part list, a picture
    // and a photo that link to a FIFO standing in for a device, whose opening
    // inotify would tell.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString d = dir.path() + QStringLiteral("/DATA/");
    const auto put = [&](const QString &relative, const QByteArray &bytes) {
        QVERIFY(QDir().mkpath(QFileInfo(d + relative).path()));
        QFile file(d + relative);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    };
    put("catalog.txt", "LST\r\n");
    put("LST/catalog.txt", "Bomb\r\nDevice\r\nDangling\r\n");
    put("LST/Dangling/Dangling.txt", "L1 part\r\n");
    QVERIFY(QFile::link(dir.path() + QStringLiteral("/nothing.jpg"), d + "LST/Dangling/Dangling.jpg"));
    put("LST/Bomb/Bomb.txt", "L1 part\r\n");
    put("LST/Bomb/Bomb.jpg", testing::manyScanJpeg(4096, 4096, 4000));
    put("LST/Bomb/Parts/EXPLODED/list.txt", "Claim\r\n");
    testing::Bitmap claim;
    claim.width = 16384;
    claim.height = 16384;
    claim.bitCount = 8;
    claim.compression = 1;
    claim.palette = QList<QRgb>(256, qRgb(0, 0, 0));
    claim.pixels = QByteArray("\0\1", 2);
    put("LST/Bomb/Parts/EXPLODED/Claim.bmp", claim.bytes());
    put("LST/Bomb/Parts/EXPLODED/Claim.met", "L1=1-1\r\n");
    const QString device = dir.path() + QStringLiteral("/device");
    QCOMPARE(::mkfifo(QFile::encodeName(device).constData(), 0644), 0);
    QVERIFY(QDir().mkpath(d + "LST/Device") && QDir().mkpath(d + "IMG"));
    for (const char *name : {"LST/Device/Device.txt", "LST/Device/Device.jpg", "IMG/L1.jpg"})
        QVERIFY(QFile::link(device, d + QLatin1String(name)));
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    QVERIFY(::inotify_add_watch(watch, QFile::encodeName(device).constData(), IN_OPEN) >= 0);

    for (const bool deep : {false, true}) {
        check::Options options;
        options.deep = deep;
        QElapsedTimer timer;
        timer.start();
        const check::Report report = check::checkCatalog(d.chopped(1), options);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
        QStringList found;
        for (const check::Finding &finding : report.findings)
            found.append(QFile::decodeName(finding.file).mid(d.size()) + u' ' + finding.message);
        const auto has = [&found](const QString &start) {
            return std::any_of(found.cbegin(), found.cend(), [&](const QString &f) { return f.startsWith(start); });
        };
        QVERIFY2(has("LST/Bomb/Parts/EXPLODED/Claim.bmp the diagram does not decode: Bitmap image is not valid "
                     "(16384 x 16384 pixels, more than the 67,108,864 a picture may have)"),
                 qPrintable(found.join('\n')));
        QVERIFY2(has("LST/Device/Device.txt the part list is a FIFO (named pipe), not a file"),
                 qPrintable(found.join('\n')));
        QVERIFY2(has("LST/Device/Device.jpg the model picture is a FIFO (named pipe), not a file"),
                 qPrintable(found.join('\n')));
        QVERIFY2(has("IMG/L1.jpg the photo is a FIFO (named pipe), not a file"), qPrintable(found.join('\n')));
        QVERIFY2(has("LST/Dangling/Dangling.jpg the model picture is a link to nothing"), qPrintable(found.join('\n')));
        QCOMPARE(has("LST/Bomb/Bomb.jpg the model picture does not decode: JPEG image has more than 100 scans"), deep);
    }
    char events[4096];
    QCOMPARE(::read(watch, events, sizeof events), ssize_t(-1));
    ::close(watch);
}

// Each row a model part list in a catalog of its own: its bytes, what --fix
// makes of them (empty: left as they are; "iconv": what iconv makes of the
// bytes after any mark), the start of the finding without --fix, and
// how the file is to be placed.
void CheckTest::fix_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("fixed");
    QTest::addColumn<QString>("finding");
    QTest::addColumn<QString>("placed");

    const QByteArray utf8 = QStringLiteral("K100 Амортизатор\nK101 «Пружина» — №5\r\nK102 Ёлка\r").toUtf8();
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFK100 Shock\r\n") << QByteArray("K100 Shock\r\n")
                                     << "M.txt:1: error: the text starts with a UTF-8 byte-order mark"
                                     << "";
    QTest::newRow("UTF-8, its line breaks kept")
        << utf8 << QByteArray("iconv") << "M.txt:1: warning: the text is UTF-8, not Windows-1251"
        << "";
    QTest::newRow("UTF-8 with a mark") << "\xEF\xBB\xBF" + utf8 << QByteArray("iconv")
                                       << "M.txt:1: error: the text starts with a UTF-8 byte-order mark"
                                       << "";
    QTest::newRow("UTF-8 that Windows-1251 cannot hold")
        << QStringLiteral("K100 Амортизатор\r\nK101 ✓ Пружина\r\n").toUtf8() << QByteArray()
        << "M.txt:1: warning: the text is UTF-8, not Windows-1251: the browser shows 'K100 РђРјРѕСЂС‚РёР·Р°С‚РѕСЂ' for "
           "'K100 Амортизатор'; it holds '✓' (U+2713) on line 2, which Windows-1251 has not, so --fix cannot "
           "convert it whole"
        << "";
    QTest::newRow("a name pasted into Windows-1251")
        << "K100 \xCF\xF0\xF3\xE6\xE8\xED\xE0\r\nK101 " + QStringLiteral("Шасси").toUtf8() << QByteArray()
        << "M.txt:2: warning: the line holds UTF-8 text, 'Шасси'"
        << "";
    QTest::newRow("through a link") << utf8 << QByteArray() << "M.txt:1: warning: the text is UTF-8"
                                    << "link";
    QTest::newRow("write-protected") << utf8 << QByteArray() << "M.txt:1: warning: the text is UTF-8"
                                     << "read-only";
}

void CheckTest::fix()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, fixed);
    QFETCH(QString, finding);
    QFETCH(QString, placed);
    if (fixed == "iconv")
        fixed = iconvToCp1251(bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString data = dir.path() + "/DATA";
    QVERIFY(QDir().mkpath(data + "/LST/M"));
    QVERIFY(writeRaw(QFile::encodeName(data + "/catalog.txt"), "LST\r\n"));
    QVERIFY(writeRaw(QFile::encodeName(data + "/LST/catalog.txt"), "M\r\n"));
    QVERIFY(writeRaw(QFile::encodeName(data + "/LST/M/M.jpg"), goodJpeg()));
    // Through a link, the file written would be one outside the catalog.
    const QString list = placed == "link" ? dir.path() + "/outside.txt" : data + "/LST/M/M.txt";
    QVERIFY(writeRaw(QFile::encodeName(list), bytes));
    if (placed == "link")
        QVERIFY(QFile::link(list, data + "/LST/M/M.txt"));
    const auto protect = [&](bool readOnly) {
        for (const QString &path : {data, data + "/catalog.txt", data + "/LST", data + "/LST/catalog.txt",
                                    data + "/LST/M", data + "/LST/M/M.jpg", list})
            QVERIFY(::chmod(QFile::encodeName(path).constData(), readOnly                  ? 0555
                                                                 : QFileInfo(path).isDir() ? 0755
                                                                                           : 0644)
                    == 0);
    };
    const auto lines = [&](const check::Options &options) {
        check::OutputOptions output;
        output.quiet = true;
        return QString::fromUtf8(check::formatReport(check::checkCatalog(data, options), output));
    };
    const QByteArray prefix = QFile::encodeName(data + "/LST/M/");

    // Without --fix nothing is written, in a read-only copy as elsewhere;
    // what --fix would mend says so.
    const QDateTime before = QFileInfo(list).lastModified();
    protect(true);
    lines({});
    protect(false);
    QString found = lines({});
    QCOMPARE(readRaw(list), bytes);
    QCOMPARE(QFileInfo(list).lastModified(), before);
    QVERIFY2(found.contains(QString::fromUtf8(prefix) + finding), qPrintable(found));
    const bool saysFixable
        = found.contains("korvane-check --fix removes it") || found.contains("korvane-check --fix converts it");
    QCOMPARE(saysFixable, !fixed.isEmpty() || placed == "read-only");

    // With it, the certain mending alone, each file a note of its own.
    if (placed == "read-only")
        QVERIFY(::chmod(QFile::encodeName(list).constData(), 0444) == 0);
    check::Options fixing;
    fixing.fix = true;
    found = lines(fixing);
    QCOMPARE(readRaw(list), fixed.isEmpty() ? bytes : fixed);
    QCOMPARE(found.contains(QString::fromUtf8(prefix) + "M.txt:0: note: fixed: "), !fixed.isEmpty());
    if (placed == "link") {
        QVERIFY(QFileInfo(data + "/LST/M/M.txt").isSymLink());
        QVERIFY2(found.contains("--fix does not write it: it is a symbolic link, which --fix never writes through"),
                 qPrintable(found));
    }
    if (placed == "read-only")
        QVERIFY2(found.contains("--fix does not write it: it is write-protected"), qPrintable(found));

    // Once fixed, nothing of it is left to find.
    if (!fixed.isEmpty())
        QCOMPARE(lines(fixing), QString());
}

void CheckTest::cleanupTestCase()
{
    // The toolkit cannot remove a name that is not UTF-8, nor one deeper
    // than PATH_MAX.
    QCOMPARE(::unlink((QFile::encodeName(data()) + "/KYOSHO/MP9/Parts/\xCA\xF3\xE7\xEE\xE2.txt").constData()), 0);
    std::vector<int> folders{::open(QFile::encodeName(data() + "/LST").constData(), O_RDONLY | O_DIRECTORY)};
    for (int i = 0; i + 1 < kDeepPieces; ++i)
        folders.push_back(::openat(folders.back(), kDeepPiece.constData(), O_RDONLY | O_DIRECTORY));
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        QCOMPARE(::unlinkat(*it, kDeepPiece.constData(), AT_REMOVEDIR), 0);
        ::close(*it);
    }
}

QTEST_GUILESS_MAIN(CheckTest)
#include "tst_check.moc"
