#include "TestCatalog.h"

#include "catalog/CatalogPaths.h"
#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "support/ControlTexts.h"
#include "ui/Unit1.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

using namespace korvane;

namespace {

struct Session : SampleSession
{
    // Types a text into a drop-down the way the user does, key by key.
    void type(EditableDropDown *dropDown, const QString &text) const
    {
        for (QChar c : text)
            QTest::keyClick(dropDown, c.toLatin1());
    }
};

} // namespace

class NavigationTest : public QObject
{
    Q_OBJECT

private slots:
    void firstLetterCompletesAndLoadsTheModels();
    void typedCaseIsKeptAndNamesStillMatch();
    void backspaceAlwaysRunsTheHandler();
    void deletingTheWholeTextListsDataItself();
    void arrowKeysLoadEveryModelPassed();
    void modelWithoutPartListOnlySetsTheCaption();
    void modelWithoutPictureSkipsTheGroupStep();
    void groupChoiceReadsTheGroupPartList();
    void programChangesRunNoHandler();
    void listedGroupFileIsLookedUpInDataItself();
    void panelChangesNothingVisible();
    void oddNamesTypedAreUsedAsTheyStand();
    void backslashInTheProgramFolderIsPartOfItsName();
    void mouseAndWheelPicksLoadTheModel();
    void keysReachAnOpenList();
};

void NavigationTest::firstLetterCompletesAndLoadsTheModels()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QString());
    QTest::keyClick(f.Manufacturer, 'X');

    QCOMPARE(f.Manufacturer->text(), QStringLiteral("XRAY"));
    QCOMPARE(f.Manufacturer->lineEdit()->selectedText(), QStringLiteral("RAY"));
    QCOMPARE(f.Model->entries(), (QStringList{"T4", "XB8"}));
    QCOMPARE(f.Model->text(), QStringLiteral("Model"));
    // The group drop-down gets the folder's text files, sorted, its text emptied.
    QCOMPARE(f.Group->entries(), (QStringList{"catalog", "Tools"}));
    QCOMPARE(f.Group->text(), QString());
    QCOMPARE(f.CurrentGroup->entries(), (QStringList{"catalog.txt", "Tools.txt"}));
    QCOMPARE(f.CurrentGroup->text(), QString());
    // Nothing else is touched until a model is chosen.
    QCOMPARE(f.windowTitle(), QStringLiteral("RC MODEL CATALOG / Part List"));
    QCOMPARE(f.fl1->lineCount(), 0);

    // Further letters that still match the current entry run nothing.
    f.Model->setEntries({QStringLiteral("untouched")});
    s.type(f.Manufacturer, QStringLiteral("RA"));
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("XRAY"));
    QCOMPARE(f.Manufacturer->lineEdit()->selectedText(), QStringLiteral("Y"));
    QCOMPARE(f.Model->entries(), QStringList{QStringLiteral("untouched")});

    // A letter that matches no entry is inserted and runs the handler with the
    // partial text, which names no folder.
    QTest::keyClick(f.Manufacturer, 'Q');
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("XRAQ"));
    QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));
    QCOMPARE(f.Model->entries(), QStringList{QStringLiteral("untouched")});
    QCOMPARE(f.Group->entryCount(), 0);
    QCOMPARE(s.boxes.shown, QStringList());
}

void NavigationTest::typedCaseIsKeptAndNamesStillMatch()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QString());
    QTest::keyClick(f.Manufacturer, 'x');
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("xRAY"));
    // The folder is found without regard to case...
    QCOMPARE(f.Model->entries(), (QStringList{"T4", "XB8"}));
    QTest::keyClick(f.Model, Qt::Key_Down);
    QCOMPARE(f.Model->text(), QStringLiteral("T4"));
    QCOMPARE(f.fl1->lineCount(), 4);
    // ...but the XRAY photo rule wants the exact name: the line stays the status.
    f.fl1->setFocus();
    QTest::mouseClick(f.fl1->viewport(), Qt::LeftButton, {}, f.fl1->visualRect(f.fl1->model()->index(0, 0)).center());
    QCOMPARE(f.statusText(), QStringLiteral("301011 Рычаг передний"));
    QCOMPARE(f.newCode->text(), QStringLiteral("301011"));
    QCOMPARE(f.logo->picture().size(), QSize(40, 30)); // still the model picture
}

