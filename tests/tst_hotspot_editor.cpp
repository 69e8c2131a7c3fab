#include "TestCatalog.h"

#include "catalog/CatalogText.h"
#include "catalog/HotspotCheck.h"
#include "catalog/Hotspots.h"
#include "hotspots/DiagramView.h"
#include "hotspots/HotspotDocument.h"
#include "hotspots/HotspotWindow.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "support/CatalogTexts.h"
#include "ui/Unit1.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QStringListModel>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace korvane;
using namespace korvane::hotspots;

namespace {

const QString kView = QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/Gearbox");
const QColor kWhite(Qt::white);

// The hotspot editor on a diagram of the sample catalog (T4's "Gearbox",
// 200 x 150, white), its hotspot file holding the given bytes (none: no file).
struct Editor
{
    explicit Editor(const std::optional<QByteArray> &met, const QString &diagram = kView)
    {
        catalog.writeSampleCatalog();
        catalog.writeBmp(diagram + QStringLiteral(".bmp"), 200, 150, kWhite);
        metPath = catalog.path(diagram + QStringLiteral(".met"));
        if (met)
            catalog.writeBytes(diagram + QStringLiteral(".met"), *met);
        window = std::make_unique<HotspotWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QVERIFY(window->openDiagram(catalog.path(diagram + QStringLiteral(".bmp"))));
    }

    DiagramView *view() const { return window->findChild<DiagramView *>(QStringLiteral("diagram")); }
    HotspotDocument *document() const { return window->findChild<HotspotDocument *>(); }
    QLineEdit *name() const { return window->findChild<QLineEdit *>(QStringLiteral("hotspotName")); }
    QTableView *list() const { return window->findChild<QTableView *>(QStringLiteral("hotspotList")); }
    QString nameMessage() const { return window->findChild<QLabel *>(QStringLiteral("hotspotNameMessage"))->text(); }

    // A press where a person's pointer would be over diagram pixel (x, y).
    void press(QPoint pixel) const
    {
        const int zoom = view()->zoom();
        QTest::mouseClick(view(), Qt::LeftButton, {}, pixel * zoom + QPoint(zoom / 2, zoom / 2));
    }
    void drag(QPoint from, QPoint to) const
    {
        QTest::mousePress(view(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view(), (from + to) / 2);
        QTest::mouseMove(view(), to);
        QTest::mouseRelease(view(), Qt::LeftButton, {}, to);
    }
    // Keys go where a person's keys go: to the focus widget (an open
    // completion list hands them on to the name field).
    static void type(const QString &text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i).unicode() < 128) {
                QTest::keyClick(QApplication::focusWidget(), text.at(i).toLatin1());
                continue;
            }
            // What an input method hands over: a key with text and no code.
            const qsizetype units = text.at(i).isHighSurrogate() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, text.sliced(i, units),
                                Qt::NoModifier);
            i += units - 1;
        }
    }
    static void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    static void save() { key(Qt::Key_S, Qt::ControlModifier); }
    QByteArray saved() const { return readFileBytes(metPath); }

    TestCatalog catalog;
    QString metPath;
    std::unique_ptr<HotspotWindow> window;
};

// Answers the next modal box with a key, once it shows; what it said is kept.
struct ModalAnswer
{
    explicit ModalAnswer(Qt::Key answer)
    {
        QTimer::singleShot(0, [this, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            QTest::keyClick(box, answer);
        });
    }
    QString text;
};

} // namespace

class HotspotEditorTest : public QObject
{
    Q_OBJECT

private slots:
    void placeNameMoveDeleteAndUndoByHand();
    void filesKeepTheirBytes_data();
    void filesKeepTheirBytes();
    void refusedNamesWriteNothing_data();
    void refusedNamesWriteNothing();
    void linesAreCheckedAsTheCheckerChecksThem();
    void boxesAreWhereTheBrowserHits();
    void closingWithChangesAsks();
    void helpAndVersionNeedNoDisplay();
};

