#pragma once

#include "catalog/CatalogNames.h"

#include <QString>

#include <optional>

namespace korvane {

// Every catalog file name is composed at the moment of use from BaseFolder,
// fixed literal pieces and control texts, joined with nothing between them and
// never trimmed or validated. Literal pieces use "/"; a "\" inside a control's
// text still separates folders when the name is looked up (FileLookup), while
// BaseFolder, the executable's folder on this machine, is taken as it stands.
namespace paths {

inline constexpr int kBaseFolderCapacity = 255;

// The folder of the executable, ending in "/", cut to 255 characters.
QString baseFolderFromExecutable(const QString &executablePath);

ComposedPath manufacturerList(const QString &base);

// The folders that hold the files below, composed of the same pieces up to
// their last separator, which they keep: looked up, they name only a folder.
ComposedPath dataFolder(const QString &base);
ComposedPath manufacturerFolder(const QString &base, const QString &manufacturer);
ComposedPath modelFolder(const QString &base, const QString &manufacturer, const QString &model);
ComposedPath partsFolder(const QString &base, const QString &manufacturer, const QString &model);
ComposedPath explodedViewFolder(const QString &base, const QString &manufacturer, const QString &model);
ComposedPath partPhotoFolder(const QString &base);

ComposedPath manufacturerFolderListing(const QString &base, const QString &manufacturer);
ComposedPath modelList(const QString &base, const QString &manufacturer);
ComposedPath modelPartList(const QString &base, const QString &manufacturer, const QString &model);
ComposedPath modelPicture(const QString &base, const QString &manufacturer, const QString &model);
ComposedPath groupList(const QString &base, const QString &manufacturer, const QString &model);
ComposedPath groupPartList(const QString &base, const QString &manufacturer, const QString &model,
                           const QString &group);
ComposedPath explodedViewList(const QString &base, const QString &manufacturer, const QString &model);
ComposedPath diagram(const QString &base, const QString &manufacturer, const QString &model, const QString &view);
ComposedPath hotspotFile(const QString &base, const QString &manufacturer, const QString &model, const QString &view);
ComposedPath partPhotoXray(const QString &base, const QString &partCode);
ComposedPath partPhoto(const QString &base, const QString &partCode);

// The part photo row that a manufacturer text chooses: the XRAY row for
// exactly "XRAY", the plain row for exactly "LST" or "Teamassociated", none
// (nullptr) for any other text, letter case and spaces included.
using PartPhotoPath = ComposedPath (*)(const QString &base, const QString &partCode);
PartPhotoPath partPhotoFor(const QString &manufacturer);
ComposedPath savedPartPhoto(const QString &base, const QString &manufacturer, const QString &partCode);
ComposedPath listedGroupFile(const QString &base, const QString &modelSubfolder, const QString &currentGroup);
// The panel "OPEN PART LIST >>>" composes this one and only tests it.
ComposedPath panelPartList(const QString &base, const QString &manufacturer, const QString &model);
// Fixed at build time; its last pieces are DATA/PartList.txt.
ComposedPath partListDump();
// Tests dump into their own temporary folder instead.
void setPartListDumpForTesting(const QString &path);

// Where a diagram file lies in a catalog: the base and the texts from which
// the diagram row composes its name, .../DATA/{manufacturer}/{model}/Parts/
// EXPLODED/{view}.bmp, the base being the folder that holds DATA.
struct DiagramPlace
{
    QString base;
    QString manufacturer;
    QString model;
    QString view;
};

// The place of a diagram given by a name of this machine, when the diagram
// row composed on it names this very file as the browser looks it up (the
// literal pieces in any letter case); nothing for a diagram elsewhere.
std::optional<DiagramPlace> diagramPlace(const QString &diagramFile);

} // namespace paths
} // namespace korvane