void NavigationTest::backspaceAlwaysRunsTheHandler()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QString());
    QTest::keyClick(f.Manufacturer, 'L');
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("LST"));
    QCOMPARE(f.Model->entries(), QStringList{QStringLiteral("LST3")});

    // Backspace deletes the completed rest; the handler runs with "L".
    f.setStatusText(QString());
    QTest::keyClick(f.Manufacturer, Qt::Key_Backspace);
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("L"));
    QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));

    // The text no longer names the entry, so no entry is current: typing "S"
    // completes to LST again and counts as a new choice.
    f.Model->setEntries({QStringLiteral("stale")});
    QTest::keyClick(f.Manufacturer, 'S');
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("LST"));
    QCOMPARE(f.Model->entries(), QStringList{QStringLiteral("LST3")});
    // One more matching letter changes nothing.
    f.Model->setEntries({QStringLiteral("untouched")});
    QTest::keyClick(f.Manufacturer, 't');
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("LSt"));
    QCOMPARE(f.Model->entries(), QStringList{QStringLiteral("untouched")});

    // A Backspace that deletes nothing still runs the handler.
    f.Manufacturer->setText(QStringLiteral("LST"));
    f.Manufacturer->lineEdit()->setCursorPosition(0);
    QTest::keyClick(f.Manufacturer, Qt::Key_Backspace);
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("LST"));
    QCOMPARE(f.Model->entries(), QStringList{QStringLiteral("LST3")});
}

void NavigationTest::deletingTheWholeTextListsDataItself()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QStringLiteral("X"));
    f.Manufacturer->lineEdit()->end(false);
    QTest::keyClick(f.Manufacturer, Qt::Key_Backspace);
    QCOMPARE(f.Manufacturer->text(), QString());
    // The model list path of an empty manufacturer is the manufacturer list.
    QCOMPARE(f.Model->entries(), (QStringList{"LST", "XRAY", "Teamassociated"}));
    QCOMPARE(f.Group->entries(), QStringList{QStringLiteral("catalog")});
}

void NavigationTest::arrowKeysLoadEveryModelPassed()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QString());
    QTest::keyClick(f.Manufacturer, 'X');

    QTest::keyClick(f.Model, Qt::Key_Down);
    QCOMPARE(f.Model->text(), QStringLiteral("T4"));
    QCOMPARE(testing::partListLines(*f.fl1).first(), QStringLiteral("301011 Рычаг передний"));
    QCOMPARE(f.logo->picture().size(), QSize(40, 30));
    QVERIFY(qRed(f.logo->picture().pixel(5, 5)) > 200);
    QCOMPARE(f.exview->entries(), QStringList{QStringLiteral("Gearbox")});
    QCOMPARE(f.exview->text(), QStringLiteral("exview"));
    QCOMPARE(f.statusText(), s.data(QStringLiteral("XRAY/T4/Parts/EXPLODED/list.txt")));
    QCOMPARE(f.windowTitle(), s.data(QStringLiteral("XRAY/T4/Parts/list.txt")));
    QCOMPARE(f.Group->entries(), (QStringList{"body", "Chassis"}));
    QCOMPARE(f.Group->text(), QString());

    QTest::keyClick(f.Model, Qt::Key_Down);
    QCOMPARE(f.Model->text(), QStringLiteral("XB8"));
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("350001 Chassis plate")});
    QCOMPARE(f.logo->picture().size(), QSize(50, 20));
    // No exploded views and no groups here: the old ones stay.
    QCOMPARE(f.statusText(), QStringLiteral("Текст отсутствует"));
    QCOMPARE(f.exview->entries(), QStringList{QStringLiteral("Gearbox")});
    QCOMPARE(f.windowTitle(), s.data(QStringLiteral("XRAY/XB8/Parts/list.txt")));
    QCOMPARE(f.Group->entries(), (QStringList{"body", "Chassis"}));

    QTest::keyClick(f.Model, Qt::Key_Up);
    QCOMPARE(f.Model->text(), QStringLiteral("T4"));
    QCOMPARE(f.fl1->lineCount(), 4);
    QCOMPARE(s.boxes.shown, QStringList());
}

void NavigationTest::modelWithoutPartListOnlySetsTheCaption()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QString());
    QTest::keyClick(f.Manufacturer, 'X');
    QTest::keyClick(f.Model, Qt::Key_Down); // T4
    const QString status = f.statusText();

    // A typed model name that matches nothing: only the caption changes.
    f.Model->setText(QString());
    QTest::keyClick(f.Model, 'Q');
    QCOMPARE(f.windowTitle(), s.data(QStringLiteral("XRAY/Q/Q.txt")));
    QCOMPARE(f.statusText(), status);
    QCOMPARE(f.fl1->lineCount(), 4);
    QCOMPARE(f.logo->picture().size(), QSize(40, 30));
    QCOMPARE(s.boxes.shown, QStringList());
}

