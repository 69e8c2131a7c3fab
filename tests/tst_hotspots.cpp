#include "TestCatalog.h"

#include "catalog/Failure.h"
#include "catalog/IntegerText.h"
#include "platform/EditableDropDown.h"
#include "platform/HotspotGrid.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "support/CatalogTexts.h"
#include "support/ControlTexts.h"
#include "ui/Unit1.h"

#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <optional>

using namespace korvane;

namespace {

const QString kViews = QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/");

struct Session : SampleSession
{
    explicit Session(bool withCatalogList = true)
        : SampleSession([withCatalogList](TestCatalog &catalog) {
              if (!withCatalogList)
                  QFile::remove(catalog.path(QStringLiteral("DATA/catalog.txt")));
          })
    {
        form->Manufacturer->setText(QStringLiteral("XRAY"));
        form->Model->setText(QStringLiteral("T4"));
        testing::setPartListLines(*form->fl1, {QStringLiteral("A1 first"), QStringLiteral("b7 shock"),
                                               QStringLiteral("B70 long shock"), QStringLiteral("C3 gear"),
                                               QStringLiteral("A1x other")});
    }

    // A view with a diagram and a hotspot file, chosen the way the user does.
    void chooseView(const QString &view, const QStringList &hotspots, QSize diagram = {200, 150}) const
    {
        catalog.writeBmp(kViews + view + QStringLiteral(".bmp"), diagram.width(), diagram.height(), Qt::white);
        catalog.writeLines(kViews + view + QStringLiteral(".met"), hotspots);
        typeView(view);
    }

    void typeView(const QString &view) const
    {
        form->exview->setText(view + u'~');
        form->exview->lineEdit()->end(false);
        QTest::keyClick(form->exview, Qt::Key_Backspace);
    }

    void press(int x, int y, Qt::MouseButton button = Qt::LeftButton) const
    {
        QTest::mousePress(form->logo, button, {}, QPoint(x, y));
        QTest::mouseRelease(form->logo, button, {}, QPoint(x, y));
    }
};

} // namespace

class HotspotsTest : public QObject
{
    Q_OBJECT

private slots:
    void conversionRules_data();
    void conversionRules();
    void viewLoadsDiagramAndHotspotTable();
    void hitBoxEdges_data();
    void hitBoxEdges();
    void laterHitsOverwriteAndEveryRowReselects();
    void badCellEndsThePressAtItsRow();
    void failuresKeepWhatWasThere();
    void cutShortStartUpLeavesPressesDead();
    void testButtonToggles();
};

void HotspotsTest::conversionRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<qint32>>("value");
    const auto ok = [](const char *text, qint32 value) {
        QTest::newRow(text) << QString::fromLatin1(text) << std::optional<qint32>(value);
    };
    const auto bad
        = [](const char *row, const QString &text) { QTest::newRow(row) << text << std::optional<qint32>(); };
    ok("0", 0);
    ok("120", 120);
    ok("   45", 45);
    ok("+7", 7);
    ok("-5", -5);
    ok("  -0012", -12);
    ok("2147483647", 2147483647);
    ok("-2147483648", qint32(-2147483647 - 1));
    ok("$1F", 31);
    ok("0x10", 16);
    ok("0XfF", 255);
    ok("$FFFFFFFF", -1);
    ok("$7fffffff", 2147483647);
    ok(" $10", 16);
    bad("empty", QString());
    bad("blanks only", QStringLiteral("   "));
    bad("trailing blank", QStringLiteral("12 "));
    bad("inner blank", QStringLiteral("1 2"));
    bad("sign only", QStringLiteral("-"));
    bad("one too many", QStringLiteral("2147483648"));
    bad("one too few", QStringLiteral("-2147483649"));
    bad("11 digits", QStringLiteral("12345678901"));
    bad("dollar alone", QStringLiteral("$"));
    bad("0x alone", QStringLiteral("0x"));
    bad("nine hex digits", QStringLiteral("$123456789"));
    bad("signed hex", QStringLiteral("-$10"));
    bad("bad hex digit", QStringLiteral("0x1G"));
    bad("letters after digits", QStringLiteral("12a"));
    bad("tab before", QStringLiteral("\t12"));
    bad("Arabic-Indic digit", QStringLiteral("\u0663"));
    bad("decimal point", QStringLiteral("1.5"));
}

