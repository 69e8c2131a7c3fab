#include "StartUpTiming.h"

#include "BenchData.h"

#include "app/StartUp.h"
#include "platform/ExecutablePath.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QWidget>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench {

namespace {

qint64 monotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Watches every event of the application for the first paint of a window.
// The window and all its controls are painted in one pass of the toolkit; a
// call queued from inside that pass runs when it is over.
class FirstPaintWatcher : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow()) {
            m_seen = true;
            QMetaObject::invokeMethod(this, &FirstPaintWatcher::report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void report()
    {
        std::printf("%lld\n", static_cast<long long>(monotonicNanoseconds()));
        std::fflush(stdout);
        QCoreApplication::quit();
    }

    bool m_seen = false;
};

// Runs inside the application object's construction, before any window
// exists, so the program's own start-up code needs no hook.
void watchForFirstPaint()
{
    static FirstPaintWatcher watcher;
    QCoreApplication::instance()->installEventFilter(&watcher);
}

} // namespace

int runStartUpChild(int argc, char **argv)
{
    if (argc < 4)
        fail(QStringLiteral("a start-up child needs its kind and folder"));
    qAddPreRoutine(watchForFirstPaint);
    if (std::strcmp(argv[2], kProgramChild) == 0) {
        korvane::setExecutablePathForTesting(QFile::decodeName(argv[3]) + QStringLiteral("/korvane"));
        return korvane::runProgram(argc, argv);
    }
    QApplication app(argc, argv);
    QWidget window;
    window.resize(1064, 692);
    if (std::strcmp(argv[2], kLabelWindowChild) == 0)
        (new QLabel(QStringLiteral("RC MODEL CATALOG"), &window))->setGeometry(8, 8, 300, 20);
    window.show();
    return QApplication::exec();
}

StartUpRun startChild(const QByteArray &executable, const char *kind, const QByteArray &folder)
{
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        fail(QStringLiteral("cannot make a pipe"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    char *arguments[] = {const_cast<char *>(executable.constData()), const_cast<char *>(kStartUpChildArgument),
                         const_cast<char *>(kind), const_cast<char *>(folder.constData()), nullptr};

    const qint64 start = monotonicNanoseconds();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, executable.constData(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (spawned != 0)
        fail(QStringLiteral("cannot start %1").arg(QFile::decodeName(executable)));

    QByteArray reported;
    char buffer[64];
    for (;;) {
        const ssize_t got = ::read(output[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        reported.append(buffer, got);
    }
    ::close(output[0]);
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) { }
    bool parsed = false;
    const qint64 painted = reported.trimmed().toLongLong(&parsed);
    if (!parsed || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(QStringLiteral("the %1 start-up child did not report its first paint").arg(QString::fromLatin1(kind)));
    return {double(painted - start) / 1e6, qint64(usage.ru_maxrss) * 1024};
}

} // namespace bench