void HotspotEditorTest::placeNameMoveDeleteAndUndoByHand()
{
    const QByteArray original = "301011=50-40\r\n";
    Editor e(original);
    // The model's codes and its groups', each once; those not placed first.
    QCOMPARE(e.window->partCodes(), (QStringList{"301011", "3010111", "302001", "A7"}));

    e.press({120, 90});
    QCOMPARE(QApplication::focusWidget(), e.name());
    const QStringList offered = qobject_cast<QStringListModel *>(e.name()->completer()->model())->stringList();
    QCOMPARE(offered, (QStringList{"3010111", "302001", "A7", "301011"}));
    e.type(QStringLiteral("302001"));
    e.key(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), e.view());
    e.save();
    QCOMPARE(e.saved(), original + "302001=120-90\r\n");

    // The new hotspot is selected: arrows move it a pixel, with Shift ten.
    QCOMPARE(e.list()->currentIndex().row(), 1);
    e.key(Qt::Key_Right);
    e.key(Qt::Key_Down, Qt::ShiftModifier);
    e.save();
    QCOMPARE(e.saved(), original + "302001=121-100\r\n");

    // A drag on the first box moves it by as much as the pointer went.
    e.drag({52, 41}, {62, 47});
    QCOMPARE(e.list()->currentIndex().row(), 0);
    e.save();
    QCOMPARE(e.saved(), "301011=60-46\r\n302001=121-100\r\n");

    // The list's selection is the view's: a line picked there is deleted
    // from the diagram.
    e.list()->setFocus();
    e.key(Qt::Key_Down);
    QCOMPARE(e.view()->selectedLine(), 1);
    e.key(Qt::Key_Delete);
    e.save();
    QCOMPARE(e.saved(), "301011=60-46\r\n");

    // Escape takes a new point away before it is in the file.
    e.press({150, 120});
    e.type(QStringLiteral("A7"));
    e.key(Qt::Key_Escape);
    QCOMPARE(e.document()->lineCount(), 1);
    QCOMPARE(QApplication::focusWidget(), e.view());
    QCOMPARE(e.view()->selectedLine(), -1);

    // Every change undone gives the file's bytes back; redo goes forward.
    for (int i = 0; i < 5; ++i)
        e.key(Qt::Key_Z, Qt::ControlModifier);
    e.save();
    QCOMPARE(e.saved(), original);
    e.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    e.save();
    QCOMPARE(e.saved(), original + "302001=120-90\r\n");
}

void HotspotEditorTest::filesKeepTheirBytes_data()
{
    // What the file holds, what is done by hand ("add": a hotspot N1 at
    // 150, 100; "delete N": line N picked in the list and deleted), and the
    // bytes saved. Saved unchanged, and after every change is undone, the
    // file is what it was.
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QByteArray>("after");
    const QByteArray added = "N1=150-100\r\n";
    QTest::newRow("CR LF") << QByteArray("A=1-2\r\nB=3-4\r\n") << "add" << QByteArray("A=1-2\r\nB=3-4\r\n") + added;
    QTest::newRow("LF alone") << QByteArray("A=1-2\nB=3-4\n") << "add" << QByteArray("A=1-2\nB=3-4\n") + added;
    QTest::newRow("CR alone") << QByteArray("A=1-2\rB=3-4\r") << "add" << QByteArray("A=1-2\rB=3-4\r") + added;
    QTest::newRow("LF CR, an empty line between")
        << QByteArray("A=1-2\n\rB=3-4") << "add" << QByteArray("A=1-2\n\rB=3-4\r\n") + added;
    QTest::newRow("no line break at the end") << QByteArray("A=1-2") << "add" << QByteArray("A=1-2\r\n") + added;
    QTest::newRow("bytes after a NUL") << QByteArray("A=1-2\r\n\0junk\xff\r\n", 15) << "add"
                                       << QByteArray("A=1-2\r\n") + added + QByteArray("\0junk\xff\r\n", 8);
    QTest::newRow("NUL right after a line")
        << QByteArray("A=1-2\0z", 7) << "add" << QByteArray("A=1-2\r\n") + added + QByteArray("\0z", 2);
    QTest::newRow("lines that are no hotspots, trailing blanks")
        << QByteArray("; drawn 1998  \r\nB=12a-4\r\nC=5-6 \r\n\r\n") << "add"
        << QByteArray("; drawn 1998  \r\nB=12a-4\r\nC=5-6 \r\n\r\n") + added;
    QTest::newRow("Windows-1251 names, a byte-order mark") << QByteArray("\xef\xbb\xbf"
                                                                         "A=1-2\r\n\xca\xf3=3-4\r\n")
                                                           << "add"
                                                           << QByteArray("\xef\xbb\xbf"
                                                                         "A=1-2\r\n\xca\xf3=3-4\r\n")
                                                                  + added;
    QTest::newRow("empty file") << QByteArray() << "add" << added;
    QTest::newRow("delete between lines")
        << QByteArray("A=1-2\nB=3-4\r\nC=5-6") << "delete 2" << QByteArray("A=1-2\nC=5-6");
    QTest::newRow("delete keeps an empty line after a CR")
        << QByteArray("A=1-2\rB=3-4\r\n\nC=5-6") << "delete 2" << QByteArray("A=1-2\r\n\nC=5-6");
    QTest::newRow("delete the last line") << QByteArray("A=1-2\r\nB") << "delete 2" << QByteArray("A=1-2\r\n");
}

