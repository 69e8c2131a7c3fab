#include "app/StartUp.h"

#include "platform/ErrorBox.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

#include <QApplication>

#include <csignal>
#include <memory>

namespace korvane {

namespace {

// The menu entry dist/org.korvane.Korvane.desktop, less its extension.
constexpr char kDesktopEntry[] = "org.korvane.Korvane";

} // namespace

void applyShowRequest(TForm1 &form, ShowRequest request)
{
    switch (request) {
    case ShowRequest::Maximized:
        form.setStateByProgram(TForm1::RecordedState::Maximized);
        form.showMaximized();
        break;
    case ShowRequest::MinimizedInactive:
        form.setStateByProgram(TForm1::RecordedState::Minimized);
        form.showMinimized();
        break;
    case ShowRequest::Normal:
        break;
    }
}

void prepareProcess()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

int runProgram(int argc, char **argv)
{
    prepareProcess();
    // Docks and task lists find the menu entry, and with it the icon and the
    // name, by the window's X11 instance name or its Wayland app id: both are
    // the entry's name. (X11 takes the instance name from the environment
    // only; one the user set is kept.)
    if (!qEnvironmentVariableIsSet("RESOURCE_NAME"))
        qputenv("RESOURCE_NAME", kDesktopEntry);
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopEntry));
    // The name in the desktop's task list and the caption of every error box.
    // The display name stays unset: the toolkit would append it to captions.
    QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));

    auto mainWindow = std::make_unique<TForm1>();
    mainWindow->show();
    auto preview = std::make_unique<Tshowdw>();
    showdw = preview.get();

    applyShowRequest(*mainWindow, ShowRequest::Normal);
    const int result = QApplication::exec();

    showdw = nullptr;
    preview.reset();
    mainWindow.reset();
    return result;
}

} // namespace korvane
