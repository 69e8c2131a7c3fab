// One check (without --deep) of a catalog of 10,000 models, 1,000,000 part
// lines and 50,000 photos, on every core and on one, each beside its floor:
// listing every folder of the catalog once, reading every file the check
// reads (opening, without reading, the pictures it only opens) and decoding
// every diagram, by the same number of threads, in turn in the same run; and
// beside two lesser floors, which do not decode and also open by whole paths.
//
//   ./build/bench/bench_check [--keep] [--rounds N] [--threads N] [--only check|floor] [DATA]
//
// --only runs one side alone, to be looked at by a profiler or strace;
// --threads N runs on N threads only.
//
// Ten manufacturers of 1,000 models, three of them with photos; each model
// has a part list of 100 lines, a picture, four groups that split the same
// lines again, and every tenth an exploded view (a 400 x 300 diagram with 20
// hotspots). A sixth of the photo manufacturers' parts have a photo. The
// catalog is written once, so its files are in the page cache when checked.

#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "check/CatalogCheck.h"
#include "platform/BmpDecoder.h"
#include "support/BitmapFile.h"
#include "support/CatalogTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace korvane;
using korvane::testing::writeCatalogLines;

namespace {

constexpr int kModelsEach = 1'000;
constexpr int kPartsPerModel = 100;
constexpr int kGroups = 4;
constexpr int kPhotoEvery = 6;
constexpr int kViewEvery = 10;
constexpr int kHotspots = 20;

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

void makeFolder(const QString &path)
{
    if (!QDir().mkpath(path)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(path));
        std::exit(1);
    }
}

