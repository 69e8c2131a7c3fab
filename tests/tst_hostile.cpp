// The window against catalogs that come from elsewhere broken, huge, binary or
// named in another code page, under an address-space limit: each gives its
// box or message at once, the window goes on answering, and no file is lost.

#include "TestCatalog.h"

#include "app/StartUp.h"
#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureDialog.h"
#include "support/BitmapFile.h"
#include "support/CatalogTexts.h"
#include "support/ControlTexts.h"
#include "support/JpegFile.h"
#include "ui/Unit1.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <jerror.h>

#include <csignal>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// GCC names the address sanitizer by a macro; clang answers only through
// __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

const QString kModel = QStringLiteral("DATA/XRAY/T4/");

// The address space the process uses now, in bytes (unused where the address
// sanitizer rules out a limit).
[[maybe_unused]] qint64 addressSpaceInUse()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    return status.readAll().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

qint64 residentBytes()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    return status.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

// An address-space limit above what the process holds now; the sanitizers
// reserve terabytes of shadow memory up front and cannot run under one.
class AddressSpaceLimit
{
public:
    explicit AddressSpaceLimit(qint64 headroom)
    {
#if defined(KORVANE_ADDRESS_SANITIZER)
        Q_UNUSED(headroom);
        qInfo("address-space limit not set: the address sanitizer needs its shadow memory");
#else
        ::getrlimit(RLIMIT_AS, &m_saved);
        struct rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(addressSpaceInUse() + headroom);
        m_set = ::setrlimit(RLIMIT_AS, &limit) == 0;
#endif
    }
    ~AddressSpaceLimit()
    {
        if (m_set)
            ::setrlimit(RLIMIT_AS, &m_saved);
    }
    AddressSpaceLimit(const AddressSpaceLimit &) = delete;
    AddressSpaceLimit &operator=(const AddressSpaceLimit &) = delete;

private:
    struct rlimit m_saved = {};
    bool m_set = false;
};

struct Session : SampleSession
{
    Session()
    {
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->Manufacturer->setText(QStringLiteral("XRAY"));
        form->Model->setEntries({QStringLiteral("T4"), QStringLiteral("Hostile")});
    }

    // Picks a model the way the user does: typed into the drop-down.
    void chooseModel(const QString &model) const
    {
        form->Model->setFocus();
        form->Model->setText(model + u'~');
        form->Model->lineEdit()->end(false);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    }

    void chooseView(const QString &view) const
    {
        form->exview->setFocus();
        form->exview->setText(view + u'~');
        form->exview->lineEdit()->end(false);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    }

    // The window still does its work: the good model loads at once.
    void stillAnswers() const
    {
        korvane::testing::setPartListLines(*form->fl1, QStringList());
        chooseModel(QStringLiteral("T4"));
        QCOMPARE(form->fl1->lineCount(), 4);
    }

    QString lastBox() const { return boxes.shown.value(boxes.shown.size() - 1); }
};

// A symbolic link and what it points to, as they stand.
struct LinkState
{
    QString target;
    QByteArray bytes;
    bool operator==(const LinkState &) const = default;
};

LinkState linkState(const QString &link)
{
    return {QFileInfo(link).symLinkTarget(), readFileBytes(link)};
}

} // namespace

class HostileTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesThatAreNoFiles();
    void hugeTextsCostWhatTheirTextCosts();
    void hugeCoordinateGivesAShortBox();
    void textThatDoesNotFitNamesItsFile();
    void namesFromWindowsArchives();
    void fullDiskKeepsTheOldFile();
    void savesNeverWriteThroughALink();
    void endlessScansEndWithTheirBox();
    void bitmapClaimingAGigabyteEndsWithItsBox();
    void devicesAreNeverOpened();
    void unreadableFilesAsANormalUser();

private:
    std::unique_ptr<AddressSpaceLimit> m_limit;
};

void HostileTest::initTestCase()
{
    korvane::prepareProcess();
    // Everything below runs within two gigabytes more than the window needs.
    m_limit = std::make_unique<AddressSpaceLimit>(qint64(2) << 30);
}

