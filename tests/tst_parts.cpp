#include "TestCatalog.h"

#include "platform/EditableDropDown.h"
#include "platform/ErrorBox.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "support/ControlTexts.h"
#include "ui/Unit1.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QtTest>

#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

#include <memory>

using namespace korvane;

namespace {

struct Session : SampleSession
{
    // Chooses a manufacturer and a model by the program, then fills the part
    // list as a model change would.
    void browse(const QString &manufacturer, const QStringList &lines) const
    {
        form->Manufacturer->setText(manufacturer);
        testing::setPartListLines(*form->fl1, lines);
    }

    void clickLine(int index) const
    {
        PartListBox *list = form->fl1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(index, 0)).center());
    }
};

} // namespace

class PartsTest : public QObject
{
    Q_OBJECT

private slots:
    void nextTokenCutsAtTheFirstDelimiter_data();
    void nextTokenCutsAtTheFirstDelimiter();
    void nextTokenLeavesTheLastPieceForever();
    void photoRulesFollowTheExactManufacturerName();
    void partCodeEdges_data();
    void partCodeEdges();
    void sameLineAgainReloadsFromDisk();
    void keyboardMovesRunTheSelectionHandler();
    void brokenPhotosAreReported();
    void noSelectedLineIsAnIndexFailure();
    void searchLagsOneKeyBehind();
    void prefixSearchIgnoresCaseAndTakesTheFirstLine();
    void programSelectionRunsNoPartClick();
    void substringSearchWhenShown();
    void rowsLookAsTheStyleDrawsItems();
};

void PartsTest::nextTokenCutsAtTheFirstDelimiter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("rest");
    QTest::newRow("three numbers") << "12 34 56"
                                   << "12"
                                   << "34 56";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("leading space") << " x"
                                   << ""
                                   << "x";
    QTest::newRow("two spaces") << "a  b"
                                << "a"
                                << " b";
    QTest::newRow("no delimiter") << "abc"
                                  << ""
                                  << "abc";
    QTest::newRow("delimiter last") << "abc "
                                    << "abc"
                                    << "";
    QTest::newRow("tab does not cut") << "A\tB C"
                                      << "A\tB"
                                      << "C";
}

void PartsTest::nextTokenCutsAtTheFirstDelimiter()
{
    QFETCH(QString, text);
    QFETCH(QString, token);
    QFETCH(QString, rest);
    // A part line's code is the same token, in its characters or its bytes.
    const QByteArray bytes = text.toLatin1();
    QCOMPARE(korvane::partCodeOfLine(text), token);
    QCOMPARE(korvane::partCodeOfLine(QByteArrayView(bytes)).toByteArray(), token.toLatin1());
    QString cut = QStringLiteral("stale");
    NextToken(text, u' ', cut);
    QCOMPARE(cut, token);
    QCOMPARE(text, rest);
}

void PartsTest::nextTokenLeavesTheLastPieceForever()
{
    QString text = QStringLiteral("12 34 56");
    QString token;
    NextToken(text, u' ', token);
    NextToken(text, u' ', token);
    QCOMPARE(token, QStringLiteral("34"));
    for (int i = 0; i < 3; ++i) {
        NextToken(text, u' ', token);
        QCOMPARE(token, QString());
        QCOMPARE(text, QStringLiteral("56"));
    }
}

void PartsTest::photoRulesFollowTheExactManufacturerName()
{
    Session s;
    TForm1 &f = *s.form;
    const QStringList xrayLines{QStringLiteral("301011 Рычаг"), QStringLiteral("3010111 Рычаг длинный")};

    s.browse(QStringLiteral("XRAY"), xrayLines);
    s.clickLine(0);
    QCOMPARE(f.statusText(), s.data(QStringLiteral("IMG/xra301011.jpg")));
    QCOMPARE(f.newCode->text(), QStringLiteral("301011"));
    QCOMPARE(CurrentPartCode, QStringLiteral("301011"));
    QCOMPARE(f.logo->picture().size(), QSize(20, 10));
    QVERIFY(qGreen(f.logo->picture().pixel(3, 3)) > 200);

    // No photo: a message, and the picture stays.
    s.clickLine(1);
    QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));
    QCOMPARE(f.newCode->text(), QStringLiteral("3010111"));
    QCOMPARE(f.logo->picture().size(), QSize(20, 10));

    // LST photos carry no prefix; they lie in the common IMG folder.
    s.browse(QStringLiteral("LST"), {QStringLiteral("L3101 Diff")});
    s.clickLine(0);
    QCOMPARE(f.statusText(), s.data(QStringLiteral("IMG/L3101.jpg")));
    QCOMPARE(f.logo->picture().size(), QSize(16, 16));

    s.browse(QStringLiteral("Teamassociated"), {QStringLiteral("AE1 Nut")});
    s.clickLine(0);
    QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));

    // Any other spelling is no known manufacturer: the line stays the status.
    for (const QString &other : {QStringLiteral("xray"), QStringLiteral("LST "), QStringLiteral("Kyosho")}) {
        s.browse(other, {QStringLiteral("L3101 Diff")});
        s.clickLine(0);
        QCOMPARE(f.statusText(), QStringLiteral("L3101 Diff"));
        QCOMPARE(f.newCode->text(), QStringLiteral("L3101"));
        QCOMPARE(f.logo->picture().size(), QSize(16, 16));
    }
    QCOMPARE(s.boxes.shown, QStringList());
}

