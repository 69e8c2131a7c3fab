#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;
class QWindow;

namespace korvane {

// Calls back, once the toolkit has taken it in, whenever the frame around a
// window may have come or changed, so that the window can look at its frame
// again. Window systems frame a window after it is shown, and a frame that
// changes need not change the window's own size or place: Wayland's
// decorations arrive with the first exposure; an X11 window manager such as
// openbox reframes a maximised window after its size notification and tells
// only through the window's _NET_FRAME_EXTENTS property, which Qt reads
// without telling the window. So the watch calls back on every exposure, move
// and resize of the window's native window, and on X11 on every change of its
// properties as well.
class FrameWatch : public QObject, public QAbstractNativeEventFilter
{
public:
    FrameWatch(QWidget *window, std::function<void()> changed);
    ~FrameWatch() override;

    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    void callBackSoon();

    QWidget *m_window;
    QPointer<QWindow> m_watched;
    std::function<void()> m_changed;
    bool m_queued = false;
};

} // namespace korvane
