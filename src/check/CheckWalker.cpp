#include "check/CheckWalker.h"

#include "catalog/CatalogText.h"
#include "catalog/PartLine.h"
#include "catalog/Win1251.h"
#include "platform/PictureFile.h"

#include <QFile>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

// The walk follows the browser's roads: the same compositions, the same
// lookup, the same line rules and decoders, taken from the catalog library.
// Where the browser tests a file first, a missing one is what the user meets
// as a message or nothing; where it reads untested, a missing one is an
// error box, and so an error here. Every finding says what is wrong in the
// catalog's terms, then how to mend it.

namespace korvane::check {

namespace {

bool isBelow(const QByteArray &entry, const QByteArray &folder)
{
    if (folder.isEmpty())
        return true;
    return entry.size() > folder.size() && entry.startsWith(folder)
           && (folder.endsWith('/') || entry.at(folder.size()) == '/');
}

bool comesFirst(const Source &a, const Source &b)
{
    return a.file != b.file ? a.file < b.file : a.line < b.line;
}

// What a special file is, for the message; a stat opens nothing.
QString specialKind(const QByteArray &native)
{
    struct stat info;
    if (native.size() < PATH_MAX && ::stat(native.constData(), &info) == 0) {
        if (S_ISCHR(info.st_mode))
            return QStringLiteral("a character device");
        if (S_ISBLK(info.st_mode))
            return QStringLiteral("a block device");
        if (S_ISFIFO(info.st_mode))
            return QStringLiteral("a FIFO (named pipe)");
        if (S_ISSOCK(info.st_mode))
            return QStringLiteral("a socket");
    }
    return QStringLiteral("no regular file");
}

// The name's text within the catalog as composed, without the separator
// that ends a folder's.
QString shownWithin(const ComposedPath &folder, const ComposedPath &path)
{
    QString within = nameWithin(folder, path);
    if (within.endsWith(u'/'))
        within.chop(1);
    return within;
}

// Grouped in thousands the same way whatever the user's language.
QString thousands(qint64 count)
{
    return QLocale(QLocale::English).toString(count);
}

// The line each code of one list is first on. Part lists hold millions of
// lines between them: the table is sized once for its list and holds views
// of the codes where they lie.
class FirstLines
{
public:
    explicit FirstLines(qsizetype count)
    {
        size_t capacity = 16;
        while (capacity < size_t(count) * 2)
            capacity *= 2;
        m_slots.resize(capacity);
        m_mask = capacity - 1;
    }

