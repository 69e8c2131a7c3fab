#include "platform/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace korvane {

PictureBox::PictureBox(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void PictureBox::setStretched(bool stretched)
{
    m_stretched = stretched;
    update();
}

void PictureBox::setPicture(const QImage &picture)
{
    // Painting converts a picture that is not in the screen's own formats,
    // the whole of it, at every paint; a huge diagram is converted once here
    // instead, which costs no more than its decoding did.
    if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32_Premultiplied)
        m_picture = picture;
    else
        m_picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    if (m_stretched) {
        painter.drawImage(rect(), m_picture);
        return;
    }
    // Only the part at the top-left corner that the control shows is drawn,
    // read in place, so a picture far larger than the control paints as fast
    // as a small one.
    const QRect shown = rect() & m_picture.rect();
    if (shown.isEmpty())
        return;
    const QImage visible(m_picture.constBits(), shown.width(), shown.height(), m_picture.bytesPerLine(),
                         m_picture.format());
    painter.drawImage(QPoint(0, 0), visible);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
    const QPoint at = event->position().toPoint();
    emit pressed(event->button(), event->modifiers(), at.x(), at.y());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_click.release(event, rect()))
        emit clicked();
}

} // namespace korvane