void HostileTest::filesThatAreNoFiles()
{
    Session s;
    TForm1 &f = *s.form;
    const QString model = s.catalog.path(QStringLiteral("DATA/XRAY/Hostile/"));
    QVERIFY(QDir().mkpath(model + QStringLiteral("Parts/EXPLODED")));
    // A FIFO as the part list: refused, never waited on.
    QCOMPARE(::mkfifo(QFile::encodeName(model + QStringLiteral("Hostile.txt")).constData(), 0644), 0);
    s.chooseModel(QStringLiteral("Hostile"));
    QCOMPARE(s.lastBox(), QStringLiteral("Cannot open file ") + s.data(QStringLiteral("XRAY/Hostile/Hostile.txt.")));
    s.stillAnswers();

    // A link to /dev/zero as the picture, a folder as the diagram, a link
    // loop as the hotspot file.
    QVERIFY(QFile::remove(model + QStringLiteral("Hostile.txt")));
    s.catalog.writeLines(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt"), {QStringLiteral("A1 part")});
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), model + QStringLiteral("Hostile.jpg")));
    s.chooseModel(QStringLiteral("Hostile"));
    QCOMPARE(s.lastBox(), QStringLiteral("Cannot open file ") + s.data(QStringLiteral("XRAY/Hostile/Hostile.jpg.")));
    QCOMPARE(korvane::testing::partListLines(*f.fl1), QStringList{QStringLiteral("A1 part")});

    QVERIFY(QDir().mkpath(model + QStringLiteral("Parts/EXPLODED/Folder.bmp")));
    s.chooseView(QStringLiteral("Folder"));
    QCOMPARE(s.lastBox(),
             QStringLiteral("Cannot open file ") + s.data(QStringLiteral("XRAY/Hostile/Parts/EXPLODED/Folder.bmp.")));
    s.catalog.writeBmp(QStringLiteral("DATA/XRAY/Hostile/Parts/EXPLODED/Loop.bmp"), 4, 4, Qt::white);
    QVERIFY(QFile::link(model + QStringLiteral("Parts/EXPLODED/Loop.met"),
                        model + QStringLiteral("Parts/EXPLODED/Loop.met")));
    s.chooseView(QStringLiteral("Loop"));
    QCOMPARE(s.lastBox(),
             QStringLiteral("Cannot open file ") + s.data(QStringLiteral("XRAY/Hostile/Parts/EXPLODED/Loop.met.")));
    // A model folder that is a link loop counts as missing.
    QVERIFY(QFile::link(s.catalog.path(QStringLiteral("DATA/XRAY/Looped")),
                        s.catalog.path(QStringLiteral("DATA/XRAY/Looped"))));
    const int boxes = int(s.boxes.shown.size());
    s.chooseModel(QStringLiteral("Looped"));
    QCOMPARE(f.windowTitle(), s.data(QStringLiteral("XRAY/Looped/Looped.txt")));
    QCOMPARE(s.boxes.shown.size(), boxes);
    s.stillAnswers();
}

