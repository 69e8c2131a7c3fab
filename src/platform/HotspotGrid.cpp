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

    HotspotCells rowCells(int row) const
    {
        if (row < 1 || row > m_lines.size() || row >= m_rows)
            return {};
        return cutHotspotLine(m_lines.at(row - 1), m_cuts[size_t(row - 1)]);
    }

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

    void setRows(const QStringList &lines, std::vector<HotspotCut> cuts)
    {
        beginResetModel();
        m_lines = lines;
        m_cuts = std::move(cuts);
        m_rows = int(lines.size()) + 1;
        endResetModel();
    }

private:
    int m_rows;
    QStringList m_lines;
    std::vector<HotspotCut> m_cuts;
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

void HotspotGrid::setHotspotRows(const QStringList &lines, std::vector<HotspotCut> cuts)
{
    m_model->setRows(lines, std::move(cuts));
}

} // namespace korvane
