#include "check/CheckWalker.h"

#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "catalog/PartLine.h"
#include "catalog/Win1251.h"
#include "platform/PictureFile.h"

#include <QFile>
#include <QSet>

#include <algorithm>

#include <sys/stat.h>

// The walk follows the browser's roads: the same compositions, the same
// lookup, the same line rules and decoders, taken from the catalog library.
// Where the browser tests a file first, a missing one is what the user meets
// as a message or nothing; where it reads untested, a missing one is an
// error box, and so an error here.

namespace korvane::check {

namespace {

bool isBelow(const QByteArray &entry, const QByteArray &folder)
{
    if (folder.isEmpty())
        return true;
    return entry.size() > folder.size() && entry.startsWith(folder)
           && (folder.endsWith('/') || entry.at(folder.size()) == '/');
}

bool entryExists(const QByteArray &native)
{
    struct stat info;
    return ::lstat(native.constData(), &info) == 0;
}

bool comesFirst(const Source &a, const Source &b)
{
    return a.file != b.file ? a.file < b.file : a.line < b.line;
}

} // namespace

QString quoted(const QString &text)
{
    return u'\'' + text + u'\'';
}

QString nameWithin(const ComposedPath &folder, const ComposedPath &file)
{
    return file.added.mid(folder.added.size());
}

void Outcome::notePhoto(paths::PartPhotoPath photoPath, const QString &code, const Source &namedAt)
{
    auto table = std::find_if(photos.begin(), photos.end(),
                              [&](const PhotoTable &each) { return each.photoPath == photoPath; });
    if (table == photos.end())
        table = photos.insert(photos.end(), PhotoTable{photoPath, {}});
    const auto found = table->firstNamedAt.find(code);
    if (found == table->firstNamedAt.end())
        table->firstNamedAt.insert(code, namedAt);
    else if (comesFirst(namedAt, *found))
        *found = namedAt;
}

std::vector<PhotoReference> Outcome::takePhotos()
{
    std::vector<PhotoReference> references;
    for (const PhotoTable &table : photos) {
        for (auto it = table.firstNamedAt.cbegin(); it != table.firstNamedAt.cend(); ++it)
            references.push_back(PhotoReference{table.photoPath, it.key(), it.value()});
    }
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
    for (const PhotoTable &table : other.photos) {
        for (auto it = table.firstNamedAt.cbegin(); it != table.firstNamedAt.cend(); ++it)
            notePhoto(table.photoPath, it.key(), it.value());
    }
}

void Walker::error(const Source &at, const QString &message)
{
    m_outcome.findings.push_back(Finding{at.file, at.line, Severity::Error, message});
}

void Walker::warning(const Source &at, const QString &message)
{
    m_outcome.findings.push_back(Finding{at.file, at.line, Severity::Warning, message});
}

std::optional<CatalogLines> Walker::readText(const CatalogFile &file)
{
    try {
        CatalogLines lines = readCatalogLines(file);
        checkEncoding(file.native, lines);
        return lines;
    } catch (const Failure &failure) {
        error({file.native, 0}, failure.message());
        return std::nullopt;
    }
}

std::optional<std::pair<CatalogFile, CatalogLines>> Walker::readTestedList(const ComposedPath &path,
                                                                           const QByteArray &modelFolder)
{
    NameMatch how;
    std::optional<CatalogFile> list = m_lookup.findFile(path, &how);
    if (!list)
        return std::nullopt;
    reportLoose(how, modelFolder, std::nullopt, QString());
    std::optional<CatalogLines> lines = readText(*list);
    if (!lines)
        return std::nullopt;
    return std::make_pair(std::move(*list), std::move(*lines));
}

void Walker::checkEncoding(const QByteArray &file, const CatalogLines &lines)
{
    // The mark is no part of Windows-1251: it stays in the first line, so a
    // first name that starts with it names nothing.
    const QByteArrayView byteOrderMark("\xEF\xBB\xBF");
    const bool marked = lines.textLineCount() > 0 && lines.textLine(0).startsWith(byteOrderMark);
    if (marked)
        warning({file, 1}, QStringLiteral("the first line starts with a UTF-8 byte-order mark, read as part of it"));
    // Windows-1251 letters are almost never valid UTF-8 in a row, so a text
    // that is has been saved as UTF-8. Line breaks are ASCII and end no
    // UTF-8 character, so the text is valid when each line is.
    qsizetype firstWithLetters = -1;
    for (qsizetype i = 0; i < lines.textLineCount(); ++i) {
        const QByteArrayView line = lines.textLine(i).sliced(i == 0 && marked ? byteOrderMark.size() : 0);
        if (std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; }))
            continue;
        if (!line.isValidUtf8())
            return;
        if (firstWithLetters < 0)
            firstWithLetters = i;
    }
    if (firstWithLetters >= 0)
        warning({file, firstWithLetters + 1},
                QStringLiteral("the text is UTF-8, not Windows-1251: it shows as mojibake"));
}

