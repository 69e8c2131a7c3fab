#pragma once

#include <QString>
#include <QStringList>

class QAbstractItemView;

namespace korvane {
class EditableDropDown;
class PartListBox;
} // namespace korvane

// The controls' texts as the tests read and set them, through each control's
// public interface: the program reads a list as its file's bytes and never
// adds a drop-down entry one at a time.
namespace korvane::testing {

// Every line of the list, decoded.
QStringList partListLines(const PartListBox &list);
// Replaces the lines with lines that came as text.
void setPartListLines(PartListBox &list, const QStringList &lines);

// Adds an entry where the drop-down's order puts it (sorted or last); the
// text shown stays, and no handler runs.
void addDropDownEntry(EditableDropDown &dropDown, const QString &entry);

// The grid's row count and the text at column, row; empty outside the grid.
int gridRowCount(const QAbstractItemView &grid);
QString gridCell(const QAbstractItemView &grid, int column, int row);

} // namespace korvane::testing