void HostileTest::hugeTextsCostWhatTheirTextCosts()
{
    Session s;
    TForm1 &f = *s.form;
    // A part list of two gigabytes: a few lines, then nothing but NULs.
    const QString list = s.catalog.path(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt"));
    QStringList lines;
    for (int i = 0; i < 24; ++i)
        lines << QStringLiteral("%1 part").arg(100 + i);
    s.catalog.writeLines(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt"), lines);
    QCOMPARE(::truncate(QFile::encodeName(list).constData(), qint64(2) << 30), 0);
    s.catalog.writeJpeg(QStringLiteral("DATA/XRAY/Hostile/Hostile.jpg"), 8, 8, Qt::red);
    const qint64 before = residentBytes();
    s.chooseModel(QStringLiteral("Hostile"));
    QCOMPARE(korvane::testing::partListLines(*f.fl1), lines);
    QVERIFY2(residentBytes() - before < (qint64(64) << 20), "reading grew with the file, not with its text");
    QCOMPARE(s.boxes.shown, QStringList());

    // One line of a hundred megabytes: loaded, and the list still draws.
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt"), QByteArray(100 << 20, 'x') + "\r\nB2 b\r\n");
    s.chooseModel(QStringLiteral("Hostile"));
    QCOMPARE(f.fl1->lineCount(), 2);
    QCOMPARE(f.fl1->line(0).size(), 100 << 20);
    f.fl1->viewport()->repaint();
    QCOMPARE(s.boxes.shown, QStringList());
    s.stillAnswers();
}

void HostileTest::hugeCoordinateGivesAShortBox()
{
    Session s;
    s.chooseModel(QStringLiteral("T4"));
    QByteArray line = "A1=";
    line.append(QByteArray(100 << 20, '7'));
    line.append("-5\r\n");
    s.catalog.writeBmp(kModel + QStringLiteral("Parts/EXPLODED/Huge.bmp"), 40, 40, Qt::white);
    s.catalog.writeBytes(kModel + QStringLiteral("Parts/EXPLODED/Huge.met"), line);
    s.chooseView(QStringLiteral("Huge"));
    for (int press = 0; press < 2; ++press) {
        QTest::mouseClick(s.form->logo, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(s.lastBox().size() < 400);
        QVERIFY(s.lastBox().endsWith(QStringLiteral("7' is not a valid integer value.")));
    }
    QCOMPARE(s.boxes.shown.size(), 2);
    s.stillAnswers();
}

void HostileTest::textThatDoesNotFitNamesItsFile()
{
    Session s;
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt"), QByteArray(300 << 20, 'x'));
    s.catalog.writeJpeg(QStringLiteral("DATA/XRAY/Hostile/Hostile.jpg"), 8, 8, Qt::red);
    s.chooseModel(QStringLiteral("T4"));
    {
        // Far less room than the text needs.
        const AddressSpaceLimit tight(qint64(160) << 20);
        s.chooseModel(QStringLiteral("Hostile"));
    }
#if !defined(KORVANE_ADDRESS_SANITIZER)
    QCOMPARE(s.lastBox(),
             QStringLiteral("Out of memory reading file ") + s.data(QStringLiteral("XRAY/Hostile/Hostile.txt.")));
    QCOMPARE(s.form->fl1->lineCount(), 4); // still T4's
#endif
    QFile::remove(s.catalog.path(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt")));
    s.stillAnswers();
}

void HostileTest::namesFromWindowsArchives()
{
    Session s;
    TForm1 &f = *s.form;
    // "Колёса.txt" in Windows-1251 and "ДЕТАЛИ.txt" in CP866, as an archive
    // made on Windows unpacks them.
    const QByteArray parts = QFile::encodeName(s.catalog.path(kModel + QStringLiteral("Parts/")));
    for (const QByteArray &name :
         {QByteArray("\xCA\xEE\xEB\xB8\xF1\xE0.txt"), QByteArray("\x84\x85\x92\x80\x8B\x88.txt")}) {
        const int fd = ::open((parts + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "W1 wheel\r\n", 10), 10);
        ::close(fd);
    }
    s.catalog.writeLines(kModel + QStringLiteral("Parts/list.txt"),
                         {QStringLiteral("Колёса"), QStringLiteral("Детали")});
    s.chooseModel(QStringLiteral("T4"));
    QCOMPARE(f.Group->entries(), (QStringList{"Детали", "Колёса"}));
    for (const QString &group : {QStringLiteral("Колёса"), QStringLiteral("детали")}) {
        korvane::testing::setPartListLines(*f.fl1, QStringList());
        f.Group->setFocus();
        f.Group->setText(group + u'~');
        f.Group->lineEdit()->end(false);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCOMPARE(korvane::testing::partListLines(*f.fl1), QStringList{QStringLiteral("W1 wheel")});
    }
    QCOMPARE(s.boxes.shown, QStringList());
}

void HostileTest::fullDiskKeepsTheOldFile()
{
    Session s;
    TForm1 &f = *s.form;
    const QString dump = s.catalog.path(QStringLiteral("DATA/PartList.txt"));
    korvane::paths::setPartListDumpForTesting(dump);
    s.catalog.writeBytes(QStringLiteral("DATA/PartList.txt"), "old\r\n");
    korvane::testing::setPartListLines(*f.fl1, QStringList(5000, QStringLiteral("line of a part list")));
    // Only the limit: the program itself must keep the write from ending it.
    struct rlimit saved;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit limit = saved;
    limit.rlim_cur = 1024;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    f.Button7->show();
    QTest::mouseClick(f.Button7, Qt::LeftButton);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    korvane::paths::setPartListDumpForTesting(QString());
    QCOMPARE(s.lastBox(), QStringLiteral("Cannot create file ") + dump + u'.');
    QCOMPARE(readFileBytes(dump), QByteArray("old\r\n"));
    s.stillAnswers();
}

void HostileTest::savesNeverWriteThroughALink()
{
    Session s;
    TForm1 &f = *s.form;
    // Links unpacked from an archive: a photo and the dump that point out of
    // the catalog, one of them to nothing yet.
    const QTemporaryDir outside;
    s.catalog.writeBytes(QStringLiteral("outside.txt"), "outside\r\n");
    const QString photo = s.data(QStringLiteral("XRAY/VICTIM.jpg"));
    const QString ghost = s.data(QStringLiteral("XRAY/Ghost.jpg"));
    const QString dump = s.data(QStringLiteral("PartList.txt"));
    QVERIFY(QFile::link(s.catalog.path(QStringLiteral("outside.txt")), photo));
    QVERIFY(QFile::link(outside.filePath(QStringLiteral("ghost.jpg")), ghost));
    QVERIFY(QFile::link(s.catalog.path(QStringLiteral("outside.txt")), dump));
    const LinkState photoBefore = linkState(photo);
    const LinkState dumpBefore = linkState(dump);

    // The editor's save, driven through its controls.
    s.catalog.writeJpeg(QStringLiteral("pick/a.jpg"), 20, 10, Qt::blue);
    korvane::PictureDialog::setChooserForTesting([&](const korvane::PictureDialog &) -> std::optional<QString> {
        return s.catalog.path(QStringLiteral("pick/a.jpg"));
    });
    const auto noChooser = qScopeGuard([] { korvane::PictureDialog::setChooserForTesting({}); });
    f.Editor->show();
    QTest::mouseClick(f.newpic, Qt::LeftButton);
    QVERIFY(f.newsave->isEnabled());
    for (const QString &code : {QStringLiteral("VICTIM"), QStringLiteral("ghost")}) {
        f.newCode->setFocus();
        f.newCode->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), code);
        QTest::mouseClick(f.newsave, Qt::LeftButton);
        QCOMPARE(f.newCode->text(), code);
    }
    QCOMPARE(s.boxes.shown,
             (QStringList{QStringLiteral("Cannot create file ") + photo + u'.',
                          QStringLiteral("Cannot create file ") + s.data(QStringLiteral("XRAY/ghost.jpg."))}));
    QCOMPARE(linkState(photo), photoBefore);
    QVERIFY(QFileInfo(ghost).isSymLink());
    QVERIFY(!QFileInfo::exists(outside.filePath(QStringLiteral("ghost.jpg"))));

    // The part list dump through a link named PartList.txt.
    korvane::paths::setPartListDumpForTesting(dump);
    const auto noDump = qScopeGuard([] { korvane::paths::setPartListDumpForTesting(QString()); });
    korvane::testing::setPartListLines(*f.fl1, QStringList{QStringLiteral("A1 part")});
    f.Button7->show();
    QTest::mouseClick(f.Button7, Qt::LeftButton);
    QCOMPARE(s.lastBox(), QStringLiteral("Cannot create file ") + dump + u'.');
    QCOMPARE(linkState(dump), dumpBefore);
    QCOMPARE(readFileBytes(s.catalog.path(QStringLiteral("outside.txt"))), QByteArray("outside\r\n"));

    // Folders on the way may be links: a manufacturer kept elsewhere takes
    // its photos as before.
    QVERIFY(QFile::link(outside.path(), s.catalog.path(QStringLiteral("DATA/Shared"))));
    f.Manufacturer->setText(QStringLiteral("Shared"));
    f.newCode->setText(QStringLiteral("P1"));
    QTest::mouseClick(f.newsave, Qt::LeftButton);
    QCOMPARE(s.boxes.shown.size(), 3);
    QCOMPARE(readFileBytes(outside.filePath(QStringLiteral("P1.jpg"))),
             readFileBytes(s.catalog.path(QStringLiteral("pick/a.jpg"))));
    f.Manufacturer->setText(QStringLiteral("XRAY"));
    s.stillAnswers();
}

void HostileTest::endlessScansEndWithTheirBox()
{
    Session s;
    TForm1 &f = *s.form;
    // A progressive JPEG of 4096 x 4096 whose 4,000 scans are one empty scan
    // over and over, 190 KB, as a model's picture.
    s.catalog.writeLines(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt"), {QStringLiteral("A1 part")});
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/Hostile/Hostile.jpg"),
                         korvane::testing::manyScanJpeg(4096, 4096, 4000));
    QElapsedTimer timer;
    timer.start();
    s.chooseModel(QStringLiteral("Hostile"));
    QCOMPARE(s.lastBox(), QStringLiteral("JPEG image has more than 100 scans."));
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QStringLiteral("the box came after %1 ms").arg(timer.elapsed())));
    QCOMPARE(korvane::testing::partListLines(*f.fl1), QStringList{QStringLiteral("A1 part")});

    // The same with refinement scans, each of which runs through the whole
    // band of every block.
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/Hostile/Hostile.jpg"),
                         korvane::testing::manyScanJpeg(4096, 4096, 4000, true));
    timer.restart();
    s.chooseModel(QStringLiteral("Hostile"));
    QCOMPARE(s.lastBox(), QStringLiteral("JPEG error #%1.").arg(JWRN_BOGUS_PROGRESSION));
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QStringLiteral("the box came after %1 ms").arg(timer.elapsed())));
    QCOMPARE(s.boxes.shown.size(), 2);
    s.stillAnswers();
}