void PartsTest::partCodeEdges_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("photo");
    QTest::newRow("no space") << "301011"
                              << ""
                              << "IMG/xra.jpg";
    QTest::newRow("leading space") << " 301011 Arm"
                                   << ""
                                   << "IMG/xra.jpg";
    QTest::newRow("tab kept in the code") << "301011\tArm left"
                                          << "301011\tArm"
                                          << "IMG/xra301011\tArm.jpg";
    QTest::newRow("first space past 255") << QString(256, u'7') + QStringLiteral(" Arm") << ""
                                          << "IMG/xra.jpg";
    QTest::newRow("code longer than 64") << QString(70, u'9') + QStringLiteral(" Arm") << QString(70, u'9')
                                         << QStringLiteral("IMG/xra") + QString(64, u'9') + QStringLiteral(".jpg");
}

void PartsTest::partCodeEdges()
{
    QFETCH(QString, line);
    QFETCH(QString, code);
    QFETCH(QString, photo);
    Session s;
    TForm1 &f = *s.form;
    s.browse(QStringLiteral("XRAY"), {line});
    s.clickLine(0);
    QCOMPARE(f.newCode->text(), code);
    QCOMPARE(CurrentPartCode, code.left(64));
    QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));
    // A broken file where the photo is looked for: the read is tried, and the
    // status bar keeps that path.
    s.catalog.writeBytes(QStringLiteral("DATA/") + photo, QByteArray("not a picture"));
    s.clickLine(0);
    QCOMPARE(f.statusText(), s.data(photo));
    QCOMPARE(s.boxes.shown.size(), 1);
    QVERIFY(s.boxes.shown.first().startsWith(QStringLiteral("JPEG error #")));
    // For no known manufacturer the line, cut to 255, stays the status.
    f.Manufacturer->setText(QStringLiteral("other"));
    s.clickLine(0);
    QCOMPARE(f.statusText(), line.left(255));
}

void PartsTest::sameLineAgainReloadsFromDisk()
{
    Session s;
    TForm1 &f = *s.form;
    s.browse(QStringLiteral("XRAY"), {QStringLiteral("301011 Рычаг")});
    s.clickLine(0);
    QCOMPARE(f.logo->picture().size(), QSize(20, 10));
    s.catalog.writeJpeg(QStringLiteral("DATA/IMG/XRA301011.JPG"), 33, 11, Qt::black);
    QVERIFY(QFile::remove(s.data(QStringLiteral("IMG/xra301011.jpg"))));
    s.clickLine(0);
    QCOMPARE(f.logo->picture().size(), QSize(33, 11));
}

void PartsTest::keyboardMovesRunTheSelectionHandler()
{
    Session s;
    TForm1 &f = *s.form;
    s.browse(QStringLiteral("XRAY"), {QStringLiteral("301011 Рычаг"), QStringLiteral("302001 Шестерня")});
    s.clickLine(0);
    QTest::keyClick(f.fl1, Qt::Key_Down);
    QCOMPARE(f.fl1->selectedIndex(), 1);
    QCOMPARE(f.newCode->text(), QStringLiteral("302001"));
    QCOMPARE(f.logo->picture().size(), QSize(24, 12));
    // The right button selects nothing.
    QTest::mouseClick(f.fl1->viewport(), Qt::RightButton, {}, f.fl1->visualRect(f.fl1->model()->index(0, 0)).center());
    QCOMPARE(f.fl1->selectedIndex(), 1);
    // A click below the lines selects nothing and runs nothing.
    f.setStatusText(QStringLiteral("kept"));
    QTest::mouseClick(f.fl1->viewport(), Qt::LeftButton, {}, QPoint(5, f.fl1->viewport()->height() - 3));
    QCOMPARE(f.statusText(), QStringLiteral("kept"));
}

