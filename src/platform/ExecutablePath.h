#pragma once

#include <QString>

namespace korvane {

// The running executable's full file name, which fixes the catalog root.
QString executablePath();

// Tests put their temporary catalog where the program looks for it.
void setExecutablePathForTesting(const QString &path);

} // namespace korvane
