#include "platform/FrameWatch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xproto.h>

#include <utility>

namespace korvane {

FrameWatch::FrameWatch(QWidget *window, std::function<void()> changed)
    : QObject(window), m_window(window), m_changed(std::move(changed))
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        QCoreApplication::instance()->installNativeEventFilter(this);
}

FrameWatch::~FrameWatch()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
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
    // The toolkit reads the event only after this filter; a burst of changes
    // is looked at once.
    m_queued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_queued = false;
            m_changed();
        },
        Qt::QueuedConnection);
    return false;
}

} // namespace korvane
