#include "catalog/PartCategory.h"

#include <array>
#include <utility>

namespace korvane {

namespace {

// "Chasis" keeps its own spelling.
const std::array<std::pair<const char16_t *, const char16_t *>, 10> kAbbreviations{{
    {u"Chasis", u"Chasis"},
    {u"Steering", u"Steer"},
    {u"Front Chasis", u"Fchasis"},
    {u"Rear Chasis", u"Rchasis"},
    {u"Transmission", u"Trans"},
    {u"Engine", u"Engn"},
    {u"Clutch", u"Clut"},
    {u"Wheels", u"Wls"},
    {u"Body", u"Bdy"},
    {u"Other", u"Othr"},
}};

} // namespace

std::optional<QString> categoryAbbreviation(const QString &category)
{
    for (const auto &[name, abbreviation] : kAbbreviations) {
        if (category == QStringView(name))
            return QString::fromUtf16(abbreviation);
    }
    return std::nullopt;
}

} // namespace korvane
