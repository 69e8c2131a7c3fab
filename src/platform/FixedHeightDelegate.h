#pragma once

#include <QStyledItemDelegate>

namespace korvane {

// List lines and drop-down entries have one fixed height each, as designed,
// whatever the font substitute measures.
class FixedHeightDelegate : public QStyledItemDelegate
{
public:
    FixedHeightDelegate(int height, QObject *parent) : QStyledItemDelegate(parent), m_height(height) { }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

} // namespace korvane
