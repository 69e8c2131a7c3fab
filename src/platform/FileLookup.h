#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korvane {

// Windows matches file names without regard to letter case and reads "\" as a
// folder separator; catalogs copied from there rely on both. These functions
// give composed catalog paths the same meaning on a case-sensitive file system.
//
// A path is split at "/", and at "\" in what was added to its base; empty
// pieces (doubled separators) are dropped; each piece is taken as it stands
// when such an entry exists, else the first entry (in name order) that equals
// it without regard to case.

// A name as the catalog composes it: a base that is a name of this machine
// (the executable's folder, a fixed path, a file picked in a dialog), then
// what the catalog's literal pieces, its lines and the controls' texts add to
// it. A "\" in the base is part of a folder's name, as Linux has it; a "\"
// added to it separates folders, as on Windows. A bare text is all added.
struct ComposedPath
{
    ComposedPath() = default;
    ComposedPath(const QString &added) : added(added) { }
    ComposedPath(const QString &base, const QString &added) : base(base), added(added) { }

    // The whole name, as messages and the window show it.
    QString text() const { return base + added; }

    QString base;
    QString added;
};

// The path of the existing entry that the composed path names, or nothing.
std::optional<QString> resolveCaseInsensitive(const ComposedPath &path);

// The path to use for writing: the folders resolved, the last piece replaced by
// an existing file of that name in any case, otherwise kept as given. Nothing
// when a folder is missing.
std::optional<QString> resolveForWriting(const ComposedPath &path);

// The existence test: a directory search for the name. "*" and "?" in the last
// piece are wildcards. Succeeds only when a matching entry is found that is not
// a folder.
bool catalogFileExists(const ComposedPath &path);

// Names of the files (not folders) in the folder of the pattern that match the
// pattern's last piece, letter case ignored, in name order. A missing folder
// lists nothing.
QStringList listMatchingFiles(const ComposedPath &pattern);

// Whether a composed name for writing stays inside the folder root once its
// "." and ".." pieces are folded as Windows folds them, names something below
// it, and holds no character that Windows refuses in a file name (< > : " | ?
// * and control characters) below it. Texts typed by the user and taken from
// catalog lines end up in such names.
bool isSafeCatalogTarget(const ComposedPath &path, const ComposedPath &root);

// Wildcard match of a single name: "*" any run, "?" one character, case ignored.
bool wildcardMatch(const QString &pattern, const QString &name);

} // namespace korvane
