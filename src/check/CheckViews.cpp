#include "check/CheckWalker.h"

#include "catalog/Failure.h"
#include "catalog/Hotspots.h"
#include "catalog/IntegerText.h"
#include "catalog/PartSearch.h"
#include "catalog/Win1251.h"
#include "platform/PictureFile.h"

#include <QImage>

#include <algorithm>

// Exploded views: each diagram is decoded as a view change decodes it, and
// each hotspot line is cut and converted as every press converts it.

namespace korvane::check {

namespace {

// What of a diagram can be pressed at the window's designed size (client
// area 1064 x 692). The picture area is the scroll box less its 3-pixel
// bevel, drawn from the diagram's top-left corner, and never scrolls. At the
// first showing the resize rule makes the box (outer width - 420) x (outer
// height - 110): at least 644 x 582 whatever the desktop's frame adds, so
// 638 x 576 of picture. After a maximise and restore it is the fixed
// 633 x 600, so 627 x 594. The client area has room for 653 x 640 of it
// from where it starts (411, 52). The part shown in every case, on every
// desktop, is 627 x 576; the designed 627 x 467 holds only until the window
// is first shown.
constexpr qint32 kShownWidth = 627;
constexpr qint32 kShownHeight = 576;

// Whether some press inside the shown area hits the hotspot: the press
// nearest to it is the best candidate, tested by the window's own rule.
bool canBePressed(qint32 x, qint32 y)
{
    const qint32 X = std::clamp(x, 0, kShownWidth - 1);
    const qint32 Y = std::clamp(y, 0, kShownHeight - 1);
    return hotspotHit(x, y, kHotspotHalfWidth, kHotspotHalfHeight, X, Y);
}

} // namespace

void Walker::checkViews(const ModelEntry &entry, const QByteArray &modelFolder, const CatalogLines *partLines)
{
    const QString &base = m_setting.base;
    // Tested: a model without one keeps the views listed before.
    const auto list = readTestedList(paths::explodedViewList(base, entry.manufacturer, entry.model), modelFolder);
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
    NameMatch how;

    // Both files are read untested when the view is chosen: missing, an
    // error box. The hotspots are checked even when the diagram fails, as
    // they will matter once it is mended.
    std::optional<QSize> diagramSize;
    const ComposedPath diagramPath = paths::diagram(base, entry.manufacturer, entry.model, view);
    if (const std::optional<QByteArray> diagram = m_lookup.resolveEntry(diagramPath, &how)) {
        reportLoose(how, viewFolder, namedAt, view);
        ++m_outcome.totals.diagrams;
        try {
            diagramSize = loadPictureFile(CatalogFile{diagramPath, *diagram}).size();
        } catch (const Failure &failure) {
            error({*diagram, 0}, failure.message());
        }
    } else {
        error(
            namedAt,
            QStringLiteral("view %1 has no diagram %2").arg(quoted(view), quoted(nameWithin(folderPath, diagramPath))));
    }

    const ComposedPath hotspotPath = paths::hotspotFile(base, entry.manufacturer, entry.model, view);
    const std::optional<QByteArray> hotspots = m_lookup.resolveEntry(hotspotPath, &how);
    if (!hotspots) {
        error(namedAt, QStringLiteral("view %1 has no hotspot file %2")
                           .arg(quoted(view), quoted(nameWithin(folderPath, hotspotPath))));
        return;
    }
    reportLoose(how, viewFolder, namedAt, view);
    const ComposedPath partList = paths::modelPartList(base, entry.manufacturer, entry.model);
    checkHotspots(CatalogFile{hotspotPath, *hotspots}, diagramSize, partLines,
                  nameWithin(paths::modelFolder(base, entry.manufacturer, entry.model), partList));
}

void Walker::checkHotspots(const CatalogFile &file, const std::optional<QSize> &diagram, const CatalogLines *partLines,
                           const QString &partListName)
{
    const std::optional<CatalogLines> lines = readText(file);
    if (!lines)
        return;
    m_outcome.totals.hotspots += lines->size();
    // Cut as the view change cuts them, and read in the file's bytes as a
    // press reads them.
    const HotspotTable table(*lines);
    for (qsizetype r = 0; r < table.size(); ++r) {
        const Source here{file.native, r + 1};
        const HotspotBytes cells = table.bytes(r);
        // Converted as a press converts them, x first: the first press in
        // test mode fails at this line, and every line after it is dead.
        qint32 x = 0;
        qint32 y = 0;
        try {
            x = convertToInteger(cells.x);
            y = convertToInteger(cells.y);
        } catch (const Failure &failure) {
            error(here, failure.message());
            continue;
        }
        if (cells.name.isEmpty()) {
            error(here, QStringLiteral("hotspot without a name: a press there changes nothing"));
            continue;
        }
        const QString name = decodeWin1251(cells.name);
        const QString at = QStringLiteral("hotspot %1 at %2,%3").arg(quoted(name)).arg(x).arg(y);
        if (!canBePressed(x, y))
            warning(here, QStringLiteral("%1 cannot be pressed: the picture area shows %2 x %3 pixels of a diagram")
                              .arg(at)
                              .arg(kShownWidth)
                              .arg(kShownHeight));
        else if (diagram && (x < 0 || y < 0 || x >= diagram->width() || y >= diagram->height()))
            warning(here, QStringLiteral("%1 lies outside its %2 x %3 diagram")
                              .arg(at)
                              .arg(diagram->width())
                              .arg(diagram->height()));
        // A press selects the first part line that begins with the name.
        if (partLines && findFirstStartingWith(*partLines, name) < 0)
            warning(here, QStringLiteral("%1 begins no line of the part list %2").arg(at, quoted(partListName)));
    }
}

} // namespace korvane::check
