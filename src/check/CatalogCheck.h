#pragma once

#include "check/Finding.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace korvane::check {

struct Options
{
    // Decode model pictures and part photos too, not only find and open them.
    bool deep = false;
    // List the parts without a photo, not only count them.
    bool listPartsWithoutPhoto = false;
    // Walkers working at once; 0 for one per core.
    int threads = 0;
    // Rewrite the texts whose mending is certain: a byte-order mark removed,
    // a UTF-8 text converted to Windows-1251. Nothing else is ever written.
    bool fix = false;
};

struct Report
{
    // Sorted by file, then line, then severity and message.
    std::vector<Finding> findings;
    bool listsPartsWithoutPhoto = false;
    Totals totals;
    double seconds = 0;
};

// Walks the catalog in the folder dataFolder (the browser's DATA) as the
// browser reads it and reports every fault found. Writes only with
// options.fix, and only what it mends (each file a note). Throws
// korvane::Failure when the folder cannot be read or is not one the browser
// would read as its DATA.
Report checkCatalog(const QString &dataFolder, const Options &options = {});

// The folder the browser installed beside the checker reads: DATA beside the
// checker (the build folder), else <prefix>/lib/korvane/DATA when the checker
// runs from <prefix>/bin.
QString defaultDataFolder(const QString &checkerPath);

enum class Format { Text, Json };

struct OutputOptions
{
    Format format = Format::Text;
    // Findings only, without the summary.
    bool quiet = false;
};

// "file:line: severity: message" lines and a summary counted in words ("1
// error, 2 warnings"), or one JSON document with the same fields.
QByteArray formatReport(const Report &report, const OutputOptions &options);

// 0 without errors (warnings allowed), 1 with errors.
int exitStatus(const Report &report);

} // namespace korvane::check
