#pragma once

#include "catalog/CatalogLines.h"
#include "catalog/CatalogNames.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvane {

// Reads a catalog text file, as far as its first NUL, into lines. Throws
// Failure "Cannot open file <path>" when it is missing, is not a regular file
// (which is never opened: a link to a device, say) or cannot be read, and
// "Out of memory reading file <path>" when its text does not fit.
CatalogLines readCatalogLines(const CatalogFile &file);

// Whether reading would open the file (a regular file this process may read),
// found out without reading it.
bool catalogFileOpens(const CatalogFile &file);

// The whole file's bytes (pictures); fails like readCatalogLines. A composed
// name is located first (without regard to case).
QByteArray readCatalogFile(const CatalogFile &file);
QByteArray readCatalogFile(const ComposedPath &path);

// Replaces the file atomically: on any failure the old file stays as it was and
// Failure "Cannot create file <path>" is thrown. In a folder that takes no new
// files an existing writable file is written in place instead; a write that
// fails there can leave it cut short. A write-protected file is never written.
// The last piece of the name must be a regular file or nothing yet: a link
// there (to a file or to nothing), a folder, a device or a FIFO is refused
// and left as it was. Folders on the way may be links.
void writeCatalogFile(const ComposedPath &path, const QByteArray &bytes);
void writeCatalogLines(const ComposedPath &path, const CatalogLines &lines);

// A listed file name (from the manufacturer folder listing) cut to 255
// characters, less its last four.
QString groupNameFromListedFile(const QString &fileName);
// The group names of listed file names, in their order.
QStringList groupNamesFromListedFiles(const QStringList &fileNames);

} // namespace korvane
