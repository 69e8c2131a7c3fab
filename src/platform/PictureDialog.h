#pragma once

#include <QFrame>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace korvane {

// The open- and save-picture dialogs. The filter is a text of description and
// pattern pairs, every element separated by "|"; the filter index counts the
// pairs from 1.
class PictureDialog : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Open, Save };

    PictureDialog(Mode mode, QObject *parent);

    QString filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    int filterIndex() const { return m_filterIndex; }
    void setFilterIndex(int index) { m_filterIndex = index; }
    QString fileName() const { return m_fileName; }

    // The descriptions, as the dialog lists them.
    QStringList nameFilters() const;
    // The patterns of the pair at a filter index, split at ";".
    QStringList patterns(int index) const;

    // Shows the dialog modally; false when the user cancels.
    bool execute(QWidget *parent);

    // Tests choose the file (or cancel with nothing) without a modal window.
    using Chooser = std::function<std::optional<QString>(const PictureDialog &dialog)>;
    static void setChooserForTesting(Chooser chooser);

private:
    Mode m_mode;
    QString m_filter;
    int m_filterIndex = 1;
    QString m_fileName;
};

// The picture beside the dialog's file list: the highlighted file decoded by
// the program's own decoders, or nothing when it does not decode.
class PicturePreview : public QFrame
{
    Q_OBJECT

public:
    explicit PicturePreview(QWidget *parent = nullptr);

    void showFile(const QString &path);
    const QImage &picture() const { return m_picture; }
    // Where the picture is drawn: centred, shrunk to fit, never enlarged.
    QRect pictureArea() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
};

} // namespace korvane
