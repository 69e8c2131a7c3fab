#pragma once

#include "catalog/CatalogLines.h"
#include "catalog/CatalogNames.h"
#include "catalog/Hotspots.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

// The catalog's texts as lists of strings, for the tests, benchmarks and fuzz
// targets: the program itself keeps a list as its file's bytes
// (CatalogLines) and never splits or joins one as strings. Each is built on
// the catalog library's own rules, so a test of one tests those.
namespace korvane::testing {

// Lines that came as text: kept as they are and written by the list's rules.
CatalogLines catalogLinesFromStrings(const QStringList &lines);

// Splits catalog text into lines by the line rules (CatalogLines).
QStringList splitCatalogLines(QByteArrayView bytes);

// Every entry followed by CR LF, the last one included, in Windows-1251.
QByteArray joinCatalogLines(const QStringList &lines);

// Whether the existence test finds the name (findCatalogFile).
inline bool catalogFileExists(const ComposedPath &path)
{
    return findCatalogFile(path).has_value();
}

// Reads a list by its composed name, located first as the program locates it.
CatalogLines readCatalogLines(const ComposedPath &path);

// Writes the lines as writeCatalogFile writes a file.
void writeCatalogLines(const ComposedPath &path, const QStringList &lines);

// Cuts the lines of one hotspot file in order, as the hotspot table cuts them.
std::vector<HotspotCells> cutHotspotLines(const QStringList &lines);

// Converts a coordinate text by the hotspot file's conversion; a failure
// quotes the text.
qint32 convertToInteger(const QString &text);

// Removes a folder and everything in it by their bytes: a name in another
// code page is bytes Qt cannot name again, so QTemporaryDir leaves it behind.
// False when something stayed.
bool removeTree(const QString &folder);

} // namespace korvane::testing