void HostileTest::bitmapClaimingAGigabyteEndsWithItsBox()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeLines(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt"), {QStringLiteral("A1 part")});
    s.catalog.writeJpeg(QStringLiteral("DATA/XRAY/Hostile/Hostile.jpg"), 8, 8, Qt::red);
    s.chooseModel(QStringLiteral("Hostile"));
    // An 8-bit run-length bitmap of 1,080 bytes that claims 16384 x 16384
    // pixels (a gigabyte) as a diagram; a real one of 12 MP beside it.
    korvane::testing::Bitmap claim;
    claim.width = 16384;
    claim.height = 16384;
    claim.bitCount = 8;
    claim.compression = 1;
    for (int i = 0; i < 256; ++i)
        claim.palette.append(qRgb(i, i, i));
    claim.pixels = QByteArray("\0\1", 2);
    QCOMPARE(claim.bytes().size(), 1080);
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/Hostile/Parts/EXPLODED/Claim.bmp"), claim.bytes());
    const qint64 before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    s.chooseView(QStringLiteral("Claim"));
    QCOMPARE(s.lastBox(), QStringLiteral("Bitmap image is not valid."));
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QStringLiteral("the box came after %1 ms").arg(timer.elapsed())));
    QVERIFY2(residentBytes() - before < (qint64(64) << 20), "the claim was allocated");

    claim.width = 4000;
    claim.height = 3000;
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/Hostile/Parts/EXPLODED/Real.bmp"), claim.bytes());
    s.catalog.writeLines(QStringLiteral("DATA/XRAY/Hostile/Parts/EXPLODED/Real.met"), {QStringLiteral("A1=10-10")});
    const int boxes = int(s.boxes.shown.size());
    s.chooseView(QStringLiteral("Real"));
    QCOMPARE(s.boxes.shown.size(), boxes);
    QCOMPARE(f.logo->picture().size(), QSize(4000, 3000));
    s.stillAnswers();
}

