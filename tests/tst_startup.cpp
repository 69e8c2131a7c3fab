#include "TestCatalog.h"

#include "app/StartUp.h"
#include "catalog/Failure.h"
#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/ErrorBox.h"
#include "platform/FixedFrame.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureDialog.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

#include "platform/ExecutablePath.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace korvane;

namespace {

const QString kFilter = QStringLiteral("Bitmaps (*.bmp)|*.bmp|All (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
                                       "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg");
const QStringList kDesignManufacturers{QStringLiteral("LST"), QStringLiteral("XRAY"), QStringLiteral("Teamassociated")};

QWidget *control(QWidget *form, const char *name)
{
    return form->findChild<QWidget *>(QString::fromLatin1(name));
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void manufacturerListFillsTheDropDown();
    void missingListIsReportedAndStartUpGoesOn();
    void unreadableListsAreReported_data();
    void unreadableListsAreReported();
    void emptyListLeavesNoManufacturers();
    void hugeBinaryListStillGivesAWorkingWindow();
    void longExecutableFolderIsCutTo255();
    void controlsStandAtTheirPlaces_data();
    void controlsStandAtTheirPlaces();
    void stackingTabOrderAndFirstFocus();
    void resizeFollowsTheRecordedState();
    void maximisedShowRequestGivesFixedSizes();
    void windowIsFittedToTheAvailableArea_data();
    void windowIsFittedToTheAvailableArea();
    void previewWindowsStayHidden();
    void errorBoxAddsAFinalPeriodByItsRule_data();
    void errorBoxAddsAFinalPeriodByItsRule();
    void outerHandlerGoesOnAfterANestedFailure();
};

void StartupTest::manufacturerListFillsTheDropDown()
{
    TestCatalog catalog;
    // Lines kept as they are: an empty one, a duplicate, Cyrillic, spaces.
    const QStringList lines{QStringLiteral("LST"), QString(), QStringLiteral("Кайошо "), QStringLiteral("LST")};
    catalog.writeLines(QStringLiteral("DATA/catalog.txt"), lines);
    RecordedErrorBoxes boxes;
    TForm1 form;

    QCOMPARE(boxes.shown, QStringList());
    QCOMPARE(Form1, &form);
    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(form.metaObject()->className(), "TForm1");
    QCOMPARE(form.windowTitle(), QStringLiteral("RC MODEL CATALOG / Part List"));
    QCOMPARE(form.Manufacturer->entries(), lines);
    QCOMPARE(form.Manufacturer->text(), QStringLiteral("Manufacturer"));
    QCOMPARE(form.Manufacturer->currentIndex(), -1);
    QCOMPARE(BaseFolder, catalog.root() + u'/');
    QCOMPARE(HotspotHalfWidth, 20);
    QCOMPARE(HotspotHalfHeight, 8);
    QVERIFY(HotspotTestMode);
    QCOMPARE(HotspotCount, 0);
    QCOMPARE(form.OpenPictureDialog1->filter(), kFilter);
    QCOMPARE(form.SavePictureDialog1->filter(), kFilter);
    QCOMPARE(form.OpenPictureDialog1->nameFilters().size(), 4);
    QCOMPARE(form.statusText(), QString());
    QCOMPARE(form.fl1->height(), 537);
    QCOMPARE(form.ScrollBox1->size(), QSize(633, 600));
}

void StartupTest::missingListIsReportedAndStartUpGoesOn()
{
    TestCatalog catalog;
    catalog.makeFolder(QStringLiteral("DATA"));
    RecordedErrorBoxes boxes;
    TForm1 form;

    QCOMPARE(boxes.shown,
             QStringList{QStringLiteral("Cannot open file ") + catalog.root() + QStringLiteral("/DATA/catalog.txt.")});
    QCOMPARE(form.Manufacturer->entries(), kDesignManufacturers);
    QCOMPARE(form.Manufacturer->text(), QStringLiteral("Manufacturer"));
    QCOMPARE(BaseFolder, catalog.root() + u'/');
    QCOMPARE(form.OpenPictureDialog1->filter(), kFilter);
    // The step after the list never ran.
    QCOMPARE(HotspotHalfWidth, 0);
    QCOMPARE(HotspotHalfHeight, 0);
    QVERIFY(!HotspotTestMode);

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(form.isVisible());
    QVERIFY(form.savnam->isVisible());
}

void StartupTest::unreadableListsAreReported_data()
{
    QTest::addColumn<QString>("setUp");
    QTest::newRow("folder named catalog.txt") << "folder";
    QTest::newRow("mixed-case name that is a folder") << "Folder";
    QTest::newRow("no DATA folder at all") << "none";
}

void StartupTest::unreadableListsAreReported()
{
    QFETCH(QString, setUp);
    TestCatalog catalog;
    if (setUp == QLatin1String("folder"))
        catalog.makeFolder(QStringLiteral("DATA/catalog.txt"));
    else if (setUp == QLatin1String("Folder"))
        catalog.makeFolder(QStringLiteral("data/Catalog.TXT"));
    RecordedErrorBoxes boxes;
    TForm1 form;
    QCOMPARE(boxes.shown,
             QStringList{QStringLiteral("Cannot open file ") + catalog.root() + QStringLiteral("/DATA/catalog.txt.")});
    QCOMPARE(form.Manufacturer->entries(), kDesignManufacturers);
    QVERIFY(!HotspotTestMode);
}

void StartupTest::emptyListLeavesNoManufacturers()
{
    TestCatalog catalog;
    catalog.writeBytes(QStringLiteral("data/CATALOG.txt"), QByteArray());
    RecordedErrorBoxes boxes;
    TForm1 form;
    QCOMPARE(boxes.shown, QStringList());
    QCOMPARE(form.Manufacturer->entryCount(), 0);
    QCOMPARE(form.Manufacturer->text(), QStringLiteral("Manufacturer"));
    QCOMPARE(HotspotHalfWidth, 20);
    QCOMPARE(HotspotHalfHeight, 8);
    QVERIFY(HotspotTestMode);
}

void StartupTest::hugeBinaryListStillGivesAWorkingWindow()
{
    TestCatalog catalog;
    QByteArray junk(100 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator random(1251);
    random.fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
    // Keep the NUL that ends the text far out, so the list is really long.
    junk.replace('\0', 'x');
    junk[junk.size() - 10] = '\0';
    int lineBreaks = 0;
    for (char c : std::as_const(junk))
        lineBreaks += (c == '\r' || c == '\n');
    catalog.writeBytes(QStringLiteral("DATA/catalog.txt"), junk);
    junk.clear();

    RecordedErrorBoxes boxes;
    TForm1 form;
    QCOMPARE(boxes.shown, QStringList());
    // Every CR, LF or CR LF ends one line: at least half the breaks, at most all.
    QVERIFY(form.Manufacturer->entryCount() >= lineBreaks / 2);
    QVERIFY(form.Manufacturer->entryCount() <= lineBreaks + 1);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.savnam, Qt::Key_End);
    QTest::keyClicks(form.savnam, QStringLiteral("42"));
    QCOMPARE(form.savnam->text(), QStringLiteral("savename42"));
}

void StartupTest::longExecutableFolderIsCutTo255()
{
    TestCatalog catalog;
    // A real catalog lies beside an executable whose folder name is longer
    // than 255 characters; the cut folder names no file.
    QString folder = QString(100, u'a') + u'/' + QString(100, u'b') + u'/' + QString(100, u'c');
    catalog.writeLines(folder + QStringLiteral("/DATA/catalog.txt"), {QStringLiteral("XRAY")});
    korvane::setExecutablePathForTesting(catalog.path(folder + QStringLiteral("/korvane")));
    const QString cut = (catalog.path(folder) + u'/').left(255);

    RecordedErrorBoxes boxes;
    TForm1 form;
    QCOMPARE(BaseFolder, cut);
    QCOMPARE(BaseFolder.size(), 255);
    QCOMPARE(boxes.shown, QStringList{QStringLiteral("Cannot open file ") + cut + QStringLiteral("DATA/catalog.txt.")});
    QCOMPARE(form.Manufacturer->entries(), kDesignManufacturers);
    QVERIFY(!HotspotTestMode);
}

void StartupTest::controlsStandAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("caption");

