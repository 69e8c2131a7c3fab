#include "catalog/FileRoutes.h"

namespace korvane {

std::optional<CatalogFile> findRouteFile(const FileRoute &route, const ComposedPath &path)
{
    if (route.tested())
        return findCatalogFile(path);
    return locateCatalogFile(path);
}

} // namespace korvane
