#include "platform/PictureDialog.h"

#include "catalog/Failure.h"
#include "platform/PictureFile.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QPainter>

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
    for (qsizetype i = 0; i + 1 < elements.size(); i += 2)
        result.append(elements.at(i));
    return result;
}

QStringList PictureDialog::patterns(int index) const
{
    const QStringList elements = m_filter.split(u'|');
    const qsizetype at = 2 * qsizetype(index) - 1;
    if (index < 1 || at >= elements.size())
        return {};
    return elements.at(at).split(u';', Qt::SkipEmptyParts);
}

bool PictureDialog::execute(QWidget *parent)
{
    std::optional<QString> chosen;
    if (chooser()) {
        chosen = chooser()(*this);
    } else {
        QFileDialog dialog(parent);
        // The toolkit's own dialog, not the desktop's: only it takes the
        // preview, and only it lets the filters keep their designed names.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(m_mode == Mode::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(m_mode == Mode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);

        const QStringList names = nameFilters();
        dialog.setNameFilters(names);
        // The toolkit reads a filter's patterns out of its name and splits
        // them at spaces only, so "All (*.jpg;*.jpeg)" would list nothing.
        // The file list takes each choice's patterns from the filter's own
        // pattern element instead, after the toolkit has applied its reading.
        auto *files = dialog.findChild<QFileSystemModel *>();
        const auto usePatternsOf = [this, names, files](const QString &name) {
            if (files)
                files->setNameFilters(patterns(int(names.indexOf(name)) + 1));
        };
        connect(&dialog, &QFileDialog::filterSelected, &dialog, usePatternsOf);
        if (m_filterIndex >= 1 && m_filterIndex <= names.size())
            dialog.selectNameFilter(names.at(m_filterIndex - 1));
        usePatternsOf(dialog.selectedNameFilter());

        auto *preview = new PicturePreview(&dialog);
        preview->setObjectName(QStringLiteral("preview"));
        // Row 1 of the dialog's grid holds the folder and file lists.
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
            grid->addWidget(preview, 1, grid->columnCount());
        connect(&dialog, &QFileDialog::currentChanged, preview, &PicturePreview::showFile);

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

PicturePreview::PicturePreview(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

void PicturePreview::showFile(const QString &path)
{
    // Folders, files of other kinds and broken pictures alike show nothing:
    // the dialog is for looking, the error box comes only with the choice.
    QImage picture;
    try {
        picture = loadEditorPicture(path).image;
    } catch (const Failure &) {
    }
    m_picture = std::move(picture);
    update();
}

QRect PicturePreview::pictureArea() const
{
    if (m_picture.isNull())
        return QRect();
    const QRect room = contentsRect();
    QSize size = m_picture.size();
    if (size.width() > room.width() || size.height() > room.height())
        size.scale(room.size(), Qt::KeepAspectRatio);
    QRect area(QPoint(), size);
    area.moveCenter(room.center());
    return area;
}

QSize PicturePreview::sizeHint() const
{
    return QSize(200, 200);
}

void PicturePreview::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(pictureArea(), m_picture);
}

} // namespace korvane