void PartsTest::brokenPhotosAreReported()
{
    Session s;
    TForm1 &f = *s.form;
    s.browse(QStringLiteral("XRAY"), {QStringLiteral("301011 Рычаг"), QStringLiteral("302001 Шестерня"),
                                      QStringLiteral("30* Все"), QStringLiteral("D1 Folder")});
    s.clickLine(0);
    s.catalog.writeBytes(QStringLiteral("DATA/IMG/xra302001.jpg"), QByteArray("GIF89a not a jpeg at all"));
    s.clickLine(1);
    QCOMPARE(s.boxes.shown, QStringList{QStringLiteral("JPEG error #%1.").arg(JERR_NO_SOI)});
    QCOMPARE(f.statusText(), s.data(QStringLiteral("IMG/xra302001.jpg")));
    QCOMPARE(f.newCode->text(), QStringLiteral("302001"));
    QCOMPARE(f.logo->picture().size(), QSize(20, 10));

    // A "*" in the code: the test finds some photo, the read then fails.
    s.clickLine(2);
    QCOMPARE(s.boxes.shown.last(), QStringLiteral("Cannot open file ") + s.data(QStringLiteral("IMG/xra30*.jpg.")));

    // A folder named like the photo counts as missing.
    s.catalog.makeFolder(QStringLiteral("DATA/IMG/xraD1.jpg"));
    s.clickLine(3);
    QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));
    QCOMPARE(s.boxes.shown.size(), 2);
}

void PartsTest::noSelectedLineIsAnIndexFailure()
{
    Session s;
    TForm1 &f = *s.form;
    s.browse(QStringLiteral("XRAY"), {QStringLiteral("301011 Рычаг")});
    f.setStatusText(QStringLiteral("before"));
    runGuarded([&] { f.fl1Click(); });
    QCOMPARE(s.boxes.shown, QStringList{QStringLiteral("List index out of bounds (-1)")});
    QCOMPARE(f.statusText(), QStringLiteral("before"));
}

void PartsTest::searchLagsOneKeyBehind()
{
    Session s;
    TForm1 &f = *s.form;
    s.browse(QStringLiteral("XRAY"), {QStringLiteral("A7 Shock"), QStringLiteral("301011 Рычаг"),
                                      QStringLiteral("302001 Шестерня"), QStringLiteral("savename2 odd")});
    f.setStatusText(QStringLiteral("untouched"));

    // The first key searches the initial text "savename" itself.
    f.savnam->end(false);
    QTest::keyClick(f.savnam, '2');
    QCOMPARE(f.fl1->selectedIndex(), 3);
    QCOMPARE(f.savnam->text(), QStringLiteral("savename2"));

    f.savnam->clear();
    QTest::keyClick(f.savnam, '3'); // searches "" : every line begins with it
    QCOMPARE(f.fl1->selectedIndex(), 0);
    QTest::keyClick(f.savnam, '0'); // searches "3"
    QCOMPARE(f.fl1->selectedIndex(), 1);
    QTest::keyClick(f.savnam, '2'); // searches "30"
    QCOMPARE(f.fl1->selectedIndex(), 1);
    QTest::keyClick(f.savnam, Qt::Key_Return); // searches "302"
    QCOMPARE(f.fl1->selectedIndex(), 2);
    QCOMPARE(f.savnam->text(), QStringLiteral("302"));

    // Backspace searches the text before the deletion.
    QTest::keyClick(f.savnam, Qt::Key_Backspace);
    QCOMPARE(f.savnam->text(), QStringLiteral("30"));
    QCOMPARE(f.fl1->selectedIndex(), 2);
    QTest::keyClick(f.savnam, Qt::Key_Backspace); // searches "30"
    QCOMPARE(f.fl1->selectedIndex(), 1);

    // Keys that produce no character search nothing.
    f.fl1->selectLine(3);
    QTest::keyClick(f.savnam, Qt::Key_Left);
    QTest::keyClick(f.savnam, Qt::Key_Delete);
    QTest::keyClick(f.savnam, Qt::Key_Tab);
    QCOMPARE(f.fl1->selectedIndex(), 3);
    QCOMPARE(f.statusText(), QStringLiteral("untouched"));
}

void PartsTest::prefixSearchIgnoresCaseAndTakesTheFirstLine()
{
    Session s;
    TForm1 &f = *s.form;
    s.browse(QStringLiteral("XRAY"), {QStringLiteral("a7 Shock"), QStringLiteral("Вал приводной"),
                                      QStringLiteral("ВАЛ задний"), QStringLiteral("A7 Shock")});
    f.fl1->selectLine(3);
    f.SelectPartByPrefix(QStringLiteral("A7"));
    QCOMPARE(f.fl1->selectedIndex(), 0);
    f.SelectPartByPrefix(QStringLiteral("вАл з"));
    QCOMPARE(f.fl1->selectedIndex(), 2);
    f.SelectPartByPrefix(QStringLiteral("nothing"));
    QCOMPARE(f.fl1->selectedIndex(), 2);
    testing::setPartListLines(*f.fl1, QStringList());
    f.SelectPartByPrefix(QStringLiteral("A"));
    QCOMPARE(f.fl1->selectedIndex(), -1);
}

