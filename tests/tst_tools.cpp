#include "TestCatalog.h"

#include "catalog/CatalogPaths.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "support/ControlTexts.h"
#include "ui/Unit1.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace korvane;

namespace {

struct Session : SampleSession
{
    Session() : dump(catalog.path(QStringLiteral("dump/DATA/PartList.txt")))
    {
        catalog.makeFolder(QStringLiteral("dump/DATA"));
        paths::setPartListDumpForTesting(dump);
    }
    ~Session() { paths::setPartListDumpForTesting(QString()); }

    QString dump;
};

} // namespace

class ToolsTest : public QObject
{
    Q_OBJECT

private slots:
    void splitTakesThirteenWords_data();
    void splitTakesThirteenWords();
    void groupsRebuiltFromListedNames();
    void descriptionBecomesOneLine();
    void partLineBytesSurviveTheTools();
    void dumpWritesTheListByTheWritingRule();
    void dumpFailureKeepsTheOldFile();
    void remainingControls();
};

void ToolsTest::splitTakesThirteenWords_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("description");
    QTest::newRow("three words") << "A B C"
                                 << "A" << QStringLiteral("B") + QString(11, u' ');
    QTest::newRow("empty") << ""
                           << "" << QString(11, u' ');
    QStringList words;
    for (int i = 1; i <= 15; ++i)
        words.append(QStringLiteral("w%1").arg(i));
    QTest::newRow("fifteen words") << words.join(u' ') << "w1" << QStringList(words.mid(1, 12)).join(u' ');
    QTest::newRow("double spaces") << "A  B"
                                   << "A" << QString(11, u' ');
    QTest::newRow("fourteen words") << QStringList(words.mid(0, 14)).join(u' ') << "w1"
                                    << QStringList(words.mid(1, 12)).join(u' ');
}

void ToolsTest::splitTakesThirteenWords()
{
    QFETCH(QString, status);
    QFETCH(QString, code);
    QFETCH(QString, description);
    Session s;
    TForm1 &f = *s.form;
    f.setStatusText(status);
    f.Button5->click();
    QCOMPARE(f.newCode->text(), code);
    QCOMPARE(f.newcomment->toPlainText(), description);
    QCOMPARE(f.statusText(), status);
}

void ToolsTest::groupsRebuiltFromListedNames()
{
    Session s;
    TForm1 &f = *s.form;
    f.CurrentGroup->setEntries(
        {QStringLiteral("Wheels.txt"), QStringLiteral("Body"), QStringLiteral("axle.TXT"), QStringLiteral("x")});
    f.Group->setText(QStringLiteral("old"));
    f.Button4->click();
    QCOMPARE(f.Group->entries(), (QStringList{"", "", "axle", "Wheels"}));
    QCOMPARE(f.Group->text(), QString());
    QCOMPARE(f.CurrentGroup->entryCount(), 4);

    f.CurrentGroup->clearEntries();
    f.Group->setText(QStringLiteral("old"));
    f.Button4->click();
    QCOMPARE(f.Group->entryCount(), 0);
    QCOMPARE(f.Group->text(), QString());
}

void ToolsTest::descriptionBecomesOneLine()
{
    Session s;
    TForm1 &f = *s.form;
    testing::setPartListLines(*f.fl1, {QStringLiteral("first")});
    // A line separator (Shift+Enter) is a line break to a memo as well.
    f.newcomment->setPlainText(QStringLiteral("line one\nline two\u2028three"));
    f.Button6->click();
    QCOMPARE(testing::partListLines(*f.fl1), (QStringList{"first", "line one\r\nline two\r\nthree"}));
    QCOMPARE(s.boxes.shown, QStringList());
}

void ToolsTest::partLineBytesSurviveTheTools()
{
    // A no-break space (0xA0), a soft hyphen, the code page's hole 0x98, a
    // tab and Cyrillic letters; the final space keeps the last word.
    const QByteArray words("Arm\xA0\xE4\xEB\xE8\xED\xED\xFB\xE9 \xB9\x98\xAD\x85\x09\xFF ");
    const QByteArray partList = "301011 " + words + "\r\nA7 Shock\r\n";
    Session s;
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/T4/T4.txt"), partList);
    TForm1 &f = *s.form;
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.Manufacturer->setText(QString());
    f.Manufacturer->setFocus();
    // "xRAY" finds the folder but no photo rule, so the line stays the status.
    QTest::keyClick(QApplication::focusWidget(), 'x');
    f.Model->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(f.fl1->lineCount(), 2);
    QTest::mouseClick(f.fl1->viewport(), Qt::LeftButton, {}, f.fl1->visualRect(f.fl1->model()->index(0, 0)).center());

    for (QPushButton *button : {f.Button5, f.Button6, f.Button7}) {
        button->show();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(f.newCode->text(), QStringLiteral("301011"));
    // The two words and ten empty ones, joined by eleven spaces.
    QCOMPARE(readFileBytes(s.dump), partList + words + QByteArray(9, ' ') + "\r\n");
    QCOMPARE(s.boxes.shown, QStringList());
}

void ToolsTest::dumpWritesTheListByTheWritingRule()
{
    Session s;
    TForm1 &f = *s.form;
    f.Button7->click();
    QCOMPARE(readFileBytes(s.dump), QByteArray());
    testing::setPartListLines(*f.fl1, {QStringLiteral("301011 Рычаг"), QString()});
    f.Button7->click();
    QCOMPARE(readFileBytes(s.dump), QByteArray("301011 \xD0\xFB\xF7\xE0\xE3\r\n\r\n"));
    QCOMPARE(s.boxes.shown, QStringList());
    // The default dump path lies in DATA beside the built program.
    paths::setPartListDumpForTesting(QString());
    QVERIFY(paths::partListDump().text().endsWith(QStringLiteral("/DATA/PartList.txt")));
    QVERIFY(QDir::isAbsolutePath(paths::partListDump().text()));
}

void ToolsTest::dumpFailureKeepsTheOldFile()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeBytes(QStringLiteral("dump/DATA/PartList.txt"), QByteArray("old dump\r\n"));
    QStringList many;
    for (int i = 0; i < 1000; ++i)
        many.append(QStringLiteral("line %1").arg(i));
    testing::setPartListLines(*f.fl1, many);
    {
        const FileSizeLimit limit(100);
        f.Button7->click();
    }
    QCOMPARE(s.boxes.shown, QStringList{QStringLiteral("Cannot create file ") + s.dump + u'.'});
    QCOMPARE(readFileBytes(s.dump), QByteArray("old dump\r\n"));

    // A dump folder that does not exist.
    paths::setPartListDumpForTesting(s.catalog.path(QStringLiteral("nowhere/DATA/PartList.txt")));
    f.Button7->click();
    QCOMPARE(s.boxes.shown.last(),
             QStringLiteral("Cannot create file ") + s.catalog.path(QStringLiteral("nowhere/DATA/PartList.txt.")));
}

void ToolsTest::remainingControls()
{
    Session s;
    TForm1 &f = *s.form;
    testing::setPartListLines(*f.fl1, {QStringLiteral("a")});
    const int height = f.fl1->height();
    f.BitBtn3->click();
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("a")});
    // The "Editor" check box follows the search-mode check box.
    f.CheckBox2->click();
    QCOMPARE(f.fl1->height(), height);
    f.CheckBox1->setChecked(true);
    f.CheckBox2->click();
    QCOMPARE(f.fl1->height(), 560);
    QCOMPARE(s.boxes.shown, QStringList());
}

QTEST_MAIN(ToolsTest)
#include "tst_tools.moc"
