#include "catalog/CatalogPaths.h"

#include <QDir>
#include <QFileInfo>
// Names are composed for every lookup, hundreds of thousands of them in a
// catalog check: each is built in one allocation.
#include <QStringBuilder>

namespace korvane::paths {

namespace {

// A function rather than a global object: other files' static objects may
// compose paths before this file's globals are built.
QString dataFolderPiece()
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
// separators and ".." included, goes into the name unchanged. Every row is its
// folder's pieces and then its own, so a folder and the files in it are
// always composed alike.

ComposedPath dataFolder(const QString &base)
{
    return {base, dataFolderPiece()};
}

ComposedPath manufacturerFolder(const QString &base, const QString &manufacturer)
{
    return {base, dataFolderPiece() % manufacturer % QStringLiteral("/")};
}

ComposedPath modelFolder(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, manufacturerFolder(base, manufacturer).added % model % QStringLiteral("/")};
}

ComposedPath partsFolder(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, modelFolder(base, manufacturer, model).added % QStringLiteral("Parts/")};
}

ComposedPath explodedViewFolder(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, partsFolder(base, manufacturer, model).added % QStringLiteral("EXPLODED/")};
}

ComposedPath partPhotoFolder(const QString &base)
{
    return {base, dataFolderPiece() % QStringLiteral("IMG/")};
}

ComposedPath manufacturerList(const QString &base)
{
    return {base, dataFolderPiece() % QStringLiteral("catalog.txt")};
}

ComposedPath manufacturerFolderListing(const QString &base, const QString &manufacturer)
{
    return {base, manufacturerFolder(base, manufacturer).added % QStringLiteral("*.txt")};
}

ComposedPath modelList(const QString &base, const QString &manufacturer)
{
    return {base, manufacturerFolder(base, manufacturer).added % QStringLiteral("catalog.txt")};
}

ComposedPath modelPartList(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, modelFolder(base, manufacturer, model).added % model % QStringLiteral(".txt")};
}

ComposedPath modelPicture(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, modelFolder(base, manufacturer, model).added % model % QStringLiteral(".jpg")};
}

ComposedPath groupList(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, partsFolder(base, manufacturer, model).added % QStringLiteral("list.txt")};
}

ComposedPath groupPartList(const QString &base, const QString &manufacturer, const QString &model, const QString &group)
{
    return {base, partsFolder(base, manufacturer, model).added % group % QStringLiteral(".txt")};
}

ComposedPath explodedViewList(const QString &base, const QString &manufacturer, const QString &model)
{
    return {base, explodedViewFolder(base, manufacturer, model).added % QStringLiteral("list.txt")};
}

ComposedPath diagram(const QString &base, const QString &manufacturer, const QString &model, const QString &view)
{
    return {base, explodedViewFolder(base, manufacturer, model).added % view % QStringLiteral(".bmp")};
}

ComposedPath hotspotFile(const QString &base, const QString &manufacturer, const QString &model, const QString &view)
{
    return {base, explodedViewFolder(base, manufacturer, model).added % view % QStringLiteral(".met")};
}

ComposedPath partPhotoXray(const QString &base, const QString &partCode)
{
    return {base, partPhotoFolder(base).added % QStringLiteral("xra") % partCode % QStringLiteral(".jpg")};
}

ComposedPath partPhoto(const QString &base, const QString &partCode)
{
    return {base, partPhotoFolder(base).added % partCode % QStringLiteral(".jpg")};
}

PartPhotoPath partPhotoFor(const QString &manufacturer)
{
    if (manufacturer == QLatin1String("XRAY"))
        return &partPhotoXray;
    if (manufacturer == QLatin1String("LST") || manufacturer == QLatin1String("Teamassociated"))
        return &partPhoto;
    return nullptr;
}

ComposedPath savedPartPhoto(const QString &base, const QString &manufacturer, const QString &partCode)
{
    return {base, dataFolderPiece() % manufacturer % QStringLiteral("/") % partCode % QStringLiteral(".jpg")};
}

ComposedPath listedGroupFile(const QString &base, const QString &modelSubfolder, const QString &currentGroup)
{
    return {base, dataFolderPiece() % modelSubfolder % QStringLiteral("/") % currentGroup};
}

ComposedPath panelPartList(const QString &base, const QString &manufacturer, const QString &model)
{
    // Not the group list's name: the model folder appears twice and "parts" is
    // lower case. The panel only tests this file, so it stays as it always was.
    return {base, dataFolderPiece() % manufacturer % QStringLiteral("/") % model % QStringLiteral("/") % model
                      % QStringLiteral("/parts/") % QStringLiteral("list.txt")};
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

std::optional<DiagramPlace> diagramPlace(const QString &diagramFile)
{
    const QString absolute = QDir::cleanPath(QFileInfo(diagramFile).absoluteFilePath());
    const QStringList pieces = absolute.split(u'/');
    // "", at least DATA, manufacturer, model, Parts, EXPLODED and the file.
    if (pieces.size() < 7)
        return std::nullopt;
    const QString &file = pieces.last();
    constexpr qsizetype kExtension = 4;
    if (file.size() <= kExtension || !file.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive))
        return std::nullopt;
    const qsizetype n = pieces.size();
    DiagramPlace place{pieces.first(n - 6).join(u'/') + u'/', pieces.at(n - 5), pieces.at(n - 4),
                       file.chopped(kExtension)};
    const std::optional<QByteArray> composed
        = resolveCatalogEntry(diagram(place.base, place.manufacturer, place.model, place.view));
    if (!composed || composed != resolveCatalogEntry(ComposedPath(absolute, QString())))
        return std::nullopt;
    return place;
}

} // namespace korvane::paths
