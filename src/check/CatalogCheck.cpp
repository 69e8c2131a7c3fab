#include "check/CatalogCheck.h"

#include "catalog/CatalogPaths.h"
#include "catalog/Failure.h"
#include "check/CheckWalker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <tuple>

#include <dirent.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/stat.h>

namespace korvane::check {

namespace {

// Runs check over the items on every core, each thread with a walker and a
// lookup of its own; what they found is gathered into outcome.
template <typename Item>
void inParallel(const std::vector<Item> &items, const Setting &setting, int threads, Outcome &outcome,
                void (Walker::*check)(const Item &))
{
    const size_t count = std::clamp<size_t>(size_t(threads), 1, std::max<size_t>(items.size(), 1));
    std::vector<Outcome> outcomes(count);
    std::vector<std::exception_ptr> failures(count);
    std::atomic<size_t> next{0};
    {
        std::vector<std::jthread> workers;
        for (size_t t = 0; t < count; ++t) {
            workers.emplace_back([&, t] {
                try {
                    Walker walker(setting, outcomes[t]);
                    for (size_t i = next++; i < items.size(); i = next++)
                        (walker.*check)(items[i]);
                } catch (...) {
                    failures[t] = std::current_exception();
                }
            });
        }
    }
    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
    for (Outcome &each : outcomes)
        outcome.take(std::move(each));
}

bool sameEntry(const QByteArray &a, const QByteArray &b)
{
    struct stat first;
    struct stat second;
    return ::stat(a.constData(), &first) == 0 && ::stat(b.constData(), &second) == 0 && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
}

bool canList(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

// The folder as the user named it, and the base the browser's paths would
// be composed on for it to be their DATA.
Setting settingFor(const QString &dataFolder)
{
    QString folder = QDir::cleanPath(dataFolder);
    const QString name = folder.mid(folder.lastIndexOf(u'/') + 1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        folder = QDir::cleanPath(QDir(folder).absolutePath());
    Setting setting;
    setting.base = folder.left(folder.lastIndexOf(u'/') + 1);
    if (QDir::isRelativePath(folder))
        setting.absolutePrefix = QFile::encodeName(QDir::currentPath()).size() + 1;
    const QByteArray given = QFile::encodeName(folder);
    struct stat info;
    if (dataFolder.isEmpty() || ::stat(given.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw Failure(QStringLiteral("%1 is not a folder").arg(dataFolder));
    if (!canList(given))
        throw Failure(QStringLiteral("cannot read the folder %1").arg(dataFolder));
    return setting;
}

} // namespace

Report checkCatalog(const QString &dataFolder, const Options &options)
{
    QElapsedTimer timer;
    timer.start();
#ifdef __GLIBC__
    // A check takes and frees blocks of the same sizes tens of thousands of
    // times (a diagram's frame, a list's text, a folder's names): what is
    // freed is kept for the next, not handed back to the system to be
    // faulted in again, page by page.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#endif
    Setting setting = settingFor(dataFolder);
    setting.deep = options.deep;
    setting.listPartsWithoutPhoto = options.listPartsWithoutPhoto;
    setting.fix = options.fix;

    Outcome outcome;
    std::vector<ModelEntry> models;
    {
        Walker walker(setting, outcome);
        // The catalog is read from DATA beside the program, whatever the case
        // of its name on disk: the given folder must be the one found so.
        const std::optional<QByteArray> data = walker.findDataFolder();
        if (!data || !sameEntry(*data, QFile::encodeName(QDir::cleanPath(dataFolder))))
            throw Failure(QStringLiteral("%1 is not a folder named DATA: the program reads only that").arg(dataFolder));
        setting.dataFolder = *data;
        models = walker.walkManufacturers();
        setting.photoFolder = walker.findPhotoFolder();
    }

    const int threads = options.threads > 0 ? options.threads : QThread::idealThreadCount();
    inParallel(models, setting, threads, outcome, &Walker::checkModel);

    // Each photo once, however many part lines name it, after every line
    // naming it has been seen.
    const std::vector<PhotoReference> photos = outcome.photoReferences();
    std::vector<PhotoBatch> batches;
    constexpr size_t kBatch = 256;
    for (size_t at = 0; at < photos.size(); at += kBatch)
        batches.push_back(PhotoBatch{photos.data() + at, photos.data() + std::min(photos.size(), at + kBatch)});
    inParallel(batches, setting, threads, outcome, &Walker::checkPhotos);
    outcome.photos.clear();

    Report report;
    report.listsPartsWithoutPhoto = options.listPartsWithoutPhoto;
    report.findings = std::move(outcome.findings);
    const auto key = [](const Finding &f) { return std::tie(f.line, f.severity, f.message); };
    std::sort(report.findings.begin(), report.findings.end(), [&](const Finding &a, const Finding &b) {
        const int byFile = a.file.compare(b.file);
        return byFile != 0 ? byFile < 0 : key(a) < key(b);
    });
    // Two manufacturer names that find the same folder walk it twice.
    report.findings.erase(
        std::unique(report.findings.begin(), report.findings.end(),
                    [&](const Finding &a, const Finding &b) { return a.file == b.file && key(a) == key(b); }),
        report.findings.end());
    report.totals = outcome.totals;
    for (const Finding &finding : report.findings) {
        if (finding.severity == Severity::Error)
            ++report.totals.errors;
        else if (finding.severity == Severity::Warning && !finding.partWithoutPhoto)
            ++report.totals.warnings;
    }
    report.seconds = double(timer.nsecsElapsed()) / 1e9;
    return report;
}

QString defaultDataFolder(const QString &checkerPath)
{
    // Installed, the checker lies in <prefix>/bin and the program with its
    // catalog in <prefix>/lib/korvane; built, they lie side by side.
    QString folder = paths::baseFolderFromExecutable(checkerPath);
    if (QDir(folder).dirName() == QLatin1String("bin"))
        folder = paths::baseFolderFromExecutable(QDir::cleanPath(folder + QStringLiteral("../lib/korvane/korvane")));
    const std::optional<QByteArray> data = resolveCatalogEntry(paths::dataFolder(folder));
    return data ? QFile::decodeName(*data) : folder + QStringLiteral("DATA");
}

int exitStatus(const Report &report)
{
    return report.totals.errors > 0 ? 1 : 0;
}

} // namespace korvane::check
