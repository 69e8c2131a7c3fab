// Korvane's benchmark table: every row our time next to its floor (the
// plainest way to do the same work with the same bytes), both measured in
// turn in the same run, their ratio, and peak memory. The program makes its
// own data in a temporary folder and runs everything on the offscreen platform.
//
//   bash tools/run-bench.sh                   (Release build, then all rows)
//   ./build-bench/bench/bench_korvane [--rounds N] [lists] [model] [search] [hotspots] [drop-downs]
//                                     [storage] [start-up] [pictures]

#include "BenchData.h"
#include "BenchMeasure.h"
#include "PlainLines.h"
#include "StartUpTiming.h"

#include "catalog/CatalogNames.h"
#include "catalog/CatalogText.h"
#include "platform/BmpDecoder.h"
#include "platform/EditableDropDown.h"
#include "platform/ErrorBox.h"
#include "platform/ExecutablePath.h"
#include "platform/JpegDecoder.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "support/BitmapFile.h"
#include "support/CatalogTexts.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace bench;

namespace {

constexpr int kDefaultRounds = 9;
constexpr int kJpegWidth = 4000; // 12 MP
constexpr int kJpegHeight = 3000;
constexpr int kBmpWidth = 8000;
constexpr int kBmpHeight = 6000;
constexpr qint64 kHotspotFileBytes = qint64(50) << 20;
constexpr int kGroups = 1000;
constexpr int kGridHotspots = 10'000;

struct PartListSize
{
    const char *label;
    int lines;
};
constexpr PartListSize kPartLists[] = {{"10k", 10'000}, {"100k", 100'000}, {"1M", 1'000'000}, {"5M", 5'000'000}};

// --- printing ----------------------------------------------------------------

QString milliseconds(double value)
{
    return QString::number(value, 'f', value < 10 ? 2 : 1) + QStringLiteral(" ms");
}

QString megabytes(double bytes)
{
    const double value = bytes / 1e6;
    return QString::number(value, 'f', value < 10 ? 2 : 1) + QStringLiteral(" MB");
}

QString ratio(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral("×");
}

struct Row
{
    QString work;
    QString ours;
    QString floor;
    QString ratio;
    QString goal;
    QString peak;
    // The floor that pays what ours pays, where the row has one.
    QString fairFloor = QStringLiteral("—");
    QString fairRatio = QStringLiteral("—");
};

class Table
{
public:
    void add(Row row)
    {
        // Each row shows as soon as it is measured; the whole table follows at the end.
        std::printf("  %s: %s against %s (%s) and %s (%s)\n", qPrintable(row.work), qPrintable(row.ours),
                    qPrintable(row.floor), qPrintable(row.ratio), qPrintable(row.fairFloor), qPrintable(row.fairRatio));
        std::fflush(stdout);
        m_rows.push_back(std::move(row));
    }

