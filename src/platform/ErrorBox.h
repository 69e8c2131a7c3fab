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
// in the error box. When a handler runs inside another one (a hidden button's
// click invoked from code), the failure is kept instead, and
// rethrowNestedFailure() lets the outer handler end at that point too, without
// the exception ever crossing the toolkit's frames.
void runGuarded(const std::function<void()> &handler);
void rethrowNestedFailure();
bool insideGuardedHandler();

// The user's message for any caught exception.
QString failureMessage(const std::exception_ptr &failure);

} // namespace korvane