void HotspotEditorTest::filesKeepTheirBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, change);
    QFETCH(QByteArray, after);
    Editor e(before);
    e.save();
    QCOMPARE(e.saved(), before);

    if (change == u"add") {
        e.press({150, 100});
        e.type(QStringLiteral("N1"));
        e.key(Qt::Key_Return);
    } else {
        const int row = change.section(u' ', 1).toInt() - 1;
        QTest::mouseClick(e.list()->viewport(), Qt::LeftButton, {},
                          e.list()->visualRect(e.list()->model()->index(row, 0)).center());
        e.key(Qt::Key_Delete);
    }
    e.save();
    QCOMPARE(e.saved(), after);
    // Read back, the lines are the editor's.
    const QStringList reread = testing::splitCatalogLines(after);
    QCOMPARE(e.document()->lineCount(), reread.size());

    e.key(Qt::Key_Z, Qt::ControlModifier);
    e.save();
    QCOMPARE(e.saved(), before);
}

void HotspotEditorTest::refusedNamesWriteNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString() << "needs a name";
    QTest::newRow("equals sign") << "A=7"
                                 << "cannot hold \"=\"";
    QTest::newRow("outside Windows-1251") << QStringLiteral("A\u4e2d") << "\"\u4e2d\" is not in Windows-1251";
    QTest::newRow("outside the plane") << QStringLiteral("\U0001F600") << "\"\U0001F600\" is not in Windows-1251";
}

void HotspotEditorTest::refusedNamesWriteNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QByteArray original = "A7=30-30\n";
    Editor e(original);

    // A new point: refused, it waits in the field; Ctrl+S writes nothing.
    e.press({150, 100});
    e.type(name);
    e.key(Qt::Key_Return);
    QVERIFY2(e.nameMessage().contains(message), qPrintable(e.nameMessage()));
    QCOMPARE(QApplication::focusWidget(), e.name());
    QCOMPARE(e.document()->lineCount(), 1);
    QFile::remove(e.metPath);
    e.save();
    QCOMPARE(e.saved(), QByteArray("<missing>"));
    // Escape: the point goes, and nothing else is selected on the way.
    e.key(Qt::Key_Escape);
    QCOMPARE(e.view()->selectedLine(), -1);

    // Renaming a hotspot: the same.
    e.catalog.writeBytes(kView + QStringLiteral(".met"), original);
    e.press({30, 30});
    e.key(Qt::Key_F2);
    QCOMPARE(QApplication::focusWidget(), e.name());
    e.key(Qt::Key_Backspace);
    e.key(Qt::Key_Backspace);
    e.type(name);
    e.save();
    QVERIFY2(e.nameMessage().contains(message), qPrintable(e.nameMessage()));
    QCOMPARE(e.saved(), original);
    QVERIFY(e.document()->undoStack()->isClean());
}