std::vector<std::pair<QString, Source>> Walker::listedNames(const QByteArray &file, const CatalogLines &lines,
                                                            const QString &kind)
{
    std::vector<std::pair<QString, Source>> names;
    QSet<QString> seen;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = lines.line(i);
        if (name.isEmpty()) {
            warning({file, i + 1}, QStringLiteral("empty line: the list offers an empty %1").arg(kind));
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
        if (match.ignoringCase)
            warning(at, QStringLiteral("%1 is found as %2 only without regard to letter case")
                            .arg(quoted(match.piece), quoted(match.nameOnDisk)));
        if (match.codePage != LooseMatch::CodePage::Utf8)
            warning(at, QStringLiteral("%1 is found only as a %2 name on disk, not UTF-8")
                            .arg(quoted(match.piece), match.codePage == LooseMatch::CodePage::Windows1251
                                                          ? QStringLiteral("Windows-1251")
                                                          : QStringLiteral("DOS (CP866)")));
        if (match.foldedSeparators && !foldingReported) {
            const QString named = namedAt ? name : match.piece;
            warning(at,
                    named.contains(u'\\')
                        ? QStringLiteral("%1 is found only by reading \"\\\" as a folder separator, as Windows does")
                              .arg(quoted(named))
                        : QStringLiteral("%1 is found only by folding doubled separators and dot folders, as "
                                         "Windows does")
                              .arg(quoted(named)));
            foldingReported = true;
        }
    }
}

void Walker::checkPicture(const CatalogFile &file, const Source &namedAt, bool decode)
{
    // A wildcard name passes the existence test and names no file itself:
    // the failure is then the naming line's.
    const Source at = entryExists(file.native) ? Source{file.native, 0} : namedAt;
    if (decode) {
        try {
            loadPictureFile(file);
        } catch (const Failure &failure) {
            error(at, failure.message());
        }
    } else if (!catalogFileOpens(file)) {
        error(at, Failure::cannotOpen(file.composed.text()).message());
    }
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
              QStringLiteral("no manufacturer list: the program starts with an error box and no manufacturers"));
        return {};
    }
    reportLoose(how, m_setting.dataFolder, std::nullopt, QString());
    const std::optional<CatalogLines> manufacturers = readText(CatalogFile{listPath, *list});
    if (!manufacturers)
        return {};

    std::vector<ModelEntry> models;
    for (const auto &[manufacturer, namedAt] : listedNames(*list, *manufacturers, QStringLiteral("manufacturer"))) {
        const std::optional<QByteArray> folder
            = m_lookup.resolveEntry(paths::manufacturerFolder(base, manufacturer), &how);
        if (!folder) {
            error(namedAt, QStringLiteral("manufacturer %1 has no folder").arg(quoted(manufacturer)));
            continue;
        }
        reportLoose(how, m_setting.dataFolder, namedAt, manufacturer);
        const ComposedPath modelListPath = paths::modelList(base, manufacturer);
        const std::optional<CatalogFile> modelList = m_lookup.findFile(modelListPath, &how);
        if (!modelList) {
            error(namedAt, QStringLiteral("manufacturer %1 has no model list %2")
                               .arg(quoted(manufacturer),
                                    quoted(nameWithin(paths::manufacturerFolder(base, manufacturer), modelListPath))));
            continue;
        }
        reportLoose(how, *folder, std::nullopt, QString());
        const std::optional<CatalogLines> lines = readText(*modelList);
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
    NameMatch how;
    const ComposedPath folderPath = paths::modelFolder(base, manufacturer, model);
    const std::optional<QByteArray> folder = m_lookup.resolveEntry(folderPath, &how);
    if (!folder) {
        error(entry.source, QStringLiteral("model %1 has no folder").arg(quoted(model)));
        return;
    }
    reportLoose(how, entry.manufacturerFolder, entry.source, model);

    // Tested: without it, choosing the model changes nothing but the caption.
    const ComposedPath partListPath = paths::modelPartList(base, manufacturer, model);
    const std::optional<CatalogFile> partList = m_lookup.findFile(partListPath, &how);
    if (!partList) {
        error(entry.source, QStringLiteral("model %1 has no part list %2")
                                .arg(quoted(model), quoted(nameWithin(folderPath, partListPath))));
        return;
    }
    reportLoose(how, *folder, entry.source, model);
    const std::optional<CatalogLines> partLines = readText(*partList);
    if (partLines)
        checkPartLines(partList->native, *partLines, paths::partPhotoFor(manufacturer));

    // Read untested: a missing picture ends the model change in an error box
    // before the group list is read.
    const ComposedPath picturePath = paths::modelPicture(base, manufacturer, model);
    if (const std::optional<QByteArray> picture = m_lookup.resolveEntry(picturePath, &how)) {
        reportLoose(how, *folder, entry.source, model);
        checkPicture(CatalogFile{picturePath, *picture}, entry.source, m_setting.deep);
    } else {
        error(entry.source, QStringLiteral("model %1 has no picture %2: its group list is never loaded")
                                .arg(quoted(model), quoted(nameWithin(folderPath, picturePath))));
    }

    checkViews(entry, *folder, partLines ? &*partLines : nullptr);
    checkGroups(entry, *folder);
}