    struct Row
    {
        const char *name, *parent;
        int l, t, w, h;
        bool shown;
        const char *caption;
    };
    const Row rows[] = {
        {"Label1", "Form1", 808, 208, 32, 13, false, "Label1"},
        {"Label2", "Form1", 808, 232, 32, 13, false, "Label2"},
        {"Label3", "Form1", 808, 176, 32, 13, false, "Label3"},
        {"test", "Form1", 496, 560, 113, 22, false, "Начать проверку"},
        {"SpeedButton1", "Form1", 616, 560, 97, 22, false, "Load data text"},
        {"Group", "Form1", 286, 48, 115, 28, true, "Group"},
        {"Model", "Form1", 152, 48, 129, 28, true, "Model"},
        {"Manufacturer", "Form1", 8, 48, 137, 28, true, "Manufacturer"},
        {"Memo1", "Form1", 608, 616, 57, 25, false, "Memo1"},
        {"ToolBar1", "Form1", 0, 0, 1064, 25, true, ""},
        {"Button3", "ToolBar1", 0, 0, 75, 20, false, "Button3"},
        {"sb", "Form1", 0, 673, 1064, 19, true, ""},
        {"html", "Form1", 672, 640, 132, 14, true, ""},
        {"savnam", "Form1", 8, 80, 129, 28, true, "savename"},
        {"Editor", "Form1", 8, 456, 385, 193, false, "Editor"},
        {"Label5", "Editor", 9, 41, 57, 13, false, "Код детали"},
        {"newpic", "Editor", 192, 8, 153, 177, false, ""},
        {"Label6", "Editor", 200, 0, 70, 13, false, "Изображение"},
        {"Label7", "Editor", 8, 2, 35, 13, false, "Группа"},
        {"Label8", "Editor", 12, 76, 50, 13, false, "Название"},
        {"newCode", "Editor", 9, 55, 120, 21, false, ""},
        {"newcomment", "Editor", 8, 117, 161, 68, false, "Описание детали"},
        {"newsave", "Editor", 352, 8, 25, 177, false, "сохранить"},
        {"ProgressBar1", "Editor", 248, 168, 81, 17, false, ""},
        {"newcombo", "Editor", 8, 16, 145, 21, false, "категория детали"},
        {"newname", "Editor", 9, 92, 121, 21, false, ""},
        {"CurrentGroup", "Form1", 824, 635, 190, 24, false, "Body"},
        {"BitBtn3", "Form1", 768, 520, 75, 25, false, "строки"},
        {"fl1", "Form1", 8, 112, 393, 537, true, ""},
        {"Button2", "Form1", 528, 520, 75, 25, false, "Load text"},
        {"Button4", "Form1", 688, 520, 75, 25, false, "Test "},
        {"Button5", "Form1", 848, 520, 75, 25, false, "разделитель"},
        {"Button6", "Form1", 928, 520, 75, 25, false, "добавить"},
        {"Button7", "Form1", 608, 520, 75, 25, false, "SaveText"},
        {"find", "Form1", 672, 615, 129, 27, false, "find"},
        {"CheckBox1", "Form1", 576, 640, 97, 17, false, "CheckBox1"},
        {"Panel1", "Form1", 280, 80, 121, 28, true, "OPEN PART LIST >>>"},
        {"CheckBox2", "Form1", 472, 640, 97, 17, false, "Editor"},
        {"loadgroup", "Form1", 816, 608, 75, 25, false, "loadgroup"},
        {"sg1", "Form1", 8, 456, 113, 81, false, ""},
        {"lb1", "Form1", 120, 456, 105, 81, false, ""},
        {"lbmet", "Form1", 224, 456, 97, 81, false, ""},
        {"ScrollBox1", "Form1", 408, 49, 633, 600, true, ""},
        {"logo", "ScrollBox1", 3, 3, 627, 594, true, ""},
        {"exview", "Form1", 152, 80, 121, 28, true, "exview"},
    };
    for (const Row &row : rows)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << QString::fromLatin1(row.parent)
                                << QRect(row.l, row.t, row.w, row.h) << row.shown << QString::fromUtf8(row.caption);
}

