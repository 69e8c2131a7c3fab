#include "check/CheckWalker.h"

// Exploded views: each diagram is decoded as a view change decodes it, and
// each hotspot line is cut and converted as every press converts it.

namespace korvane::check {

void Walker::checkViews(const ModelEntry &entry, const QByteArray &modelFolder, const CatalogLines *partLines)
{
    const QString &base = m_setting.base;
    const auto list
        = readModelList(routes::explodedViewList, entry, paths::explodedViewList(base, entry.manufacturer, entry.model),
                        modelFolder, Subject{"the view list"});
    if (!list)
        return;
    const auto &[listFile, lines] = *list;
    const QByteArray folder = m_lookup.resolveEntry(paths::explodedViewFolder(base, entry.manufacturer, entry.model))
                                  .value_or(QByteArray());
    for (const auto &[view, namedAt] : listedNames(listFile.native, lines, QStringLiteral("view")))
        checkView(entry, view, namedAt, folder, partLines);
}

void Walker::checkView(const ModelEntry &entry, const QString &view, const Source &namedAt,
                       const QByteArray &viewFolder, const CatalogLines *partLines)
{
    const QString &base = m_setting.base;
    const ComposedPath folderPath = paths::explodedViewFolder(base, entry.manufacturer, entry.model);
    const Subject what{"view", &view};
    NameMatch how;

    // The hotspots are checked even when the diagram fails, as they will
    // matter once it is mended.
    HotspotContext context;
    const ComposedPath diagramPath = paths::diagram(base, entry.manufacturer, entry.model, view);
    if (!staysInData(diagramPath, what, namedAt))
        return;
    if (const std::optional<CatalogFile> diagram = findByRoute(routes::diagram, diagramPath, &how)) {
        reportLoose(how, viewFolder, namedAt, view);
        ++m_outcome.totals.diagrams;
        context.diagram = checkPicture(*diagram, Subject{"the diagram"}, true);
    } else {
        reportMissing(routes::diagram, namedAt, [&](const QString &shows) {
            return QStringLiteral("%1 has no diagram %2: choosing it %3 and loads no hotspots; add the diagram as a "
                                  "Windows bitmap (BMP) or correct the name on this line")
                .arg(what.text(), quoted(nameWithin(folderPath, diagramPath)), shows);
        });
    }

    const ComposedPath hotspotPath = paths::hotspotFile(base, entry.manufacturer, entry.model, view);
    const std::optional<CatalogFile> hotspots = findByRoute(routes::hotspotFile, hotspotPath, &how);
    if (!hotspots) {
        reportMissing(routes::hotspotFile, namedAt, [&](const QString &shows) {
            return QStringLiteral("%1 has no hotspot file %2: choosing it %3 after the diagram; write one, a line "
                                  "NAME=X-Y for each hotspot")
                .arg(what.text(), quoted(nameWithin(folderPath, hotspotPath)), shows);
        });
        return;
    }
    reportLoose(how, viewFolder, namedAt, view);
    context.partLines = partLines;
    context.partListName = nameWithin(paths::modelFolder(base, entry.manufacturer, entry.model),
                                      paths::modelPartList(base, entry.manufacturer, entry.model));
    checkHotspots(*hotspots, context);
}

void Walker::checkHotspots(const CatalogFile &file, const HotspotContext &context)
{
    std::optional<CatalogLines> lines = readText(file, Subject{"the hotspot file"});
    if (!lines)
        return;
    m_outcome.totals.hotspots += lines->size();
    // Cut as the view change cuts them, and read in the file's bytes as a
    // press reads them.
    const HotspotTable table(std::move(*lines));
    for (qsizetype r = 0; r < table.size(); ++r) {
        const Source here{file.native, r + 1};
        for (const HotspotFault &fault : checkHotspotLine(table, r, context).faults) {
            if (fault.error)
                error(here, fault.message);
            else
                warning(here, fault.message);
        }
    }
}

} // namespace korvane::check
