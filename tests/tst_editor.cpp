#include "TestCatalog.h"

#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureDialog.h"
#include "ui/Unit1.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <optional>

using namespace korvane;

namespace {

// A main window on the sample catalog with the editor panel brought out, so
// that the keyboard can reach it; the picture dialog answers from a list.
struct Session : SampleSession
{
    Session()
    {
        PictureDialog::setChooserForTesting([this](const PictureDialog &dialog) -> std::optional<QString> {
            filterIndexSeen = dialog.filterIndex();
            ++dialogsShown;
            if (answers.isEmpty())
                return std::nullopt;
            const QString answer = answers.takeFirst();
            if (answer.isEmpty())
                return std::nullopt;
            return catalog.path(answer);
        });
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->Editor->show();
        form->Manufacturer->setText(QStringLiteral("XRAY"));
    }

    ~Session() { PictureDialog::setChooserForTesting({}); }

    // Loads a picture through a click on the picture box.
    void pick(const QString &relative)
    {
        answers.append(relative);
        QTest::mouseClick(form->newpic, Qt::LeftButton);
    }

    void save() const { QTest::mouseClick(form->newsave, Qt::LeftButton); }

    QStringList answers; // relative file names; "" cancels
    int filterIndexSeen = 0;
    int dialogsShown = 0;
};

} // namespace

class EditorTest : public QObject
{
    Q_OBJECT

private slots:
    void enterWalksTheChainAndSavesOnce();
    void tabLeavesTheDescription();
    void failedOrCancelledPicksChangeNothing();
    void pictureDialogListsTheDesignedFiltersWithAPreview();
    void categoryAbbreviations_data();
    void categoryAbbreviations();
    void typedCategoryLeavesNoItemSelected();
    void picturesAreSavedAsTheyWereLoaded();
    void failedSavesKeepEverything();
    void savedNamesStayInsideTheCatalog();
};

void EditorTest::enterWalksTheChainAndSavesOnce()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeJpeg(QStringLiteral("pick/part.jpg"), 30, 40, Qt::magenta);

    f.newcombo->setFocus();
    QTRY_VERIFY(f.newcombo->isDroppedDown()); // the list opens on entering
    // The open list holds the keyboard; typing there picks the category and
    // Enter goes on to the code.
    QTest::keyClick(QApplication::focusWidget(), 'e');
    QCOMPARE(f.newcombo->text(), QStringLiteral("engine"));
    QCOMPARE(f.Label2->text(), QStringLiteral("Engn"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!f.newcombo->isDroppedDown());
    QCOMPARE(f.newcombo->text(), QStringLiteral("engine"));
    QCOMPARE(QApplication::focusWidget(), f.newCode);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("777"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), f.newname);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Arm"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), f.newcomment);

    s.answers.append(QStringLiteral("pick/part.jpg"));
    f.newcomment->moveCursor(QTextCursor::End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(s.dialogsShown, 1);
    QCOMPARE(s.filterIndexSeen, 2);
    QCOMPARE(f.newpic->picture().size(), QSize(30, 40));
    QVERIFY(f.newsave->isEnabled());
    QCOMPARE(QApplication::focusWidget(), f.newsave);
    // The description still took its Enter.
    QCOMPARE(f.newcomment->toPlainText(), QStringLiteral("Описание детали\n"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(readFileBytes(s.data(QStringLiteral("XRAY/777.jpg"))),
             readFileBytes(s.catalog.path(QStringLiteral("pick/part.jpg"))));
    // A second save would have written ".jpg" with the emptied code.
    QVERIFY(!QFile::exists(s.data(QStringLiteral("XRAY/.jpg"))));
    QTRY_VERIFY(f.newcombo->isDroppedDown());
    // Tab closes the reopened list and moves on.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(!f.newcombo->isDroppedDown());
    QCOMPARE(QApplication::focusWidget(), f.newname);
    QCOMPARE(f.newCode->text(), QString());
    QCOMPARE(f.newname->text(), QString());
    QCOMPARE(f.newcomment->toPlainText(), QString());
    // Picture and button stay for the next part.
    QCOMPARE(f.newpic->picture().size(), QSize(30, 40));
    QVERIFY(f.newsave->isEnabled());
    QCOMPARE(s.boxes.shown, QStringList());

    // Saving again without a new picture writes it again, under the code then typed.
    f.newCode->setText(QStringLiteral("778"));
    s.save();
    QCOMPARE(readFileBytes(s.data(QStringLiteral("XRAY/778.jpg"))),
             readFileBytes(s.catalog.path(QStringLiteral("pick/part.jpg"))));
    // An empty code saves a file named ".jpg".
    s.save();
    QVERIFY(QFile::exists(s.data(QStringLiteral("XRAY/.jpg"))));
}

void EditorTest::tabLeavesTheDescription()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeJpeg(QStringLiteral("pick/part.jpg"), 8, 8, Qt::red);

    // The save button takes no focus before a picture is loaded, so Tab goes
    // on to the next control in the tab order, the category list.
    f.newcomment->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(f.newcombo->isDroppedDown());
    f.newcombo->hidePopup();
    QCOMPARE(QApplication::focusWidget(), f.newcombo);

    s.pick(QStringLiteral("pick/part.jpg"));
    f.newcomment->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.newsave);
    QCOMPARE(f.newcomment->toPlainText(), QStringLiteral("Описание детали"));
}