double cpuMilliseconds()
{
    rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Wall time, and the processor time of all threads, which a machine shared
// with other work disturbs less.
struct Run
{
    double wall = 0;
    double cpu = 0;
};

Run measure(const std::function<void()> &work)
{
    const double cpuBefore = cpuMilliseconds();
    QElapsedTimer timer;
    timer.start();
    work();
    return Run{double(timer.nsecsElapsed()) / 1e6, cpuMilliseconds() - cpuBefore};
}

// The floor: the plainest way to touch the same bytes. Every folder listed
// once (readdir), every list, part list, hotspot file and diagram read whole
// with read(), every JPEG opened and closed, as the check without --deep
// only opens them. Two choices the check's own way bears on:
// - relative: each file and folder opened by its name within the folder
//   just listed (openat on the listing's descriptor), as the check opens
//   them, rather than by its whole path;
// - decode: each diagram decoded by the program's own decoder, as every
//   correct check must.
class Floor
{
public:
    struct Kind
    {
        bool relative = false;
        bool decode = false;
    };

    Floor(std::string data, Kind kind) : m_data(std::move(data)), m_kind(kind) { }

    void run(int threads) const
    {
        // DATA, its manufacturers and the photo folder on one thread; then
        // the model folders and the photos shared out, as the check shares
        // them. The photos are opened within the photo folder, held open.
        std::vector<std::string> models;
        std::vector<std::string> photos;
        int photoFolder = -1;
        Buffer buffer;
        list(
            AT_FDCWD, m_data, m_data.c_str(),
            [&](int data, const std::string &path, const char *name, bool folder) {
                if (!folder) {
                    touch(data, path, name, buffer);
                } else if (std::string_view(name) == "IMG") {
                    if (m_kind.relative)
                        photoFolder = ::openat(data, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                    list(data, path, name, [&](int, const std::string &photo, const char *photoName, bool) {
                        photos.push_back(m_kind.relative ? std::string(photoName) : photo);
                    });
                } else {
                    list(
                        data, path, name,
                        [&](int manufacturer, const std::string &entry, const char *entryName, bool isFolder) {
                            if (isFolder)
                                models.push_back(entry);
                            else
                                touch(manufacturer, entry, entryName, buffer);
                        },
                        true);
                }
            },
            true);
        shareOut(models, threads,
                 [this](const std::string &model, Buffer &own) { walk(AT_FDCWD, model, model.c_str(), own); });
        shareOut(photos, threads,
                 [&](const std::string &photo, Buffer &own) { touch(photoFolder, photo, photo.c_str(), own); });
        if (photoFolder >= 0)
            ::close(photoFolder);
    }

private:
    using Buffer = std::unique_ptr<char[]>;
    static constexpr size_t kBuffer = size_t(1) << 20;

    // visit(folder's descriptor, entry's path, entry's name, is a folder);
    // the path is made only when files are opened by their paths.
    template <typename Visit>
    void list(int parent, const std::string &path, const char *name, Visit visit, bool withPaths = false) const
    {
        const int fd = m_kind.relative ? ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                       : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        const std::string none;
        while (const dirent *entry = ::readdir(dir)) {
            const std::string_view entryName(entry->d_name);
            if (entryName != "." && entryName != "..")
                visit(::dirfd(dir), m_kind.relative && !withPaths ? none : path + '/' + entry->d_name, entry->d_name,
                      entry->d_type == DT_DIR);
        }
        ::closedir(dir);
    }

    void touch(int folder, const std::string &path, const char *name, Buffer &buffer) const
    {
        if (!buffer)
            buffer.reset(new char[kBuffer]);
        const int fd = m_kind.relative ? ::openat(folder, name, O_RDONLY | O_CLOEXEC)
                                       : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        const std::string_view file(name);
        if (!file.ends_with(".jpg")) {
            size_t used = 0;
            for (ssize_t got; (got = ::read(fd, buffer.get() + used % kBuffer, kBuffer - used % kBuffer)) > 0;)
                used += size_t(got);
            if (m_kind.decode && file.ends_with(".bmp") && used < kBuffer) {
                try {
                    decodeBmp(QByteArrayView(buffer.get(), qsizetype(used)));
                } catch (const Failure &) {
                }
            }
        }
        ::close(fd);
    }

    void walk(int parent, const std::string &path, const char *name, Buffer &buffer) const
    {
        list(parent, path, name, [&](int folder, const std::string &entry, const char *entryName, bool isFolder) {
            if (isFolder)
                walk(folder, entry, entryName, buffer);
            else
                touch(folder, entry, entryName, buffer);
        });
    }

    template <typename Work>
    static void shareOut(const std::vector<std::string> &items, int threads, Work work)
    {
        std::atomic<size_t> next{0};
        std::vector<std::jthread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&] {
                Buffer buffer;
                for (size_t i = next++; i < items.size(); i = next++)
                    work(items[i], buffer);
            });
        }
    }

    std::string m_data;
    Kind m_kind;
};

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("unknown");
}

