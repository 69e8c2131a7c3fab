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
    if (event->button() == Qt::LeftButton)
        m_leftDown = true;
    QFrame::mousePressEvent(event);
}

void CaptionPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasDown = m_leftDown && event->button() == Qt::LeftButton;
    if (event->button() == Qt::LeftButton)
        m_leftDown = false;
    QFrame::mouseReleaseEvent(event);
    if (wasDown && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace korvane