void StartupTest::controlsStandAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(bool, shown);
    QFETCH(QString, caption);

    TestCatalog catalog;
    catalog.writeLines(QStringLiteral("DATA/catalog.txt"), {QStringLiteral("LST")});
    RecordedErrorBoxes boxes;
    TForm1 form;
    // Sizes before the first resize: those set by the creation handler.
    QWidget *widget = form.findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(), geometry);

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(widget->isVisible(), shown);

    QString text;
    if (auto *label = qobject_cast<QLabel *>(widget); label && name != QLatin1String("sb"))
        text = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        text = button->text();
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        text = edit->text();
    else if (auto *dropDown = qobject_cast<EditableDropDown *>(widget)) {
        text = dropDown->text();
        // A drop-down shows its text in its own font once shown, one built
        // hidden included.
        dropDown->show();
        QCOMPARE(dropDown->lineEdit()->font(), dropDown->font());
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(widget))
        text = memo->toPlainText();
    else if (auto *panel = qobject_cast<CaptionPanel *>(widget))
        text = panel->caption();
    QCOMPARE(text, caption);
}

void StartupTest::stackingTabOrderAndFirstFocus()
{
    TestCatalog catalog;
    catalog.writeLines(QStringLiteral("DATA/catalog.txt"), {QStringLiteral("LST")});
    RecordedErrorBoxes boxes;
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    // Later controls lie above earlier ones; labels and speed buttons below all.
    const QObjectList stack = form.children();
    const auto depth = [&](const char *name) { return stack.indexOf(control(&form, name)); };
    QVERIFY(depth("Label1") < depth("Label2"));
    QVERIFY(depth("SpeedButton1") < depth("Group"));
    QVERIFY(depth("test") < depth("Memo1"));
    QVERIFY(depth("html") < depth("ScrollBox1"));
    QVERIFY(depth("Group") < depth("Model"));
    QVERIFY(depth("sg1") < depth("lbmet"));
    const QObjectList editorStack = form.Editor->children();
    QVERIFY(editorStack.indexOf(form.newpic) < editorStack.indexOf(form.newCode));
    QVERIFY(editorStack.indexOf(form.Label8) < editorStack.indexOf(form.newname));

    // At start the keyboard is in savnam; Tab then walks the visible controls.
    QCOMPARE(QApplication::focusWidget(), form.savnam);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("X"));
    QCOMPARE(form.savnam->text(), QStringLiteral("savenameX"));
    const QList<QWidget *> expected{form.fl1, form.Manufacturer, form.Group, form.Model, form.exview, form.savnam};
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focused = QApplication::focusWidget();
        QVERIFY2(focused == next || focused->parentWidget() == next,
                 qPrintable(QStringLiteral("expected %1, got %2").arg(next->objectName(), focused->objectName())));
    }
}