void HostileTest::devicesAreNeverOpened()
{
    Session s;
    TForm1 &f = *s.form;
    // A FIFO outside the catalog stands in for a device whose opening has
    // effects of its own (a watchdog, a tape); inotify tells whether anything
    // opened it. The catalog's part list, picture, diagram and photo link to it.
    const QTemporaryDir outside;
    const QString device = outside.filePath(QStringLiteral("device"));
    QCOMPARE(::mkfifo(QFile::encodeName(device).constData(), 0644), 0);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
    QVERIFY(::inotify_add_watch(watch, QFile::encodeName(device).constData(), IN_OPEN) >= 0);
    const QString model = s.data(QStringLiteral("XRAY/Hostile/"));
    QVERIFY(QDir().mkpath(model + QStringLiteral("Parts/EXPLODED")));
    for (const QString &name :
         {QStringLiteral("Hostile.txt"), QStringLiteral("Hostile.jpg"), QStringLiteral("Parts/EXPLODED/Dev.bmp")})
        QVERIFY(QFile::link(device, model + name));
    QVERIFY(QFile::link(device, s.data(QStringLiteral("IMG/xraA1.jpg"))));

    s.chooseModel(QStringLiteral("Hostile"));
    QCOMPARE(s.lastBox(), QStringLiteral("Cannot open file ") + model + QStringLiteral("Hostile.txt."));
    QVERIFY(QFile::remove(model + QStringLiteral("Hostile.txt")));
    s.catalog.writeLines(QStringLiteral("DATA/XRAY/Hostile/Hostile.txt"), {QStringLiteral("A1 part")});
    s.chooseModel(QStringLiteral("Hostile"));
    QCOMPARE(s.lastBox(), QStringLiteral("Cannot open file ") + model + QStringLiteral("Hostile.jpg."));
    s.chooseView(QStringLiteral("Dev"));
    QCOMPARE(s.lastBox(), QStringLiteral("Cannot open file ") + model + QStringLiteral("Parts/EXPLODED/Dev.bmp."));
    // The photo's existence test finds the link, as it finds any name that is
    // no folder; the read that follows refuses it.
    QTest::mouseClick(f.fl1->viewport(), Qt::LeftButton, {}, f.fl1->visualRect(f.fl1->model()->index(0, 0)).center());
    QCOMPARE(s.lastBox(), QStringLiteral("Cannot open file ") + s.data(QStringLiteral("IMG/xraA1.jpg.")));
    QCOMPARE(s.boxes.shown.size(), 4);

    char events[4096];
    QCOMPARE(::read(watch, events, sizeof events), ssize_t(-1));
    QCOMPARE(errno, EAGAIN);
    s.stillAnswers();
}

