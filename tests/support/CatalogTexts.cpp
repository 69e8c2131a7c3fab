#include "support/CatalogTexts.h"

#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "catalog/IntegerText.h"
#include "catalog/Win1251.h"

#include <QFile>

#include <filesystem>

namespace korvane::testing {

CatalogLines catalogLinesFromStrings(const QStringList &lines)
{
    CatalogLines list;
    for (const QString &line : lines)
        list.append(line);
    return list;
}

QStringList splitCatalogLines(QByteArrayView bytes)
{
    return CatalogLines::fromText(bytes).toStringList();
}

QByteArray joinCatalogLines(const QStringList &lines)
{
    return catalogLinesFromStrings(lines).joined();
}

CatalogLines readCatalogLines(const ComposedPath &path)
{
    return korvane::readCatalogLines(locateCatalogFile(path));
}

void writeCatalogLines(const ComposedPath &path, const QStringList &lines)
{
    writeCatalogFile(path, joinCatalogLines(lines));
}

std::vector<HotspotCells> cutHotspotLines(const QStringList &lines)
{
    const HotspotTable table(catalogLinesFromStrings(lines));
    std::vector<HotspotCells> cells;
    cells.reserve(size_t(table.size()));
    for (qsizetype i = 0; i < table.size(); ++i)
        cells.push_back(table.cells(i));
    return cells;
}

qint32 convertToInteger(const QString &text)
{
    // The rule accepts ASCII alone, which Windows-1251 keeps as it is, so a
    // text converts as its bytes do, message and all.
    const QByteArray bytes = encodeWin1251(text);
    if (decodeWin1251(bytes) == text)
        return korvane::convertToInteger(QByteArrayView(bytes));
    // A character the code page lacks is never one the rule accepts; its
    // bytes would quote a "?" in its place.
    throw Failure(QStringLiteral("'%1' is not a valid integer value").arg(Failure::quoted(text)));
}

bool removeTree(const QString &folder)
{
    std::error_code failed;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(folder).toStdString()), failed);
    return !failed;
}

} // namespace korvane::testing