void HotspotsTest::conversionRules()
{
    QFETCH(QString, text);
    QFETCH(std::optional<qint32>, value);
    try {
        const qint32 converted = testing::convertToInteger(text);
        QVERIFY2(value, qPrintable(QStringLiteral("converted to %1").arg(converted)));
        QCOMPARE(converted, *value);
    } catch (const Failure &failure) {
        QVERIFY2(!value, qPrintable(failure.message()));
        QCOMPARE(failure.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

void HotspotsTest::viewLoadsDiagramAndHotspotTable()
{
    Session s;
    TForm1 &f = *s.form;
    s.chooseView(QStringLiteral("Gearbox"),
                 {QStringLiteral("A1=100-50"), QStringLiteral("B-7=-5-10"), QString(), QStringLiteral("C3=5--10")});
    QCOMPARE(s.boxes.shown, QStringList());
    QCOMPARE(f.logo->picture().size(), QSize(200, 150));
    QCOMPARE(HotspotCount, 4);
    QCOMPARE(f.lbmet->lineCount(), 4);
    QCOMPARE(testing::gridRowCount(*f.sg1), 5);
    QCOMPARE(testing::gridCell(*f.sg1, 3, 1), QStringLiteral("A1"));
    QCOMPARE(testing::gridCell(*f.sg1, 1, 1), QStringLiteral("100"));
    QCOMPARE(testing::gridCell(*f.sg1, 2, 1), QStringLiteral("50"));
    QCOMPARE(testing::gridCell(*f.sg1, 3, 2), QStringLiteral("B-7"));
    QCOMPARE(testing::gridCell(*f.sg1, 1, 2), QStringLiteral("-5"));
    QCOMPARE(testing::gridCell(*f.sg1, 2, 2), QStringLiteral("10"));
    // The empty line is cut at the earlier line's positions: all empty.
    QCOMPARE(testing::gridCell(*f.sg1, 3, 3), QString());
    QCOMPARE(testing::gridCell(*f.sg1, 1, 3), QString());
    QCOMPARE(testing::gridCell(*f.sg1, 2, 3), QString());
    QCOMPARE(testing::gridCell(*f.sg1, 1, 4), QStringLiteral("5-"));
    QCOMPARE(testing::gridCell(*f.sg1, 0, 1), QString());
    QCOMPARE(testing::gridCell(*f.sg1, 1, 0), QString());

    // Fewer lines next time: exactly that many rows.
    s.chooseView(QStringLiteral("Small"), {QStringLiteral("Z=1-1")});
    QCOMPARE(HotspotCount, 1);
    QCOMPARE(testing::gridRowCount(*f.sg1), 2);
    QCOMPARE(testing::gridCell(*f.sg1, 3, 2), QString());
    // An empty hotspot file: no rows. A diagram of zero bytes is an empty picture.
    s.catalog.writeBytes(kViews + QStringLiteral("Empty.bmp"), QByteArray());
    s.catalog.writeBytes(kViews + QStringLiteral("Empty.met"), QByteArray());
    s.typeView(QStringLiteral("Empty"));
    QCOMPARE(s.boxes.shown, QStringList());
    QVERIFY(f.logo->picture().isNull());
    QCOMPARE(HotspotCount, 0);
    QCOMPARE(testing::gridRowCount(*f.sg1), 1);
}

void HotspotsTest::hitBoxEdges_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<bool>("hit");
    QTest::newRow("on the point") << QPoint(100, 50) << true;
    QTest::newRow("19 right, 7 down") << QPoint(119, 57) << true;
    QTest::newRow("19 left, 7 up") << QPoint(81, 43) << true;
    QTest::newRow("20 right") << QPoint(120, 50) << false;
    QTest::newRow("20 left") << QPoint(80, 50) << false;
    QTest::newRow("8 down") << QPoint(100, 58) << false;
    QTest::newRow("8 up") << QPoint(100, 42) << false;
}

void HotspotsTest::hitBoxEdges()
{
    QFETCH(QPoint, press);
    QFETCH(bool, hit);
    Session s;
    TForm1 &f = *s.form;
    s.chooseView(QStringLiteral("Gearbox"), {QStringLiteral("C3=100-50")});
    f.savnam->setText(QStringLiteral("b7"));
    f.setStatusText(QStringLiteral("untouched"));
    s.press(press.x(), press.y());
    QCOMPARE(f.savnam->text(), hit ? QStringLiteral("C3") : QStringLiteral("b7"));
    QCOMPARE(f.fl1->selectedIndex(), hit ? 3 : 1);
    // The selection is the program's: no part-click action.
    QCOMPARE(f.statusText(), QStringLiteral("untouched"));
    QCOMPARE(f.newCode->text(), QString());
}

void HotspotsTest::laterHitsOverwriteAndEveryRowReselects()
{
    Session s;
    TForm1 &f = *s.form;
    s.chooseView(QStringLiteral("Gearbox"), {QStringLiteral("C3=50-50"), QStringLiteral("b7=55-52"),
                                             QStringLiteral("=52-50"), QStringLiteral("Far=180-140")});
    // Two hits: the later one in the file wins; its name begins two lines, the
    // first of them is selected; letter case is ignored. The nameless hit
    // leaves the text alone. Right and middle buttons press as well.
    s.press(52, 50, Qt::RightButton);
    QCOMPARE(f.savnam->text(), QStringLiteral("b7"));
    QCOMPARE(f.fl1->selectedIndex(), 1);

    // A press that hits nothing still selects by the current text again.
    f.fl1->selectLine(4);
    s.press(5, 140, Qt::MiddleButton);
    QCOMPARE(f.fl1->selectedIndex(), 1);

    // A name that begins no line leaves the selection where it was.
    s.chooseView(QStringLiteral("Other"), {QStringLiteral("ZZ=10-10")});
    f.fl1->selectLine(3);
    f.savnam->setText(QStringLiteral("nothing"));
    s.press(10, 10);
    QCOMPARE(f.savnam->text(), QStringLiteral("ZZ"));
    QCOMPARE(f.fl1->selectedIndex(), 3);

    // Presses on the area beside a smaller diagram are tested too.
    s.chooseView(QStringLiteral("Tiny"), {QStringLiteral("A1=300-300")}, QSize(20, 20));
    s.press(310, 305);
    QCOMPARE(f.savnam->text(), QStringLiteral("A1"));
    QCOMPARE(f.fl1->selectedIndex(), 0);
    QCOMPARE(s.boxes.shown, QStringList());
}

void HotspotsTest::badCellEndsThePressAtItsRow()
{
    Session s;
    TForm1 &f = *s.form;
    s.chooseView(QStringLiteral("Gearbox"),
                 {QStringLiteral("A1=10-10"), QStringLiteral("b7=abc-10"), QStringLiteral("C3=10-10")});
    s.press(10, 10);
    QCOMPARE(s.boxes.shown, QStringList{QStringLiteral("'abc' is not a valid integer value.")});
    // Row 1 did its part; row 3 was never reached.
    QCOMPARE(f.savnam->text(), QStringLiteral("A1"));
    QCOMPARE(f.fl1->selectedIndex(), 0);
    // Every press fails again at that row.
    s.press(100, 100);
    QCOMPARE(s.boxes.shown.size(), 2);

    // A coordinate of a megabyte of digits is quoted shortened in its middle,
    // so the box can show at once; its ends stay readable.
    const QString digits(1 << 20, u'7');
    s.chooseView(QStringLiteral("Huge"), {QStringLiteral("A1=") + digits + QStringLiteral("-10")});
    s.press(10, 10);
    const QString shown = s.boxes.shown.last();
    QVERIFY(shown.size() < 400);
    QVERIFY(shown.startsWith(QStringLiteral("'777")));
    QVERIFY(shown.contains(QStringLiteral("7\u20267")));
    QVERIFY(shown.endsWith(QStringLiteral("777' is not a valid integer value.")));

    // An empty line gives empty coordinates, reported after the rows before it.
    s.chooseView(QStringLiteral("Holes"), {QStringLiteral("C3=10-10"), QString(), QStringLiteral("A1=10-10")});
    s.press(10, 10);
    QCOMPARE(s.boxes.shown.last(), QStringLiteral("'' is not a valid integer value."));
    QCOMPARE(f.savnam->text(), QStringLiteral("C3"));
    QCOMPARE(f.fl1->selectedIndex(), 3);

    // Eleven digits do not fit.
    s.chooseView(QStringLiteral("Wide"), {QStringLiteral("A1=12345678901-10")});
    s.press(10, 10);
    QCOMPARE(s.boxes.shown.last(), QStringLiteral("'12345678901' is not a valid integer value."));
}

void HotspotsTest::failuresKeepWhatWasThere()
{
    Session s;
    TForm1 &f = *s.form;
    s.chooseView(QStringLiteral("Gearbox"), {QStringLiteral("C3=100-50")}, QSize(120, 90));

    // A view that names no diagram: the box, and nothing else changes.
    s.typeView(QStringLiteral("Nothing"));
    QCOMPARE(s.boxes.shown, QStringList{QStringLiteral("Cannot open file ") + s.catalog.path(kViews)
                                        + QStringLiteral("Nothing.bmp.")});
    QCOMPARE(f.logo->picture().size(), QSize(120, 90));
    QCOMPARE(HotspotCount, 1);

    // A broken diagram: the same, with the decoder's message.
    s.catalog.writeBytes(kViews + QStringLiteral("Broken.bmp"), QByteArray("GIF89a"));
    s.catalog.writeLines(kViews + QStringLiteral("Broken.met"), {QStringLiteral("X=1-1")});
    s.typeView(QStringLiteral("Broken"));
    QCOMPARE(s.boxes.shown.last(), QStringLiteral("Bitmap image is not valid."));
    QCOMPARE(testing::gridCell(*f.sg1, 3, 1), QStringLiteral("C3"));

    // A diagram without hotspot file: shown, and the old hotspots stay in force.
    s.catalog.writeBmp(kViews + QStringLiteral("Bare.bmp"), 60, 40, Qt::black);
    s.typeView(QStringLiteral("Bare"));
    QCOMPARE(s.boxes.shown.last(),
             QStringLiteral("Cannot open file ") + s.catalog.path(kViews) + QStringLiteral("Bare.met."));
    QCOMPARE(f.logo->picture().size(), QSize(60, 40));
    QCOMPARE(HotspotCount, 1);
    s.press(100, 50);
    QCOMPARE(f.savnam->text(), QStringLiteral("C3"));
    QCOMPARE(s.boxes.shown.size(), 3);
}

void HotspotsTest::cutShortStartUpLeavesPressesDead()
{
    Session s(false);
    TForm1 &f = *s.form;
    QCOMPARE(s.boxes.shown.size(), 1); // the missing manufacturer list
    QVERIFY(!HotspotTestMode);
    s.chooseView(QStringLiteral("Gearbox"), {QStringLiteral("C3=100-50"), QStringLiteral("bad=x-y")});
    f.fl1->selectLine(4);
    s.press(100, 50);
    QCOMPARE(f.savnam->text(), QStringLiteral("savename"));
    QCOMPARE(f.fl1->selectedIndex(), 4);
    QCOMPARE(s.boxes.shown.size(), 1);
}

void HotspotsTest::testButtonToggles()
{
    Session s;
    TForm1 &f = *s.form;
    QVERIFY(HotspotTestMode);
    f.testClick();
    QCOMPARE(f.test->text(), QStringLiteral("Кончить"));
    QVERIFY(HotspotTestMode);
    f.testClick();
    QCOMPARE(f.test->text(), QStringLiteral("Начать проверку"));
    QVERIFY(!HotspotTestMode);
    s.chooseView(QStringLiteral("Gearbox"), {QStringLiteral("C3=100-50")});
    s.press(100, 50);
    QCOMPARE(f.savnam->text(), QStringLiteral("savename"));
}

QTEST_MAIN(HotspotsTest)
#include "tst_hotspots.moc"
