#pragma once

#include <QImage>
#include <QString>

namespace korvane {

// Loads a picture file, choosing the decoder by the file's extension without
// regard to letter case. Throws Failure: "Cannot open file <path>" when the
// file is missing or unreadable, the decoder's message when it cannot be
// decoded, "Unknown picture file extension (.<ext>)" otherwise.
QImage loadPictureFile(const QString &path);

// The extension after the last "." of the file name (not of a folder), or
// empty when the name has none.
QString pictureExtension(const QString &path);

} // namespace korvane
