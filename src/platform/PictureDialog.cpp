#include "platform/PictureDialog.h"

#include <QFileDialog>

#include <utility>

namespace korvane {

namespace {

PictureDialog::Chooser &chooser()
{
    static PictureDialog::Chooser instance;
    return instance;
}

} // namespace

PictureDialog::PictureDialog(Mode mode, QObject *parent) : QObject(parent), m_mode(mode)
{
}

QStringList PictureDialog::nameFilters() const
{
    const QStringList elements = m_filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < elements.size(); i += 2) {
        QString patterns = elements.at(i + 1);
        patterns.replace(u';', u' ');
        // The description already shows the patterns; the toolkit reads the
        // last parenthesised group as the patterns, so it is given again.
        result.append(elements.at(i) + QStringLiteral(" (") + patterns + u')');
    }
    return result;
}

bool PictureDialog::execute(QWidget *parent)
{
    std::optional<QString> chosen;
    if (chooser()) {
        chosen = chooser()(*this);
    } else {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(m_mode == Mode::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(m_mode == Mode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        const QStringList filters = nameFilters();
        dialog.setNameFilters(filters);
        if (m_filterIndex >= 1 && m_filterIndex <= filters.size())
            dialog.selectNameFilter(filters.at(m_filterIndex - 1));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen)
        return false;
    m_fileName = *chosen;
    return true;
}

void PictureDialog::setChooserForTesting(Chooser newChooser)
{
    chooser() = std::move(newChooser);
}

} // namespace korvane