void HostileTest::unreadableFilesAsANormalUser()
{
    // Permissions do not stop root, so a child becomes an ordinary user to
    // read a list it may not read.
    TestCatalog catalog;
    catalog.writeLines(QStringLiteral("DATA/secret.txt"), {QStringLiteral("x")});
    const QByteArray path = QFile::encodeName(catalog.path(QStringLiteral("DATA/secret.txt")));
    QCOMPARE(::chmod(path.constData(), 0600), 0);
    QCOMPARE(::chmod(QFile::encodeName(catalog.root()).constData(), 0755), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        if (::geteuid() == 0 || ::access(path.constData(), R_OK) == 0)
            ::_exit(4); // the file stays readable: nothing to show
        try {
            korvane::testing::readCatalogLines(korvane::ComposedPath(QString::fromUtf8(path)));
        } catch (const korvane::Failure &failure) {
            ::_exit(failure.message() == QStringLiteral("Cannot open file ") + QString::fromUtf8(path) ? 0 : 1);
        }
        ::_exit(2);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3 || WEXITSTATUS(status) == 4)
        QSKIP("this machine cannot take the test to an ordinary user");
    QCOMPARE(WEXITSTATUS(status), 0);
}

QTEST_MAIN(HostileTest)
#include "tst_hostile.moc"