void PartsTest::programSelectionRunsNoPartClick()
{
    Session s;
    TForm1 &f = *s.form;
    QStringList many;
    for (int i = 0; i < 5000; ++i)
        many.append(QStringLiteral("P%1 part").arg(i, 5, 10, QLatin1Char('0')));
    s.browse(QStringLiteral("XRAY"), many);
    f.setStatusText(QStringLiteral("untouched"));
    f.newCode->setText(QStringLiteral("typed"));
    f.SelectPartByPrefix(QStringLiteral("p04999"));
    QCOMPARE(f.fl1->selectedIndex(), 4999);
    // Scrolled into view.
    QVERIFY(f.fl1->viewport()->rect().intersects(f.fl1->visualRect(f.fl1->model()->index(4999, 0))));
    QCOMPARE(f.statusText(), QStringLiteral("untouched"));
    QCOMPARE(f.newCode->text(), QStringLiteral("typed"));
}

void PartsTest::substringSearchWhenShown()
{
    Session s;
    TForm1 &f = *s.form;
    s.browse(QStringLiteral("XRAY"), {QStringLiteral("gear one"), QStringLiteral("shock"), QStringLiteral("big gear"),
                                      QStringLiteral("GEAR three")});
    // Nothing shows the check box; its handler shows find when it is used.
    QVERIFY(!f.find->isVisible());
    f.CheckBox1->setChecked(true);
    f.CheckBox1Click();
    QVERIFY(f.find->isVisible());

    // No selection: the scan starts at the second line; case counts; the last
    // match in range ends selected.
    f.find->setText(QStringLiteral("gear"));
    QTest::keyClick(f.find, 'x');
    QCOMPARE(f.fl1->selectedIndex(), 2);
    QCOMPARE(f.Label1->text(), QStringLiteral("big gear"));
    // From the last line the scan wraps to the first and stops at the end.
    f.fl1->selectLine(3);
    f.find->setText(QStringLiteral("gear"));
    QTest::keyClick(f.find, 'x');
    QCOMPARE(f.fl1->selectedIndex(), 2);
    // Enter on an empty edit hides it, then the empty text selects the last line.
    f.fl1->selectLine(0);
    f.find->clear();
    QTest::keyClick(f.find, Qt::Key_Return);
    QVERIFY(!f.find->isVisible());
    QCOMPARE(f.fl1->selectedIndex(), 3);
    // A double click empties it.
    f.find->setText(QStringLiteral("abc"));
    f.findDblClick();
    QCOMPARE(f.find->text(), QString());
    f.CheckBox1->setChecked(false);
    f.CheckBox1Click();
    QVERIFY(f.savnam->isVisible());
    QVERIFY(!f.find->isVisible());
}

namespace {

// The list with its item options in reach, to draw rows the standard way.
struct ProbedList : PartListBox
{
    using PartListBox::initViewItemOption;
};

} // namespace

void PartsTest::rowsLookAsTheStyleDrawsItems()
{
    // The list lays each line out once and lets the style draw the rest of
    // the row; every pixel must be what the standard item delegate draws.
    QWidget window;
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    auto *list = new ProbedList;
    list->setParent(&window);
    list->setGeometry(0, 0, 200, 80);
    list->setLineHeight(13);
    testing::setPartListLines(*list, {QStringLiteral("P001 Деталь подвески, левая"), QString(),
                                      QStringLiteral("P002 a line far wider than the list, cut at its right edge"),
                                      QStringLiteral("P003 selected"), QStringLiteral("\tTab")});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    list->setFocus();
    list->selectLine(3);
    QTRY_VERIFY(list->hasFocus());

    const QImage shown = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QPixmap drawn(list->viewport()->size());
    drawn.fill(list->viewport()->palette().color(QPalette::Base));
    QPainter painter(&drawn);
    QStyledItemDelegate standard;
    QStyleOptionViewItem option;
    list->initViewItemOption(&option);
    for (int row = 0; row < list->lineCount(); ++row) {
        const QModelIndex index = list->model()->index(row, 0);
        option.rect = list->visualRect(index);
        option.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (row == 3)
            option.state |= QStyle::State_Selected | QStyle::State_HasFocus;
        standard.paint(&painter, option, index);
    }
    painter.end();
    QCOMPARE(shown, drawn.toImage().convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(PartsTest)
#include "tst_parts.moc"
