#include "catalog/CatalogText.h"
#include "check/CatalogCheck.h"
#include "support/BitmapFile.h"
#include "support/JpegFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>

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
    void cleanupTestCase();

private:
    void write(const QString &relative, const QByteArray &bytes);
    void writeLines(const QString &relative, const QStringList &lines);
    QString data() const { return m_dir.path() + QStringLiteral("/DATA"); }

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
    write(relative, joinCatalogLines(lines));
}

// One catalog with one instance of each fault, beside the parts that are
// whole.
void CheckTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QByteArray jpeg = goodJpeg();
    QVERIFY(!jpeg.isEmpty());

    writeLines("catalog.txt", {"LST", "Kyosho", "Tamiya", "Traxxas", ""});
    write("IMG/L3101.jpg", jpeg);
    write("IMG/L3102.jpg", "not a picture");
    QVERIFY(QDir().mkpath(data() + "/Traxxas"));

    writeLines("LST/catalog.txt", {"LST3", "Ghost", "Empty", "NoPic", "Sub\\Deep"});
    writeLines("LST/LST3/LST3.txt",
               {"L3101 Rear arm", "L3102 Front arm", "L3103 Spring", "L3101 Rear arm, again", "Shock", "L3* Any arm"});
    write("LST/LST3/LST3.jpg", jpeg);
    writeLines("LST/LST3/Parts/list.txt", {"Chassis", "Missing", "Folder"});
    writeLines("LST/LST3/Parts/Chassis.txt", {"L3101 Rear arm"});
    QVERIFY(QDir().mkpath(data() + "/LST/LST3/Parts/Folder.txt"));
    writeLines("LST/LST3/Parts/EXPLODED/list.txt", {"Rear", "Broken", "Lost", "Bare"});
    write("LST/LST3/Parts/EXPLODED/Rear.bmp", testing::solidBitmap(100, 80, qRgb(255, 255, 255)));
    writeLines("LST/LST3/Parts/EXPLODED/Rear.met",
               {"L3101=50-40", "L3102=150-40", "L3103=700-40", "Z9=20-20", "L3101=5x-10", "=30-30"});
    write("LST/LST3/Parts/EXPLODED/Broken.bmp", "not a bitmap");
    writeLines("LST/LST3/Parts/EXPLODED/Broken.met", {"L3101=10-10"});
    writeLines("LST/LST3/Parts/EXPLODED/Lost.met", {"L3101=10-10"});
    write("LST/LST3/Parts/EXPLODED/Bare.bmp", testing::solidBitmap(10, 10, qRgb(0, 0, 0)));
    QVERIFY(QDir().mkpath(data() + "/LST/Empty"));
    writeLines("LST/NoPic/NoPic.txt", {"L3101 Rear arm"});
    writeLines("LST/Sub/Deep/Sub/Deep.txt", {"L3101 Rear arm"});
    write("LST/Sub/Deep/Sub/Deep.jpg", jpeg);

    writeLines("KYOSHO/catalog.txt", {"MP9"});
    writeLines("KYOSHO/MP9/MP9.txt", {"K100 Shock"});
    write("KYOSHO/MP9/MP9.jpg", jpeg);
    writeLines("KYOSHO/MP9/Parts/list.txt", {"Кузов", "Шасси"});
    // Unpacked from a Windows archive: the name's bytes are Windows-1251.
    const QByteArray body = QFile::encodeName(data()) + "/KYOSHO/MP9/Parts/\xCA\xF3\xE7\xEE\xE2.txt";
    FILE *raw = std::fopen(body.constData(), "wb");
    QVERIFY(raw);
    std::fputs("\xEF\xBB\xBFK200 Body\r\n", raw);
    std::fclose(raw);
    write("KYOSHO/MP9/Parts/Шасси.txt", QStringLiteral("K300 Рама\r\n").toUtf8());
}