void NavigationTest::modelWithoutPictureSkipsTheGroupStep()
{
    Session s;
    TForm1 &f = *s.form;
    QVERIFY(QFile::remove(s.data(QStringLiteral("XRAY/XB8/XB8.jpg"))));
    f.Manufacturer->setText(QString());
    QTest::keyClick(f.Manufacturer, 'X');
    QTest::keyClick(f.Model, Qt::Key_Down); // T4, complete
    QTest::keyClick(f.Model, Qt::Key_Down); // XB8, no picture

    QCOMPARE(s.boxes.shown,
             QStringList{QStringLiteral("Cannot open file ") + s.data(QStringLiteral("XRAY/XB8/XB8.jpg."))});
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("350001 Chassis plate")});
    QCOMPARE(f.logo->picture().size(), QSize(40, 30));
    // The group step did not run: caption and groups are still T4's.
    QCOMPARE(f.windowTitle(), s.data(QStringLiteral("XRAY/T4/Parts/list.txt")));
    QCOMPARE(f.Group->entries(), (QStringList{"body", "Chassis"}));

    // A view list that passes the test but cannot be read ends the model
    // change inside its step: nothing after it happens, and one box shows it.
    QVERIFY(QFile::remove(s.data(QStringLiteral("XRAY/T4/Parts/EXPLODED/list.txt"))));
    QCOMPARE(::mkfifo(QFile::encodeName(s.data(QStringLiteral("XRAY/T4/Parts/EXPLODED/list.txt"))).constData(), 0644),
             0);
    f.setStatusText(QStringLiteral("before"));
    QTest::keyClick(f.Model, Qt::Key_Up); // T4
    QCOMPARE(s.boxes.shown.size(), 2);
    QCOMPARE(s.boxes.shown.last(),
             QStringLiteral("Cannot open file ") + s.data(QStringLiteral("XRAY/T4/Parts/EXPLODED/list.txt.")));
    QCOMPARE(f.statusText(), QStringLiteral("before"));
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("350001 Chassis plate")});
    QCOMPARE(f.logo->picture().size(), QSize(40, 30));
}

void NavigationTest::groupChoiceReadsTheGroupPartList()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QString());
    QTest::keyClick(f.Manufacturer, 'X');
    QTest::keyClick(f.Model, Qt::Key_Down); // T4

    QTest::keyClick(f.Group, Qt::Key_Down); // "body", first in sorted order
    QCOMPARE(f.Group->text(), QStringLiteral("body"));
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("A7 Shock")});
    QTest::keyClick(f.Group, Qt::Key_Down);
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("301011 Рычаг передний")});

    // A name the list does not have: an error box per keystroke, fl1 kept.
    f.Group->setText(QString());
    QTest::keyClick(f.Group, 'Z');
    QCOMPARE(s.boxes.shown,
             QStringList{QStringLiteral("Cannot open file ") + s.data(QStringLiteral("XRAY/T4/Parts/Z.txt."))});
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("301011 Рычаг передний")});

    // Without a group list for the current model: a status message instead.
    QVERIFY(QFile::remove(s.data(QStringLiteral("XRAY/T4/Parts/list.txt"))));
    QTest::keyClick(f.Group, Qt::Key_Down);
    QCOMPARE(f.Group->text(), QStringLiteral("body"));
    QCOMPARE(f.statusText(), QStringLiteral("Текст отсутствует"));
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("301011 Рычаг передний")});
    QCOMPARE(s.boxes.shown.size(), 1);
}

void NavigationTest::programChangesRunNoHandler()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QStringLiteral("XRAY"));
    f.Manufacturer->setEntries({QStringLiteral("XRAY")});
    f.Model->setEntries({QStringLiteral("T4")});
    f.Model->setText(QStringLiteral("T4"));
    testing::addDropDownEntry(*f.Group, QStringLiteral("b"));
    testing::addDropDownEntry(*f.Group, QStringLiteral("A"));
    testing::addDropDownEntry(*f.Group, QStringLiteral("c"));
    QCOMPARE(f.Group->entries(), (QStringList{"A", "b", "c"}));
    QCOMPARE(f.Group->text(), QStringLiteral("Group"));
    // Losing the focus with a text equal to an entry picks nothing either.
    f.Model->setFocus();
    f.savnam->setFocus();
    QCOMPARE(f.fl1->lineCount(), 0);
    QCOMPARE(f.windowTitle(), QStringLiteral("RC MODEL CATALOG / Part List"));
    QCOMPARE(f.statusText(), QString());
}

