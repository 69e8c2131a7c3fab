#include "platform/PartListBox.h"

#include "catalog/PartSearch.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>

namespace korvane {

// The lines as rows; each is decoded when the view or anyone asks for it.
class CatalogLinesModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(std::min<qsizetype>(m_lines.size(), INT_MAX));
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return m_lines.line(index.row());
    }

    const CatalogLines &lines() const { return m_lines; }

    void setLines(CatalogLines lines)
    {
        beginResetModel();
        m_lines = std::move(lines);
        endResetModel();
    }

    void append(const QString &line)
    {
        const int row = rowCount();
        beginInsertRows({}, row, row);
        m_lines.append(line);
        endInsertRows();
    }

private:
    CatalogLines m_lines;
};

PartListBox::PartListBox(QWidget *parent) : QAbstractItemView(parent), m_model(new CatalogLinesModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
    // The scroll bar counts rows, not pixels: a list of five million lines
    // still scrolls in whole lines.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    connect(m_model, &QAbstractItemModel::modelReset, this, &PartListBox::updateGeometries);
}

void PartListBox::setLineHeight(int height)
{
    m_lineHeight = std::max(1, height);
    updateGeometries();
    viewport()->update();
}

int PartListBox::lineCount() const
{
    return m_model->rowCount();
}

QString PartListBox::line(int index) const
{
    return index >= 0 && index < lineCount() ? m_model->lines().line(index) : QString();
}

const CatalogLines &PartListBox::catalogLines() const
{
    return m_model->lines();
}

void PartListBox::setLines(CatalogLines lines)
{
    m_model->setLines(std::move(lines));
}

void PartListBox::appendLine(const QString &text)
{
    m_model->append(text);
}

int PartListBox::selectedIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void PartListBox::selectLine(int index)
{
    const QModelIndex at = m_model->index(index);
    if (!at.isValid())
        return;
    setCurrentIndex(at);
    scrollTo(at);
}

int PartListBox::selectFirstLineStartingWith(const QString &prefix)
{
    const qsizetype found = findFirstStartingWith(m_model->lines(), prefix);
    if (found >= 0)
        selectLine(int(found));
    return int(found);
}

int PartListBox::firstVisibleRow() const
{
    return verticalScrollBar()->value();
}

int PartListBox::rowsInSight() const
{
    return std::max(1, viewport()->height() / m_lineHeight);
}

QRect PartListBox::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != m_model)
        return {};
    const qint64 y = qint64(index.row() - firstVisibleRow()) * m_lineHeight;
    if (y < -m_lineHeight || y > viewport()->height())
        return {};
    return QRect(0, int(y), viewport()->width(), m_lineHeight);
}

void PartListBox::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    // The range may still be the one of the lines before a reset.
    updateGeometries();
    const int row = index.row();
    const int first = firstVisibleRow();
    const int inSight = rowsInSight();
    int top = first;
    switch (hint) {
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - inSight + 1;
        break;
    case PositionAtCenter:
        top = row - inSight / 2;
        break;
    case EnsureVisible:
        if (row < first)
            top = row;
        else if (row >= first + inSight)
            top = row - inSight + 1;
        break;
    }
    verticalScrollBar()->setValue(top);
}

QModelIndex PartListBox::indexAt(const QPoint &point) const
{
    if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    const qint64 row = qint64(firstVisibleRow()) + point.y() / m_lineHeight;
    return row < lineCount() ? m_model->index(int(row)) : QModelIndex();
}

QModelIndex PartListBox::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = lineCount();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    const int page = std::max(1, rowsInSight() - 1);
    int to = row;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        to = row < 0 ? 0 : row - 1;
        break;
    case MoveDown:
    case MoveNext:
        to = row + 1;
        break;
    case MovePageUp:
        to = row - page;
        break;
    case MovePageDown:
        to = std::max(row, 0) + page;
        break;
    case MoveHome:
        to = 0;
        break;
    case MoveEnd:
        to = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        return current;
    }
    return m_model->index(std::clamp(to, 0, count - 1));
}

int PartListBox::horizontalOffset() const
{
    return 0;
}

int PartListBox::verticalOffset() const
{
    return firstVisibleRow() * m_lineHeight;
}

bool PartListBox::isIndexHidden(const QModelIndex &) const
{
    return false;
}