void HotspotEditorTest::linesAreCheckedAsTheCheckerChecksThem()
{
    const QByteArray met("301011=50-40\r\n"
                         "ZZ9=60-40\r\n"
                         "=70-40\r\n"
                         "A7=500-40\r\n"
                         "ZZ9=700-40\r\n"
                         "A7 90-40\r\n"
                         "A7=5\r\n"
                         "302001=80-x\r\n"
                         "A7=90-40\r\n");
    Editor e(met);
    const auto mark = [&](int row, int role = Qt::DisplayRole) {
        return e.list()->model()->index(row, HotspotDocument::CheckColumn).data(role).toString();
    };
    // What korvane-check says of each line: its own function over the file
    // as it reads it, knowing the diagram's size and the model part list.
    const HotspotTable table(CatalogLines::fromText(met));
    const CatalogLines parts = CatalogLines::fromText(readFileBytes(e.catalog.path("DATA/XRAY/T4/T4.txt")));
    const HotspotContext context{QSize(200, 150), &parts, QStringLiteral("T4.txt")};
    const auto checkerSays = [&](int row) {
        QStringList messages;
        for (const HotspotFault &fault : checkHotspotLine(table, row, context).faults)
            messages.append(fault.message);
        return messages;
    };
    QCOMPARE(mark(0), QString());
    QCOMPARE(mark(1), QStringLiteral("hotspot 'ZZ9' at 60,40 begins no line of the part list 'T4.txt': a press on "
                                     "it selects nothing; name it by a part code of that list"));
    // A name, a point outside the diagram or the picture area, a line cut
    // where the one before was, coordinates that do not convert: each its
    // message, several joined.
    for (int row = 1; row < 8; ++row) {
        QVERIFY(!checkerSays(row).isEmpty());
        QCOMPARE(mark(row), checkerSays(row).join(QStringLiteral(" | ")));
        QCOMPARE(mark(row, Qt::ToolTipRole), checkerSays(row).join(u'\n'));
    }
    QCOMPARE(checkerSays(4).size(), 2);
    // The checker speaks of the line that stops every press; the editor
    // marks each line after it too.
    QCOMPARE(checkerSays(8), QStringList());
    QCOMPARE(mark(8), QStringLiteral("hotspot line 'A7=90-40' is never reached: every press on the diagram stops at "
                                     "line 7 before it; mend or delete that line"));
    const HotspotDocument *document = e.document();
    QCOMPARE(document->severity(1), Severity::Warning);
    QCOMPARE(document->severity(2), Severity::Error);
    QCOMPARE(document->severity(8), Severity::Error);
    // Deleting the lines that stop every press brings the rest back.
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(e.list()->viewport(), Qt::LeftButton, {},
                          e.list()->visualRect(e.list()->model()->index(6, 0)).center());
        e.key(Qt::Key_Delete);
    }
    QCOMPARE(mark(6), QString());
    QCOMPARE(document->severity(6), Severity::None);

    // Outside a catalog no codes are offered and no name is looked for in a
    // part list. The hotspot file is found, and written, in another letter
    // case, as the browser finds it.
    e.save();
    e.catalog.writeBmp(QStringLiteral("Loose/Gearbox.bmp"), 200, 150, kWhite);
    e.catalog.writeBytes(QStringLiteral("Loose/GEARBOX.MET"), "ZZ9=60-40\n");
    QVERIFY(e.window->openDiagram(e.catalog.path(QStringLiteral("Loose/Gearbox.bmp"))));
    QCOMPARE(e.window->partCodes(), QStringList());
    QCOMPARE(mark(0), QString());
    e.press({60, 40});
    e.key(Qt::Key_Up);
    e.save();
    QCOMPARE(readFileBytes(e.catalog.path(QStringLiteral("Loose/GEARBOX.MET"))), QByteArray("ZZ9=60-39\r\n"));
    QVERIFY(!QFile::exists(e.catalog.path(QStringLiteral("Loose/Gearbox.met"))));
}