void NavigationTest::listedGroupFileIsLookedUpInDataItself()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeLines(QStringLiteral("DATA/Tools.txt"), {QStringLiteral("T9 Driver")});
    f.CurrentGroup->setEntries({QStringLiteral("Tools.txt")});
    f.CurrentGroup->setText(QString());
    // The control is never shown; its handler does what it would on a pick.
    QTest::keyClick(f.CurrentGroup, Qt::Key_Down);
    QCOMPARE(f.CurrentGroup->text(), QStringLiteral("Tools.txt"));
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("T9 Driver")});
    f.CurrentGroup->setText(QString());
    QTest::keyClick(f.CurrentGroup, 'Q');
    QCOMPARE(f.statusText(), QStringLiteral("Текст отсутствует"));
}

void NavigationTest::panelChangesNothingVisible()
{
    Session s;
    TForm1 &f = *s.form;
    const QString title = f.windowTitle();
    QTest::mouseClick(f.Panel1, Qt::LeftButton);
    QCOMPARE(BaseFolder, s.catalog.root() + u'/');
    QCOMPARE(f.windowTitle(), title);
    QCOMPARE(f.statusText(), QString());
    QCOMPARE(s.boxes.shown, QStringList());
}

void NavigationTest::backslashInTheProgramFolderIsPartOfItsName()
{
    // A folder made on this machine may hold a "\" in its name; only what the
    // catalog and the controls add to it came from Windows.
    TestCatalog catalog(QStringLiteral("Korvane\\1.0"));
    catalog.writeSampleCatalog();
    const RecordedErrorBoxes boxes;
    TForm1 f;
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QCOMPARE(f.Manufacturer->entries(), (QStringList{"LST", "XRAY", "Teamassociated"}));

    f.Manufacturer->setText(QString());
    f.Manufacturer->setFocus();
    QTest::keyClick(QApplication::focusWidget(), 'X');
    QCOMPARE(f.Model->entries(), (QStringList{"T4", "XB8"}));
    f.Model->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(f.fl1->lineCount(), 4);
    QCOMPARE(f.statusText(), catalog.path(QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/list.txt")));
    QCOMPARE(f.Group->entries(), (QStringList{"body", "Chassis"}));
    QTest::mouseClick(f.fl1->viewport(), Qt::LeftButton, {}, f.fl1->visualRect(f.fl1->model()->index(0, 0)).center());
    QCOMPARE(f.logo->picture().size(), QSize(20, 10)); // the XRAY photo
    QCOMPARE(boxes.shown, QStringList());
}

void NavigationTest::oddNamesTypedAreUsedAsTheyStand()
{
    Session s;
    TForm1 &f = *s.form;
    // "\" separates folders as on Windows: "xray\t4" names the model folder.
    f.Manufacturer->setText(QStringLiteral("XRAY"));
    f.Model->setText(QStringLiteral("T4\\..\\T4"));
    f.Model->lineEdit()->end(false);
    QTest::keyClick(f.Model, Qt::Key_Backspace); // runs with "T4\..\T"
    QCOMPARE(f.windowTitle(), s.data(QStringLiteral("XRAY/T4\\..\\T/T4\\..\\T.txt")));
    QTest::keyClick(f.Model, '4');
    QCOMPARE(f.fl1->lineCount(), 4);

    // Wildcards and dot-dots in a manufacturer name find no models...
    for (const char *odd : {"*", "?", "..", "X*", "XRA?"}) {
        f.Model->setEntries({QStringLiteral("kept")});
        f.setStatusText(QString());
        f.Manufacturer->setText(QString::fromLatin1(odd) + u'Z');
        f.Manufacturer->lineEdit()->end(false);
        QTest::keyClick(f.Manufacturer, Qt::Key_Backspace);
        QCOMPARE(f.Manufacturer->text(), QString::fromLatin1(odd));
        QCOMPARE(f.Model->entries(), QStringList{QStringLiteral("kept")});
        QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));
    }
    // ...unless the dot-dots lead back into the catalog, as they would on Windows.
    f.Manufacturer->setText(QStringLiteral("../DATAZ"));
    f.Manufacturer->lineEdit()->end(false);
    QTest::keyClick(f.Manufacturer, Qt::Key_Backspace);
    QCOMPARE(f.Model->entries(), (QStringList{"LST", "XRAY", "Teamassociated"}));
    // A part list of binary junk is just lines.
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919) % 251 + 1));
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/Junk/Junk.txt"), junk);
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/Junk/Junk.jpg"), junk);
    f.Manufacturer->setText(QStringLiteral("XRAY"));
    f.Model->setText(QStringLiteral("Jun"));
    f.Model->lineEdit()->end(false);
    QTest::keyClick(f.Model, 'k');
    QVERIFY(f.fl1->lineCount() > 1);
    QCOMPARE(s.boxes.shown.size(), 1);
    QVERIFY(s.boxes.shown.first().startsWith(QStringLiteral("JPEG error #")));
}

