// korvane-hotspots on a big diagram: a hotspot file of 10,000 hotspots over a
// 16-megapixel diagram (4096 x 4096) opened, and a drag step next to its
// floor, one paint of the bare diagram in sight.
//
//   ./build/bench/bench_hotspots [--rounds N]
//
// The diagram lies in a catalog whose model part list has 5,000 lines, so
// that opening also reads the part lists and checks every name. The window
// is 1280 x 900 at zoom 1, headless (QT_QPA_PLATFORM=offscreen, set here
// unless given). A drag step is one pointer move of a hotspot in the middle
// of the view, among its neighbours, with everything it repaints (the
// diagram, the list row) painted before the step counts as done.

#include "BenchMeasure.h"
#include "hotspots/DiagramView.h"
#include "hotspots/HotspotDocument.h"
#include "hotspots/HotspotWindow.h"
#include "support/BitmapFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

using namespace korvane::hotspots;

namespace {

constexpr int kSide = 4096;
constexpr int kHotspots = 10'000;
constexpr int kParts = 5'000;
constexpr int kOpens = 7;

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// Paints whatever is waiting to be painted, as the event loop would next.
void paintPending()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

std::unique_ptr<HotspotWindow> openWindow(const QString &diagram)
{
    auto window = std::make_unique<HotspotWindow>();
    window->resize(1280, 900);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()) || !window->openDiagram(diagram)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(diagram));
        std::exit(1);
    }
    // The middle of the diagram in sight.
    auto *area = window->findChild<QScrollArea *>(QStringLiteral("diagramArea"));
    area->horizontalScrollBar()->setValue(kSide / 2 - area->viewport()->width() / 2);
    area->verticalScrollBar()->setValue(kSide / 2 - area->viewport()->height() / 2);
    QApplication::processEvents();
    paintPending();
    return window;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rounds = 9;
    const QStringList arguments = QCoreApplication::arguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--rounds")); at > 0 && at + 1 < arguments.size())
        rounds = arguments.at(at + 1).toInt();

    QTemporaryDir folder;
    const QString model = folder.path() + QStringLiteral("/DATA/Bench/M1/");
    QByteArray parts;
    for (int i = 0; i < kParts; ++i)
        parts += QByteArray("C") + QByteArray::number(100000 + i) + " Part number " + QByteArray::number(i) + "\r\n";
    write(model + QStringLiteral("M1.txt"), parts);
    write(model + QStringLiteral("Parts/list.txt"), "Chassis\r\n");
    write(model + QStringLiteral("Parts/Chassis.txt"), parts.first(parts.size() / 10));
    QRandomGenerator random(19);
    QByteArray hotspots;
    for (int i = 0; i < kHotspots; ++i)
        hotspots += QByteArray("C") + QByteArray::number(100000 + random.bounded(kParts)) + '='
                    + QByteArray::number(random.bounded(kSide)) + '-' + QByteArray::number(random.bounded(kSide))
                    + "\r\n";
    const QByteArray diagram = korvane::testing::solidBitmap(kSide, kSide, qRgb(250, 250, 245));
    const QString exploded = model + QStringLiteral("Parts/EXPLODED/");
    write(exploded + QStringLiteral("Big.bmp"), diagram);
    write(exploded + QStringLiteral("Big.met"), hotspots);
    write(exploded + QStringLiteral("Bare.bmp"), diagram);

    // Opening: the diagram decoded, the hotspot file and the part lists read
    // and checked, the window painted.
    std::vector<double> opens;
    for (int i = 0; i < kOpens; ++i) {
        HotspotWindow window;
        window.resize(1280, 900);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        QElapsedTimer timer;
        timer.start();
        window.openDiagram(exploded + QStringLiteral("Big.bmp"));
        QApplication::processEvents();
        paintPending();
        opens.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    const std::unique_ptr<HotspotWindow> editing = openWindow(exploded + QStringLiteral("Big.bmp"));
    const std::unique_ptr<HotspotWindow> bare = openWindow(exploded + QStringLiteral("Bare.bmp"));
    DiagramView *view = editing->findChild<DiagramView *>(QStringLiteral("diagram"));
    DiagramView *bareView = bare->findChild<DiagramView *>(QStringLiteral("diagram"));
    HotspotDocument *document = editing->findChild<HotspotDocument *>();

    // The hotspot nearest the middle of the view, pressed on its point.
    const QPoint middle(kSide / 2, kSide / 2);
    qsizetype dragged = -1;
    for (qsizetype line = 0; line < document->lineCount(); ++line) {
        const QPoint at = *document->point(line);
        if (dragged < 0 || (at - middle).manhattanLength() < (*document->point(dragged) - middle).manhattanLength())
            dragged = line;
    }
    const QPoint start = *document->point(dragged);
    QMouseEvent press(QEvent::MouseButtonPress, start, view->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(view, &press);
    paintPending();
    int step = 0;
    const bench::Side dragStep{{}, [&] {
                                   // Back and forth by a pixel: every step moves the hotspot.
                                   const QPoint to = start + QPoint(++step % 2, 0);
                                   QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton,
                                                    Qt::LeftButton, Qt::NoModifier);
                                   QCoreApplication::sendEvent(view, &move);
                                   paintPending();
                               }};
    const bench::Side barePaint{{}, [&] {
                                    bareView->update();
                                    paintPending();
                                }};
    const bench::Pair pair = bench::measureInterleaved(dragStep, barePaint, rounds);
    // Released a pixel away from where it was pressed, whichever way the
    // last step went, so that the drag ends as one move.
    const QPoint end = start + QPoint(1, 0);
    QMouseEvent lastMove(QEvent::MouseMove, end, view->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &lastMove);
    QMouseEvent release(QEvent::MouseButtonRelease, end, view->mapToGlobal(end), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(view, &release);
    if (document->undoStack()->count() != 1) {
        std::fprintf(stderr, "the drag moved no hotspot\n");
        return 1;
    }

    const QSize inSight = view->visibleRegion().boundingRect().size();
    std::printf("korvane-hotspots, %d hotspots over a %d x %d diagram, %d part lines, %d x %d in sight\n", kHotspots,
                kSide, kSide, kParts, inSight.width(), inSight.height());
    std::printf("  open and first paint       %8.1f ms (median of %d, best %.1f)\n", bench::median(opens), kOpens,
                *std::min_element(opens.begin(), opens.end()));
    std::printf("  drag step                  %8.3f ms\n", pair.ours.milliseconds);
    std::printf("  bare diagram painted once  %8.3f ms\n", pair.floor.milliseconds);
    std::printf("  drag step / bare paint     %8.2f\n", pair.ratio());
    return 0;
}