    // The line the code is already on, or 0 when it is new, which notes it
    // at this line.
    qint64 note(QByteArrayView code, qint64 line)
    {
        // FNV-1a: codes are a few bytes.
        quint64 hash = 14695981039346656037ull;
        for (const char c : code)
            hash = (hash ^ uchar(c)) * 1099511628211ull;
        for (size_t i = size_t(hash) & m_mask;; i = (i + 1) & m_mask) {
            Slot &slot = m_slots[i];
            if (slot.line == 0) {
                slot = Slot{code.data(), code.size(), line};
                return 0;
            }
            if (QByteArrayView(slot.data, slot.size) == code)
                return slot.line;
        }
    }

private:
    struct Slot
    {
        const char *data = nullptr;
        qsizetype size = 0;
        qint64 line = 0;
    };
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
};

QString codePageName(LooseMatch::CodePage codePage)
{
    return codePage == LooseMatch::CodePage::Windows1251 ? QStringLiteral("Windows-1251")
                                                         : QStringLiteral("DOS (CP866)");
}

} // namespace

QString Subject::text() const
{
    return name ? QString::fromLatin1(words) + u' ' + quoted(*name) : QString::fromLatin1(words);
}

QString quoted(const QString &text)
{
    return u'\'' + Failure::quoted(text) + u'\'';
}

QString shownOnDisk(QByteArrayView name)
{
    if (name.isValidUtf8())
        return quoted(QString::fromUtf8(name));
    QString shown = QStringLiteral("$'");
    for (const char c : name) {
        const uchar byte = uchar(c);
        if (byte == '\'' || byte == '\\')
            shown += u'\\' + QChar(byte);
        else if (byte >= 0x20 && byte < 0x7F)
            shown += QChar(byte);
        else
            shown += QStringLiteral("\\%1").arg(byte, 3, 8, QLatin1Char('0'));
    }
    return shown + u'\'';
}

QString nameWithin(const ComposedPath &folder, const ComposedPath &file)
{
    return file.added.mid(folder.added.size());
}

QByteArrayView PhotoTable::keep(QByteArrayView code)
{
    constexpr qsizetype kBlock = 64 * 1024;
    if (m_blocks.empty() || m_usedInLast + code.size() > kBlock) {
        m_blocks.push_back(std::make_unique<char[]>(size_t(std::max(kBlock, code.size()))));
        m_usedInLast = 0;
    }
    char *kept = m_blocks.back().get() + m_usedInLast;
    std::copy(code.begin(), code.end(), kept);
    m_usedInLast += code.size();
    return QByteArrayView(kept, code.size());
}

void PhotoTable::note(QByteArrayView code, const Source &namedAt)
{
    const auto found = m_firstNamedAt.find(code);
    if (found == m_firstNamedAt.end())
        m_firstNamedAt.insert(keep(code), namedAt);
    else if (comesFirst(namedAt, *found))
        *found = namedAt;
}

void PhotoTable::take(PhotoTable &&other)
{
    // The smaller table goes into the larger.
    if (other.size() > size())
        std::swap(*this, other);
    for (auto it = other.m_firstNamedAt.cbegin(); it != other.m_firstNamedAt.cend(); ++it) {
        const auto found = m_firstNamedAt.find(it.key());
        if (found == m_firstNamedAt.end())
            m_firstNamedAt.insert(it.key(), it.value());
        else if (comesFirst(it.value(), *found))
            *found = it.value();
    }
    // Its keys view its blocks.
    std::move(other.m_blocks.begin(), other.m_blocks.end(), std::back_inserter(m_blocks));
    other.m_blocks.clear();
    other.m_firstNamedAt.clear();
}

void PhotoTable::appendTo(std::vector<PhotoReference> &references) const
{
    for (auto it = m_firstNamedAt.cbegin(); it != m_firstNamedAt.cend(); ++it)
        references.push_back(PhotoReference{m_photoPath, decodeWin1251(it.key()), it.value()});
}

void Outcome::notePhoto(paths::PartPhotoPath photoPath, QByteArrayView code, const Source &namedAt)
{
    auto table = std::find_if(photos.begin(), photos.end(),
                              [&](const PhotoTable &each) { return each.photoPath() == photoPath; });
    if (table == photos.end())
        table = photos.insert(photos.end(), PhotoTable(photoPath));
    table->note(code, namedAt);
}

std::vector<PhotoReference> Outcome::takePhotos()
{
    std::vector<PhotoReference> references;
    qsizetype count = 0;
    for (const PhotoTable &table : photos)
        count += table.size();
    references.reserve(size_t(count));
    for (const PhotoTable &table : photos)
        table.appendTo(references);
    photos.clear();
    return references;
}

void Outcome::take(Outcome &&other)
{
    findings.insert(findings.end(), std::make_move_iterator(other.findings.begin()),
                    std::make_move_iterator(other.findings.end()));
    totals.models += other.totals.models;
    totals.parts += other.totals.parts;
    totals.diagrams += other.totals.diagrams;
    totals.hotspots += other.totals.hotspots;
    totals.photos += other.totals.photos;
    totals.partsWithoutPhoto += other.totals.partsWithoutPhoto;
    totals.filesFixed += other.totals.filesFixed;
    for (PhotoTable &table : other.photos) {
        auto same = std::find_if(photos.begin(), photos.end(),
                                 [&](const PhotoTable &each) { return each.photoPath() == table.photoPath(); });
        if (same == photos.end())
            photos.push_back(std::move(table));
        else
            same->take(std::move(table));
    }
    other.photos.clear();
}

void Walker::add(Finding finding)
{
    m_outcome.findings.push_back(std::move(finding));
}

void Walker::error(const Source &at, const QString &message)
{
    add(Finding{at.file, at.line, Severity::Error, message});
}

void Walker::warning(const Source &at, const QString &message)
{
    add(Finding{at.file, at.line, Severity::Warning, message});
}

bool Walker::canOpen(const QByteArray &native, const Subject &what, const Source &at)
{
    // The browser composes whole names; the system takes none as long as
    // PATH_MAX.
    const qsizetype length = m_setting.absolutePrefix + native.size();
    if (length >= PATH_MAX) {
        error(at, QStringLiteral("%1 lies at a path of %2 bytes, more than the %3 a program can open: the browser "
                                 "cannot open it; shorten the names of the folders on the way")
                      .arg(what.text(), thousands(length), thousands(PATH_MAX - 1)));
        return false;
    }
    // What the entry is comes from its folder's listing: a device or a FIFO
    // is never opened, as opening some has effects of its own.
    switch (m_lookup.kindOf(native)) {
    case EntryKind::File:
        return true;
    case EntryKind::Folder:
        error(at, QStringLiteral("%1 is a folder, not a file: the browser cannot open it and shows an error box; "
                                 "rename or remove the folder")
                      .arg(what.text()));
        return false;
    case EntryKind::Other:
        error(at, QStringLiteral("%1 is %2, not a file: the browser cannot open it and shows an error box (the "
                                 "checker does not try); put the file itself there")
                      .arg(what.text(), specialKind(native)));
        return false;
    case EntryKind::Missing:
        break;
    }
    error(at, QStringLiteral("%1 is gone: it was removed while the catalog was checked").arg(what.text()));
    return false;
}

bool Walker::isReachable(const QByteArray &folder, const Subject &what, const Source &at)
{
    const qsizetype length = m_setting.absolutePrefix + folder.size();
    if (length < PATH_MAX)
        return true;
    error(at, QStringLiteral("%1 lies at a path of %2 bytes, more than the %3 a program can open: the browser "
                             "finds nothing in it; shorten the names of the folders on the way")
                  .arg(what.text(), thousands(length), thousands(PATH_MAX - 1)));
    return false;
}

bool Walker::staysInData(const ComposedPath &path, const Subject &what, const Source &at)
{
    // Only a ".." climbs; most names hold none.
    if (!path.added.contains(QLatin1String("..")) || staysInside(path, paths::dataFolder(m_setting.base)))
        return true;
    error(at, QStringLiteral("%1 leads outside DATA: the browser would read what is no part of the catalog, and a "
                             "copy of the catalog lacks it; name something inside DATA")
                  .arg(what.text()));
    return false;
}

void Walker::reportUnreadable(const CatalogFile &file, const Subject &what, const Failure &failure)
{
    const Source at{file.native, 0};
    if (failure.message() != Failure::cannotOpen(file.composed.text()).message()) {
        error(at, QStringLiteral("%1 cannot be read: %2").arg(what.text(), failure.message()));
        return;
    }
    const int reason = ::access(file.native.constData(), R_OK) == 0 ? 0 : errno;
    if (reason == EACCES)
        error(at, QStringLiteral("%1 cannot be read (permission denied): the browser shows an error box; make it "
                                 "readable (chmod a+r)")
                      .arg(what.text()));
    else
        error(at, QStringLiteral("%1 cannot be read (%2): the browser shows an error box")
                      .arg(what.text(), reason != 0 ? QString::fromLocal8Bit(std::strerror(reason))
                                                    : QStringLiteral("it changed while it was read")));
}

std::optional<CatalogLines> Walker::readText(const CatalogFile &found, const Subject &what)
{
    if (!canOpen(found.native, what, {found.native, 0}))
        return std::nullopt;
    // The listing has said what it is: the library need not look again.
    CatalogFile file = found;
    file.seenRegular = true;
    try {
        return checkEncoding(file, readCatalogLines(file));
    } catch (const Failure &failure) {
        reportUnreadable(file, what, failure);
        return std::nullopt;
    }
}

std::optional<std::pair<CatalogFile, CatalogLines>>
Walker::readTestedList(const ComposedPath &path, const QByteArray &modelFolder, const Subject &what)
{
    NameMatch how;
    std::optional<CatalogFile> list = m_lookup.findFile(path, &how);
    if (!list)
        return std::nullopt;
    reportLoose(how, modelFolder, std::nullopt, QString());
    std::optional<CatalogLines> lines = readText(*list, what);
    if (!lines)
        return std::nullopt;
    return std::make_pair(std::move(*list), std::move(*lines));
}

std::vector<std::pair<QString, Source>> Walker::listedNames(const QByteArray &file, const CatalogLines &lines,
                                                            const QString &kind)
{
    std::vector<std::pair<QString, Source>> names;
    QSet<QString> seen;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = lines.line(i);
        if (name.isEmpty()) {
            warning({file, i + 1},
                    QStringLiteral("empty line: the list offers an empty %1; delete the line").arg(kind));
            continue;
        }
        if (!seen.contains(name)) {
            seen.insert(name);
            names.emplace_back(name, Source{file, i + 1});
        }
    }
    return names;
}

