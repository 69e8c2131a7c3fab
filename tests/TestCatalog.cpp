#include "TestCatalog.h"

#include "catalog/CatalogText.h"
#include "platform/ErrorBox.h"
#include "platform/ExecutablePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

TestCatalog::TestCatalog()
{
    QVERIFY2(m_dir.isValid(), "cannot make a temporary folder");
    korvane::setExecutablePathForTesting(executable());
}

TestCatalog::~TestCatalog()
{
    korvane::setExecutablePathForTesting(QString());
}

void TestCatalog::writeBytes(const QString &relative, const QByteArray &bytes) const
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(full));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestCatalog::writeLines(const QString &relative, const QStringList &lines) const
{
    writeBytes(relative, korvane::joinCatalogLines(lines));
}

void TestCatalog::makeFolder(const QString &relative) const
{
    QVERIFY(QDir().mkpath(path(relative)));
}

RecordedErrorBoxes::RecordedErrorBoxes()
{
    korvane::setErrorBoxRecorder([this](const QString &text) { shown.append(text); });
}

RecordedErrorBoxes::~RecordedErrorBoxes()
{
    korvane::setErrorBoxRecorder({});
}