struct Times
{
    std::vector<Run> runs;
    double median(double Run::*field) const
    {
        std::vector<double> sorted;
        for (const Run &run : runs)
            sorted.push_back(run.*field);
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double minimum(double Run::*field) const
    {
        double least = runs.empty() ? 0 : 1e300;
        for (const Run &run : runs)
            least = std::min(least, run.*field);
        return least;
    }
};

// Returns the number of photos written.
int writeCatalog(const QString &data)
{
    QFile demoPicture(QStringLiteral(KORVANE_DEMO_DATA "/IMG/L3101.jpg"));
    if (!demoPicture.open(QIODevice::ReadOnly))
        std::exit(1);
    const QByteArray jpeg = demoPicture.readAll();
    const QByteArray diagram = testing::solidBitmap(400, 300, qRgb(255, 255, 255));

    const QStringList manufacturers{"LST", "XRAY", "Teamassociated", "Kyosho", "Tamiya",
                                    "HPI", "Losi", "Traxxas",        "Mugen",  "Serpent"};
    makeFolder(data + QStringLiteral("/IMG"));
    writeCatalogLines(data + QStringLiteral("/catalog.txt"), manufacturers);
    int photos = 0;
    for (qsizetype m = 0; m < manufacturers.size(); ++m) {
        const QString &manufacturer = manufacturers.at(m);
        const bool withPhotos = m < 3;
        const QString folder = data + u'/' + manufacturer;
        QStringList models;
        for (int k = 0; k < kModelsEach; ++k)
            models.append(QStringLiteral("Model %1").arg(k, 4, 10, QLatin1Char('0')));
        makeFolder(folder);
        writeCatalogLines(folder + QStringLiteral("/catalog.txt"), models);
        for (int k = 0; k < kModelsEach; ++k) {
            const QString modelFolder = folder + u'/' + models.at(k);
            makeFolder(modelFolder + QStringLiteral("/Parts/EXPLODED"));
            QStringList lines;
            for (int i = 0; i < kPartsPerModel; ++i) {
                const QString code = QStringLiteral("%1%2")
                                         .arg(manufacturer.left(2))
                                         .arg(k * kPartsPerModel + i, 6, 10, QLatin1Char('0'));
                lines.append(code + QStringLiteral(" Деталь подвески номер %1, левая").arg(i));
                if (withPhotos && ((m * kModelsEach + k) * kPartsPerModel + i) % kPhotoEvery == 0) {
                    const QString prefix = manufacturer == QLatin1String("XRAY") ? QStringLiteral("xra") : QString();
                    write(data + QStringLiteral("/IMG/") + prefix + code + QStringLiteral(".jpg"), jpeg);
                    ++photos;
                }
            }
            writeCatalogLines(modelFolder + u'/' + models.at(k) + QStringLiteral(".txt"), lines);
            write(modelFolder + u'/' + models.at(k) + QStringLiteral(".jpg"), jpeg);
            QStringList groups;
            const int perGroup = kPartsPerModel / kGroups;
            for (int g = 0; g < kGroups; ++g) {
                groups.append(QStringLiteral("Group %1").arg(g));
                writeCatalogLines(modelFolder + QStringLiteral("/Parts/") + groups.last() + QStringLiteral(".txt"),
                                  lines.mid(g * perGroup, perGroup));
            }
            writeCatalogLines(modelFolder + QStringLiteral("/Parts/list.txt"), groups);
            if (k % kViewEvery == 0) {
                const QString views = modelFolder + QStringLiteral("/Parts/EXPLODED/");
                writeCatalogLines(views + QStringLiteral("list.txt"), {QStringLiteral("Assembly")});
                write(views + QStringLiteral("Assembly.bmp"), diagram);
                QStringList hotspots;
                for (int h = 0; h < kHotspots; ++h)
                    hotspots.append(lines.at(h * 5).section(u' ', 0, 0)
                                    + QStringLiteral("=%1-%2").arg(20 + h * 18).arg(30 + h * 12));
                writeCatalogLines(views + QStringLiteral("Assembly.met"), hotspots);
            }
        }
    }
    return photos;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // A catalog given on the command line is checked as it is; the one
    // written here can be kept for that with --keep.
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    QTemporaryDir dir;
    dir.setAutoRemove(!arguments.contains(QStringLiteral("--keep")));
    int rounds = 5;
    int onlyThreads = 0;
    QString only;
    QString given;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--rounds"))
            rounds = std::max(1, arguments.value(++i).toInt());
        else if (arguments.at(i) == QLatin1String("--threads"))
            onlyThreads = std::max(1, arguments.value(++i).toInt());
        else if (arguments.at(i) == QLatin1String("--only"))
            only = arguments.value(++i);
        else if (!arguments.at(i).startsWith(QLatin1String("--")))
            given = arguments.at(i);
    }
    QString data = dir.path() + QStringLiteral("/DATA");
    if (!given.isEmpty()) {
        data = given;
    } else {
        QElapsedTimer timer;
        timer.start();
        const int photos = writeCatalog(data);
        std::printf("catalog of %d models, %d part lines, %d photos written in %.1f s%s%s\n", 10 * kModelsEach,
                    10 * kModelsEach * kPartsPerModel, photos, double(timer.elapsed()) / 1000,
                    dir.autoRemove() ? "" : ", kept in ", dir.autoRemove() ? "" : qPrintable(data));
    }

