#include "ui/Unit1.h"

#include <QLabel>
#include <QResizeEvent>
#include <QWindow>

// The main window as the window system sees it: the recorded state and the
// size notifications that run FormResize.

using namespace korvane;

namespace {

TForm1::RecordedState stateOf(Qt::WindowStates states)
{
    if (states & Qt::WindowMinimized)
        return TForm1::RecordedState::Minimized;
    if (states & Qt::WindowMaximized)
        return TForm1::RecordedState::Maximized;
    return TForm1::RecordedState::Normal;
}

} // namespace

void TForm1::setStateByProgram(RecordedState state)
{
    m_recordedState = state;
}

void TForm1::keepBarsAtTheirEdges()
{
    // The tool bar is aligned to the top edge and the status bar to the
    // bottom one: they span the window at every size, as the window system
    // keeps such bars, before the resize handler sees the new size.
    ToolBar1->setGeometry(0, 0, width(), ToolBar1->height());
    sb->setGeometry(0, height() - sb->height(), width(), sb->height());
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    keepBarsAtTheirEdges();
    m_stateSeenByResize = m_recordedState;
    m_outerSizeSeenByResize = outerSize();
    guarded(&TForm1::FormResize);
    m_recordedState = stateOf(windowState());
}

void TForm1::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    completeSizeNotification();
}

void TForm1::completeSizeNotification()
{
    // An X11 window manager frames the window only after its first size
    // notification, and reframes a maximised window after the notification of
    // the maximising, so FormResize read a client size or a stale frame there.
    // The frame's arrival completes that notification: FormResize runs again
    // on the real outer size, seeing the state the notification saw. A state
    // change whose own notification is still to come waits for it.
    const RecordedState current = stateOf(windowState());
    const QSize outer = outerSize();
    if (!m_outerSizeSeenByResize.isValid() || outer == m_outerSizeSeenByResize || current != m_recordedState
        || current == RecordedState::Minimized)
        return;
    m_outerSizeSeenByResize = outer;
    m_recordedState = m_stateSeenByResize;
    guarded(&TForm1::FormResize);
    m_recordedState = current;
}

QSize TForm1::outerSize() const
{
    // The widget's own copy of the frame is renewed only by moves and
    // resizes; the window system's is renewed when the frame changes.
    const QWindow *window = windowHandle();
    return window ? window->frameGeometry().size() : frameGeometry().size();
}

void TForm1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // Maximising and restoring bring a size notification, which records the
    // new state after FormResize has seen the old one. Minimising and coming
    // back from it bring none, so they are recorded here.
    const auto oldStates = static_cast<QWindowStateChangeEvent *>(event)->oldState();
    if ((oldStates | windowState()) & Qt::WindowMinimized)
        m_recordedState = stateOf(windowState());
}
