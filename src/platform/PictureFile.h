#pragma once

#include "catalog/CatalogNames.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace korvane {

// Loads a catalog picture, choosing the decoder by the file's extension
// without regard to letter case. Throws Failure: "Cannot open file <path>"
// when the file is missing or unreadable, the decoder's message when it cannot
// be decoded, "Unknown picture file extension (.<ext>)" otherwise.
QImage loadPictureFile(const CatalogFile &file);
QImage loadPictureFile(const ComposedPath &path);

// A picture picked in the editor: its file's bytes, which are what a save
// writes, and what can be drawn of it.
struct LoadedPicture
{
    enum class Kind { Jpeg, Bitmap, Icon, EnhancedMetafile, Metafile };

    Kind kind = Kind::Jpeg;
    QByteArray bytes;
    // Null for an empty bitmap and for metafiles, which nothing here draws.
    QImage image;
};

// Any picture the editor takes, a file of this machine picked in a dialog:
// "jpg"/"jpeg", "bmp", "ico", "emf", "wmf", letter case ignored. Throws
// Failure like loadPictureFile, with "Icon image is not valid" and "Metafile
// is not valid" for those kinds.
LoadedPicture loadEditorPicture(const QString &path);

// The extension after the last "." of the file name (not of a folder), or
// empty when the name has none.
QString pictureExtension(const QString &path);

} // namespace korvane
