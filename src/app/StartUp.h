#pragma once

class TForm1;

namespace korvane {

// How the desktop asks for the first window to be shown. Linux desktops pass
// no such request to a program started from a menu or a shell, so the program
// itself always starts with Normal; the others are kept for completeness.
enum class ShowRequest { Normal, Maximized, MinimizedInactive };

void applyShowRequest(TForm1 &form, ShowRequest request);

// Process-wide settings made before anything else runs. A write past the
// file-size limit must fail like a full disk, with the usual box, instead of
// ending the program: SIGXFSZ is ignored.
void prepareProcess();

// The whole program: toolkit, title, main window, preview window, run loop.
int runProgram(int argc, char **argv);

} // namespace korvane