void StartupTest::resizeFollowsTheRecordedState()
{
    TestCatalog catalog;
    catalog.writeLines(QStringLiteral("DATA/catalog.txt"), {QStringLiteral("LST")});
    RecordedErrorBoxes boxes;
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const auto expectRelative = [&] {
        const QSize outer = form.frameGeometry().size();
        QCOMPARE(form.fl1->height(), outer.height() - 173);
        QCOMPARE(form.ScrollBox1->height(), outer.height() - 110);
        QCOMPARE(form.ScrollBox1->width(), outer.width() - 420);
    };
    const auto expectFixed = [&] {
        QCOMPARE(form.fl1->height(), 537);
        QCOMPARE(form.ScrollBox1->height(), 600);
        QCOMPARE(form.ScrollBox1->width(), 633);
    };

    // First showing: relative to the designed outer size.
    expectRelative();
    QCOMPARE(form.recordedState(), TForm1::RecordedState::Normal);

    // The user maximises: the handler still sees "normal", so things grow.
    form.showMaximized();
    QTRY_COMPARE(form.recordedState(), TForm1::RecordedState::Maximized);
    QVERIFY(form.frameGeometry().size() != QSize(1064, 692));
    expectRelative();
    // The picture keeps filling the scroll box, and the bars keep to their
    // edges across the whole width.
    QCOMPARE(form.logo->geometry(), form.ScrollBox1->contentsRect());
    QCOMPARE(form.sb->geometry(), QRect(0, form.height() - 19, form.width(), 19));
    QCOMPARE(form.ToolBar1->geometry(), QRect(0, 0, form.width(), 25));

    // Restoring: the handler sees "maximised" and sets the fixed sizes.
    form.showNormal();
    QTRY_COMPARE(form.recordedState(), TForm1::RecordedState::Normal);
    expectFixed();

    // A resize in the normal state is relative again.
    form.resize(1064, 800);
    expectRelative();
    // The picture area, grown over the web-browser strip, paints its face
    // there instead of letting the strip show through.
    QVERIFY(form.ScrollBox1->geometry().contains(form.html->geometry()));
    const QImage shot = form.grab().toImage();
    QCOMPARE(shot.pixelColor(form.html->geometry().center()), form.palette().color(QPalette::Button));
    QCOMPARE(form.sb->geometry(), QRect(0, 781, 1064, 19));

    // Minimising changes nothing.
    form.resize(900, 650);
    expectRelative();
    const int listHeight = form.fl1->height();
    form.showMinimized();
    QTRY_COMPARE(form.recordedState(), TForm1::RecordedState::Minimized);
    QCOMPARE(form.fl1->height(), listHeight);
    // No control moves.
    QCOMPARE(form.fl1->pos(), QPoint(8, 112));
    QCOMPARE(form.ScrollBox1->pos(), QPoint(408, 49));
}

