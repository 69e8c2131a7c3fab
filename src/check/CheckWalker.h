#pragma once

#include "catalog/CatalogLines.h"
#include "catalog/CatalogNames.h"
#include "catalog/CatalogPaths.h"
#include "catalog/Failure.h"
#include "catalog/FileRoutes.h"
#include "catalog/HotspotCheck.h"
#include "check/Finding.h"

#include <QHash>
#include <QSize>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace korvane::check {

// What a finding is about: fixed words ("the part list"), or a kind of thing
// and its name ("model 'T4'"). It is put into words only for a finding, as a
// walk passes hundreds of thousands of things that have none.
struct Subject
{
    const char *words;
    const QString *name = nullptr;
    QString text() const;
};

// A line of a catalog file that names something: where a finding about that
// thing points.
struct Source
{
    QByteArray file;
    qint64 line = 0;
};

// What every walker reads and none changes once the walk has begun.
struct Setting
{
    // The checked DATA's parent: the paths are composed on it as the browser
    // composes them on its own folder.
    QString base;
    bool deep = false;
    bool listPartsWithoutPhoto = false;
    bool fix = false;
    // What the names found here lack to be whole names of this machine (the
    // current folder, when the checked folder was given relative): the
    // system's limit on a name's length applies to the whole name.
    qsizetype absolutePrefix = 0;
    // DATA and DATA/IMG as found on disk (the second empty when missing).
    QByteArray dataFolder;
    QByteArray photoFolder;
};

// A model as a model list names it.
struct ModelEntry
{
    QString manufacturer;
    QString model;
    Source source;
    QByteArray manufacturerFolder;
};

// A photo that part lines name: the photo row and the part code (as the
// photo name takes it) compose its name; the first line naming it is where
// a missing one is reported.
struct PhotoReference
{
    paths::PartPhotoPath photoPath = nullptr;
    QString code;
    Source source;
};

// The photos one photo row names, each by code (the bytes the part lines
// hold) with the first line naming it. Hundreds of thousands of codes are
// noted: their bytes are kept in blocks that never move, which the keys view.
class PhotoTable
{
public:
    explicit PhotoTable(paths::PartPhotoPath photoPath) : m_photoPath(photoPath) { }

    paths::PartPhotoPath photoPath() const { return m_photoPath; }
    void note(QByteArrayView code, const Source &namedAt);
    // Every code of the other table noted here too.
    void take(PhotoTable &&other);
    void appendTo(std::vector<PhotoReference> &references) const;
    qsizetype size() const { return m_firstNamedAt.size(); }

private:
    QByteArrayView keep(QByteArrayView code);

    paths::PartPhotoPath m_photoPath;
    QHash<QByteArrayView, Source> m_firstNamedAt;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    qsizetype m_usedInLast = 0;
};

// What one walker found.
struct Outcome
{
    std::vector<Finding> findings;
    Totals totals;
    // Part lines name the same photos again and again; each is looked up
    // once, and a missing one reported at the first line naming it.
    std::vector<PhotoTable> photos;

    void notePhoto(paths::PartPhotoPath photoPath, QByteArrayView code, const Source &namedAt);
    std::vector<PhotoReference> takePhotos();
    void take(Outcome &&other);
};

// Walks a share of the catalog with a lookup of its own, reading each file
// once, and records what it finds in its outcome. One per thread.
class Walker
{
public:
    Walker(const Setting &setting, Outcome &outcome) : m_setting(setting), m_outcome(outcome) { }

    // The manufacturer list and each manufacturer's model list: the models
    // to walk, in list order.
    std::vector<ModelEntry> walkManufacturers();
    // DATA as found on disk beside the base.
    std::optional<QByteArray> findDataFolder();
    // DATA/IMG as found on disk, empty when missing.
    QByteArray findPhotoFolder();
    void checkModel(const ModelEntry &entry);
    void checkPhoto(const PhotoReference &photo);

private:
    void error(const Source &at, const QString &message);
    void warning(const Source &at, const QString &message);
    void add(Finding finding);

