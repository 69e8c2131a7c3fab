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

class PhotoTable;

// A photo that part lines name, as a table noted it: the photo row and the
// part code (the bytes the part lines hold) compose its name; the first line
// naming it is where a missing one is reported.
struct PhotoReference
{
    const PhotoTable *table = nullptr;
    size_t noted = 0;

    paths::PartPhotoPath photoPath() const;
    QByteArrayView code() const;
    Source namedAt() const;
};

// A run of photo references, checked by one walker.
struct PhotoBatch
{
    const PhotoReference *begin = nullptr;
    const PhotoReference *end = nullptr;
};

// The hash by which the tables below keep a part code.

// The line each code of one part list is first on. Part lists hold millions
// of lines between them: the table holds views of the codes where they lie,
// in the list's lines, and is kept from one list to the next, its slots
// emptied by a new generation rather than cleared.
class FirstLines
{
public:
    // Empty, with room for the codes of count lines.
    void reset(qsizetype count);
    // The line the code is already on, or 0 when it is new, which notes it
    // at this line. The hash is the code's hashBytes.
    qint64 note(QByteArrayView code, quint32 hash, qint64 line);
    bool contains(QByteArrayView code, quint32 hash) const;

private:
    // The hash kept beside the code, so that a probe compares codes only
    // when the hashes agree.
    struct Slot
    {
        const char *data = nullptr;
        quint32 size = 0;
        quint32 hash = 0;
        quint32 line = 0;
        quint32 generation = 0;
    };
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    quint32 m_generation = 0;
};

// The photos one photo row names, each by code (the bytes the part lines
// hold) with the first line naming it. Millions of part lines are noted, and
// hundreds of thousands of codes kept: a note costs one probe of a flat
// table of numbers, the codes are kept in the order first noted, their bytes
// in blocks that never move, and a line as the number of its file and its
// own.
class PhotoTable
{
public:
    explicit PhotoTable(paths::PartPhotoPath photoPath) : m_photoPath(photoPath) { }

    paths::PartPhotoPath photoPath() const { return m_photoPath; }
    // The number by which notes name a file whose lines are noted next.
    quint32 addFile(const QByteArray &file);
    // A code of a line of the file.
    struct Naming
    {
        QByteArrayView code;
        quint32 hash; // hashBytes
        qint64 line;
    };
    // Every code a list names, by its lines in the file.
    void note(const std::vector<Naming> &namings, quint32 file);
    // Every code of the other table noted here too.
    void take(PhotoTable &&other);
    // A reference to every code noted, valid while the table is.
    void appendTo(std::vector<PhotoReference> &references) const;
    qsizetype size() const { return qsizetype(m_noted.size()); }

private:
    friend struct PhotoReference;
    struct Noted
    {
        const char *code;
        quint32 size;
        quint32 file;
        qint64 line;
    };
    struct Slot
    {
        quint32 hash;
        quint32 noted; // kFree: the slot is free
    };
    static constexpr quint32 kFree = 0xFFFFFFFFu;

    QByteArrayView keep(QByteArrayView code);
    // Notes a code at its line, or an earlier line for a code noted before;
    // a new code's bytes are copied into the blocks unless kept there already.
    void insert(quint32 hash, const Noted &noted, bool kept);
    bool comesFirst(quint32 file, qint64 line, const Noted &than) const;
    void grow();

    paths::PartPhotoPath m_photoPath;
    std::vector<Noted> m_noted;
    std::vector<Slot> m_slots;
    std::vector<QByteArray> m_files;
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

    PhotoTable &photoTable(paths::PartPhotoPath photoPath);
    // Every photo noted, by reference to the tables, which stay until
    // cleared.
    std::vector<PhotoReference> photoReferences() const;
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
    // Photos a few at a time: the lookup of each is readied while the ones
    // before it are checked.
    void checkPhotos(const PhotoBatch &photos);

private:
    void checkPhoto(const PhotoReference &photo, const QString &code, const ComposedPath &path);
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

    // The list's codes, each with the line it is first on. Codes of a list
    // whose file comes after another's (the model's part list before its
    // groups') are noted as photos only when that other list holds none of
    // them: a photo is reported at the first line naming it.
    void checkPartLines(const QByteArray &file, const CatalogLines &lines, paths::PartPhotoPath photoPath,
                        FirstLines &codes, const FirstLines *notedBefore = nullptr);
    void checkGroups(const ModelEntry &entry, const QByteArray &modelFolder, const QByteArray &partListFile,
                     const FirstLines *partListCodes);
    void checkViews(const ModelEntry &entry, const QByteArray &modelFolder, const CatalogLines *partLines);
    void checkView(const ModelEntry &entry, const QString &view, const Source &namedAt, const QByteArray &viewFolder,
                   const CatalogLines *partLines);
    void checkHotspots(const CatalogFile &file, const HotspotContext &context);

    const Setting &m_setting;
    Outcome &m_outcome;
    CatalogLookup m_lookup;
    // The codes of a model's part list, and of the group list being read.
    FirstLines m_partListCodes;
    FirstLines m_listCodes;
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
