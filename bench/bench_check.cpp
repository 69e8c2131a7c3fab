// One check (without --deep) of a catalog of 10,000 models, 1,000,000 part
// lines and 50,000 photos, on every core and on one.
//
//   ./build/bench/bench_check [--keep] [DATA]
//
// Ten manufacturers of 1,000 models, three of them with photos; each model
// has a part list of 100 lines, a picture, four groups that split the same
// lines again, and every tenth an exploded view (a 400 x 300 diagram with 20
// hotspots). A sixth of the photo manufacturers' parts have a photo. The
// catalog is written once, so its files are in the page cache when checked.

#include "catalog/CatalogText.h"
#include "check/CatalogCheck.h"
#include "support/BitmapFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace korvane;

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

// The best of a few rounds: the least disturbed run is the one that tells
// what the check costs on a machine shared with other work.
double bestMilliseconds(const std::function<void()> &work, int rounds)
{
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

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
    QString data = dir.path() + QStringLiteral("/DATA");
    if (!arguments.isEmpty() && !arguments.constLast().startsWith(QLatin1String("--"))) {
        data = arguments.constLast();
    } else {
        QElapsedTimer timer;
        timer.start();
        const int photos = writeCatalog(data);
        std::printf("catalog of %d models, %d part lines, %d photos written in %.1f s%s%s\n", 10 * kModelsEach,
                    10 * kModelsEach * kPartsPerModel, photos, double(timer.elapsed()) / 1000,
                    dir.autoRemove() ? "" : ", kept in ", dir.autoRemove() ? "" : qPrintable(data));
    }

    check::Report report;
    const auto checkWith = [&](int threads) {
        check::Options options;
        options.threads = threads;
        return bestMilliseconds([&] { report = check::checkCatalog(data, options); }, 3);
    };
    const double single = checkWith(1);
    const double all = checkWith(QThread::idealThreadCount());
    const check::Totals &t = report.totals;
    std::printf("checked %lld models, %lld part lines (model and group lists), %lld diagrams, %lld hotspots, "
                "%lld photos; %lld parts without a photo; %lld errors, %lld warnings\n",
                t.models, t.parts, t.diagrams, t.hotspots, t.photos, t.partsWithoutPhoto, t.errors, t.warnings);
    std::printf("one check: %.0f ms on 1 thread, %.0f ms on %d threads (best of 3)\n", single, all,
                QThread::idealThreadCount());
    return t.errors == 0 ? 0 : 1;
}