void StartupTest::maximisedShowRequestGivesFixedSizes()
{
    TestCatalog catalog;
    catalog.writeLines(QStringLiteral("DATA/catalog.txt"), {QStringLiteral("LST")});
    RecordedErrorBoxes boxes;
    TForm1 form;
    applyShowRequest(form, ShowRequest::Maximized);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY(form.isMaximized());
    QCOMPARE(form.recordedState(), TForm1::RecordedState::Maximized);
    QCOMPARE(form.fl1->height(), 537);
    QCOMPARE(form.ScrollBox1->size(), QSize(633, 600));
}

void StartupTest::windowIsFittedToTheAvailableArea_data()
{
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("client");
    const QMargins openbox(1, 20, 1, 5);
    const QMargins wayland(3, 30, 3, 3);
    QTest::newRow("1280 x 1024: designed") << openbox << QSize(1280, 1024) << QSize(1064, 692);
    QTest::newRow("1280 x 720: designed") << openbox << QSize(1280, 720) << QSize(1064, 692);
    QTest::newRow("just fits") << openbox << QSize(1066, 717) << QSize(1064, 692);
    QTest::newRow("one pixel short each way") << openbox << QSize(1065, 716) << QSize(1063, 691);
    QTest::newRow("1024 x 600, openbox") << openbox << QSize(1024, 600) << QSize(1022, 575);
    QTest::newRow("1024 x 600, Wayland decorations") << wayland << QSize(1024, 600) << QSize(1018, 567);
    QTest::newRow("frame not known yet") << QMargins() << QSize(1024, 600) << QSize(1024, 600);
    QTest::newRow("wide but low") << openbox << QSize(1920, 600) << QSize(1064, 575);
    QTest::newRow("no room at all") << openbox << QSize(2, 10) << QSize(1, 1);
}

