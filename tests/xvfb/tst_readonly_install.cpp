// An installed copy whose user cannot write under its prefix: the program
// writes nothing but the part list dump and the editor's photos, so it starts
// and browses there, and a save is reported as "Cannot create file" instead
// of crashing. Both saves sit behind hidden controls that no real input
// reaches, so they are driven here; real-window.sh runs this as the user who
// runs the installed program, with KORVANE_INSTALLED_PROGRAM naming
// <prefix>/lib/korvane/korvane.

#include "TestCatalog.h"

#include "catalog/CatalogPaths.h"
#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureDialog.h"
#include "ui/Unit1.h"

#include "platform/ExecutablePath.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <unistd.h>

using namespace korvane;

class ReadOnlyInstallTest : public QObject
{
    Q_OBJECT

private slots:
    void savesAreRefusedAndReported();
};

void ReadOnlyInstallTest::savesAreRefusedAndReported()
{
    const QString program = qEnvironmentVariable("KORVANE_INSTALLED_PROGRAM");
    QVERIFY2(QFileInfo(program).isExecutable(), "KORVANE_INSTALLED_PROGRAM names the installed program");
    const QString data = QFileInfo(program).path() + QStringLiteral("/DATA/");
    // Nothing is checked unless the catalog really refuses this user.
    QVERIFY(::access(QFile::encodeName(data + QStringLiteral("XRAY")).constData(), W_OK) != 0);
    setExecutablePathForTesting(program);
    // Where a build configured for this prefix dumps the part list.
    paths::setPartListDumpForTesting(data + QStringLiteral("PartList.txt"));
    PictureDialog::setChooserForTesting(
        [&](const PictureDialog &) -> std::optional<QString> { return data + QStringLiteral("XRAY/T4R/T4R.jpg"); });

    RecordedErrorBoxes boxes;
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(boxes.shown, QStringList());

    // Browsing reads the installed catalog.
    for (EditableDropDown *dropDown : {form.Manufacturer, form.Model}) {
        dropDown->setFocus();
        dropDown->lineEdit()->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), dropDown == form.Manufacturer ? "X" : "T");
    }
    QCOMPARE(form.Model->text(), QStringLiteral("T4R"));
    QVERIFY(form.fl1->lineCount() > 0);
    QVERIFY(!form.logo->picture().isNull());
    QCOMPARE(boxes.shown, QStringList());

    // The editor's photo save and the dump.
    form.Editor->show();
    QTest::mouseClick(form.newpic, Qt::LeftButton);
    form.newCode->setText(QStringLiteral("301011"));
    QTest::mouseClick(form.newsave, Qt::LeftButton);
    form.Button7->click();
    QCOMPARE(boxes.shown,
             (QStringList{QStringLiteral("Cannot create file ") + data + QStringLiteral("XRAY/301011.jpg."),
                          QStringLiteral("Cannot create file ") + data + QStringLiteral("PartList.txt.")}));
    QVERIFY(!QFileInfo::exists(data + QStringLiteral("XRAY/301011.jpg")));
    QVERIFY(form.isVisible());

    PictureDialog::setChooserForTesting({});
    paths::setPartListDumpForTesting(QString());
    setExecutablePathForTesting(QString());
}

QTEST_MAIN(ReadOnlyInstallTest)
#include "tst_readonly_install.moc"
