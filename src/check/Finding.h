#pragma once

#include <QByteArray>
#include <QString>

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
    // --fix would mend it: said when --fix did not run; a file --fix could
    // not write is not fixable.
    bool fixable = false;
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

} // namespace korvane::check