void Walker::reportLoose(const NameMatch &how, const QByteArray &parent, const std::optional<Source> &namedAt,
                         const QString &name)
{
    bool foldingReported = false;
    for (const LooseMatch &match : how) {
        if (!isBelow(match.entry, parent))
            continue;
        const Source at = namedAt.value_or(Source{match.entry, 0});
        const QByteArrayView onDisk = QByteArrayView(match.entry).sliced(match.entry.lastIndexOf('/') + 1);
        if (match.codePage != LooseMatch::CodePage::Utf8) {
            warning(at, QStringLiteral("%1 is found only as the %2 name %3 on disk%4: a reader of UTF-8 names misses "
                                       "it; rename it to %1")
                            .arg(quoted(match.piece), codePageName(match.codePage), shownOnDisk(onDisk),
                                 match.ignoringCase ? QStringLiteral(", and only without regard to letter case")
                                                    : QString()));
        } else if (match.ignoringCase) {
            warning(at, QStringLiteral("%1 is found as %2 only without regard to letter case: a reader that "
                                       "matches case misses it; %3")
                            .arg(quoted(match.piece), quoted(match.nameOnDisk),
                                 namedAt ? QStringLiteral("rename it to %1, or write %2 here")
                                               .arg(quoted(match.piece), quoted(match.nameOnDisk))
                                         : QStringLiteral("rename it to %1").arg(quoted(match.piece))));
        }
        if (!match.alsoMatching.isEmpty()) {
            QStringList others;
            for (const QByteArray &other : match.alsoMatching)
                others.append(shownOnDisk(QByteArrayView(other)));
            warning(at, QStringLiteral("%1 matches %2 and also %3 in the same folder, names Windows takes for one: "
                                       "the browser takes %2 and never reads the other; merge them into one")
                            .arg(quoted(match.piece), shownOnDisk(onDisk), others.join(QStringLiteral(", "))));
        }
        if (match.foldedSeparators && !foldingReported) {
            const QString named = namedAt ? name : match.piece;
            warning(at, named.contains(u'\\')
                            ? QStringLiteral("%1 is found only by reading \"\\\" as a folder separator, as Windows "
                                             "does: other readers take it for part of a name; write the name without "
                                             "\"\\\"")
                                  .arg(quoted(named))
                            : QStringLiteral("%1 is found only by folding doubled separators and dot folders, as "
                                             "Windows does: other readers miss it; write it without empty, \".\" or "
                                             "\"..\" pieces")
                                  .arg(quoted(named)));
            foldingReported = true;
        }
    }
}

