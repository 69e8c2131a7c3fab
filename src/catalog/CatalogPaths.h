#pragma once

#include <QString>

namespace korvane {

// Every catalog file name is composed at the moment of use from BaseFolder,
// fixed literal pieces and control texts, joined with nothing between them and
// never trimmed or validated. Literal pieces use "/"; a "\" inside a control's
// text still separates folders when the name is looked up (FileLookup).
namespace paths {

inline constexpr int kBaseFolderCapacity = 255;

// The folder of the executable, ending in "/", cut to 255 characters.
QString baseFolderFromExecutable(const QString &executablePath);

QString manufacturerList(const QString &base);
QString manufacturerFolderListing(const QString &base, const QString &manufacturer);
QString modelList(const QString &base, const QString &manufacturer);
QString modelPartList(const QString &base, const QString &manufacturer, const QString &model);
QString modelPicture(const QString &base, const QString &manufacturer, const QString &model);
QString groupList(const QString &base, const QString &manufacturer, const QString &model);
QString groupPartList(const QString &base, const QString &manufacturer, const QString &model, const QString &group);
QString explodedViewList(const QString &base, const QString &manufacturer, const QString &model);
QString diagram(const QString &base, const QString &manufacturer, const QString &model, const QString &view);
QString hotspotFile(const QString &base, const QString &manufacturer, const QString &model, const QString &view);
QString partPhotoXray(const QString &base, const QString &partCode);
QString partPhoto(const QString &base, const QString &partCode);
QString savedPartPhoto(const QString &base, const QString &manufacturer, const QString &partCode);
QString listedGroupFile(const QString &base, const QString &modelSubfolder, const QString &currentGroup);
// The panel "OPEN PART LIST >>>" composes this one and only tests it.
QString panelPartList(const QString &base, const QString &manufacturer, const QString &model);
// Fixed at build time; its last pieces are DATA/PartList.txt.
QString partListDump();
// Tests dump into their own temporary folder instead.
void setPartListDumpForTesting(const QString &path);

} // namespace paths
} // namespace korvane
