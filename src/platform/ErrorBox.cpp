#include "platform/ErrorBox.h"

#include "catalog/Failure.h"

#include <QApplication>
#include <QMessageBox>

#include <new>
#include <utility>

namespace korvane {

namespace {

ErrorBoxRecorder &recorder()
{
    static ErrorBoxRecorder instance;
    return instance;
}

int g_handlerDepth = 0;
std::exception_ptr g_nestedFailure;

} // namespace

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void showErrorBox(const QString &message)
{
    // Messages quote their values shortened already; this keeps any other
    // text of unusual length from holding up the box as well.
    constexpr qsizetype kShownCapacity = 2000;
    const QString text
        = errorBoxText(message.size() <= kShownCapacity
                           ? message
                           : message.left(kShownCapacity / 2) + QChar(0x2026) + message.right(kShownCapacity / 2));
    if (recorder()) {
        recorder()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
}

void setErrorBoxRecorder(ErrorBoxRecorder newRecorder)
{
    recorder() = std::move(newRecorder);
}

QString failureMessage(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Failure &f) {
        return f.message();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown failure");
    }
}

void runGuarded(const std::function<void()> &handler)
{
    ++g_handlerDepth;
    std::exception_ptr failure;
    try {
        handler();
    } catch (...) {
        failure = std::current_exception();
    }
    --g_handlerDepth;
    if (g_handlerDepth > 0) {
        if (failure && !g_nestedFailure)
            g_nestedFailure = failure;
        return;
    }
    if (!failure)
        failure = std::exchange(g_nestedFailure, nullptr);
    g_nestedFailure = nullptr;
    if (failure)
        showErrorBox(failureMessage(failure));
}

bool insideGuardedHandler()
{
    return g_handlerDepth > 0;
}

} // namespace korvane