std::optional<QSize> Walker::checkPicture(const CatalogFile &found, const Subject &what, bool decode)
{
    if (!canOpen(found.native, what, {found.native, 0}))
        return std::nullopt;
    CatalogFile file = found;
    file.seenRegular = true;
    if (!decode) {
        if (!catalogFileOpens(file))
            reportUnreadable(file, what, Failure::cannotOpen(file.composed.text()));
        return std::nullopt;
    }
    try {
        return loadPictureFile(file).size();
    } catch (const Failure &failure) {
        if (failure.message() == Failure::cannotOpen(file.composed.text()).message()) {
            reportUnreadable(file, what, failure);
            return std::nullopt;
        }
        const QString shown = failure.detail().isEmpty()
                                  ? failure.message()
                                  : QStringLiteral("%1 (%2)").arg(failure.message(), failure.detail());
        const bool bitmap = pictureExtension(file.composed.text()).compare(u"bmp", Qt::CaseInsensitive) == 0;
        QString mend = bitmap ? QStringLiteral("save it again as a Windows bitmap (BMP)")
                              : QStringLiteral("save it again as a JPEG");
        if (failure.message() == QLatin1String("Stream read error"))
            mend = QStringLiteral("the file is cut short: copy it again whole, or ") + mend;
        error({file.native, 0}, QStringLiteral("%1 does not decode: %2; %3").arg(what.text(), shown, mend));
    }
    return std::nullopt;
}

