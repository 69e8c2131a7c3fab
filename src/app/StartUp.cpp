#include "app/StartUp.h"

#include "platform/ErrorBox.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

#include <QApplication>

#include <csignal>
#include <memory>

namespace korvane {

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
    QApplication app(argc, argv);
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
