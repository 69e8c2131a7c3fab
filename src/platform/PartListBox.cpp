#include "platform/PartListBox.h"

#include "catalog/PartSearch.h"
#include "platform/FixedHeightDelegate.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringListModel>

namespace korvane {

PartListBox::PartListBox(QWidget *parent) : QListView(parent), m_model(new QStringListModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
}

void PartListBox::setLineHeight(int height)
{
    setItemDelegate(new FixedHeightDelegate(height, this));
}

int PartListBox::lineCount() const
{
    return m_model->rowCount();
}

QString PartListBox::line(int index) const
{
    return m_model->index(index).data(Qt::DisplayRole).toString();
}

QStringList PartListBox::lines() const
{
    return m_model->stringList();
}

void PartListBox::setLines(const QStringList &newLines)
{
    m_model->setStringList(newLines);
}

void PartListBox::appendLine(const QString &text)
{
    const int row = m_model->rowCount();
    m_model->insertRows(row, 1);
    m_model->setData(m_model->index(row), text);
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
    const qsizetype found = findFirstStartingWith(m_model->stringList(), prefix);
    if (found >= 0)
        selectLine(int(found));
    return int(found);
}

void PartListBox::mousePressEvent(QMouseEvent *event)
{
    // Only the left button selects a line, as in the list boxes the catalog
    // users know.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void PartListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit lineChosenByUser();
}

void PartListBox::keyPressEvent(QKeyEvent *event)
{
    const int before = currentIndex().row();
    QListView::keyPressEvent(event);
    if (currentIndex().row() != before && selectedIndex() >= 0)
        emit lineChosenByUser();
}

} // namespace korvane
