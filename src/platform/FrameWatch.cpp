#include "platform/FrameWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xproto.h>

#include <utility>

namespace korvane {

FrameWatch::FrameWatch(QWidget *window, std::function<void()> changed)
    : QObject(window), m_window(window), m_changed(std::move(changed))
{
    // The native window comes into being when the widget is first shown.
    m_window->installEventFilter(this);
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        QCoreApplication::instance()->installNativeEventFilter(this);
}

FrameWatch::~FrameWatch()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool FrameWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() != QEvent::Show && event->type() != QEvent::WinIdChange)
            return false;
        if (m_watched != m_window->windowHandle() && m_window->windowHandle()) {
            m_watched = m_window->windowHandle();
            m_watched->installEventFilter(this);
        }
        return false;
    }
    switch (event->type()) {
    case QEvent::Expose:
    case QEvent::Move:
    case QEvent::Resize:
        callBackSoon();
        break;
    default:
        break;
    }
    return false;
}

bool FrameWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (m_queued || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    // The top bit marks an event that another client sent.
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *property = static_cast<const xcb_property_notify_event_t *>(message);
    if (property->window != m_window->internalWinId())
        return false;
    callBackSoon();
    return false;
}

void FrameWatch::callBackSoon()
{
    // The toolkit takes in what changed only after the event has been
    // delivered; a burst of changes is looked at once.
    if (m_queued)
        return;
    m_queued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_queued = false;
            m_changed();
        },
        Qt::QueuedConnection);
}

} // namespace korvane