void PartListBox::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const QModelIndex top = indexAt(QPoint(0, std::max(area.top(), 0)));
    if (!top.isValid()) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    QModelIndex bottom = indexAt(QPoint(0, area.bottom()));
    if (!bottom.isValid())
        bottom = m_model->index(lineCount() - 1);
    selectionModel()->select(QItemSelection(top, bottom), command);
}

QRegion PartListBox::visualRegionForSelection(const QItemSelection &selection) const
{
    QRegion region;
    const int first = firstVisibleRow();
    const int last = first + rowsInSight();
    for (const QItemSelectionRange &range : selection) {
        const int from = std::max(range.top(), first);
        const int to = std::min(range.bottom(), last);
        if (from <= to)
            region += QRect(0, (from - first) * m_lineHeight, viewport()->width(), (to - from + 1) * m_lineHeight);
    }
    return region;
}

void PartListBox::updateGeometries()
{
    QScrollBar *bar = verticalScrollBar();
    const int inSight = rowsInSight();
    bar->setRange(0, std::max(0, lineCount() - inSight));
    bar->setPageStep(inSight);
    bar->setSingleStep(1);
    QAbstractItemView::updateGeometries();
}

void PartListBox::scrollContentsBy(int, int)
{
    viewport()->update();
}

void PartListBox::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    viewport()->update();
}

void PartListBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features = QStyleOptionViewItem::HasDisplay;
    const int first = firstVisibleRow();
    const int count = lineCount();
    const QRect dirty = event->rect();
    const QModelIndex current = currentIndex();
    const int textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    for (int row = first + dirty.top() / m_lineHeight; row < count; ++row) {
        const int y = (row - first) * m_lineHeight;
        if (y > dirty.bottom())
            break;
        const QModelIndex index = m_model->index(row);
        option.index = index;
        option.rect = QRect(0, y, viewport()->width(), m_lineHeight);
        option.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
        if (selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        // The style draws the row's panel and selection as for any item, from
        // an item without text: laying a line out costs most of a row's
        // paint, and the style lays it out five times. The line is laid out
        // once, here, and drawn where and how the style draws it, and then
        // the focus frame over it, as the style draws that.
        option.text.clear();
        style()->drawControl(QStyle::CE_ItemViewItem, &option, &painter, this);
        const QString text = m_model->lines().line(row);
        drawLine(painter, option, text, textMargin);
        if (index == current && hasFocus()) {
            option.state |= QStyle::State_HasFocus;
            option.text = text;
            drawFocusFrame(painter, option);
        }
    }
}

void PartListBox::drawFocusFrame(QPainter &painter, const QStyleOptionViewItem &option) const
{
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.rect = style()->subElementRect(QStyle::SE_ItemViewItemFocusRect, &option, this);
    focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    const QPalette::ColorGroup group = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    focus.backgroundColor
        = option.palette.color(group, option.state & QStyle::State_Selected ? QPalette::Highlight : QPalette::Window);
    painter.save();
    painter.setClipRect(option.rect);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    painter.restore();
}

void PartListBox::drawLine(QPainter &painter, const QStyleOptionViewItem &option, const QString &text,
                           int textMargin) const
{
    if (text.isEmpty())
        return;
    QPalette::ColorGroup group = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(option.state & QStyle::State_Active))
        group = QPalette::Inactive;
    const QRect textRect = option.rect.adjusted(textMargin, 0, -textMargin, 0);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(option.direction);
    textOption.setAlignment(QStyle::visualAlignment(option.direction, option.displayAlignment));
    QTextLayout layout(text, option.font);
    layout.setTextOption(textOption);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(textRect.width());
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    const QSize size(qCeil(line.naturalTextWidth()), qCeil(line.height()));
    const QRect placed = QStyle::alignedRect(option.direction, option.displayAlignment, size, textRect);
    painter.save();
    painter.setClipRect(option.rect);
    painter.setPen(option.palette.color(group, option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                     : QPalette::Text));
    layout.draw(&painter, QPointF(textRect.left(), placed.top()));
    painter.restore();
}

void PartListBox::mousePressEvent(QMouseEvent *event)
{
    // Only the left button selects a line, as in the list boxes the catalog
    // users know.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QAbstractItemView::mousePressEvent(event);
}

void PartListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QAbstractItemView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit lineChosenByUser();
}

void PartListBox::keyPressEvent(QKeyEvent *event)
{
    const int before = currentIndex().row();
    QAbstractItemView::keyPressEvent(event);
    if (currentIndex().row() != before && selectedIndex() >= 0)
        emit lineChosenByUser();
}

} // namespace korvane