void EditorTest::failedOrCancelledPicksChangeNothing()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeBytes(QStringLiteral("pick/broken.jpg"), QByteArray("\xFF\xD8 broken", 9));
    s.catalog.writeBytes(QStringLiteral("pick/empty.jpg"), QByteArray());
    s.catalog.writeBytes(QStringLiteral("pick/photo.gif"), QByteArray("GIF89a"));
    s.catalog.writeBytes(QStringLiteral("pick/noext"), QByteArray("x"));
    s.catalog.writeJpeg(QStringLiteral("pick/good.JPEG"), 12, 12, Qt::red);

    f.newcomment->setFocus();
    s.answers.append(QString()); // cancel
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(s.dialogsShown, 1);
    QVERIFY(!f.newsave->isEnabled());
    QCOMPARE(QApplication::focusWidget(), f.newcomment);
    QCOMPARE(f.newcomment->toPlainText().count(u'\n'), 1);

    for (const QString &bad :
         {QStringLiteral("pick/broken.jpg"), QStringLiteral("pick/empty.jpg"), QStringLiteral("pick/photo.gif"),
          QStringLiteral("pick/noext"), QStringLiteral("pick/missing.jpg")}) {
        s.answers.append(bad);
        QTest::keyClick(f.newcomment, Qt::Key_Return);
        QVERIFY(!f.newsave->isEnabled());
        QCOMPARE(QApplication::focusWidget(), f.newcomment);
        QVERIFY(f.newpic->picture().isNull());
    }
    QCOMPARE(s.boxes.shown.size(), 5);
    QVERIFY(s.boxes.shown.at(0).startsWith(QStringLiteral("JPEG error #")));
    QVERIFY(s.boxes.shown.at(1).startsWith(QStringLiteral("JPEG error #")));
    QCOMPARE(s.boxes.shown.at(2), QStringLiteral("Unknown picture file extension (.gif)"));
    QCOMPARE(s.boxes.shown.at(3), QStringLiteral("Unknown picture file extension (.)"));
    QCOMPARE(s.boxes.shown.at(4),
             QStringLiteral("Cannot open file ") + s.catalog.path(QStringLiteral("pick/missing.jpg.")));

    // A good one, by a click: the focus stays where it was.
    s.pick(QStringLiteral("pick/good.JPEG"));
    QVERIFY(f.newsave->isEnabled());
    QCOMPARE(QApplication::focusWidget(), f.newcomment);
    // A bad one afterwards keeps the good picture and the button.
    s.pick(QStringLiteral("pick/photo.gif"));
    QCOMPARE(f.newpic->picture().size(), QSize(12, 12));
    QVERIFY(f.newsave->isEnabled());
}

