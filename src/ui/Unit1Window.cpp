#include "ui/Unit1.h"

#include "platform/FixedFrame.h"

#include <QGuiApplication>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>

// The main window as the window system sees it: the recorded state, the size
// notifications that run FormResize, and a frame that keeps its designed size
// and stays on the screen.

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

bool isNormal(Qt::WindowStates states)
{
    return !(states & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
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
    // Window systems frame the window only after its first size
    // notification (Wayland's decorations come with the first exposure, an
    // X11 window manager's frame after the mapping), and an X11 window
    // manager reframes a maximised window after the notification of the
    // maximising, so FormResize read a client size or a stale frame there.
    // The frame's arrival completes that notification: FormResize runs again
    // on the real outer size, seeing the state the notification saw. A state
    // change whose own notification is still to come waits for it.
    keepWithinScreen();
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

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QWindow *window = windowHandle();
    if (m_watchedWindow == window || !window)
        return;
    m_watchedWindow = window;
    // A change of state that the frame's own buttons ask for (on Wayland the
    // toolkit draws them) is seen here before the window system's answer, so
    // the size hints are renewed before the new size comes.
    connect(window, &QWindow::windowStateChanged, this, &TForm1::renewFrameHints);
    connect(window, &QWindow::screenChanged, this, &TForm1::followScreen);
    // Before the window is mapped, so that it never shows larger than the
    // screen and the window manager sees its hints from the start.
    followScreen();
}

QSize TForm1::normalClientSize() const
{
    const QWindow *window = windowHandle();
    const QScreen *current = window ? window->screen() : nullptr;
    if (!current || !desktopFramesWindows())
        return kDesignedClientSize;
    return fittedClientSize(kDesignedClientSize, window->frameMargins(), current->availableGeometry().size());
}

void TForm1::renewFrameHints()
{
    QWindow *window = windowHandle();
    if (!window || !desktopFramesWindows())
        return;
    // The user drags no edge to another size; maximising stays offered and
    // fills the screen, and restoring brings the normal size back.
    if (window->windowStates() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        freeFrameSize(window);
    else
        fixFrameSize(window, normalClientSize());
}

void TForm1::followScreen()
{
    // On every screen the window keeps its designed size in logical pixels:
    // moved to a monitor of another scale it would otherwise keep its device
    // pixels and show only a part of itself. The size notification of the
    // change runs FormResize.
    QWindow *window = windowHandle();
    if (!window || !desktopFramesWindows())
        return;
    disconnect(m_screenWatch);
    if (QScreen *current = window->screen())
        m_screenWatch = connect(current, &QScreen::availableGeometryChanged, this, &TForm1::keepWithinScreen);
    // The toolkit sends hints in the device pixels of the window's screen,
    // and sends them only when their logical value changes: on a screen of
    // another scale they are sent anew before the window asks for its size.
    freeFrameSize(window);
    renewFrameHints();
    if (isNormal(window->windowStates()) && size() != normalClientSize())
        resize(normalClientSize());
    keepWithinScreen();
}

void TForm1::keepWithinScreen()
{
    // A window larger than the screen's available area shows no status bar
    // and no title-bar buttons, whatever restored it or however the frame
    // grew: a normal window is fitted there, and its size notification runs
    // FormResize. Maximised, the window system fits it itself.
    QWindow *window = windowHandle();
    if (!window || !desktopFramesWindows() || !isNormal(window->windowStates()) || !window->screen())
        return;
    const QRect available = window->screen()->availableGeometry();
    if (outerSize().width() > available.width() || outerSize().height() > available.height()) {
        renewFrameHints();
        resize(normalClientSize().boundedTo(size()));
    }
    // The window system places the window; but one left where no screen
    // shows it any more (its monitor was unplugged) is brought onto the
    // screen that it now belongs to.
    const QRect frame = window->frameGeometry();
    if (!QGuiApplication::screenAt(frame.center()) && frame.width() <= available.width()
        && frame.height() <= available.height()) {
        move(std::clamp(frame.left(), available.left(), available.right() + 1 - frame.width()),
             std::clamp(frame.top(), available.top(), available.bottom() + 1 - frame.height()));
    }
}
