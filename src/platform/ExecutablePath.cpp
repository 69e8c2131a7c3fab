#include "platform/ExecutablePath.h"

#include <QCoreApplication>

namespace korvane {

namespace {

QString &overridePath()
{
    static QString path;
    return path;
}

} // namespace

QString executablePath()
{
    if (!overridePath().isEmpty())
        return overridePath();
    return QCoreApplication::applicationFilePath();
}

void setExecutablePathForTesting(const QString &path)
{
    overridePath() = path;
}

} // namespace korvane