void EditorTest::pictureDialogListsTheDesignedFiltersWithAPreview()
{
    Session s;
    TForm1 &f = *s.form;
    PictureDialog::setChooserForTesting({});
    s.catalog.writeJpeg(QStringLiteral("pick/a.jpg"), 30, 40, Qt::red);
    s.catalog.writeJpeg(QStringLiteral("pick/wide.JPEG"), 900, 300, Qt::blue);
    s.catalog.writeBytes(QStringLiteral("pick/broken.jpg"), QByteArray("\xFF\xD8 broken"));
    s.catalog.writeBmp(QStringLiteral("pick/c.bmp"), 12, 6, Qt::green);
    s.catalog.writeBytes(QStringLiteral("pick/notes.txt"), QByteArray("x"));

    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        const auto closeOnFailure = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QCOMPARE(dialog->nameFilters(), (QStringList{"Bitmaps (*.bmp)", "All (*.jpg;*.jpeg)", "JPEG Image File (*.jpg)",
                                                     "JPEG Image File (*.jpeg)"}));
        QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("All (*.jpg;*.jpeg)"));

        dialog->setDirectory(s.catalog.path(QStringLiteral("pick")));
        // The files show in a list or in a table with details, whichever is in view.
        QAbstractItemView *list = nullptr;
        for (const QString &name : {QStringLiteral("listView"), QStringLiteral("treeView")}) {
            auto *view = dialog->findChild<QAbstractItemView *>(name);
            if (view && view->isVisible())
                list = view;
        }
        auto *preview = dialog->findChild<PicturePreview *>();
        QVERIFY(list && preview);
        QVERIFY(preview->mapTo(dialog, QPoint()).x() >= list->mapTo(dialog, QPoint(list->width(), 0)).x());
        const auto shown = [list] {
            QStringList names;
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                names.append(list->model()->index(row, 0, list->rootIndex()).data().toString());
            names.sort(Qt::CaseInsensitive);
            return names;
        };
        const auto click = [list](const QString &name) {
            const QModelIndex index
                = list->model()
                      ->match(list->model()->index(0, 0, list->rootIndex()), Qt::DisplayRole, name, 1, Qt::MatchExactly)
                      .value(0);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        };
        QTRY_COMPARE(shown(), (QStringList{"a.jpg", "broken.jpg", "wide.JPEG"}));

        click(QStringLiteral("a.jpg"));
        QCOMPARE(preview->picture().size(), QSize(30, 40));
        click(QStringLiteral("broken.jpg"));
        QVERIFY(preview->picture().isNull());
        click(QStringLiteral("wide.JPEG"));
        QCOMPARE(preview->picture().size(), QSize(900, 300));
        const QRect area = preview->pictureArea();
        QVERIFY(preview->contentsRect().contains(area));
        QVERIFY(qAbs(area.width() - 3 * area.height()) <= 3);

        // The file types, chosen with the arrow keys: bitmaps, then all JPEGs again.
        auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        types->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTRY_COMPARE(shown(), QStringList{QStringLiteral("c.bmp")});
        click(QStringLiteral("c.bmp"));
        QCOMPARE(preview->picture().size(), QSize(12, 6));
        types->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTRY_COMPARE(shown(), (QStringList{"a.jpg", "broken.jpg", "wide.JPEG"}));
        click(QStringLiteral("a.jpg"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QTest::mouseClick(f.newpic, Qt::LeftButton);
    QCOMPARE(f.newpic->picture().size(), QSize(30, 40));
    QCOMPARE(s.boxes.shown, QStringList());
}

void EditorTest::categoryAbbreviations_data()
{
    QTest::addColumn<int>("downs");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("abbreviation");
    const char *rows[][2]
        = {{"Chasis", "Chasis"},      {"Steering", "Steer"}, {"Front Chasis", "Fchasis"}, {"Rear Chasis", "Rchasis"},
           {"Transmission", "Trans"}, {"Engine", "Engn"},    {"Clutch", "Clut"},          {"Wheels", "Wls"},
           {"Body", "Bdy"},           {"Other", "Othr"}};
    int downs = 1;
    for (const auto &row : rows)
        QTest::newRow(row[0]) << downs++ << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void EditorTest::categoryAbbreviations()
{
    QFETCH(int, downs);
    QFETCH(QString, category);
    QFETCH(QString, abbreviation);
    Session s;
    TForm1 &f = *s.form;
    for (int i = 0; i < downs; ++i)
        QTest::keyClick(f.newcombo, Qt::Key_Down);
    QCOMPARE(f.newcombo->text(), category);
    QCOMPARE(f.Label3->text(), category);
    QCOMPARE(f.Label2->text(), abbreviation);
}

void EditorTest::typedCategoryLeavesNoItemSelected()
{
    Session s;
    TForm1 &f = *s.form;
    QTest::keyClick(f.newcombo, Qt::Key_Down);
    QTest::keyClick(f.newcombo, Qt::Key_Down);
    QCOMPARE(f.Label2->text(), QStringLiteral("Steer"));
    // Typing past the entry: no item selected, an empty category, the old
    // abbreviation stays.
    f.newcombo->lineEdit()->end(false);
    QTest::keyClick(f.newcombo, 'Q');
    QCOMPARE(f.newcombo->text(), QStringLiteral("SteeringQ"));
    QCOMPARE(f.Label3->text(), QString());
    QCOMPARE(f.Label2->text(), QStringLiteral("Steer"));
    // Completion picks an item again.
    f.newcombo->setText(QString());
    QTest::keyClick(f.newcombo, 'e');
    QCOMPARE(f.newcombo->text(), QStringLiteral("engine"));
    QCOMPARE(f.Label3->text(), QStringLiteral("Engine"));
    QCOMPARE(f.Label2->text(), QStringLiteral("Engn"));
}

void EditorTest::picturesAreSavedAsTheyWereLoaded()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeJpeg(QStringLiteral("pick/a.jpg"), 20, 10, Qt::blue);
    s.catalog.writeBmp(QStringLiteral("pick/b.BMP"), 7, 5, Qt::green);
    // An icon, made by the toolkit: one 16 x 16 picture.
    {
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(icon.save(&buffer, "ICO"));
        s.catalog.writeBytes(QStringLiteral("pick/c.ico"), buffer.data());
    }
    // Metafile headers: an enhanced one and a placeable Windows one.
    QByteArray emf(88, '\0');
    emf[0] = 1;
    emf[4] = 88;
    emf.replace(40, 4, " EMF");
    s.catalog.writeBytes(QStringLiteral("pick/d.emf"), emf);
    QByteArray wmf("\xD7\xCD\xC6\x9A", 4);
    wmf.append(QByteArray(18, '\0'));
    wmf.append(QByteArray("\x01\x00\x09\x00\x00\x03", 6));
    wmf.append(QByteArray(12, '\0'));
    s.catalog.writeBytes(QStringLiteral("pick/e.wmf"), wmf);

    const struct
    {
        const char *file;
        QSize drawn;
    } picks[] = {{"pick/a.jpg", {20, 10}},
                 {"pick/b.BMP", {7, 5}},
                 {"pick/c.ico", {16, 16}},
                 {"pick/d.emf", {}},
                 {"pick/e.wmf", {}}};
    int code = 1;
    for (const auto &pick : picks) {
        s.pick(QString::fromLatin1(pick.file));
        QCOMPARE(f.newpic->picture().size(), pick.drawn.isValid() ? pick.drawn : QSize(0, 0));
        f.newCode->setText(QStringLiteral("P%1").arg(code));
        s.save();
        QCOMPARE(readFileBytes(s.data(QStringLiteral("XRAY/P%1.jpg").arg(code))),
                 readFileBytes(s.catalog.path(QString::fromLatin1(pick.file))));
        ++code;
    }
    QCOMPARE(s.boxes.shown, QStringList());

    // Headers that are not what their extension says.
    s.catalog.writeBytes(QStringLiteral("pick/bad.emf"), QByteArray(100, 'x'));
    s.catalog.writeBytes(QStringLiteral("pick/bad.wmf"), QByteArray(30, 'x'));
    s.catalog.writeBytes(QStringLiteral("pick/bad.ico"), QByteArray("\0\0\1\0\1\0junk", 10));
    s.pick(QStringLiteral("pick/bad.emf"));
    s.pick(QStringLiteral("pick/bad.wmf"));
    s.pick(QStringLiteral("pick/bad.ico"));
    QCOMPARE(s.boxes.shown,
             (QStringList{QStringLiteral("Metafile is not valid."), QStringLiteral("Metafile is not valid."),
                          QStringLiteral("Icon image is not valid.")}));
}

void EditorTest::failedSavesKeepEverything()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeJpeg(QStringLiteral("pick/a.jpg"), 20, 10, Qt::blue);
    s.pick(QStringLiteral("pick/a.jpg"));
    f.newname->setText(QStringLiteral("Arm"));

    // The manufacturer's folder does not exist while the text is still its
    // initial one.
    f.Manufacturer->setText(QStringLiteral("Manufacturer"));
    f.newCode->setText(QStringLiteral("301011"));
    f.newsave->setFocus();
    QTest::keyClick(f.newsave, Qt::Key_Return);
    QCOMPARE(s.boxes.shown,
             QStringList{QStringLiteral("Cannot create file ") + s.data(QStringLiteral("Manufacturer/301011.jpg."))});
    QCOMPARE(QApplication::focusWidget(), f.newsave);
    QCOMPARE(f.newCode->text(), QStringLiteral("301011"));
    QCOMPARE(f.newname->text(), QStringLiteral("Arm"));

    // A write cut short (a full disk) leaves the existing photo as it was.
    f.Manufacturer->setText(QStringLiteral("xray"));
    s.catalog.writeBytes(QStringLiteral("DATA/XRAY/301011.jpg"), QByteArray("old photo"));
    {
        const FileSizeLimit limit(16);
        s.save();
    }
    QCOMPARE(s.boxes.shown.last(), QStringLiteral("Cannot create file ") + s.data(QStringLiteral("xray/301011.jpg.")));
    QCOMPARE(readFileBytes(s.data(QStringLiteral("XRAY/301011.jpg"))), QByteArray("old photo"));
    QCOMPARE(f.newCode->text(), QStringLiteral("301011"));

    // A folder in the photo's place.
    s.catalog.makeFolder(QStringLiteral("DATA/XRAY/dir.jpg"));
    f.newCode->setText(QStringLiteral("dir"));
    s.save();
    QCOMPARE(s.boxes.shown.size(), 3);

    // With the cause removed, the same save goes through.
    f.newCode->setText(QStringLiteral("301011"));
    s.save();
    QCOMPARE(readFileBytes(s.data(QStringLiteral("XRAY/301011.jpg"))),
             readFileBytes(s.catalog.path(QStringLiteral("pick/a.jpg"))));
    QCOMPARE(s.boxes.shown.size(), 3);
    QCOMPARE(f.newname->text(), QString());
}

