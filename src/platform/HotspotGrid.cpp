#include "platform/HotspotGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>

namespace korvane {

class HotspotGridModel : public QAbstractTableModel
{
public:
    HotspotGridModel(int rows, QObject *parent) : QAbstractTableModel(parent), m_rows(rows) { }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : HotspotGrid::kColumns;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        return cell(index.column(), index.row());
    }

    bool inTable(int row) const { return row >= 1 && row <= m_table.size() && row < m_rows; }

    HotspotCells rowCells(int row) const { return inTable(row) ? m_table.cells(row - 1) : HotspotCells(); }
    HotspotBytes rowBytes(int row) const { return inTable(row) ? m_table.bytes(row - 1) : HotspotBytes(); }

    QString cell(int column, int row) const
    {
        if (column < 1 || column >= HotspotGrid::kColumns)
            return QString();
        const HotspotCells cells = rowCells(row);
        switch (column) {
        case 1:
            return cells.x;
        case 2:
            return cells.y;
        default:
            return cells.name;
        }
    }

    void setTable(HotspotTable table)
    {
        beginResetModel();
        m_table = std::move(table);
        m_rows = int(m_table.size()) + 1;
        endResetModel();
    }

private:
    int m_rows;
    HotspotTable m_table;
};

HotspotGrid::HotspotGrid(int rows, QWidget *parent) : QTableView(parent), m_model(new HotspotGridModel(rows, this))
{
    setModel(m_model);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::ContiguousSelection);
}

int HotspotGrid::rowCount() const
{
    return m_model->rowCount();
}

QString HotspotGrid::cell(int column, int row) const
{
    return m_model->cell(column, row);
}

HotspotCells HotspotGrid::row(int row) const
{
    return m_model->rowCells(row);
}

HotspotBytes HotspotGrid::rowBytes(int row) const
{
    return m_model->rowBytes(row);
}

void HotspotGrid::setHotspotTable(HotspotTable table)
{
    m_model->setTable(std::move(table));
}

} // namespace korvane
