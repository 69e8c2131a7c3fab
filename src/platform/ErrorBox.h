#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

namespace korvane {

inline constexpr char kApplicationTitle[] = "Rc model Korvane";

// The text shown for a failure: a "." is added when the message is not empty
// and its last character's code is above that of "." (46).
QString errorBoxText(const QString &message);

// The modal box: title "Rc model Korvane", error icon, OK.
void showErrorBox(const QString &message);

// Tests put a recorder in place of the modal box; the program never does.
using ErrorBoxRecorder = std::function<void(const QString &shownText)>;
void setErrorBoxRecorder(ErrorBoxRecorder recorder);

// Runs one handler. A failure ends it there (steps done stay done) and is shown
// in the error box; no exception ever crosses the toolkit's frames. A handler
// that the toolkit runs while another one is still running (a focus change
// made by a handler, say) shows its failure only when the outermost handler
// has ended, so the user sees one box at a time.
void runGuarded(const std::function<void()> &handler);
bool insideGuardedHandler();

// The user's message for any caught exception.
QString failureMessage(const std::exception_ptr &failure);

} // namespace korvane
