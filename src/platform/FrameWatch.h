#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <functional>

class QWidget;

namespace korvane {

// Qt tells a window nothing when an X11 window manager changes the frame
// around it without moving it, as openbox does after the size notification
// of a maximising: it only marks its copy of the frame stale when the
// window's _NET_FRAME_EXTENTS property changes. This watch calls back once
// the toolkit has taken in a change of any of the window's properties, so
// that the window can look at its frame again. Elsewhere than on X11 it
// never calls.
class FrameWatch : public QObject, public QAbstractNativeEventFilter
{
public:
    FrameWatch(QWidget *window, std::function<void()> changed);
    ~FrameWatch() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QWidget *m_window;
    std::function<void()> m_changed;
    bool m_queued = false;
};

} // namespace korvane