std::vector<ModelEntry> Walker::walkManufacturers()
{
    const QString &base = m_setting.base;
    NameMatch how;
    // Read at start-up without a test: missing, it is the first error box.
    const ComposedPath listPath = paths::manufacturerList(base);
    const std::optional<QByteArray> list = m_lookup.resolveEntry(listPath, &how);
    if (!list) {
        error({QFile::encodeName(listPath.text()), 0},
              QStringLiteral("there is no manufacturer list: the program starts with an error box and offers no "
                             "manufacturers; write catalog.txt here, a manufacturer folder's name a line"));
        return {};
    }
    reportLoose(how, m_setting.dataFolder, std::nullopt, QString());
    const std::optional<CatalogLines> manufacturers
        = readText(CatalogFile{listPath, *list}, Subject{"the manufacturer list"});
    if (!manufacturers)
        return {};

    std::vector<ModelEntry> models;
    for (const auto &[manufacturer, namedAt] : listedNames(*list, *manufacturers, QStringLiteral("manufacturer"))) {
        const Subject what{"manufacturer", &manufacturer};
        const ComposedPath folderPath = paths::manufacturerFolder(base, manufacturer);
        if (!staysInData(folderPath, what, namedAt))
            continue;
        const std::optional<QByteArray> folder = m_lookup.resolveEntry(folderPath, &how);
        if (!folder) {
            error(namedAt, QStringLiteral("%1 has no folder %2: choosing it shows \"Изображение отсутствует\"; make "
                                          "the folder or correct the name on this line")
                               .arg(what.text(), quoted(shownWithin(paths::dataFolder(base), folderPath))));
            continue;
        }
        if (!isReachable(*folder, what, namedAt))
            continue;
        reportLoose(how, m_setting.dataFolder, namedAt, manufacturer);
        const ComposedPath modelListPath = paths::modelList(base, manufacturer);
        const std::optional<CatalogFile> modelList = m_lookup.findFile(modelListPath, &how);
        if (!modelList) {
            error(namedAt, QStringLiteral("%1 has no model list %2: choosing it shows \"Изображение "
                                          "отсутствует\"; write one there, a model folder's name a line")
                               .arg(what.text(), quoted(shownWithin(paths::dataFolder(base), modelListPath))));
            continue;
        }
        reportLoose(how, *folder, std::nullopt, QString());
        const std::optional<CatalogLines> lines = readText(*modelList, Subject{"the model list"});
        if (!lines)
            continue;
        for (auto &[model, modelNamedAt] : listedNames(modelList->native, *lines, QStringLiteral("model")))
            models.push_back(ModelEntry{manufacturer, model, modelNamedAt, *folder});
    }
    return models;
}

std::optional<QByteArray> Walker::findDataFolder()
{
    NameMatch how;
    const std::optional<QByteArray> folder = m_lookup.resolveEntry(paths::dataFolder(m_setting.base), &how);
    if (folder)
        reportLoose(how, QByteArray(), std::nullopt, QString());
    return folder;
}