void EditorTest::savedNamesStayInsideTheCatalog()
{
    Session s;
    TForm1 &f = *s.form;
    s.catalog.writeJpeg(QStringLiteral("pick/a.jpg"), 20, 10, Qt::blue);
    s.pick(QStringLiteral("pick/a.jpg"));
    s.catalog.makeFolder(QStringLiteral("DATA/XRAY/Sub"));

    // Subfolders inside the catalog are fine, with either separator.
    f.newCode->setText(QStringLiteral("sub\\\\p1"));
    s.save();
    QVERIFY(QFile::exists(s.data(QStringLiteral("XRAY/Sub/p1.jpg"))));
    f.newCode->setText(QStringLiteral("Деталь-1"));
    s.save();
    QVERIFY(QFile::exists(s.data(QStringLiteral("XRAY/Деталь-1.jpg"))));
    QCOMPARE(s.boxes.shown, QStringList());

    // Names that climb out of DATA, wildcards, a missing subfolder, a name far
    // too long: refused, and nothing is written anywhere.
    const QStringList refused{QStringLiteral("../../escape"), QStringLiteral("..\\\\..\\\\..\\\\escape"),
                              QStringLiteral("a*b"),          QStringLiteral("what?"),
                              QStringLiteral("nosub/p2"),     QString(1000, u'7')};
    for (const QString &code : refused) {
        f.newCode->setText(code);
        s.save();
        const QString path = s.data(QStringLiteral("XRAY/")) + code + QStringLiteral(".jpg");
        const QString shown = s.boxes.shown.last();
        if (path.size() < 300) {
            QCOMPARE(shown, QStringLiteral("Cannot create file ") + path + u'.');
        } else {
            // A path far too long is quoted shortened in its middle.
            QVERIFY(shown.size() < 400);
            QVERIFY(shown.startsWith(QStringLiteral("Cannot create file ") + path.left(100)));
            QVERIFY(shown.endsWith(path.right(100) + u'.'));
        }
        QCOMPARE(f.newCode->text(), code);
    }
    f.Manufacturer->setText(QStringLiteral(".."));
    f.newCode->setText(QStringLiteral("escape"));
    s.save();
    QCOMPARE(s.boxes.shown.size(), refused.size() + 1);
    QVERIFY(!QFile::exists(s.catalog.path(QStringLiteral("escape.jpg"))));
    QVERIFY(!QFile::exists(s.catalog.path(QStringLiteral("DATA/escape.jpg"))));
    QVERIFY(!QFile::exists(s.catalog.path(QStringLiteral("../escape.jpg"))));
}

QTEST_MAIN(EditorTest)
#include "tst_editor.moc"