void Walker::checkGroups(const ModelEntry &entry, const QByteArray &modelFolder)
{
    const QString &base = m_setting.base;
    // Tested: a model without one keeps the groups shown before.
    const auto list = readTestedList(paths::groupList(base, entry.manufacturer, entry.model), modelFolder);
    if (!list)
        return;
    const auto &[listFile, lines] = *list;
    NameMatch how;
    const ComposedPath folderPath = paths::partsFolder(base, entry.manufacturer, entry.model);
    const QByteArray folder = m_lookup.resolveEntry(folderPath).value_or(QByteArray());
    const paths::PartPhotoPath photoPath = paths::partPhotoFor(entry.manufacturer);
    for (const auto &[group, namedAt] : listedNames(listFile.native, lines, QStringLiteral("group"))) {
        // Read untested when the group is chosen: missing, an error box.
        const ComposedPath path = paths::groupPartList(base, entry.manufacturer, entry.model, group);
        const std::optional<QByteArray> found = m_lookup.resolveEntry(path, &how);
        if (!found) {
            error(namedAt, QStringLiteral("group %1 has no part list %2")
                               .arg(quoted(group), quoted(nameWithin(folderPath, path))));
            continue;
        }
        reportLoose(how, folder, namedAt, group);
        if (const std::optional<CatalogLines> parts = readText(CatalogFile{path, *found}))
            checkPartLines(*found, *parts, photoPath);
    }
}

void Walker::checkPartLines(const QByteArray &file, const CatalogLines &lines, paths::PartPhotoPath photoPath)
{
    m_outcome.totals.parts += lines.size();
    // Codes are compared as the file's bytes, in place: the lines outlive this.
    QHash<QByteArrayView, qint64> lineOfCode;
    lineOfCode.reserve(lines.size());
    for (qsizetype i = 0; i < lines.textLineCount(); ++i) {
        const Source here{file, i + 1};
        const QByteArrayView code = partCodeOfLine(lines.textLine(i));
        if (code.isEmpty()) {
            warning(here, QStringLiteral("part line without a code"));
            continue;
        }
        const auto seen = lineOfCode.constFind(code);
        if (seen != lineOfCode.constEnd()) {
            warning(here,
                    QStringLiteral("the code %1 is already on line %2").arg(quoted(decodeWin1251(code))).arg(*seen));
            continue;
        }
        lineOfCode.insert(code, here.line);
        if (photoPath)
            m_outcome.notePhoto(photoPath, decodeWin1251(code.first(std::min(code.size(), kPartCodeCapacity))), here);
    }
}

void Walker::checkPhoto(const PhotoReference &photo)
{
    NameMatch how;
    const ComposedPath path = photo.photoPath(m_setting.base, photo.code);
    const std::optional<CatalogFile> found = m_lookup.findFile(path, &how);
    if (!found) {
        ++m_outcome.totals.partsWithoutPhoto;
        if (!m_setting.listPartsWithoutPhoto)
            return;
        m_outcome.findings.push_back(
            Finding{photo.source.file, photo.source.line, Severity::Warning,
                    QStringLiteral("part %1 has no photo %2")
                        .arg(quoted(photo.code), quoted(nameWithin(paths::dataFolder(m_setting.base), path))),
                    true});
        return;
    }
    ++m_outcome.totals.photos;
    reportLoose(how, m_setting.photoFolder, photo.source, photo.code);
    checkPicture(*found, photo.source, m_setting.deep);
}

} // namespace korvane::check
