#include "support/ControlTexts.h"

#include "platform/EditableDropDown.h"
#include "platform/PartListBox.h"
#include "support/CatalogTexts.h"

#include <QAbstractItemView>

namespace korvane::testing {

QStringList partListLines(const PartListBox &list)
{
    return list.catalogLines().toStringList();
}

void setPartListLines(PartListBox &list, const QStringList &lines)
{
    list.setLines(catalogLinesFromStrings(lines));
}

void addDropDownEntry(EditableDropDown &dropDown, const QString &entry)
{
    QStringList entries = dropDown.entries();
    entries.append(entry);
    dropDown.setEntries(entries);
}

int gridRowCount(const QAbstractItemView &grid)
{
    return grid.model()->rowCount();
}

QString gridCell(const QAbstractItemView &grid, int column, int row)
{
    return grid.model()->index(row, column).data().toString();
}

} // namespace korvane::testing
