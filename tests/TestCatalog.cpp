#include "TestCatalog.h"

#include "platform/ErrorBox.h"
#include "platform/ExecutablePath.h"
#include "support/BitmapFile.h"
#include "support/CatalogTexts.h"
#include "ui/Unit1.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>

TestCatalog::TestCatalog(const QString &namePrefix)
    : m_dir(namePrefix.isEmpty() ? QString() : QDir::tempPath() + u'/' + namePrefix + QStringLiteral("-XXXXXX"))
{
    QVERIFY2(m_dir.isValid(), "cannot make a temporary folder");
    korvane::setExecutablePathForTesting(executable());
}

TestCatalog::~TestCatalog()
{
    korvane::setExecutablePathForTesting(QString());
    if (!korvane::testing::removeTree(m_dir.path()))
        qWarning("cannot remove %s", qPrintable(m_dir.path()));
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
    writeBytes(relative, korvane::testing::joinCatalogLines(lines));
}

void TestCatalog::makeFolder(const QString &relative) const
{
    QVERIFY(QDir().mkpath(path(relative)));
}

void TestCatalog::writeJpeg(const QString &relative, int width, int height, QColor colour) const
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "JPEG", 95));
    writeBytes(relative, buffer.data());
}

void TestCatalog::writeBmp(const QString &relative, int width, int height, QColor colour) const
{
    writeBytes(relative, korvane::testing::solidBitmap(width, height, colour.rgb()));
}

void TestCatalog::writeSampleCatalog() const
{
    writeLines(QStringLiteral("DATA/catalog.txt"),
               {QStringLiteral("LST"), QStringLiteral("XRAY"), QStringLiteral("Teamassociated")});

    writeLines(QStringLiteral("DATA/XRAY/catalog.txt"), {QStringLiteral("T4"), QStringLiteral("XB8")});
    writeLines(QStringLiteral("DATA/XRAY/Tools.txt"), {QStringLiteral("T1 Wrench")});
    writeLines(QStringLiteral("DATA/XRAY/T4/T4.txt"),
               {QStringLiteral("301011 Рычаг передний"), QStringLiteral("3010111 Рычаг длинный"),
                QStringLiteral("302001 Шестерня"), QStringLiteral("A7 Shock")});
    writeJpeg(QStringLiteral("DATA/XRAY/T4/T4.jpg"), 40, 30, Qt::red);
    writeLines(QStringLiteral("DATA/XRAY/T4/Parts/list.txt"), {QStringLiteral("Chassis"), QStringLiteral("body")});
    writeLines(QStringLiteral("DATA/XRAY/T4/Parts/Chassis.txt"), {QStringLiteral("301011 Рычаг передний")});
    writeLines(QStringLiteral("DATA/XRAY/T4/Parts/body.txt"), {QStringLiteral("A7 Shock")});
    writeLines(QStringLiteral("DATA/XRAY/T4/Parts/EXPLODED/list.txt"), {QStringLiteral("Gearbox")});
    writeLines(QStringLiteral("DATA/XRAY/XB8/XB8.txt"), {QStringLiteral("350001 Chassis plate")});
    writeJpeg(QStringLiteral("DATA/XRAY/XB8/XB8.jpg"), 50, 20, Qt::blue);
    writeJpeg(QStringLiteral("DATA/IMG/xra301011.jpg"), 20, 10, Qt::green);
    writeJpeg(QStringLiteral("DATA/IMG/xra302001.jpg"), 24, 12, Qt::yellow);

    writeLines(QStringLiteral("DATA/LST/catalog.txt"), {QStringLiteral("LST3")});
    writeLines(QStringLiteral("DATA/LST/LST3/LST3.txt"), {QStringLiteral("L3101 Diff"), QStringLiteral("L3110 Gear")});
    writeJpeg(QStringLiteral("DATA/LST/LST3/LST3.jpg"), 30, 30, Qt::gray);
    writeJpeg(QStringLiteral("DATA/IMG/L3101.jpg"), 16, 16, Qt::cyan);
}

FileSizeLimit::FileSizeLimit(long long bytes)
{
    struct rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_savedCurrent = static_cast<long long>(limit.rlim_cur);
    // Past the limit the kernel sends SIGXFSZ, which would end the test.
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    struct rlimit limit;
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(m_savedCurrent);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_savedHandler);
}

QByteArray readFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

RecordedErrorBoxes::RecordedErrorBoxes()
{
    korvane::setErrorBoxRecorder([this](const QString &text) { shown.append(text); });
}

RecordedErrorBoxes::~RecordedErrorBoxes()
{
    korvane::setErrorBoxRecorder({});
}

SampleSession::SampleSession(const std::function<void(TestCatalog &)> &prepare)
{
    catalog.writeSampleCatalog();
    if (prepare)
        prepare(catalog);
    form = std::make_unique<TForm1>();
    form->show();
}

SampleSession::~SampleSession() = default;
