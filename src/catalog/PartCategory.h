#pragma once

#include <QString>

#include <optional>

namespace korvane {

// The abbreviation of a new part's category, compared whole, letter case
// included; nothing for a text that is no category. The editor's own ten
// categories, unrelated to the catalog's groups.
std::optional<QString> categoryAbbreviation(const QString &category);

} // namespace korvane
