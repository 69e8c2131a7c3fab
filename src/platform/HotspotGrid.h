#pragma once

#include "catalog/Hotspots.h"

#include <QAbstractItemView>

namespace korvane {

class HotspotGridModel;

// The hidden string grid that holds the hotspot table: 4 columns, row r
// (from 1) is hotspot r with the x text in column 1, the y text in column 2
// and the name in column 3; row 0 and column 0 stay empty. The texts are cut
// from the hotspot file's bytes when read, so a huge hotspot file costs its
// text and its line starts, not three strings a row. Like the part list it is
// an item view that keeps nothing per row: every cell has one size, and its
// place follows from its row and column.
class HotspotGrid : public QAbstractItemView
{
    Q_OBJECT

public:
    static constexpr int kColumns = 4;

    explicit HotspotGrid(int rows, QWidget *parent = nullptr);

    // A press reads the table's rows as the file's bytes.
    const HotspotTable &hotspotTable() const;
    // Rows 1 .. table.size() hold the table; the row count becomes
    // table.size() + 1.
    void setHotspotTable(HotspotTable table);

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The designed grid's default cell and its one-pixel lines.
    static constexpr int kCellWidth = 64;
    static constexpr int kCellHeight = 24;

    QRect cellRect(int row, int column) const;

    HotspotGridModel *m_model;
};

} // namespace korvane
