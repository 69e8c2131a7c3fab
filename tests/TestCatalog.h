#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class TForm1;

// A throw-away catalog in a temporary folder that plays the executable's
// folder: the program looks for DATA beside the executable installed here.
class TestCatalog
{
public:
    // The folder's name starts with namePrefix when one is given.
    explicit TestCatalog(const QString &namePrefix = QString());
    ~TestCatalog();

    QString root() const { return m_dir.path(); }
    QString executable() const { return m_dir.path() + QStringLiteral("/korvane"); }
    QString path(const QString &relative) const { return root() + u'/' + relative; }

    void writeBytes(const QString &relative, const QByteArray &bytes) const;
    // Windows-1251 lines, each ended by CR LF.
    void writeLines(const QString &relative, const QStringList &lines) const;
    void makeFolder(const QString &relative) const;
    // A JPEG of one colour (written by the toolkit's own encoder: only the
    // tests ever encode).
    void writeJpeg(const QString &relative, int width, int height, QColor colour) const;

    // A 24-bit Windows bitmap of one colour, written byte by byte.
    void writeBmp(const QString &relative, int width, int height, QColor colour) const;

    // A small catalog with three manufacturers:
    //  XRAY: models T4 (parts, picture, groups Chassis and Body, one exploded
    //        view) and XB8 (parts and picture only); photos xra301011, xra302001.
    //  LST:  model LST3 (parts, picture); photo L3101.
    //  Teamassociated: listed, but without a folder.
    void writeSampleCatalog() const;

private:
    QTemporaryDir m_dir;
};

// Limits the size of files this process may write, so that writes fail
// part-way as on a full disk (also for root, whom permissions do not stop).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    long long m_savedCurrent = 0;
    void (*m_savedHandler)(int) = nullptr;
};

// The whole file, or "<missing>" when it cannot be read.
QByteArray readFileBytes(const QString &path);

// Records what the error box would show, instead of a modal window.
class RecordedErrorBoxes
{
public:
    RecordedErrorBoxes();
    ~RecordedErrorBoxes();

    QStringList shown;
};

// The sample catalog with a main window started on it and its error boxes
// recorded. prepare, when given, changes the catalog before the window starts.
struct SampleSession
{
    explicit SampleSession(const std::function<void(TestCatalog &)> &prepare = {});
    ~SampleSession();

    // The path of a catalog file as the program composes it.
    QString data(const QString &relative) const { return catalog.root() + QStringLiteral("/DATA/") + relative; }

    TestCatalog catalog;
    RecordedErrorBoxes boxes;
    std::unique_ptr<TForm1> form;
};