    void print() const
    {
        std::vector<QStringList> cells{{QStringLiteral("Work"), QStringLiteral("Ours"), QStringLiteral("Floor"),
                                        QStringLiteral("Ratio"), QStringLiteral("Fair floor (pays what ours pays)"),
                                        QStringLiteral("Ratio"), QStringLiteral("Goal"),
                                        QStringLiteral("Peak memory (ours)")}};
        for (const Row &row : m_rows)
            cells.push_back(
                {row.work, row.ours, row.floor, row.ratio, row.fairFloor, row.fairRatio, row.goal, row.peak});
        constexpr int kColumns = 8;
        std::vector<qsizetype> widths(kColumns, 0);
        for (const QStringList &line : cells) {
            for (int i = 0; i < kColumns; ++i)
                widths[size_t(i)] = std::max(widths[size_t(i)], line[i].size());
        }
        const auto printLine = [&](const QStringList &line) {
            QString text = QStringLiteral("|");
            for (int i = 0; i < kColumns; ++i)
                text += u' ' + line[i].leftJustified(widths[size_t(i)]) + QStringLiteral(" |");
            std::printf("%s\n", qPrintable(text));
        };
        printLine(cells.front());
        QStringList rule;
        for (int i = 0; i < kColumns; ++i)
            rule.append(QString(widths[size_t(i)], u'-'));
        printLine(rule);
        for (size_t i = 1; i < cells.size(); ++i)
            printLine(cells[i]);
    }

private:
    std::vector<Row> m_rows;
};

// --- the machine -------------------------------------------------------------

QString firstLineStartingWith(const char *file, const char *start)
{
    QFile info(QString::fromLatin1(file));
    if (!info.open(QIODevice::ReadOnly))
        return QString();
    for (const QByteArray &line : info.readAll().split('\n')) {
        if (line.startsWith(start))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    }
    return QString();
}

QString loadAverage()
{
    QFile load(QStringLiteral("/proc/loadavg"));
    if (!load.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    const QList<QByteArray> fields = load.readAll().split(' ');
    return fields.size() >= 3 ? QString::fromLatin1(fields[0] + ' ' + fields[1] + ' ' + fields[2])
                              : QStringLiteral("unknown");
}

void printMachine(int rounds, bool peakResets)
{
    const QString memory = firstLineStartingWith("/proc/meminfo", "MemTotal");
    std::printf("Korvane benchmarks, %s, %s build, QT_QPA_PLATFORM=%s\n",
                qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"))),
                KORVANE_BUILD_TYPE, qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("Machine: %s, %u logical CPUs, %.1f GiB RAM; load average at the start: %s\n",
                qPrintable(firstLineStartingWith("/proc/cpuinfo", "model name")), std::thread::hardware_concurrency(),
                double(memory.section(u' ', 0, 0).toLongLong()) / 1024 / 1024, qPrintable(loadAverage()));
    std::printf("Each row: at least %d runs of ours and as many of its floor (short rows: more, for a second),\n"
                "in turn, the order swapped every round; medians.\n",
                rounds);
    std::printf("Files are in the page cache. Peak memory: the resident peak above what was resident before the "
                "run%s;\nfor start-up, the child process's whole peak (getrusage).\n\n",
                peakResets ? "" : " (the kernel cannot reset the peak here: process-wide peaks)");
}

// --- the catalog -------------------------------------------------------------

// Only the benchmark's own catalog is shown; a box would wait for a click.
void failOnErrorBox(const QString &text)
{
    fail(QStringLiteral("error box: %1").arg(text));
}

// The toolkit's offscreen platform says these for every window and popup.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support"))
        || message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

class Bench
{
public:
    Bench(int rounds, std::set<std::string> groups) : m_rounds(rounds), m_groups(std::move(groups)) { }

    bool wants(const char *group) const { return m_groups.empty() || m_groups.count(group) != 0; }

    void run(int argc, char **argv, const QByteArray &self);

private:
    QString root() const { return m_dir.path(); }
    QString data(const QString &relative) const { return root() + QStringLiteral("/catalog/DATA/") + relative; }
    QString modelFile(const QString &model, const QString &rest) const
    {
        return data(QStringLiteral("BENCH/") + model + u'/' + rest);
    }

    void startUpRows(const QByteArray &self);
    void makeCatalog();
    void startWindow();
    void chooseEntry(korvane::EditableDropDown *dropDown, const QString &entry);
    void partListRows();
    void modelChangeRows();
    void searchRow();
    void hotspotRows();
    void storageRows();
    void dropDownRows();
    void pictureRows();
    void printGrowth() const;

    int m_rounds;
    std::set<std::string> m_groups;
    QTemporaryDir m_dir;
    Table m_table;
    std::unique_ptr<TForm1> m_form;
    QByteArray m_jpeg;
    qint64 m_partListBytes[std::size(kPartLists)] = {};
    qint64 m_hotspotLines = 0;

    struct Growth
    {
        const char *label;
        int lines;
        double oursMs;
        double floorMs;
        double fairFloorMs;
        double heldBytes;
    };
    std::vector<Growth> m_growth;
};

QString partListPath(const QString &root, const PartListSize &size)
{
    return root + QStringLiteral("/lists/parts-") + QString::fromLatin1(size.label) + QStringLiteral(".txt");
}

void Bench::makeCatalog()
{
    writeFile(data(QStringLiteral("catalog.txt")), "BENCH\r\n");
    writeFile(data(QStringLiteral("BENCH/catalog.txt")), "A1M\r\nB1M\r\nA5M\r\nB5M\r\n");
    for (size_t i = 0; i < std::size(kPartLists); ++i)
        m_partListBytes[i] = writePartList(partListPath(root(), kPartLists[i]), kPartLists[i].lines);

    m_jpeg = smoothJpeg(kJpegWidth, kJpegHeight, 75);
    writeFile(root() + QStringLiteral("/picture.jpg"), m_jpeg);

    QStringList groups;
    for (int i = 1; i <= kGroups; ++i)
        groups.append(QStringLiteral("Группа %1").arg(i, 4, 10, QLatin1Char('0')));
    writeFile(root() + QStringLiteral("/groups.txt"), korvane::testing::joinCatalogLines(groups));
    writeFile(root() + QStringLiteral("/views.txt"), "Grid\r\nSmall\r\nHuge\r\n");
    // A tiny diagram: what these rows measure is the hotspot files.
    const QByteArray diagram = korvane::testing::solidBitmap(8, 8, qRgb(255, 255, 255));
    writeFile(root() + QStringLiteral("/diagram.bmp"), diagram);
    writeFile(root() + QStringLiteral("/small.met"), "A1=10-10\r\nA2=20-20\r\n");
    m_hotspotLines = writeHotspotFile(root() + QStringLiteral("/huge.met"), kHotspotFileBytes);
    // A grid of 10,000 hotspots named after parts spread over the 1M-line list.
    QStringList grid;
    for (int i = 0; i < kGridHotspots; ++i)
        grid.append(QStringLiteral("P%1=%2-%3")
                        .arg(i * 97 % kPartLists[2].lines, 7, 10, QLatin1Char('0'))
                        .arg(i % 100 * 40 + 20)
                        .arg(i / 100 * 20 + 10));
    writeFile(root() + QStringLiteral("/grid.met"), korvane::testing::joinCatalogLines(grid));

    // Two models of each size, so that the arrow keys change between equals;
    // they share the files' bytes through hard links.
    for (const char *model : {"A1M", "B1M", "A5M", "B5M"}) {
        const QString name = QString::fromLatin1(model);
        const bool big = name.endsWith(QLatin1String("5M"));
        linkFile(partListPath(root(), kPartLists[big ? 3 : 2]), modelFile(name, name + QStringLiteral(".txt")));
        linkFile(root() + QStringLiteral("/picture.jpg"), modelFile(name, name + QStringLiteral(".jpg")));
        linkFile(root() + QStringLiteral("/groups.txt"), modelFile(name, QStringLiteral("Parts/list.txt")));
        linkFile(root() + QStringLiteral("/views.txt"), modelFile(name, QStringLiteral("Parts/EXPLODED/list.txt")));
        for (const char *view : {"Grid", "Small", "Huge"}) {
            const QString stem = QStringLiteral("Parts/EXPLODED/") + QString::fromLatin1(view);
            linkFile(root() + QStringLiteral("/diagram.bmp"), modelFile(name, stem + QStringLiteral(".bmp")));
            linkFile(root() + u'/' + QString::fromLatin1(view).toLower() + QStringLiteral(".met"),
                     modelFile(name, stem + QStringLiteral(".met")));
        }
    }
}

void Bench::startWindow()
{
    korvane::setExecutablePathForTesting(root() + QStringLiteral("/catalog/korvane"));
    korvane::setErrorBoxRecorder(failOnErrorBox);
    m_form = std::make_unique<TForm1>();
    m_form->show();
    QCoreApplication::processEvents();
    // The manufacturer as the user picks it: its first letter completes it.
    m_form->Manufacturer->setText(QString());
    QTest::keyClick(m_form->Manufacturer, 'B');
    if (m_form->Model->entryCount() != 4)
        fail(QStringLiteral("the benchmark's catalog did not load"));
}

// Moves the drop-down's current entry with the arrow keys, a model change (or
// a view change) at every step, as the user does.
void Bench::chooseEntry(korvane::EditableDropDown *dropDown, const QString &entry)
{
    const int target = int(dropDown->entries().indexOf(entry));
    for (int steps = 0; dropDown->currentIndex() != target; ++steps) {
        if (steps > 8)
            fail(QStringLiteral("cannot reach the entry %1").arg(entry));
        QTest::keyClick(dropDown, dropDown->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    }
    m_form->repaint();
}

void Bench::startUpRows(const QByteArray &self)
{
    std::printf("Start-up, in fresh processes:\n");
    const QByteArray demo = QByteArrayLiteral(KORVANE_DEMO_FOLDER);
    // The program, an empty window and a window showing one label, in turn,
    // the order rotated every round.
    const char *const kinds[] = {kProgramChild, kEmptyWindowChild, kLabelWindowChild};
    std::vector<double> times[3], peaks[3];
    for (int round = 0; round < m_rounds; ++round) {
        for (int turn = 0; turn < 3; ++turn) {
            const int kind = (turn + round + 1) % 3;
            const StartUpRun run = startChild(self, kinds[kind], demo);
            times[kind].push_back(run.milliseconds);
            peaks[kind].push_back(double(run.maxResidentBytes));
        }
    }
    const double ours = median(times[0]);
    const double empty = median(times[1]);
    const double label = median(times[2]);
    Row row{QStringLiteral("Start-up on the demo catalog to first paint"),
            milliseconds(ours),
            milliseconds(empty) + QStringLiteral(" (empty 1064×692 window)"),
            ratio(ours / empty),
            QStringLiteral("≤ 1.25× fair"),
            megabytes(median(peaks[0])) + QStringLiteral(" (empty window: ") + megabytes(median(peaks[1]))
                + QStringLiteral(", with a label: ") + megabytes(median(peaks[2])) + u')'};
    row.fairFloor = milliseconds(label) + QStringLiteral(" (the window showing one label)");
    row.fairRatio = ratio(ours / label);
    m_table.add(row);
}

// "read() into 2 MiB pages", for a floor's cell.
QString readInto(qint64 bytes, Pages pages)
{
    return QStringLiteral("read() into ") + pagesName(bytes, pages);
}

void Bench::partListRows()
{
    std::printf("Part lists:\n");
    korvane::PartListBox *list = m_form->fl1;
    for (size_t i = 0; i < std::size(kPartLists); ++i) {
        const PartListSize &size = kPartLists[i];
        const QString path = partListPath(root(), size);
        const korvane::ComposedPath composed(path.section(u'/', 0, -2) + u'/', path.section(u'/', -1));
        const auto load = [&] {
            auto lines = korvane::testing::readCatalogLines(composed);
            list->setLines(lines);
            list->repaint();
        };
        const auto clear = [&] { list->setLines(korvane::CatalogLines()); };
        PageBuffer read;
        const auto drop = [&] { read = {}; };
        const Pair pair = measureInterleaved({clear, load}, {drop, [&] { read = readWholeFile(path); }},
                                             {drop, [&] { read = readWholeFile(path, Pages::LikeKorvane); }}, m_rounds);
        if (list->lineCount() != size.lines)
            fail(QStringLiteral("the part list holds %1 lines").arg(list->lineCount()));
        read = {};

        // What the list holds once loaded: one more load from an empty list;
        // and what the file's bytes hold in memory like Korvane's.
        clear();
        const Held memory = measureHeld(load);
        const qint64 held = memory.heldBytes;
        const qint64 peak = memory.peakExtraBytes;
        clear();
        const qint64 fairHeld = measureHeld([&] { read = readWholeFile(path, Pages::LikeKorvane); }).heldBytes;
        read = {};

        const qint64 fileBytes = m_partListBytes[i];
        const double file = double(fileBytes);
        const QString label = QString::fromLatin1(size.label);
        Row time{QStringLiteral("%1-line part list (%2) read into fl1 and painted").arg(label, megabytes(file)),
                 milliseconds(pair.ours.milliseconds),
                 milliseconds(pair.floor.milliseconds) + QStringLiteral(" (read())"),
                 ratio(pair.ratio()),
                 QStringLiteral("≤ 4×"),
                 megabytes(double(pair.ours.peakExtraBytes))};
        time.fairFloor = milliseconds(pair.fairFloor.milliseconds) + QStringLiteral(" (")
                         + readInto(fileBytes, Pages::LikeKorvane) + u')';
        time.fairRatio = ratio(pair.fairRatio());
        m_table.add(time);
        Row memoryRow{
            QStringLiteral("Memory held for the %1-line list; peak extra while loading").arg(label),
            megabytes(double(held)) + QStringLiteral(" (%1 bytes a line)").arg(double(held) / size.lines, 0, 'f', 1),
            megabytes(file) + QStringLiteral(" (the file)"),
            ratio(double(held) / file),
            QStringLiteral("≤ 1.3× the file"),
            megabytes(double(peak)) + QStringLiteral(" (") + ratio(double(peak) / file) + QStringLiteral(" the file)")};
        memoryRow.fairFloor = megabytes(double(fairHeld)) + QStringLiteral(" (the file in ")
                              + pagesName(fileBytes, Pages::LikeKorvane) + u')';
        memoryRow.fairRatio = ratio(double(held) / double(fairHeld));
        m_table.add(memoryRow);
        m_growth.push_back({size.label, size.lines, pair.ours.milliseconds, pair.floor.milliseconds,
                            pair.fairFloor.milliseconds, double(held)});
    }
}

void Bench::modelChangeRows()
{
    std::printf("Model changes:\n");
    for (const bool big : {false, true}) {
        const QString first = big ? QStringLiteral("A5M") : QStringLiteral("A1M");
        const QString second = big ? QStringLiteral("B5M") : QStringLiteral("B1M");
        chooseEntry(m_form->Model, first);
        // Every run is one arrow key: the model changes to the other one of
        // the pair, its lists, picture and group list read and shown.
        bool forward = true;
        const auto change = [&] {
            QTest::keyClick(m_form->Model, forward ? Qt::Key_Down : Qt::Key_Up);
            forward = !forward;
            m_form->repaint();
        };
        // The same files read the same way, and the picture decoded as djpeg
        // does; the fair floor reads them into memory like Korvane's (the
        // part list into 2 MiB pages).
        quint64 checksum = 0;
        std::vector<PageBuffer> read;
        const auto floor = [&](Pages pages) {
            for (const QString &file : {second + QStringLiteral(".txt"), second + QStringLiteral(".jpg"),
                                        QStringLiteral("Parts/list.txt"), QStringLiteral("Parts/EXPLODED/list.txt")})
                read.push_back(readWholeFile(modelFile(second, file), pages));
            checksum += decodeJpegRows(QByteArrayView(read[1].data(), read[1].size()));
        };
        const auto drop = [&] { read.clear(); };
        const Pair pair = measureInterleaved({{}, change}, {drop, [&] { floor(Pages::Ordinary); }},
                                             {drop, [&] { floor(Pages::LikeKorvane); }}, m_rounds);
        read.clear();
        if (m_form->fl1->lineCount() != kPartLists[big ? 3 : 2].lines || m_form->Group->entryCount() != kGroups)
            fail(QStringLiteral("the model change did not load the model"));
        const qint64 listBytes = m_partListBytes[big ? 3 : 2];
        Row row{QStringLiteral("Model change to a %1-line model (12 MP picture, %2 groups)")
                    .arg(big ? QStringLiteral("5M") : QStringLiteral("1M"))
                    .arg(kGroups),
                milliseconds(pair.ours.milliseconds),
                milliseconds(pair.floor.milliseconds) + QStringLiteral(" (read() + libjpeg rows)"),
                ratio(pair.ratio()),
                big ? QStringLiteral("≤ 1.35× fair") : QStringLiteral("≤ 1.5×"),
                megabytes(double(pair.ours.peakExtraBytes))};
        row.fairFloor = milliseconds(pair.fairFloor.milliseconds) + QStringLiteral(" (the list read() into ")
                        + pagesName(listBytes, Pages::LikeKorvane) + QStringLiteral(" + libjpeg rows)");
        row.fairRatio = ratio(pair.fairRatio());
        m_table.add(row);
        std::printf("    (floor checksum %llu)\n", static_cast<unsigned long long>(checksum));
    }
}

void Bench::searchRow()
{
    std::printf("Search:\n");
    if (m_form->fl1->lineCount() != kPartLists[2].lines)
        chooseEntry(m_form->Model, QStringLiteral("A1M"));
    const QString code = QStringLiteral("P0999999");
    // Enter in the search edit searches its text, as when the user types it.
    const auto prepare = [&] {
        m_form->SelectPartByPrefix(QStringLiteral("P0000000"));
        m_form->savnam->setText(code);
    };
    const auto search = [&] { QTest::keyClick(m_form->savnam, Qt::Key_Return); };
    const PageBuffer bytes = readWholeFile(partListPath(root(), kPartLists[2]));
    const QByteArray needle = code.toLatin1();
    qint64 found = -1;
    const auto floor = [&] {
        const void *at = memmem(bytes.data(), size_t(bytes.size()), needle.constData(), size_t(needle.size()));
        found = at ? static_cast<const char *>(at) - bytes.data() : -1;
    };
    const Pair pair = measureInterleaved({prepare, search}, {{}, floor}, m_rounds);
    if (m_form->fl1->selectedIndex() != kPartLists[2].lines - 1 || found < 0)
        fail(QStringLiteral("the search did not find the last line"));
    m_table.add({QStringLiteral("SelectPartByPrefix, last of 1M lines (Enter in savnam)"),
                 milliseconds(pair.ours.milliseconds),
                 milliseconds(pair.floor.milliseconds) + QStringLiteral(" (memmem of the code)"), ratio(pair.ratio()),
                 QStringLiteral("≤ 1.5×"), megabytes(double(pair.ours.peakExtraBytes))});
}

void Bench::hotspotRows()
{
    std::printf("Hotspots:\n");
    if (m_form->Model->currentIndex() < 0)
        chooseEntry(m_form->Model, QStringLiteral("A1M"));
    const QString model = m_form->Model->text();
    korvane::EditableDropDown *views = m_form->exview;
    chooseEntry(views, QStringLiteral("Small"));
    const auto backToSmall = [&] {
        if (views->text() == QLatin1String("Huge"))
            chooseEntry(views, QStringLiteral("Small"));
    };
    const auto chooseHuge = [&] { QTest::keyClick(views, Qt::Key_Down); };
    const QString path = modelFile(model, QStringLiteral("Parts/EXPLODED/Huge.met"));
    PageBuffer read;
    const auto drop = [&] { read = {}; };
    const Pair pair = measureInterleaved({backToSmall, chooseHuge}, {drop, [&] { read = readWholeFile(path); }},
                                         {drop, [&] { read = readWholeFile(path, Pages::LikeKorvane); }}, m_rounds);
    read = {};
    if (HotspotCount != m_hotspotLines)
        fail(QStringLiteral("the hotspot file gave %1 hotspots").arg(HotspotCount));

    backToSmall();
    const Held memory = measureHeld(chooseHuge);
    const qint64 held = memory.heldBytes;
    const qint64 peak = memory.peakExtraBytes;
    backToSmall();
    const qint64 fairHeld = measureHeld([&] { read = readWholeFile(path, Pages::LikeKorvane); }).heldBytes;
    read = {};

    const double file = double(kHotspotFileBytes);
    const QString work = QStringLiteral("%1 hotspot file (%2M lines \"12=3-4\") chosen as a view")
                             .arg(megabytes(file))
                             .arg(double(m_hotspotLines) / 1e6, 0, 'f', 2);
    Row time{work + QStringLiteral(": load time"),
             milliseconds(pair.ours.milliseconds),
             milliseconds(pair.floor.milliseconds) + QStringLiteral(" (read())"),
             ratio(pair.ratio()),
             QStringLiteral("—"),
             megabytes(double(pair.ours.peakExtraBytes))};
    time.fairFloor = milliseconds(pair.fairFloor.milliseconds) + QStringLiteral(" (")
                     + readInto(kHotspotFileBytes, Pages::LikeKorvane) + u')';
    time.fairRatio = ratio(pair.fairRatio());
    m_table.add(time);
    Row memoryRow{work + QStringLiteral(": memory held"),
                  megabytes(double(held)),
                  megabytes(file) + QStringLiteral(" (the file)"),
                  ratio(double(held) / file),
                  QStringLiteral("≤ 2× the file"),
                  megabytes(double(peak))};
    memoryRow.fairFloor = megabytes(double(fairHeld)) + QStringLiteral(" (the file in ")
                          + pagesName(kHotspotFileBytes, Pages::LikeKorvane) + u')';
    memoryRow.fairRatio = ratio(double(held) / double(fairHeld));
    m_table.add(memoryRow);

    // One press on a diagram of 10,000 hotspots over the 1M-line list. Every
    // row is converted and tested; the list is searched for the text the
    // search edit held before the press (which begins no line) and for the
    // name hit. The floor: those two searches as memmem over the list's bytes.
    if (m_form->fl1->lineCount() != kPartLists[2].lines)
        return;
    chooseEntry(views, QStringLiteral("Grid"));
    if (HotspotCount != kGridHotspots)
        fail(QStringLiteral("the grid view gave %1 hotspots").arg(HotspotCount));
    const auto prepare = [&] {
        m_form->SelectPartByPrefix(QStringLiteral("P0000000"));
        m_form->savnam->setText(QStringLiteral("savename"));
    };
    const QPoint point(303, 92); // hotspot 407 of the grid, at 300, 90
    const auto press = [&] {
        QTest::mousePress(m_form->logo, Qt::LeftButton, {}, point);
        QTest::mouseRelease(m_form->logo, Qt::LeftButton, {}, point);
    };
    const PageBuffer bytes = readWholeFile(partListPath(root(), kPartLists[2]));
    const QByteArray name = QStringLiteral("P%1").arg(407 * 97, 7, 10, QLatin1Char('0')).toLatin1();
    qint64 found = 0;
    const auto floor = [&] {
        for (const QByteArray &text : {QByteArrayLiteral("savename"), name})
            found += memmem(bytes.data(), size_t(bytes.size()), text.constData(), size_t(text.size())) != nullptr;
    };
    const Pair pressed = measureInterleaved({prepare, press}, {{}, floor}, m_rounds);
    if (m_form->savnam->text().toLatin1() != name || m_form->fl1->selectedIndex() != 407 * 97)
        fail(QStringLiteral("the press did not select the hotspot's part"));
    m_table.add({QStringLiteral("One press on a diagram of 10,000 hotspots over the 1M-line list"),
                 milliseconds(pressed.ours.milliseconds),
                 milliseconds(pressed.floor.milliseconds) + QStringLiteral(" (memmem of both texts searched)"),
                 ratio(pressed.ratio()), QStringLiteral("—"), megabytes(double(pressed.ours.peakExtraBytes))});
    std::printf("    (floor found %lld)\n", static_cast<long long>(found));
}

// The first opening of a drop-down list after its entries changed, which
// finds the widest entry so that every entry can be read (widestEntryWidth:
// character widths from a table, the widest candidate measured as drawn),
// against the plain way of finding it: every entry measured by the font.
void Bench::dropDownRows()
{
    std::printf("Drop-down lists:\n");
    if (m_form->Model->currentIndex() < 0)
        chooseEntry(m_form->Model, QStringLiteral("A1M"));
    korvane::EditableDropDown *views = m_form->exview;
    const QStringList shownViews = views->entries();
    for (const int count : {kGroups, 100'000}) {
        // The model's groups; a list as long as a broken catalog may hold.
        korvane::EditableDropDown *dropDown = count == kGroups ? m_form->Group : views;
        QStringList entries = m_form->Group->entries();
        for (int i = int(entries.size()); i < count; ++i)
            entries.append(QStringLiteral("View %1 of the exploded diagrams").arg(i));
        if (dropDown == views)
            views->setEntries(entries);
        if (dropDown->entryCount() != count)
            fail(QStringLiteral("the drop-down holds %1 entries").arg(dropDown->entryCount()));
        const auto open = [&] {
            dropDown->showPopup();
            dropDown->hidePopup();
        };
        int widest = 0;
        const auto measureEvery = [&] {
            const QFontMetrics metrics = dropDown->view()->fontMetrics();
            for (const QString &entry : entries)
                widest = std::max(widest, metrics.horizontalAdvance(entry));
        };
        // Entries replaced by the same ones: the width is found again.
        const Pair pair = measureInterleaved({[&] { dropDown->setEntries(dropDown->entries()); }, open},
                                             {{}, measureEvery}, m_rounds);
        m_table.add({QStringLiteral("Drop-down list of %1 entries opened, its widest entry found").arg(count),
                     milliseconds(pair.ours.milliseconds),
                     milliseconds(pair.floor.milliseconds)
                         + QStringLiteral(" (every entry measured by QFontMetrics::horizontalAdvance)"),
                     ratio(pair.ratio()), QStringLiteral("—"), megabytes(double(pair.ours.peakExtraBytes))});
        std::printf("    (widest %d pixels)\n", widest);
    }
    views->setEntries(shownViews);
}

// Korvane's list storage (the bytes and line starts in mapped memory that
// grows without copies and comes in 2 MiB pages from 2 MiB up) against the
// plain one, a QByteArray and a std::vector<quint32>, both read and indexed
// the same way: what MappedBuffer wins, where.
void Bench::storageRows()
{
    std::printf("List storage:\n");
    struct File
    {
        QString label;
        QString path;
        qint64 lines;
    };
    std::vector<File> files;
    for (size_t i = 0; i < std::size(kPartLists); ++i)
        files.push_back({QStringLiteral("%1-line part list").arg(QString::fromLatin1(kPartLists[i].label)),
                         partListPath(root(), kPartLists[i]), kPartLists[i].lines});
    files.push_back({QStringLiteral("7.49M-line hotspot file"), root() + QStringLiteral("/huge.met"), m_hotspotLines});
    for (const File &file : files) {
        const korvane::ComposedPath composed(file.path.section(u'/', 0, -2) + u'/', file.path.section(u'/', -1));
        korvane::CatalogLines ours;
        PlainLines plain;
        const Pair pair
            = measureInterleaved({[&] { ours = {}; }, [&] { ours = korvane::testing::readCatalogLines(composed); }},
                                 {[&] { plain = {}; }, [&] { plain = readPlainLines(file.path); }}, m_rounds);
        if (ours.size() != file.lines || qint64(plain.starts.size()) != file.lines + 1)
            fail(QStringLiteral("the storages hold %1 and %2 lines").arg(ours.size()).arg(plain.starts.size() - 1));
        ours = {};
        plain = {};
        const Held oursHeld = measureHeld([&] { ours = korvane::testing::readCatalogLines(composed); });
        ours = {};
        const Held plainHeld = measureHeld([&] { plain = readPlainLines(file.path); });
        plain = {};

        const double bytes = double(QFileInfo(file.path).size());
        const QString work = QStringLiteral("%1 (%2) read and indexed").arg(file.label, megabytes(bytes));
        m_table.add({work + QStringLiteral(": time"), milliseconds(pair.ours.milliseconds),
                     milliseconds(pair.floor.milliseconds) + QStringLiteral(" (QByteArray + std::vector<quint32>)"),
                     ratio(pair.ratio()), QStringLiteral("—"), megabytes(double(pair.ours.peakExtraBytes))});
        m_table.add({work + QStringLiteral(": memory held"), megabytes(double(oursHeld.heldBytes)),
                     megabytes(double(plainHeld.heldBytes)) + QStringLiteral(" (plain; peak ")
                         + megabytes(double(plainHeld.peakExtraBytes)) + u')',
                     ratio(double(oursHeld.heldBytes) / double(plainHeld.heldBytes)), QStringLiteral("—"),
                     megabytes(double(oursHeld.peakExtraBytes))});
    }
}

void Bench::pictureRows()
{
    std::printf("Pictures:\n");
    if (m_jpeg.isEmpty())
        m_jpeg = smoothJpeg(kJpegWidth, kJpegHeight, 75);
    QImage image;
    quint64 checksum = 0;
    Pair pair = measureInterleaved({[&] { image = QImage(); }, [&] { image = korvane::decodeJpeg(m_jpeg); }},
                                   {{}, [&] { checksum += decodeJpegRows(m_jpeg); }}, m_rounds);
    if (image.width() != kJpegWidth || image.height() != kJpegHeight)
        fail(QStringLiteral("decodeJpeg did not decode the picture"));
    image = QImage();
    m_table.add(
        {QStringLiteral("12 MP JPEG (%1, smooth, quality 75), decodeJpeg").arg(megabytes(double(m_jpeg.size()))),
         milliseconds(pair.ours.milliseconds),
         milliseconds(pair.floor.milliseconds) + QStringLiteral(" (libjpeg rows, as djpeg)"), ratio(pair.ratio()),
         QStringLiteral("≤ 1.3×"), megabytes(double(pair.ours.peakExtraBytes))});

    const QByteArray bitmap = busyBitmap(kBmpWidth, kBmpHeight);
    const qint64 pixelBytes = qint64(kBmpWidth) * 3 * kBmpHeight;
    const char *pixels = bitmap.constData() + (bitmap.size() - pixelBytes);
    PageBuffer copy;
    const auto copyInto = [&](Pages pages) {
        copy = PageBuffer(pixelBytes, pages);
        std::memcpy(copy.data(), pixels, size_t(pixelBytes));
    };
    pair = measureInterleaved({[&] { image = QImage(); }, [&] { image = korvane::decodeBmp(bitmap); }},
                              {[&] { copy = {}; }, [&] { copyInto(Pages::Ordinary); }},
                              {[&] { copy = {}; }, [&] { copyInto(Pages::LikeKorvane); }}, m_rounds);
    if (image.width() != kBmpWidth || image.height() != kBmpHeight)
        fail(QStringLiteral("decodeBmp did not decode the bitmap"));
    image = QImage();
    copy = {};
    Row bmp{QStringLiteral("8000 × 6000 24-bit BMP (%1), decodeBmp").arg(megabytes(double(bitmap.size()))),
            milliseconds(pair.ours.milliseconds),
            milliseconds(pair.floor.milliseconds) + QStringLiteral(" (memcpy of the pixels)"),
            ratio(pair.ratio()),
            QStringLiteral("(as today)"),
            megabytes(double(pair.ours.peakExtraBytes))};
    bmp.fairFloor = milliseconds(pair.fairFloor.milliseconds) + QStringLiteral(" (memcpy into ")
                    + pagesName(pixelBytes, Pages::LikeKorvane) + u')';
    bmp.fairRatio = ratio(pair.fairRatio());
    m_table.add(bmp);
    std::printf("    (floor checksum %llu)\n", static_cast<unsigned long long>(checksum));
}

void Bench::printGrowth() const
{
    if (m_growth.size() < 2)
        return;
    std::printf("\nGrowth of the part list rows (per line):\n\n");
    std::printf(
        "| Lines | Ours, ns a line | read(), ns a line | read() into Korvane's pages, ns a line | Held, bytes a "
        "line |\n");
    std::printf("|-------|-----------------|-------------------|----------------------------------------|------------"
                "--------|\n");
    for (const Growth &growth : m_growth)
        std::printf("| %-5s | %15.1f | %17.1f | %38.1f | %18.1f |\n", growth.label, growth.oursMs * 1e6 / growth.lines,
                    growth.floorMs * 1e6 / growth.lines, growth.fairFloorMs * 1e6 / growth.lines,
                    growth.heldBytes / growth.lines);
    const Growth &first = m_growth.front();
    const Growth &last = m_growth.back();
    std::printf("\nFrom %s to %s lines (%.0f× the lines): ours %.0f× the time, read() %.0f× the time, read() into "
                "Korvane's pages %.0f× the time.\n",
                first.label, last.label, double(last.lines) / first.lines, last.oursMs / first.oursMs,
                last.floorMs / first.floorMs, last.fairFloorMs / first.fairFloorMs);
}

void Bench::run(int argc, char **argv, const QByteArray &self)
{
    if (!m_dir.isValid())
        fail(QStringLiteral("cannot make a temporary folder"));
    // Start-up first, before this process makes its data and grows.
    if (wants("start-up"))
        startUpRows(self);

    QApplication app(argc, argv);
    const bool inWindow = wants("lists") || wants("model") || wants("search") || wants("hotspots") || wants("storage")
                          || wants("drop-downs");
    if (inWindow) {
        std::printf("Making the data (%s)...\n", qPrintable(root()));
        std::fflush(stdout);
        makeCatalog();
        startWindow();
    }
    if (wants("lists"))
        partListRows();
    if (wants("model"))
        modelChangeRows();
    if (wants("search"))
        searchRow();
    if (wants("hotspots"))
        hotspotRows();
    if (wants("drop-downs"))
        dropDownRows();
    m_form.reset();
    if (wants("storage"))
        storageRows();
    if (wants("pictures"))
        pictureRows();

    std::printf("\n");
    m_table.print();
    printGrowth();
    std::printf("\nLoad average at the end: %s\n", qPrintable(loadAverage()));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], kStartUpChildArgument) == 0) {
        qInstallMessageHandler(quietOffscreenNotes);
        return runStartUpChild(argc, argv);
    }

    // Everything runs headless, the start-up children too (they inherit it).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietOffscreenNotes);
    int rounds = kDefaultRounds;
    std::set<std::string> groups;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(7, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: bench_korvane [--rounds N (at least 7)] "
                        "[lists] [model] [search] [hotspots] [drop-downs] [storage] [start-up] [pictures]\n");
            return 0;
        } else {
            groups.insert(argv[i]);
        }
    }
    printMachine(rounds, resetPeakResident());
    const QByteArray self = QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    Bench bench(rounds, groups);
    bench.run(argc, argv, self);
    return 0;
}
