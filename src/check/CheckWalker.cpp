#include "check/CheckWalker.h"

#include "catalog/CatalogText.h"

#include <QFile>
#include <QSet>

#include <algorithm>

// The walk follows the browser's roads: the same compositions, the same
// lookup, the same line rules and decoders, taken from the catalog library,
// and each file found and judged by the route the browser reads it by
// (FileRoutes.h). Every finding says what is wrong in the catalog's terms,
// then how to mend it.

namespace korvane::check {

namespace {

// The name's text within the catalog as composed, without the separator
// that ends a folder's.
QString shownWithin(const ComposedPath &folder, const ComposedPath &path)
{
    QString within = nameWithin(folder, path);
    if (within.endsWith(u'/'))
        within.chop(1);
    return within;
}

} // namespace

QString Subject::text() const
{
    return name ? QString::fromLatin1(words) + u' ' + quoted(*name) : QString::fromLatin1(words);
}

QString missingShows(const FileRoute &route)
{
    switch (route.whenMissing) {
    case WhenMissing::ErrorBox:
        return QStringLiteral("shows an error box");
    case WhenMissing::StatusText:
        return QStringLiteral("shows \"%1\"").arg(route.message);
    case WhenMissing::PathInCaption:
        return QStringLiteral("changes only the window caption");
    case WhenMissing::Nothing:
        break;
    }
    return QStringLiteral("keeps what was shown before");
}

QString quoted(const QString &text)
{
    return u'\'' + Failure::quoted(text) + u'\'';
}

QString nameWithin(const ComposedPath &folder, const ComposedPath &file)
{
    return file.added.mid(folder.added.size());
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

std::optional<CatalogLines> Walker::readText(const CatalogFile &found, const Subject &what)
{
    if (!canOpen(found.native, what, {found.native, 0}))
        return std::nullopt;
    // The listing has said what it is: the library need not look again.
    CatalogFile file = found;
    file.seenRegular = true;
    file.folder = m_lookup.openFolderOf(file.native);
    try {
        return checkEncoding(file, readCatalogLines(file));
    } catch (const Failure &failure) {
        reportUnreadable(file, what, failure);
        return std::nullopt;
    }
}

std::optional<CatalogFile> Walker::findByRoute(const FileRoute &route, const ComposedPath &path, NameMatch *how)
{
    if (route.tested())
        return m_lookup.findFile(path, how);
    if (std::optional<QByteArray> entry = m_lookup.resolveEntry(path, how))
        return CatalogFile{path, std::move(*entry)};
    return std::nullopt;
}

std::optional<std::pair<CatalogFile, CatalogLines>>
Walker::readModelList(const FileRoute &route, const ModelEntry &entry, const ComposedPath &path,
                      const QByteArray &modelFolder, const Subject &what)
{
    NameMatch how;
    std::optional<CatalogFile> list = findByRoute(route, path, &how);
    if (!list) {
        reportMissing(route, entry.source, [&](const QString &shows) {
            const ComposedPath folderPath = paths::modelFolder(m_setting.base, entry.manufacturer, entry.model);
            return QStringLiteral("model %1 lacks %2 %3: choosing it %4")
                .arg(quoted(entry.model), what.text(), quoted(nameWithin(folderPath, path)), shows);
        });
        return std::nullopt;
    }
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
    // Most lists name a few groups or views, which are compared in turn; a
    // model list of thousands is kept in a set.
    constexpr qsizetype kComparedInTurn = 16;
    QSet<QString> seen;
    const auto isNew = [&](const QString &name) {
        if (lines.size() > kComparedInTurn) {
            const qsizetype before = seen.size();
            seen.insert(name);
            return seen.size() > before;
        }
        return std::none_of(names.begin(), names.end(), [&](const auto &each) { return each.first == name; });
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = lines.line(i);
        if (name.isEmpty()) {
            warning({file, i + 1},
                    QStringLiteral("empty line: the list offers an empty %1; delete the line").arg(kind));
            continue;
        }
        if (isNew(name))
            names.emplace_back(name, Source{file, i + 1});
    }
    return names;
}

std::vector<ModelEntry> Walker::walkManufacturers()
{
    const QString &base = m_setting.base;
    NameMatch how;
    const ComposedPath listPath = paths::manufacturerList(base);
    const std::optional<CatalogFile> list = findByRoute(routes::manufacturerList, listPath, &how);
    if (!list) {
        reportMissing(routes::manufacturerList, {QFile::encodeName(listPath.text()), 0}, [](const QString &shows) {
            return QStringLiteral("there is no manufacturer list: starting, the program %1 and offers no "
                                  "manufacturers; write catalog.txt here, a manufacturer folder's name a line")
                .arg(shows);
        });
        return {};
    }
    reportLoose(how, m_setting.dataFolder, std::nullopt, QString());
    const std::optional<CatalogLines> manufacturers = readText(*list, Subject{"the manufacturer list"});
    if (!manufacturers)
        return {};

    std::vector<ModelEntry> models;
    for (const auto &[manufacturer, namedAt] :
         listedNames(list->native, *manufacturers, QStringLiteral("manufacturer"))) {
        const Subject what{"manufacturer", &manufacturer};
        const ComposedPath folderPath = paths::manufacturerFolder(base, manufacturer);
        if (!staysInData(folderPath, what, namedAt))
            continue;
        const std::optional<QByteArray> folder = m_lookup.resolveEntry(folderPath, &how);
        if (!folder) {
            // Without the folder, the model list is missing.
            reportMissing(routes::modelList, namedAt, [&](const QString &shows) {
                return QStringLiteral("%1 has no folder %2: choosing it %3; make the folder or correct the name on "
                                      "this line")
                    .arg(what.text(), quoted(shownWithin(paths::dataFolder(base), folderPath)), shows);
            });
            continue;
        }
        if (!isReachable(*folder, what, namedAt))
            continue;
        reportLoose(how, m_setting.dataFolder, namedAt, manufacturer);
        const ComposedPath modelListPath = paths::modelList(base, manufacturer);
        const std::optional<CatalogFile> modelList = findByRoute(routes::modelList, modelListPath, &how);
        if (!modelList) {
            reportMissing(routes::modelList, namedAt, [&](const QString &shows) {
                return QStringLiteral("%1 has no model list %2: choosing it %3; write one there, a model folder's "
                                      "name a line")
                    .arg(what.text(), quoted(shownWithin(paths::dataFolder(base), modelListPath)), shows);
            });
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
    std::optional<QByteArray> folder = m_lookup.resolveEntry(paths::dataFolder(m_setting.base), &how);
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
        // Without the folder, the model's part list is missing.
        reportMissing(routes::modelPartList, entry.source, [&](const QString &shows) {
            return QStringLiteral("%1 has no folder %2: choosing it %3; make the folder or correct the name on this "
                                  "line")
                .arg(what.text(), quoted(shownWithin(paths::dataFolder(base), folderPath)), shows);
        });
        return;
    }
    if (!isReachable(*folder, what, entry.source))
        return;
    reportLoose(how, entry.manufacturerFolder, entry.source, model);

    const ComposedPath partListPath = paths::modelPartList(base, manufacturer, model);
    const std::optional<CatalogFile> partList = findByRoute(routes::modelPartList, partListPath, &how);
    if (!partList) {
        reportMissing(routes::modelPartList, entry.source, [&](const QString &shows) {
            return QStringLiteral("%1 has no part list %2 in its folder: choosing it %3; write the part list there, "
                                  "a part a line: CODE NAME")
                .arg(what.text(), quoted(nameWithin(folderPath, partListPath)), shows);
        });
        return;
    }
    reportLoose(how, *folder, entry.source, model);
    const std::optional<CatalogLines> partLines = readText(*partList, Subject{"the part list"});
    if (partLines)
        checkPartLines(partList->native, *partLines, paths::partPhotoFor(manufacturer), m_partListCodes);

    // A missing picture ends the model change before the group list is read.
    const ComposedPath picturePath = paths::modelPicture(base, manufacturer, model);
    if (const std::optional<CatalogFile> picture = findByRoute(routes::modelPicture, picturePath, &how)) {
        reportLoose(how, *folder, entry.source, model);
        checkPicture(*picture, Subject{"the model picture"}, m_setting.deep);
    } else {
        reportMissing(routes::modelPicture, entry.source, [&](const QString &shows) {
            return QStringLiteral("%1 has no picture %2 in its folder: choosing it %3 and its groups never load; add "
                                  "the picture as a JPEG")
                .arg(what.text(), quoted(nameWithin(folderPath, picturePath)), shows);
        });
    }

    checkViews(entry, *folder, partLines ? &*partLines : nullptr);
    checkGroups(entry, *folder, partList->native, partLines ? &m_partListCodes : nullptr);
}

void Walker::checkGroups(const ModelEntry &entry, const QByteArray &modelFolder, const QByteArray &partListFile,
                         const FirstLines *partListCodes)
{
    const QString &base = m_setting.base;
    const auto list = readModelList(routes::groupList, entry, paths::groupList(base, entry.manufacturer, entry.model),
                                    modelFolder, Subject{"the group list"});
    if (!list)
        return;
    const auto &[listFile, lines] = *list;
    NameMatch how;
    const ComposedPath folderPath = paths::partsFolder(base, entry.manufacturer, entry.model);
    const QByteArray folder = m_lookup.resolveEntry(folderPath).value_or(QByteArray());
    const paths::PartPhotoPath photoPath = paths::partPhotoFor(entry.manufacturer);
    for (const auto &[group, namedAt] : listedNames(listFile.native, lines, QStringLiteral("group"))) {
        const Subject what{"group", &group};
        const ComposedPath path = paths::groupPartList(base, entry.manufacturer, entry.model, group);
        if (!staysInData(path, what, namedAt))
            continue;
        const std::optional<CatalogFile> found = findByRoute(routes::groupPartList, path, &how);
        if (!found) {
            reportMissing(routes::groupPartList, namedAt, [&](const QString &shows) {
                return QStringLiteral("%1 has no part list %2: choosing it %3; write the part list or correct the "
                                      "name on this line")
                    .arg(what.text(), quoted(nameWithin(folderPath, path)), shows);
            });
            continue;
        }
        reportLoose(how, folder, namedAt, group);
        if (const std::optional<CatalogLines> parts = readText(*found, Subject{"the part list of group", &group}))
            checkPartLines(found->native, *parts, photoPath, m_listCodes,
                           partListFile < found->native ? partListCodes : nullptr);
    }
}

} // namespace korvane::check
