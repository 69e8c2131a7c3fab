#include "TestCatalog.h"

#include "catalog/FileRoutes.h"
#include "check/CatalogCheck.h"
#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "ui/Unit1.h"

#include <QFile>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <vector>

// Every catalog file's route, taken by the browser and by the checker: with
// the file taken away, or a folder in its place, what the window shows and
// what korvane-check reports both follow from the route table.

using namespace korvane;

namespace {

// Every file of every route, the checker finding nothing wrong.
void writeRouteCatalog(const TestCatalog &c)
{
    c.writeLines(QStringLiteral("DATA/catalog.txt"), {QStringLiteral("LST")});
    c.writeLines(QStringLiteral("DATA/LST/catalog.txt"), {QStringLiteral("M")});
    c.writeLines(QStringLiteral("DATA/LST/M/M.txt"), {QStringLiteral("L1 Arm")});
    c.writeJpeg(QStringLiteral("DATA/LST/M/M.jpg"), 40, 30, Qt::red);
    c.writeLines(QStringLiteral("DATA/LST/M/Parts/list.txt"), {QStringLiteral("G")});
    c.writeLines(QStringLiteral("DATA/LST/M/Parts/G.txt"), {QStringLiteral("L1 Arm")});
    c.writeLines(QStringLiteral("DATA/LST/M/Parts/EXPLODED/list.txt"), {QStringLiteral("V")});
    c.writeBmp(QStringLiteral("DATA/LST/M/Parts/EXPLODED/V.bmp"), 100, 80, Qt::white);
    c.writeLines(QStringLiteral("DATA/LST/M/Parts/EXPLODED/V.met"), {QStringLiteral("L1=50-40")});
    c.writeJpeg(QStringLiteral("DATA/IMG/L1.jpg"), 16, 16, Qt::cyan);
    c.writeLines(QStringLiteral("DATA/Tools.txt"), {QStringLiteral("L1 Arm")});
    c.writeLines(QStringLiteral("DATA/LST/M/M/parts/list.txt"), {QStringLiteral("G")});
}

void chooseManufacturer(TForm1 &f)
{
    f.Manufacturer->setText(QString());
    QTest::keyClick(f.Manufacturer, 'L');
}

void chooseModel(TForm1 &f)
{
    chooseManufacturer(f);
    QTest::keyClick(f.Model, Qt::Key_Down);
}

// How a person comes to a route's step, and the file it reads there.
struct Scenario
{
    const FileRoute *route;
    QString file;
    std::function<void(TForm1 &)> steps;
};

const std::vector<Scenario> &scenarios()
{
    static const std::vector<Scenario> all{
        {&routes::manufacturerList, QStringLiteral("DATA/catalog.txt"), [](TForm1 &) {}},
        {&routes::modelList, QStringLiteral("DATA/LST/catalog.txt"), chooseManufacturer},
        {&routes::modelPartList, QStringLiteral("DATA/LST/M/M.txt"), chooseModel},
        {&routes::explodedViewList, QStringLiteral("DATA/LST/M/Parts/EXPLODED/list.txt"), chooseModel},
        {&routes::modelPicture, QStringLiteral("DATA/LST/M/M.jpg"), chooseModel},
        {&routes::groupList, QStringLiteral("DATA/LST/M/Parts/list.txt"), chooseModel},
        {&routes::groupListOnGroupChange, QStringLiteral("DATA/LST/M/Parts/list.txt"),
         [](TForm1 &f) {
             chooseModel(f);
             QTest::keyClick(f.Group, Qt::Key_Down);
         }},
        {&routes::groupPartList, QStringLiteral("DATA/LST/M/Parts/G.txt"),
         [](TForm1 &f) {
             chooseModel(f);
             QTest::keyClick(f.Group, Qt::Key_Down);
         }},
        {&routes::diagram, QStringLiteral("DATA/LST/M/Parts/EXPLODED/V.bmp"),
         [](TForm1 &f) {
             chooseModel(f);
             QTest::keyClick(f.exview, Qt::Key_Down);
         }},
        {&routes::hotspotFile, QStringLiteral("DATA/LST/M/Parts/EXPLODED/V.met"),
         [](TForm1 &f) {
             chooseModel(f);
             QTest::keyClick(f.exview, Qt::Key_Down);
         }},
        {&routes::partPhoto, QStringLiteral("DATA/IMG/L1.jpg"),
         [](TForm1 &f) {
             chooseModel(f);
             QTest::mouseClick(f.fl1->viewport(), Qt::LeftButton, {},
                               f.fl1->visualRect(f.fl1->model()->index(0, 0)).center());
         }},
        // The control is never shown; its handler does what it would on a pick.
        {&routes::listedGroupFile, QStringLiteral("DATA/Tools.txt"),
         [](TForm1 &f) {
             f.CurrentGroup->setEntries({QStringLiteral("Tools.txt")});
             f.CurrentGroup->setText(QString());
             QTest::keyClick(f.CurrentGroup, Qt::Key_Down);
         }},
        {&routes::panelPartList, QStringLiteral("DATA/LST/M/M/parts/list.txt"),
         [](TForm1 &f) {
             chooseModel(f);
             QTest::mouseClick(f.Panel1, Qt::LeftButton);
         }},
    };
    return all;
}

struct Shown
{
    QString status;
    QString caption;
    QStringList boxes;
};

// The window started on the catalog, after the scenario's steps; the texts
// name the catalog's folder "<catalog>", so that two catalogs compare.
Shown runWindow(const Scenario &scenario, const TestCatalog &catalog)
{
    RecordedErrorBoxes boxes;
    TForm1 form;
    form.show();
    scenario.steps(form);
    const auto general = [&](QString text) { return text.replace(catalog.root(), QStringLiteral("<catalog>")); };
    QStringList shownBoxes;
    for (const QString &box : std::as_const(boxes.shown))
        shownBoxes.append(general(box));
    return {general(form.statusText()), general(form.windowTitle()), shownBoxes};
}

check::Report runChecker(const TestCatalog &catalog)
{
    check::Options options;
    options.listPartsWithoutPhoto = true;
    options.threads = 1;
    return check::checkCatalog(catalog.path(QStringLiteral("DATA")), options);
}

} // namespace