void NavigationTest::mouseAndWheelPicksLoadTheModel()
{
    Session s;
    TForm1 &f = *s.form;
    f.Manufacturer->setText(QStringLiteral("XRAY"));
    f.Model->setEntries({QStringLiteral("T4"), QStringLiteral("XB8")});

    // A pick from the opened list.
    f.Model->showPopup();
    QAbstractItemView *list = f.Model->view();
    QTRY_VERIFY(list->isVisible());
    const QRect second = list->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QTRY_COMPARE(f.Model->text(), QStringLiteral("XB8"));
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("350001 Chassis plate")});

    // Picking the entry that is already current, with its text, changes nothing.
    testing::setPartListLines(*f.fl1, {QStringLiteral("kept")});
    f.Model->showPopup();
    QTRY_VERIFY(list->isVisible());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(testing::partListLines(*f.fl1), QStringList{QStringLiteral("kept")});

    // The wheel moves to the entry above and loads it.
    QWheelEvent up(QPointF(10, 10), f.Model->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.Model, &up);
    QCOMPARE(f.Model->text(), QStringLiteral("T4"));
    QCOMPARE(f.fl1->lineCount(), 4);
    QCOMPARE(s.boxes.shown, QStringList());
}

void NavigationTest::keysReachAnOpenList()
{
    Session s;
    TForm1 &f = *s.form;
    QVERIFY(QTest::qWaitForWindowActive(&f));
    const auto openList = [](EditableDropDown *dropDown) {
        // A click on the arrow, as the user opens it.
        QTest::mouseClick(dropDown, Qt::LeftButton, {}, QPoint(dropDown->width() - 6, dropDown->height() / 2));
        QTRY_VERIFY(dropDown->isDroppedDown());
        // An open list holds the keyboard: keys go there, not to the field.
        QCOMPARE(QApplication::focusWidget(), dropDown->view());
    };

    // Typing completes and loads exactly as with the list closed, and the
    // list follows the text.
    openList(f.Manufacturer);
    QTest::keyClick(QApplication::focusWidget(), 'x');
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("xRAY"));
    QCOMPARE(f.Manufacturer->lineEdit()->selectedText(), QStringLiteral("RAY"));
    QCOMPARE(f.Model->entries(), (QStringList{"T4", "XB8"}));
    QVERIFY(f.Manufacturer->isDroppedDown());
    QCOMPARE(f.Manufacturer->view()->currentIndex().row(), 1);

    // Arrows set the text to the new entry and run the handler.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("Teamassociated"));
    QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));
    f.Model->setEntries({});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("LST"));
    QCOMPARE(f.Model->entries(), QStringList{QStringLiteral("LST3")});
    QCOMPARE(f.Manufacturer->view()->currentIndex().row(), 0);

    // Backspace and Delete edit the text and run the handler.
    f.Model->setEntries({});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QCOMPARE(f.Model->entries(), QStringList());
    f.setStatusText(QString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("Teamassociate"));
    QCOMPARE(f.statusText(), QStringLiteral("Изображение отсутствует"));

    // Escape closes the list and changes nothing.
    f.setStatusText(QString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!f.Manufacturer->isDroppedDown());
    QCOMPARE(f.Manufacturer->text(), QStringLiteral("Teamassociate"));
    QCOMPARE(f.statusText(), QString());
    QCOMPARE(QApplication::focusWidget(), f.Manufacturer);

    // Down in the model's open list loads the model; Tab closes the list and
    // moves on.
    f.Manufacturer->setText(QStringLiteral("XRAY"));
    f.Model->setEntries({QStringLiteral("T4"), QStringLiteral("XB8")});
    openList(f.Model);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(f.Model->text(), QStringLiteral("T4"));
    QCOMPARE(f.fl1->lineCount(), 4);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(!f.Model->isDroppedDown());
    QCOMPARE(QApplication::focusWidget(), f.exview); // next in the tab order
    QCOMPARE(s.boxes.shown, QStringList());

    // A long entry is readable in full.
    const QString longView = QStringLiteral("Front suspension and steering assembly");
    f.exview->setEntries({QStringLiteral("Gearbox"), longView});
    openList(f.exview);
    QAbstractItemView *list = f.exview->view();
    QVERIFY(list->viewport()->width() >= list->fontMetrics().horizontalAdvance(longView));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
}

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