    // A text file's lines, read as the browser reads them, its encoding
    // checked; nothing when it cannot be read, which is reported. The lines
    // are those the file has once its certain mending is made (a byte-order
    // mark dropped, UTF-8 converted), so one fault hides no other; with
    // --fix that mending is written.
    std::optional<CatalogLines> readText(const CatalogFile &file, const Subject &what);
    // The entry a route's step opens, looked up as the browser looks: a
    // tested route's test passes on a file only (a folder of the name is
    // missing); an untested read opens whatever the name names, which
    // canOpen then judges. Nothing when it is missing.
    std::optional<CatalogFile> findByRoute(const FileRoute &route, const ComposedPath &path, NameMatch *how);
    // A file the catalog lacks, judged by its route: nothing when a catalog
    // may leave it out, else a finding at the line that leads to it, worded
    // by message from what choosing it then shows (missingShows): an error,
    // or for a part's photo a warning, counted apart and listed on request.
    template <typename Message>
    void reportMissing(const FileRoute &route, const Source &at, Message message);
    // A list in a model's folder (groups, views), found by its route: nothing
    // when it is missing (reported as the route says) or unreadable. A name
    // found loosely is reported below the model's folder.
    std::optional<std::pair<CatalogFile, CatalogLines>> readModelList(const FileRoute &route, const ModelEntry &entry,
                                                                      const ComposedPath &path,
                                                                      const QByteArray &modelFolder,
                                                                      const Subject &what);
    CatalogLines checkEncoding(const CatalogFile &file, CatalogLines lines);
    // Whether the browser can open the entry (what it is, for the message):
    // a file, at a path short enough. Anything else is reported at `at`,
    // and never opened.
    bool canOpen(const QByteArray &native, const Subject &what, const Source &at);
    // Whether a folder found for a line lies at a path the browser can open;
    // reported at the line when not.
    bool isReachable(const QByteArray &folder, const Subject &what, const Source &at);
    // Whether the name a catalog line composes stays inside DATA; reported
    // at the line when not, as the browser would read what is no part of
    // the catalog.
    bool staysInData(const ComposedPath &path, const Subject &what, const Source &at);
    // Why reading the file failed, from the file system.
    void reportUnreadable(const CatalogFile &file, const Subject &what, const Failure &failure);
    // The names a list offers, each once, with the line naming it; empty
    // lines are reported.
    std::vector<std::pair<QString, Source>> listedNames(const QByteArray &file, const CatalogLines &lines,
                                                        const QString &kind);
    // Reports the pieces of a name found loosely below parent (a folder
    // whose own name was reported already): at the line that named them, or
    // at the entry itself for the program's literal names.
    void reportLoose(const NameMatch &how, const QByteArray &parent, const std::optional<Source> &namedAt,
                     const QString &name);
    // A picture read without a test first: opened, or decoded when asked,
    // giving its size.
    std::optional<QSize> checkPicture(const CatalogFile &file, const Subject &what, bool decode);

    void checkPartLines(const QByteArray &file, const CatalogLines &lines, paths::PartPhotoPath photoPath);
    void checkGroups(const ModelEntry &entry, const QByteArray &modelFolder);
    void checkViews(const ModelEntry &entry, const QByteArray &modelFolder, const CatalogLines *partLines);
    void checkView(const ModelEntry &entry, const QString &view, const Source &namedAt, const QByteArray &viewFolder,
                   const CatalogLines *partLines);
    void checkHotspots(const CatalogFile &file, const HotspotContext &context);

    const Setting &m_setting;
    Outcome &m_outcome;
    CatalogLookup m_lookup;
};

// What choosing a thing shows when its route's file is missing, as findings
// word it: "shows an error box", "shows \"Текст отсутствует\"", ...
QString missingShows(const FileRoute &route);

template <typename Message>
void Walker::reportMissing(const FileRoute &route, const Source &at, Message message)
{
    if (route.absence == Absence::Allowed)
        return;
    const bool counted = route.absence == Absence::Counted;
    if (counted) {
        ++m_outcome.totals.partsWithoutPhoto;
        if (!m_setting.listPartsWithoutPhoto)
            return;
    }
    Finding finding{at.file, at.line, counted ? Severity::Warning : Severity::Error, message(missingShows(route))};
    finding.partWithoutPhoto = counted;
    add(std::move(finding));
}

// A name as findings quote it.
QString quoted(const QString &text);
// A name on disk as findings show it: as itself when it is UTF-8, else as a
// shell writes its bytes ($'\312\363'), so that it can be pasted into mv.
QString shownOnDisk(QByteArrayView name);

// The name of a file within a folder, as both are composed: "T4.txt" of
// "DATA/XRAY/T4/" and "DATA/XRAY/T4/T4.txt".
QString nameWithin(const ComposedPath &folder, const ComposedPath &file);

} // namespace korvane::check