void HotspotEditorTest::boxesAreWhereTheBrowserHits()
{
    // Two boxes overlap; the later line takes the press there. A third one
    // far away changes the search between presses.
    Editor e(QByteArray("302001=100-60\r\nA7=135-72\r\n301011=30-120\r\n"));
    QImage drawn = e.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto outlined = [&](int x, int y) {
        const QColor c = drawn.pixelColor(x, y);
        return c.blue() > 150 && c.red() < 80;
    };
    // The first box's outline, on the row and the column of its point.
    int left = 100, right = 100, top = 60, bottom = 60;
    while (left > 0 && !outlined(left, 60))
        --left;
    while (right < 199 && !outlined(right, 60))
        ++right;
    while (top > 0 && !outlined(100, top))
        --top;
    while (bottom < 149 && !outlined(100, bottom))
        ++bottom;
    QCOMPARE(QRect(QPoint(left, top), QPoint(right, bottom)), *hotspotHitBox(100, 60, 20, 8));

    // Every press at and beside the edges, in Try mode and in the browser on
    // the saved file: the same name in the search, the same line selected.
    e.save();
    SampleSession browser([&](TestCatalog &) {});
    QFile::copy(e.metPath, browser.data(QStringLiteral("XRAY/T4/Parts/EXPLODED/Gearbox.met")));
    QFile::copy(e.catalog.path(kView + QStringLiteral(".bmp")),
                browser.data(QStringLiteral("XRAY/T4/Parts/EXPLODED/Gearbox.bmp")));
    TForm1 &f = *browser.form;
    f.Manufacturer->setText(QStringLiteral("XRAY"));
    f.Model->setText(QStringLiteral("T4"));
    f.fl1->setLines(testing::readCatalogLines(browser.data(QStringLiteral("XRAY/T4/T4.txt"))));
    f.exview->setText(QStringLiteral("Gearbox~"));
    f.exview->lineEdit()->end(false);
    QTest::keyClick(f.exview, Qt::Key_Backspace);
    QCOMPARE(HotspotCount, 3);

    e.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(e.window.get()));
    e.key(Qt::Key_T, Qt::ControlModifier);
    auto *search = e.window->findChild<QLineEdit *>(QStringLiteral("trySearch"));
    auto *parts = e.window->findChild<PartListBox *>(QStringLiteral("tryPartList"));
    const QPoint far(30, 120);
    const QPoint presses[] = {{left, 60},
                              {right, 60},
                              far,
                              {100, top},
                              {100, bottom},
                              {left, top},
                              {right, bottom},
                              far,
                              {left - 1, 60},
                              far,
                              {right + 1, 60},
                              far,
                              {100, top - 1},
                              far,
                              {100, bottom + 1},
                              {118, 66}};
    QStringList seen;
    for (const QPoint at : presses) {
        QTest::mouseClick(f.logo, Qt::LeftButton, {}, at);
        e.press(at);
        QCOMPARE(search->text(), f.savnam->text());
        QCOMPARE(parts->selectedIndex(), f.fl1->selectedIndex());
        seen.append(search->text());
    }
    QCOMPARE(seen, (QStringList{"302001", "302001", "301011", "302001", "302001", "302001", "A7", "301011", "301011",
                                "301011", "301011", "301011", "301011", "301011", "301011", "A7"}));
    // At zoom 4 a press anywhere inside a pixel is that pixel.
    e.key(Qt::Key_4, Qt::ControlModifier);
    QTest::mouseClick(e.view(), Qt::LeftButton, {}, QPoint(left * 4 + 3, 60 * 4));
    QCOMPARE(search->text(), QStringLiteral("302001"));
    QCOMPARE(browser.boxes.shown, QStringList());
}

void HotspotEditorTest::closingWithChangesAsks()
{
    Editor e(QByteArray("A7=30-30\r\n"));
    e.press({30, 30});
    e.key(Qt::Key_Left);
    // Cancelled: the window stays.
    ModalAnswer cancel(Qt::Key_Escape);
    QVERIFY(!e.window->close());
    QVERIFY2(cancel.text.contains(QStringLiteral("Gearbox.met")), qPrintable(cancel.text));
    QVERIFY(e.window->isVisible());
    // Saved on the way out.
    ModalAnswer keep(Qt::Key_Return);
    QVERIFY(e.window->close());
    QCOMPARE(e.saved(), QByteArray("A7=29-30\r\n"));
}

void HotspotEditorTest::helpAndVersionNeedNoDisplay()
{
    for (const char *option : {"--help", "--version"}) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KORVANE_HOTSPOTS), {QString::fromLatin1(option)});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QByteArray out = program.readAllStandardOutput();
        QVERIFY2(out.startsWith(qstrcmp(option, "--help") == 0 ? "Usage: korvane-hotspots [options] [DIAGRAM]\n"
                                                               : "korvane-hotspots "),
                 out.constData());
    }
}

QTEST_MAIN(HotspotEditorTest)
#include "tst_hotspot_editor.moc"
