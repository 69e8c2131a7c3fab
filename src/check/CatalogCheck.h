#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace korvane::check {

// An error: the browser shows an error box, or loses or hides data. A
// warning: it works, but not as the catalog's author meant. A note: what
// --fix changed.
enum class Severity { Error, Warning, Note };

// One fault, where an editor can jump to it: the file as this machine names
// it (starting with the checked folder as it was given) and the line, from 1,
// of the file that names the faulty thing; line 0 when no line applies (a
// picture that does not decode, a file named wrongly on disk).
struct Finding
{
    QByteArray file;
    qint64 line = 0;
    Severity severity = Severity::Error;
    // What is wrong in the catalog's terms, then how to mend it.
    QString message;
    // A part of a photo manufacturer without its photo: counted apart and
    // listed only on request, as a big catalog has many of them.
    bool partWithoutPhoto = false;
    // --fix mends it (it did not run, or could not write the file).
    bool fixable = false;
};

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

struct Totals
{
    qint64 models = 0;
    qint64 parts = 0; // part lines, over model and group part lists
    qint64 diagrams = 0;
    qint64 hotspots = 0;
    qint64 photos = 0; // photo files found
    qint64 partsWithoutPhoto = 0; // photo names looked for and not found
    qint64 errors = 0;
    qint64 warnings = 0; // besides the parts without a photo
    qint64 filesFixed = 0;
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
