#include "catalog/CatalogPaths.h"

namespace korvane::paths {

namespace {

// A function rather than a global object: other files' static objects may
// compose paths before this file's globals are built.
QString dataFolder()
{
    return QStringLiteral("DATA/");
}

} // namespace

QString baseFolderFromExecutable(const QString &executablePath)
{
    // The folder is kept in a fixed 255-character buffer, so a deeper install
    // folder is cut there and every catalog path built on it follows suit.
    const qsizetype lastSlash = executablePath.lastIndexOf(QLatin1Char('/'));
    return executablePath.left(lastSlash + 1).left(kBaseFolderCapacity);
}

// The names are plain concatenations: whatever the user typed into a control,
// separators and ".." included, goes into the name unchanged.

ComposedPath manufacturerList(const QString &base)
{
    return {base, dataFolder() + QStringLiteral("catalog.txt")};
}

ComposedPath manufacturerFolderListing(const QString &base, const QString &manufacturer)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + QStringLiteral("*.txt")};
}

ComposedPath modelList(const QString &base, const QString &manufacturer)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + QStringLiteral("catalog.txt")};
}

ComposedPath modelPartList(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + model + QStringLiteral("/") + model
                      + QStringLiteral(".txt")};
}

ComposedPath modelPicture(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + model + QStringLiteral("/") + model
                      + QStringLiteral(".jpg")};
}

ComposedPath groupList(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + model + QStringLiteral("/Parts/")
                      + QStringLiteral("list.txt")};
}

ComposedPath groupPartList(const QString &base, const QString &manufacturer, const QString &model, const QString &group)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + model + QStringLiteral("/")
                      + QStringLiteral("Parts/") + group + QStringLiteral(".txt")};
}

ComposedPath explodedViewList(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + model + QStringLiteral("/Parts/")
                      + QStringLiteral("EXPLODED/") + QStringLiteral("list.txt")};
}

ComposedPath diagram(const QString &base, const QString &manufacturer, const QString &model, const QString &view)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + model + QStringLiteral("/Parts/")
                      + QStringLiteral("EXPLODED/") + view + QStringLiteral(".bmp")};
}

ComposedPath hotspotFile(const QString &base, const QString &manufacturer, const QString &model, const QString &view)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + model + QStringLiteral("/Parts/")
                      + QStringLiteral("EXPLODED/") + view + QStringLiteral(".met")};
}

ComposedPath partPhotoXray(const QString &base, const QString &partCode)
{
    return {base, dataFolder() + QStringLiteral("IMG/") + QStringLiteral("xra") + partCode + QStringLiteral(".jpg")};
}

ComposedPath partPhoto(const QString &base, const QString &partCode)
{
    return {base, dataFolder() + QStringLiteral("IMG/") + partCode + QStringLiteral(".jpg")};
}

ComposedPath savedPartPhoto(const QString &base, const QString &manufacturer, const QString &partCode)
{
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + partCode + QStringLiteral(".jpg")};
}

ComposedPath listedGroupFile(const QString &base, const QString &modelSubfolder, const QString &currentGroup)
{
    return {base, dataFolder() + modelSubfolder + QStringLiteral("/") + currentGroup};
}

ComposedPath panelPartList(const QString &base, const QString &manufacturer, const QString &model)
{
    // Not the group list's name: the model folder appears twice and "parts" is
    // lower case. The panel only tests this file, so it stays as it always was.
    return {base, dataFolder() + manufacturer + QStringLiteral("/") + model + QStringLiteral("/") + model
                      + QStringLiteral("/parts/") + QStringLiteral("list.txt")};
}

namespace {

QString &partListDumpOverride()
{
    static QString path;
    return path;
}

} // namespace

ComposedPath partListDump()
{
    // A path of this machine as a whole: nothing in it comes from the catalog.
    if (!partListDumpOverride().isEmpty())
        return {partListDumpOverride(), QString()};
    return {QStringLiteral(KORVANE_PART_LIST_DUMP), QString()};
}

void setPartListDumpForTesting(const QString &path)
{
    partListDumpOverride() = path;
}

} // namespace korvane::paths