void StartupTest::windowIsFittedToTheAvailableArea()
{
    QFETCH(QMargins, frame);
    QFETCH(QSize, available);
    QFETCH(QSize, client);
    QCOMPARE(fittedClientSize(QSize(1064, 692), frame, available), client);
}

void StartupTest::previewWindowsStayHidden()
{
    TestCatalog catalog;
    catalog.writeLines(QStringLiteral("DATA/catalog.txt"), {QStringLiteral("LST")});
    RecordedErrorBoxes boxes;
    TForm1 form;
    Tshowdw preview;
    QCOMPARE(preview.objectName(), QStringLiteral("showdw"));
    QCOMPARE(preview.metaObject()->className(), "Tshowdw");
    QCOMPARE(preview.windowTitle(), QStringLiteral("Detail Preview window"));
    QCOMPARE(preview.size(), QSize(386, 276));
    QCOMPARE(preview.Image1->geometry(), QRect(0, 0, 386, 276));
    QCOMPARE(preview.font().pixelSize(), 11);
    QCOMPARE(preview.font().family(), form.font().family());
    QVERIFY(preview.Image1->picture().isNull());
    form.show();
    QVERIFY(!preview.isVisible());

    // The unreachable tool-bar button makes one more hidden preview window each time.
    QMetaObject::invokeMethod(&form, "Button3Click");
    QMetaObject::invokeMethod(&form, "Button3Click");
    const QList<Tshowdw *> made = form.findChildren<Tshowdw *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(made.size(), 2);
    for (Tshowdw *window : made) {
        QVERIFY(window->isWindow());
        QVERIFY(!window->isVisible());
    }
    QCOMPARE(boxes.shown, QStringList());
}

void StartupTest::errorBoxAddsAFinalPeriodByItsRule_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("path ending in txt") << "Cannot open file /x/DATA/catalog.txt"
                                        << "Cannot open file /x/DATA/catalog.txt.";
    QTest::newRow("closing parenthesis, 41") << "Unknown picture file extension (.gif)"
                                             << "Unknown picture file extension (.gif)";
    QTest::newRow("period itself, 46") << "Done."
                                       << "Done.";
    QTest::newRow("dash, 45") << "x-"
                              << "x-";
    QTest::newRow("slash, 47") << "x/"
                               << "x/.";
    QTest::newRow("digit") << "List index out of bounds (-1)"
                           << "List index out of bounds (-1)";
    QTest::newRow("Cyrillic letter") << QStringLiteral("Ошибка") << QStringLiteral("Ошибка.");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("trailing space, 32") << "a "
                                        << "a ";
}

void StartupTest::errorBoxAddsAFinalPeriodByItsRule()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(errorBoxText(message), shown);
    RecordedErrorBoxes boxes;
    runGuarded([&] { throw Failure(message); });
    QCOMPARE(boxes.shown, QStringList{shown});
}

void StartupTest::outerHandlerGoesOnAfterANestedFailure()
{
    RecordedErrorBoxes boxes;
    QStringList steps;
    // A handler that the toolkit ran inside another one (through a focus
    // change, say): its failure is shown once, when the outer one ends.
    runGuarded([&] {
        runGuarded([] { throw Failure(QStringLiteral("Cannot create file /x")); });
        steps << "went on";
        QCOMPARE(boxes.shown, QStringList());
    });
    QCOMPARE(steps, QStringList{QStringLiteral("went on")});
    QCOMPARE(boxes.shown, QStringList{QStringLiteral("Cannot create file /x.")});
    runGuarded([] {});
    QCOMPARE(boxes.shown.size(), 1);

    // After that, handlers run normally again and other exceptions show their text.
    runGuarded([] { throw std::runtime_error("plain failure"); });
    QCOMPARE(boxes.shown.last(), QStringLiteral("plain failure."));
    QVERIFY(!insideGuardedHandler());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
