#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A throw-away catalog in a temporary folder that plays the executable's
// folder: the program looks for DATA beside the executable installed here.
class TestCatalog
{
public:
    TestCatalog();
    ~TestCatalog();

    QString root() const { return m_dir.path(); }
    QString executable() const { return m_dir.path() + QStringLiteral("/korvane"); }
    QString path(const QString &relative) const { return root() + u'/' + relative; }

    void writeBytes(const QString &relative, const QByteArray &bytes) const;
    // Windows-1251 lines, each ended by CR LF.
    void writeLines(const QString &relative, const QStringList &lines) const;
    void makeFolder(const QString &relative) const;

private:
    QTemporaryDir m_dir;
};

// Records what the error box would show, instead of a modal window.
class RecordedErrorBoxes
{
public:
    RecordedErrorBoxes();
    ~RecordedErrorBoxes();

    QStringList shown;
};
