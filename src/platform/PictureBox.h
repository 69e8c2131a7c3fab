#pragma once

#include "platform/LeftClick.h"

#include <QImage>
#include <QWidget>

namespace korvane {

// An image control. Unscaled, the picture's top-left pixel sits at the
// control's top-left corner and the rest is cut at its edges, so a press
// position is a pixel position in the picture; stretched, it fills the control.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setStretched(bool stretched);

    const QImage &picture() const { return m_picture; }
    void setPicture(const QImage &picture);

signals:
    // Every press of any button, the second press of a double click included.
    void pressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    // A left press and release on the control.
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    bool m_stretched = false;
    LeftClick m_click;
};

} // namespace korvane
