#include "platform/CaptionPanel.h"

#include <QMouseEvent>
#include <QPainter>

namespace korvane {

CaptionPanel::CaptionPanel(const QString &caption, QWidget *parent) : QFrame(parent), m_caption(caption)
{
    setFocusPolicy(Qt::NoFocus);
}

void CaptionPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignCenter, m_caption);
}

void CaptionPanel::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
    QFrame::mousePressEvent(event);
}

void CaptionPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool clickedNow = m_click.release(event, rect());
    QFrame::mouseReleaseEvent(event);
    if (clickedNow)
        emit clicked();
}

} // namespace korvane
