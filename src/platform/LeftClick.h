#pragma once

#include <QMouseEvent>
#include <QRect>

namespace korvane {

// A click as the platform's controls count it: a left press on the control,
// then the left release inside it.
class LeftClick
{
public:
    void press(const QMouseEvent *event)
    {
        if (event->button() == Qt::LeftButton)
            m_down = true;
    }

    // True when this release completes a click.
    bool release(const QMouseEvent *event, const QRect &area)
    {
        if (event->button() != Qt::LeftButton)
            return false;
        const bool wasDown = m_down;
        m_down = false;
        return wasDown && area.contains(event->position().toPoint());
    }

private:
    bool m_down = false;
};

} // namespace korvane
