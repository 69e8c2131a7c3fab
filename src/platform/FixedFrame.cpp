#include "platform/FixedFrame.h"

#include <QGuiApplication>
#include <QWindow>

#include <algorithm>

namespace korvane {

namespace {

// No drag on an X screen reaches this many pixels: every size a window
// manager lets the user pick is then the base size.
constexpr int kUnreachableIncrement = 32767;
// Qt's own "no limit".
constexpr int kNoMaximum = (1 << 24) - 1;

} // namespace

bool desktopFramesWindows()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

QSize fittedClientSize(QSize designed, QMargins frame, QSize available)
{
    const int width = available.width() - frame.left() - frame.right();
    const int height = available.height() - frame.top() - frame.bottom();
    // A screen too small for even a sliver of the window leaves it at one
    // pixel: the window manager and the resize rule still get a real size.
    return {std::clamp(width, 1, designed.width()), std::clamp(height, 1, designed.height())};
}

void fixFrameSize(QWindow *window, QSize size)
{
    window->setMinimumSize(size);
    window->setBaseSize(size);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // X11 window managers take a window whose minimum equals its maximum
        // for one that cannot be maximised either (openbox drops its maximise
        // button and action), so there the size sticks through increments
        // that no drag reaches, and the maximum stays open.
        window->setSizeIncrement(QSize(kUnreachableIncrement, kUnreachableIncrement));
        window->setMaximumSize(QSize(kNoMaximum, kNoMaximum));
    } else {
        // Wayland knows no increments; its compositors let a window of fixed
        // size be maximised.
        window->setSizeIncrement(QSize());
        window->setMaximumSize(size);
    }
}

void freeFrameSize(QWindow *window)
{
    window->setMinimumSize(QSize());
    window->setBaseSize(QSize());
    window->setSizeIncrement(QSize());
    window->setMaximumSize(QSize(kNoMaximum, kNoMaximum));
}

} // namespace korvane
