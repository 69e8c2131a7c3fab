#include "platform/HotspotGrid.h"

#include <QAbstractTableModel>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

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

    const HotspotTable &table() const { return m_table; }
    bool inTable(int row) const { return row >= 1 && row <= m_table.size() && row < m_rows; }

    HotspotCells rowCells(int row) const { return inTable(row) ? m_table.cells(row - 1) : HotspotCells(); }

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

HotspotGrid::HotspotGrid(int rows, QWidget *parent)
    : QAbstractItemView(parent), m_model(new HotspotGridModel(rows, this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    connect(m_model, &QAbstractItemModel::modelReset, this, &HotspotGrid::updateGeometries);
}

QRect HotspotGrid::cellRect(int row, int column) const
{
    const qint64 x = qint64(column - horizontalScrollBar()->value()) * kCellWidth;
    const qint64 y = qint64(row - verticalScrollBar()->value()) * kCellHeight;
    if (x < -kCellWidth || x > viewport()->width() || y < -kCellHeight || y > viewport()->height())
        return {};
    return QRect(int(x), int(y), kCellWidth, kCellHeight);
}

QRect HotspotGrid::visualRect(const QModelIndex &index) const
{
    return index.isValid() ? cellRect(index.row(), index.column()) : QRect();
}

void HotspotGrid::scrollTo(const QModelIndex &index, ScrollHint)
{
    if (!index.isValid())
        return;
    updateGeometries();
    const auto ensure = [](QScrollBar *bar, int at, int inSight) {
        if (at < bar->value())
            bar->setValue(at);
        else if (at >= bar->value() + inSight)
            bar->setValue(at - inSight + 1);
    };
    ensure(verticalScrollBar(), index.row(), std::max(1, viewport()->height() / kCellHeight));
    ensure(horizontalScrollBar(), index.column(), std::max(1, viewport()->width() / kCellWidth));
}

QModelIndex HotspotGrid::indexAt(const QPoint &point) const
{
    if (point.x() < 0 || point.y() < 0)
        return {};
    const qint64 row = qint64(verticalScrollBar()->value()) + point.y() / kCellHeight;
    const qint64 column = qint64(horizontalScrollBar()->value()) + point.x() / kCellWidth;
    if (row >= m_model->rowCount() || column >= kColumns)
        return {};
    return m_model->index(int(row), int(column));
}

QModelIndex HotspotGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : 0;
    int column = current.isValid() ? current.column() : 0;
    const int page = std::max(1, viewport()->height() / kCellHeight - 1);
    switch (cursorAction) {
    case MoveUp:
        --row;
        break;
    case MoveDown:
        ++row;
        break;
    case MoveLeft:
    case MovePrevious:
        --column;
        break;
    case MoveRight:
    case MoveNext:
        ++column;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        column = 0;
        break;
    case MoveEnd:
        column = kColumns - 1;
        break;
    }
    const int rows = m_model->rowCount();
    if (rows == 0)
        return {};
    return m_model->index(std::clamp(row, 0, rows - 1), std::clamp(column, 0, kColumns - 1));
}

int HotspotGrid::horizontalOffset() const
{
    return horizontalScrollBar()->value() * kCellWidth;
}

int HotspotGrid::verticalOffset() const
{
    return verticalScrollBar()->value() * kCellHeight;
}

bool HotspotGrid::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void HotspotGrid::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const QModelIndex from = indexAt(area.topLeft());
    if (!from.isValid()) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    QModelIndex to = indexAt(area.bottomRight());
    if (!to.isValid())
        to = m_model->index(m_model->rowCount() - 1, kColumns - 1);
    selectionModel()->select(QItemSelection(from, to), command);
}

QRegion HotspotGrid::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    for (const QItemSelectionRange &range : selection) {
        const QRect first = cellRect(range.top(), range.left());
        const QRect last = cellRect(range.bottom(), range.right());
        if (!first.isNull() || !last.isNull())
            region += viewport()->rect();
    }
    return region;
}

void HotspotGrid::updateGeometries()
{
    const int rowsInSight = std::max(1, viewport()->height() / kCellHeight);
    const int columnsInSight = std::max(1, viewport()->width() / kCellWidth);
    verticalScrollBar()->setRange(0, std::max(0, m_model->rowCount() - rowsInSight));
    verticalScrollBar()->setPageStep(rowsInSight);
    horizontalScrollBar()->setRange(0, std::max(0, kColumns - columnsInSight));
    horizontalScrollBar()->setPageStep(columnsInSight);
    QAbstractItemView::updateGeometries();
}

void HotspotGrid::scrollContentsBy(int, int)
{
    viewport()->update();
}

void HotspotGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int rows = m_model->rowCount();
    const int firstRow = verticalScrollBar()->value();
    const int firstColumn = horizontalScrollBar()->value();
    const QPalette &colours = palette();
    for (int row = firstRow; row < rows && (row - firstRow) * kCellHeight <= viewport()->height(); ++row) {
        for (int column = firstColumn; column < kColumns; ++column) {
            const QRect cell = cellRect(row, column);
            if (cell.isNull())
                break;
            const QModelIndex index = m_model->index(row, column);
            // Row 0 and column 0 are the grid's fixed ones.
            if (row == 0 || column == 0)
                painter.fillRect(cell, colours.button());
            option.rect = cell.adjusted(0, 0, -1, -1);
            option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
            itemDelegateForIndex(index)->paint(&painter, option, index);
            painter.setPen(colours.color(QPalette::Mid));
            painter.drawLine(cell.topRight(), cell.bottomRight());
            painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        }
    }
}

const HotspotTable &HotspotGrid::hotspotTable() const
{
    return m_model->table();
}

void HotspotGrid::setHotspotTable(HotspotTable table)
{
    m_model->setTable(std::move(table));
}

} // namespace korvane