QByteArray Walker::findPhotoFolder()
{
    NameMatch how;
    const std::optional<QByteArray> folder = m_lookup.resolveEntry(paths::partPhotoFolder(m_setting.base), &how);
    if (folder)
        reportLoose(how, m_setting.dataFolder, std::nullopt, QString());
    return folder.value_or(QByteArray());
}

void Walker::checkModel(const ModelEntry &entry)
{
    ++m_outcome.totals.models;
    const QString &base = m_setting.base;
    const QString &manufacturer = entry.manufacturer;
    const QString &model = entry.model;
    const Subject what{"model", &model};
    NameMatch how;
    const ComposedPath folderPath = paths::modelFolder(base, manufacturer, model);
    if (!staysInData(folderPath, what, entry.source))
        return;
    const std::optional<QByteArray> folder = m_lookup.resolveEntry(folderPath, &how);
    if (!folder) {
        error(entry.source, QStringLiteral("%1 has no folder %2: choosing it changes only the window caption; make "
                                           "the folder or correct the name on this line")
                                .arg(what.text(), quoted(shownWithin(paths::dataFolder(base), folderPath))));
        return;
    }
    if (!isReachable(*folder, what, entry.source))
        return;
    reportLoose(how, entry.manufacturerFolder, entry.source, model);

    // Tested: without it, choosing the model changes nothing but the caption.
    const ComposedPath partListPath = paths::modelPartList(base, manufacturer, model);
    const std::optional<CatalogFile> partList = m_lookup.findFile(partListPath, &how);
    if (!partList) {
        error(entry.source, QStringLiteral("%1 has no part list %2 in its folder: choosing it changes only the "
                                           "window caption; write the part list there, a part a line: CODE NAME")
                                .arg(what.text(), quoted(nameWithin(folderPath, partListPath))));
        return;
    }
    reportLoose(how, *folder, entry.source, model);
    const std::optional<CatalogLines> partLines = readText(*partList, Subject{"the part list"});
    if (partLines)
        checkPartLines(partList->native, *partLines, paths::partPhotoFor(manufacturer));

    // Read untested: a missing picture ends the model change in an error box
    // before the group list is read.
    const ComposedPath picturePath = paths::modelPicture(base, manufacturer, model);
    if (const std::optional<QByteArray> picture = m_lookup.resolveEntry(picturePath, &how)) {
        reportLoose(how, *folder, entry.source, model);
        checkPicture(CatalogFile{picturePath, *picture}, Subject{"the model picture"}, m_setting.deep);
    } else {
        error(entry.source, QStringLiteral("%1 has no picture %2 in its folder: choosing it shows an error box and "
                                           "its groups never load; add the picture as a JPEG")
                                .arg(what.text(), quoted(nameWithin(folderPath, picturePath))));
    }

    checkViews(entry, *folder, partLines ? &*partLines : nullptr);
    checkGroups(entry, *folder);
}

void Walker::checkGroups(const ModelEntry &entry, const QByteArray &modelFolder)
{
    const QString &base = m_setting.base;
    // Tested: a model without one keeps the groups shown before.
    const auto list = readTestedList(paths::groupList(base, entry.manufacturer, entry.model), modelFolder,
                                     Subject{"the group list"});
    if (!list)
        return;
    const auto &[listFile, lines] = *list;
    NameMatch how;
    const ComposedPath folderPath = paths::partsFolder(base, entry.manufacturer, entry.model);
    const QByteArray folder = m_lookup.resolveEntry(folderPath).value_or(QByteArray());
    const paths::PartPhotoPath photoPath = paths::partPhotoFor(entry.manufacturer);
    for (const auto &[group, namedAt] : listedNames(listFile.native, lines, QStringLiteral("group"))) {
        const Subject what{"group", &group};
        // Read untested when the group is chosen: missing, an error box.
        const ComposedPath path = paths::groupPartList(base, entry.manufacturer, entry.model, group);
        if (!staysInData(path, what, namedAt))
            continue;
        const std::optional<QByteArray> found = m_lookup.resolveEntry(path, &how);
        if (!found) {
            error(namedAt, QStringLiteral("%1 has no part list %2: choosing it shows an error box; write the part "
                                          "list or correct the name on this line")
                               .arg(what.text(), quoted(nameWithin(folderPath, path))));
            continue;
        }
        reportLoose(how, folder, namedAt, group);
        if (const std::optional<CatalogLines> parts
            = readText(CatalogFile{path, *found}, Subject{"the part list of group", &group}))
            checkPartLines(*found, *parts, photoPath);
    }
}