    // The check and its floors in turn, round after round, so that a burst
    // of another process's work falls on all alike. The first floor is the
    // one the check is held to; the others show what its two choices weigh.
    check::Report report;
    const std::string native = QFile::encodeName(data).toStdString();
    struct FloorRow
    {
        const char *name;
        Floor floor;
    };
    const std::vector<FloorRow> floorRows{
        {"floor", Floor(native, {true, true})},
        {"not decoding", Floor(native, {true, false})},
        {"by whole paths", Floor(native, {false, false})},
    };
    const int cores = QThread::idealThreadCount();
    const QList<int> threadCounts = onlyThreads > 0 ? QList<int>{onlyThreads}
                                    : cores > 1     ? QList<int>{1, cores}
                                                    : QList<int>{1};
    const bool runCheck = only != QLatin1String("floor");
    const bool runFloor = only != QLatin1String("check");
    // times[thread count][0 for the check, then each floor]
    std::vector<std::vector<Times>> times(size_t(threadCounts.size()), std::vector<Times>(floorRows.size() + 1));
    const QByteArray loadBefore = loadAverage();
    if (runFloor)
        floorRows.front().floor.run(1); // the page cache warmed alike for all
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype i = 0; i < threadCounts.size(); ++i) {
            check::Options options;
            options.threads = threadCounts.at(i);
            const size_t sides = floorRows.size() + 1;
            // Which goes first changes every round.
            for (size_t k = 0; k < sides; ++k) {
                const size_t side = (k + size_t(round)) % sides;
                if (side == 0 && runCheck)
                    times[size_t(i)][0].runs.push_back(measure([&] { report = check::checkCatalog(data, options); }));
                else if (side > 0 && runFloor)
                    times[size_t(i)][side].runs.push_back(
                        measure([&] { floorRows[side - 1].floor.run(threadCounts.at(i)); }));
            }
        }
    }
    const check::Totals &t = report.totals;
    std::printf("checked %lld models, %lld part lines (model and group lists), %lld diagrams, %lld hotspots, "
                "%lld photos; %lld parts without a photo; %lld errors, %lld warnings\n",
                t.models, t.parts, t.diagrams, t.hotspots, t.photos, t.partsWithoutPhoto, t.errors, t.warnings);
    std::printf("%d rounds; load average before %s, after %s\n", rounds, loadBefore.constData(),
                loadAverage().constData());
    std::printf("floor: files opened within their folders, diagrams decoded; not decoding: the same without the "
                "decoding; by whole paths: opened by their whole paths, not decoding\n");
    std::printf("%-18s %7s %9s", "", "threads", "check");
    for (const FloorRow &floorRow : floorRows)
        std::printf(" %15s %5s", floorRow.name, "ratio");
    std::printf("\n");
    for (qsizetype i = 0; i < threadCounts.size(); ++i) {
        const std::vector<Times> &sides = times[size_t(i)];
        const auto row = [&](const char *name, double (Times::*statistic)(double Run::*) const, double Run::*field) {
            const double check = (sides[0].*statistic)(field);
            std::printf("%-18s %7d %6.0f ms", name, threadCounts.at(i), check);
            for (size_t f = 1; f < sides.size(); ++f) {
                const double floorTime = (sides[f].*statistic)(field);
                std::printf(" %12.0f ms %5.2f", floorTime, floorTime > 0 ? check / floorTime : 0.0);
            }
            std::printf("\n");
        };
        row("wall, median", &Times::median, &Run::wall);
        row("wall, least", &Times::minimum, &Run::wall);
        row("processor, median", &Times::median, &Run::cpu);
        row("processor, least", &Times::minimum, &Run::cpu);
    }
    return t.errors == 0 ? 0 : 1;
}
