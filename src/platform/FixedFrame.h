#pragma once

#include <QMargins>
#include <QSize>

class QWindow;

namespace korvane {

// Whether a window system frames and places the windows. The offscreen
// platform that the tests run on has no desktop: its one screen is a fixed
// stand-in that no window is fitted to.
bool desktopFramesWindows();

// The client size of a window designed at `designed` whose frame, `frame`
// around it, fits into `available`: the designed size where it fits, the
// room left in each direction where it does not.
QSize fittedClientSize(QSize designed, QMargins frame, QSize available);

// Size hints that keep a window at `size` against drags of its frame while
// the window manager still offers to maximise it.
void fixFrameSize(QWindow *window, QSize size);
// Size hints that leave the size to the window manager: a maximised window
// fills whatever the screen offers.
void freeFrameSize(QWindow *window);

} // namespace korvane