void Walker::checkPartLines(const QByteArray &file, const CatalogLines &lines, paths::PartPhotoPath photoPath)
{
    m_outcome.totals.parts += lines.size();
    // Codes are compared as the file's bytes, in place: the lines outlive this.
    FirstLines lineOfCode(lines.textLineCount());
    for (qsizetype i = 0; i < lines.textLineCount(); ++i) {
        const Source here{file, i + 1};
        const QByteArrayView line = lines.textLine(i);
        const QByteArrayView code = partCodeOfLine(line);
        if (code.isEmpty()) {
            if (line.isEmpty())
                warning(here, QStringLiteral("empty part line: the part list shows an empty line; delete it"));
            else
                warning(here, QStringLiteral("part line %1 has no code, as it %2: choosing it shows no photo; write "
                                             "CODE NAME, the code first")
                                  .arg(quoted(decodeWin1251(line.first(std::min<qsizetype>(line.size(), 60)))),
                                       line.startsWith(' ') ? QStringLiteral("begins with a space")
                                                            : QStringLiteral("holds no space")));
            continue;
        }
        if (const qint64 first = lineOfCode.note(code, here.line)) {
            warning(here, QStringLiteral("the code %1 is already on line %2: a search or a hotspot selects only that "
                                         "first line; remove one of them or correct its code")
                              .arg(quoted(decodeWin1251(code)))
                              .arg(first));
            continue;
        }
        if (photoPath) {
            const QByteArrayView photoCode = code.first(std::min(code.size(), kPartCodeCapacity));
            // Only a ".." climbs: most codes are composed into no name here.
            const bool mayClimb
                = std::memchr(photoCode.data(), '.', size_t(photoCode.size())) != nullptr && photoCode.contains("..");
            const QString shownCode = mayClimb ? decodeWin1251(photoCode) : QString();
            if (!mayClimb
                || staysInData(photoPath(m_setting.base, shownCode), Subject{"the photo of part", &shownCode}, here))
                m_outcome.notePhoto(photoPath, photoCode, here);
        }
    }
}

void Walker::checkPhoto(const PhotoReference &photo)
{
    NameMatch how;
    const ComposedPath path = photo.photoPath(m_setting.base, photo.code);
    const std::optional<CatalogFile> found = m_lookup.findFile(path, &how);
    const auto photoName = [&] { return quoted(nameWithin(paths::dataFolder(m_setting.base), path)); };
    if (!found) {
        ++m_outcome.totals.partsWithoutPhoto;
        if (!m_setting.listPartsWithoutPhoto)
            return;
        Finding finding{photo.source.file, photo.source.line, Severity::Warning,
                        QStringLiteral("part %1 has no photo %2: choosing it shows \"Изображение отсутствует\"; add "
                                       "the photo as a JPEG")
                            .arg(quoted(photo.code), photoName())};
        finding.partWithoutPhoto = true;
        add(std::move(finding));
        return;
    }
    ++m_outcome.totals.photos;
    // A wildcard in the code passes the existence test on some other photo;
    // the read that follows opens the name as it stands.
    if (m_lookup.kindOf(found->native) == EntryKind::Missing) {
        error(photo.source, QStringLiteral("part code %1 holds a wildcard: the photo test passes on another photo, "
                                           "then the browser cannot open %2 and shows an error box; remove \"*\" "
                                           "and \"?\" from the code")
                                .arg(quoted(photo.code), photoName()));
        return;
    }
    reportLoose(how, m_setting.photoFolder, photo.source, photo.code);
    checkPicture(*found, Subject{"the photo"}, m_setting.deep);
}

} // namespace korvane::check
