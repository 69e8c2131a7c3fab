#include "platform/ControlEvents.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>

namespace korvane {

ControlEvents::ControlEvents(QWidget *control) : QObject(control)
{
    control->installEventFilter(this);
}

bool ControlEvents::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            break;
        const QString text = key->text();
        if (!text.isEmpty() && text.front() != QChar(0x7F))
            emit characterTyped(text.front());
        break;
    }
    case QEvent::FocusIn: {
        // The focus coming back from the control's own list, or with the
        // whole window, is no entering.
        const Qt::FocusReason reason = static_cast<const QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            emit entered();
        break;
    }
    case QEvent::MouseButtonDblClick:
        emit doubleClicked();
        break;
    default:
        break;
    }
    return false;
}

} // namespace korvane
