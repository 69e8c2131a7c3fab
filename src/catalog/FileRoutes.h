#pragma once

#include "catalog/CatalogNames.h"

#include <QStringView>

#include <array>
#include <optional>

namespace korvane {

// How the browser comes to each catalog file it reads, said once: whether a
// handler tests that the file exists before reading it, and what the user
// meets when it is missing. The browser's handlers read their files by these
// routes, and the checker judges and words a missing file by them, so the two
// cannot drift apart.
//
// The existence test is a directory search: a folder of the name counts as
// missing. A file read without a test fails when it is missing or cannot be
// opened, "Cannot open file %s" in the error box, which ends the handler.
enum class WhenMissing {
    // Read untested: the error box.
    ErrorBox,
    // Tested: the route's message becomes the status bar text.
    StatusText,
    // Tested: the window caption shows the path, and the choice goes no
    // further.
    PathInCaption,
    // Tested: nothing shows; the controls keep what they held.
    Nothing,
};

// Whether a catalog that lacks the file is at fault, as the checker judges.
enum class Absence {
    // What a catalog line names leads to it: an error.
    Fault,
    // A model may have none: nothing to report.
    Allowed,
    // A part without its photo: common, so counted, and listed on request.
    Counted,
};

struct FileRoute
{
    // The path row it reads (CatalogPaths.h), and the step, when one file
    // has two routes.
    const char *name;
    WhenMissing whenMissing;
    // The status bar text, for WhenMissing::StatusText.
    QStringView message;
    Absence absence;

    constexpr bool tested() const { return whenMissing != WhenMissing::ErrorBox; }
};

namespace routes {

inline constexpr QStringView kPictureMissing = u"Изображение отсутствует";
inline constexpr QStringView kTextMissing = u"Текст отсутствует";

// Start-up fills the manufacturer drop-down.
inline constexpr FileRoute manufacturerList{"manufacturer list", WhenMissing::ErrorBox, {}, Absence::Fault};
// A manufacturer change fills the model drop-down.
inline constexpr FileRoute modelList{"model list", WhenMissing::StatusText, kPictureMissing, Absence::Fault};
// A model change, in its order: the part list is tested first and read after
// the view list; the picture is read untested, and a missing one ends the
// change before its group list.
inline constexpr FileRoute modelPartList{"model part list", WhenMissing::PathInCaption, {}, Absence::Fault};
inline constexpr FileRoute explodedViewList{"exploded-view list", WhenMissing::StatusText, kTextMissing,
                                            Absence::Allowed};
inline constexpr FileRoute modelPicture{"model picture", WhenMissing::ErrorBox, {}, Absence::Fault};
inline constexpr FileRoute groupList{"group list", WhenMissing::Nothing, {}, Absence::Allowed};
// A group change tests the group list, then reads the group's own list
// untested.
inline constexpr FileRoute groupListOnGroupChange{"group list, on a group change", WhenMissing::StatusText,
                                                  kTextMissing, Absence::Allowed};
inline constexpr FileRoute groupPartList{"group part list", WhenMissing::ErrorBox, {}, Absence::Fault};
// A view change: the diagram, then its hotspots, each untested.
inline constexpr FileRoute diagram{"diagram", WhenMissing::ErrorBox, {}, Absence::Fault};
inline constexpr FileRoute hotspotFile{"hotspot file", WhenMissing::ErrorBox, {}, Absence::Fault};
// A part line's selection, for either photo row.
inline constexpr FileRoute partPhoto{"part photo", WhenMissing::StatusText, kPictureMissing, Absence::Counted};
// Read by the hidden CurrentGroup drop-down, which nothing shows.
inline constexpr FileRoute listedGroupFile{"listed group file", WhenMissing::StatusText, kTextMissing,
                                           Absence::Allowed};
// The panel "OPEN PART LIST >>>" only tests its file.
inline constexpr FileRoute panelPartList{"panel part list", WhenMissing::Nothing, {}, Absence::Allowed};

// Every route. The files written (the saved part photo, the part list dump)
// take no route: a write that fails shows "Cannot create file %s".
inline constexpr std::array all{
    &manufacturerList,       &modelList,     &modelPartList, &explodedViewList, &modelPicture, &groupList,
    &groupListOnGroupChange, &groupPartList, &diagram,       &hotspotFile,      &partPhoto,    &listedGroupFile,
    &panelPartList,
};

} // namespace routes

// The file a route's step reads: a tested route looks for it first and gives
// nothing when it is missing; an untested one gives the file to read, as
// found or else as composed, whose read then fails naming it.
std::optional<CatalogFile> findRouteFile(const FileRoute &route, const ComposedPath &path);

} // namespace korvane
