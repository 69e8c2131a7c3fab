#pragma once

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

} // namespace korvane