class RoutesTest : public QObject
{
    Q_OBJECT

private slots:
    void everyRouteIsTakenAsTheTableSays_data();
    void everyRouteIsTakenAsTheTableSays();
};

void RoutesTest::everyRouteIsTakenAsTheTableSays_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<bool>("folderInItsPlace");
    for (const FileRoute *route : routes::all) {
        const auto &all = scenarios();
        const auto found
            = std::find_if(all.begin(), all.end(), [&](const Scenario &each) { return each.route == route; });
        QVERIFY2(found != all.end(), route->name);
        const int index = int(found - all.begin());
        QTest::addRow("%s, missing", route->name) << index << false;
        QTest::addRow("%s, a folder in its place", route->name) << index << true;
    }
}

void RoutesTest::everyRouteIsTakenAsTheTableSays()
{
    QFETCH(int, scenario);
    QFETCH(bool, folderInItsPlace);
    const Scenario &taken = scenarios().at(size_t(scenario));
    const FileRoute &route = *taken.route;

    // With every file there: no box, and nothing for the checker to report.
    Shown whole;
    {
        TestCatalog catalog;
        writeRouteCatalog(catalog);
        whole = runWindow(taken, catalog);
        QCOMPARE(whole.boxes, QStringList());
        QCOMPARE(runChecker(catalog).findings.size(), size_t(0));
    }

    TestCatalog catalog;
    writeRouteCatalog(catalog);
    QVERIFY(QFile::remove(catalog.path(taken.file)));
    if (folderInItsPlace)
        catalog.makeFolder(taken.file);
    const QString path = QStringLiteral("<catalog>/") + taken.file;

    // The window: an untested read fails in the error box; a tested file
    // missing, a folder included, shows what its route shows.
    const Shown shown = runWindow(taken, catalog);
    switch (route.whenMissing) {
    case WhenMissing::ErrorBox:
        QCOMPARE(shown.boxes, QStringList{QStringLiteral("Cannot open file %1.").arg(path)});
        break;
    case WhenMissing::StatusText:
        QCOMPARE(shown.boxes, QStringList());
        QCOMPARE(shown.status, route.message.toString());
        break;
    case WhenMissing::PathInCaption:
        QCOMPARE(shown.boxes, QStringList());
        QCOMPARE(shown.caption, path);
        break;
    case WhenMissing::Nothing:
        QCOMPARE(shown.boxes, QStringList());
        QCOMPARE(shown.status, whole.status);
        QCOMPARE(shown.caption, whole.caption);
        break;
    }

    // The checker: nothing where a catalog may lack the file, else one
    // finding of the route's severity that says what the window shows.
    const check::Report report = runChecker(catalog);
    if (route.absence == Absence::Allowed) {
        QCOMPARE(report.findings.size(), size_t(0));
        return;
    }
    QCOMPARE(report.findings.size(), size_t(1));
    const check::Finding &finding = report.findings.front();
    QCOMPARE(finding.severity, route.absence == Absence::Fault ? check::Severity::Error : check::Severity::Warning);
    QCOMPARE(finding.partWithoutPhoto, route.absence == Absence::Counted);
    const QString shows = route.whenMissing == WhenMissing::ErrorBox        ? QStringLiteral("error box")
                          : route.whenMissing == WhenMissing::StatusText    ? u'"' + route.message.toString() + u'"'
                          : route.whenMissing == WhenMissing::PathInCaption ? QStringLiteral("window caption")
                                                                            : QString();
    QVERIFY2(!shows.isEmpty() && finding.message.contains(shows), qPrintable(finding.message));
}

QTEST_MAIN(RoutesTest)
#include "tst_routes.moc"