void CheckTest::findsEachFaultOnce()
{
    const QByteArray d = QFile::encodeName(data());
    // Sorted by file (bytes), then line; the paths as given, in the file
    // system's bytes: "Кузов.txt" is named in Windows-1251 on disk.
    const QByteArrayList expected{
        d + "/IMG/L3102.jpg:0: error: JPEG error #" + QByteArray::number(JERR_NO_SOI),
        d
            + "/KYOSHO/MP9/Parts/list.txt:1: warning: 'Кузов.txt' is found only as a Windows-1251 name on disk, not "
              "UTF-8",
        d
            + "/KYOSHO/MP9/Parts/\xCA\xF3\xE7\xEE\xE2.txt:1: warning: the first line starts with a UTF-8 byte-order "
              "mark, "
              "read as part of it",
        d + "/KYOSHO/MP9/Parts/Шасси.txt:1: warning: the text is UTF-8, not Windows-1251: it shows as mojibake",
        d + "/LST/LST3/LST3.txt:3: warning: part 'L3103' has no photo 'IMG/L3103.jpg'",
        d + "/LST/LST3/LST3.txt:4: warning: the code 'L3101' is already on line 1",
        d + "/LST/LST3/LST3.txt:5: warning: part line without a code",
        // The photo test finds L3101.jpg for the wildcard; the read fails.
        d + "/LST/LST3/LST3.txt:6: error: Cannot open file " + d + "/IMG/L3*.jpg",
        d + "/LST/LST3/Parts/EXPLODED/Broken.bmp:0: error: Bitmap image is not valid",
        d + "/LST/LST3/Parts/EXPLODED/Rear.met:2: warning: hotspot 'L3102' at 150,40 lies outside its 100 x 80 diagram",
        d
            + "/LST/LST3/Parts/EXPLODED/Rear.met:3: warning: hotspot 'L3103' at 700,40 cannot be pressed: the picture "
              "area shows 627 x 576 pixels of a diagram",
        d
            + "/LST/LST3/Parts/EXPLODED/Rear.met:4: warning: hotspot 'Z9' at 20,20 begins no line of the part list "
              "'LST3.txt'",
        d + "/LST/LST3/Parts/EXPLODED/Rear.met:5: error: '5x' is not a valid integer value",
        d + "/LST/LST3/Parts/EXPLODED/Rear.met:6: error: hotspot without a name: a press there changes nothing",
        d + "/LST/LST3/Parts/EXPLODED/list.txt:3: error: view 'Lost' has no diagram 'Lost.bmp'",
        d + "/LST/LST3/Parts/EXPLODED/list.txt:4: error: view 'Bare' has no hotspot file 'Bare.met'",
        d + "/LST/LST3/Parts/Folder.txt:0: error: Cannot open file " + d + "/LST/LST3/Parts/Folder.txt",
        d + "/LST/LST3/Parts/list.txt:2: error: group 'Missing' has no part list 'Missing.txt'",
        d + "/LST/catalog.txt:2: error: model 'Ghost' has no folder",
        d + "/LST/catalog.txt:3: error: model 'Empty' has no part list 'Empty.txt'",
        d + "/LST/catalog.txt:4: error: model 'NoPic' has no picture 'NoPic.jpg': its group list is never loaded",
        d
            + "/LST/catalog.txt:5: warning: 'Sub\\Deep' is found only by reading \"\\\" as a folder separator, as "
              "Windows "
              "does",
        d + "/catalog.txt:2: warning: 'Kyosho' is found as 'KYOSHO' only without regard to letter case",
        d + "/catalog.txt:3: error: manufacturer 'Tamiya' has no folder",
        d + "/catalog.txt:4: error: manufacturer 'Traxxas' has no model list 'catalog.txt'",
        d + "/catalog.txt:5: warning: empty line: the list offers an empty manufacturer",
    };
    check::Options options;
    options.deep = true;
    options.listPartsWithoutPhoto = true;
    const check::Report report = check::checkCatalog(data(), options);
    check::OutputOptions output;
    output.quiet = true;
    QCOMPARE(check::formatReport(report, output).split('\n'), expected + QByteArrayList{QByteArray()});
    QCOMPARE(report.totals.errors, 14);
    QCOMPARE(report.totals.warnings, 11);
    QCOMPARE(report.totals.partsWithoutPhoto, 1);

    // Without --deep photos are opened, not decoded; without --verbose the
    // parts without a photo are only counted.
    const check::Report shallow = check::checkCatalog(data());
    QCOMPARE(shallow.totals.errors, 13);
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
    const auto run = [](const QStringList &arguments) {
        QProcess process;
        process.start(QStringLiteral(KORVANE_CHECK), arguments);
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    QCOMPARE(run({QStringLiteral(KORVANE_DEMO_DATA)}), 0);
    QCOMPARE(run({QStringLiteral("--quiet"), data()}), 1);
    QCOMPARE(run({QStringLiteral("--format"), QStringLiteral("xml"), data()}), 2);
    // The browser reads only a folder named DATA.
    QCOMPARE(run({m_dir.path()}), 2);
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
    put("LST/catalog.txt", "Bomb\r\nDevice\r\n");
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
        QVERIFY2(has("LST/Bomb/Parts/EXPLODED/Claim.bmp Bitmap image is not valid"), qPrintable(found.join('\n')));
        QVERIFY2(has("LST/Device/Device.txt Cannot open file " + d + "LST/Device/Device.txt"),
                 qPrintable(found.join('\n')));
        QVERIFY2(has("IMG/L1.jpg Cannot open file " + d + "IMG/L1.jpg"), qPrintable(found.join('\n')));
        QCOMPARE(has("LST/Bomb/Bomb.jpg JPEG image has more than 100 scans"), deep);
    }
    char events[4096];
    QCOMPARE(::read(watch, events, sizeof events), ssize_t(-1));
    ::close(watch);
}

void CheckTest::cleanupTestCase()
{
    // The toolkit cannot remove a name that is not UTF-8.
    QCOMPARE(::unlink((QFile::encodeName(data()) + "/KYOSHO/MP9/Parts/\xCA\xF3\xE7\xEE\xE2.txt").constData()), 0);
}

QTEST_GUILESS_MAIN(CheckTest)
#include "tst_check.moc"
