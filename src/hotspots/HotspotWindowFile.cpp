#include "hotspots/HotspotWindow.h"

#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/Failure.h"
#include "catalog/HotspotFile.h"
#include "catalog/Hotspots.h"
#include "catalog/PartLine.h"
#include "catalog/Win1251.h"
#include "hotspots/DiagramView.h"
#include "hotspots/HotspotDocument.h"
#include "platform/ErrorBox.h"
#include "platform/PartListBox.h"
#include "platform/PictureFile.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSet>
#include <QStatusBar>

// Opening a diagram with its hotspot file and its catalog's part lists,
// saving, and Try.

namespace korvane::hotspots {

namespace {

// The editor keeps a few words per line; a hotspot file of more lines than
// this is no diagram's, and is refused rather than filling the memory.
constexpr qsizetype kMaxLines = 1'000'000;

} // namespace

void HotspotWindow::tell(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kProgramTitle), errorBoxText(message), QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("message"));
    box.exec();
}

bool HotspotWindow::openDiagram(const QString &path)
{
    if (!maybeSave())
        return false;
    const QFileInfo info(path);
    const QString diagramFile = info.absoluteFilePath();
    if (pictureExtension(diagramFile).compare(QStringLiteral("bmp"), Qt::CaseInsensitive) != 0) {
        tell(tr("%1 is no diagram: diagrams are Windows bitmaps (.bmp)").arg(path));
        return false;
    }
    // The hotspot file lies beside the diagram under the same name, found
    // as the browser finds names (letter case aside); none yet is no fault.
    const ComposedPath hotspotFile(info.absolutePath() + u'/', info.fileName().chopped(4) + QStringLiteral(".met"));
    QImage image;
    QByteArray bytes;
    try {
        image = loadPictureFile(ComposedPath(diagramFile, QString()));
        if (const std::optional<CatalogFile> found = findCatalogFile(hotspotFile))
            bytes = readCatalogFile(*found);
        if (CatalogLines::fromText(bytes).textLineCount() > kMaxLines)
            throw Failure(tr("%1 has more than %2 lines").arg(hotspotFile.text()).arg(kMaxLines));
    } catch (...) {
        tell(failureMessage(std::current_exception()));
        return false;
    }

    m_diagramFile = diagramFile;
    m_hotspotFile = hotspotFile;
    readPartLists(diagramFile);
    // Names are checked against the model part list, as korvane-check
    // checks them.
    std::optional<PartList> checkedList;
    if (!m_partLists.empty() && m_partLists.front().ofModel)
        checkedList = PartList{m_partLists.front().lines, m_partLists.front().fileName};
    m_view->setImage(image);
    m_document->reset(bytes, image.size(), checkedList);
    select(-1);
    m_view->setFocus(Qt::OtherFocusReason);
    updateTitle();
    qsizetype hotspots = 0;
    for (qsizetype line = 0; line < m_document->lineCount(); ++line)
        hotspots += m_document->point(line) ? 1 : 0;
    statusBar()->showMessage(tr("%1: %2 lines, %3 hotspots; %4 part codes to name them")
                                 .arg(QDir::toNativeSeparators(hotspotFile.text()))
                                 .arg(m_document->lineCount())
                                 .arg(hotspots)
                                 .arg(m_codes.size()));
    return true;
}

void HotspotWindow::readPartLists(const QString &diagramFile)
{
    m_partLists.clear();
    m_codes.clear();
    if (const std::optional<paths::DiagramPlace> place = paths::diagramPlace(diagramFile)) {
        const auto read = [this](const ComposedPath &path, const QString &fileName, bool ofModel) {
            // A list that cannot be read offers no codes; the browser would
            // show its failure when it is chosen, and korvane-check finds it.
            try {
                if (const std::optional<CatalogFile> file = findCatalogFile(path))
                    m_partLists.push_back({fileName, ofModel, readCatalogLines(*file)});
            } catch (const Failure &) {
            }
        };
        const QString &base = place->base;
        read(paths::modelPartList(base, place->manufacturer, place->model), place->model + QStringLiteral(".txt"),
             true);
        try {
            const ComposedPath groupList = paths::groupList(base, place->manufacturer, place->model);
            if (const std::optional<CatalogFile> file = findCatalogFile(groupList)) {
                const CatalogLines groups = readCatalogLines(*file);
                for (qsizetype i = 0; i < groups.size(); ++i) {
                    const QString group = groups.line(i);
                    read(paths::groupPartList(base, place->manufacturer, place->model, group),
                         group + QStringLiteral(".txt"), false);
                }
            }
        } catch (const Failure &) {
        }
    }
    // The part codes, each once, in list order: the first word of a line as
    // a selection cuts it.
    QSet<QString> seen;
    for (const NamedPartList &list : m_partLists) {
        const CatalogLines &lines = list.lines;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString code = i < lines.textLineCount() ? decodeWin1251(partCodeOfLine(lines.textLine(i)))
                                                           : partCodeOfLine(lines.line(i));
            if (!code.isEmpty() && !seen.contains(code)) {
                seen.insert(code);
                m_codes.append(code);
            }
        }
    }
    const QSignalBlocker blocker(m_tryListChoice);
    m_tryListChoice->clear();
    for (const NamedPartList &list : m_partLists)
        m_tryListChoice->addItem(list.ofModel ? tr("%1 (the model's part list)").arg(list.fileName)
                                              : tr("%1 (a group's part list)").arg(list.fileName));
    if (m_partLists.empty())
        m_tryListChoice->addItem(tr("No part list: the diagram lies outside a catalog"));
    m_tryListChoice->setEnabled(!m_partLists.empty());
    chooseTryList(0);
}

bool HotspotWindow::save()
{
    if (m_diagramFile.isEmpty())
        return false;
    // A name typed and not yet confirmed is confirmed first; one the field
    // refuses stops the save.
    const bool typed
        = m_view->pendingPoint()
          || (m_selected >= 0 && m_document->point(m_selected) && m_name->text() != m_document->name(m_selected));
    if (typed && !confirmName())
        return false;
    try {
        writeCatalogFile(m_hotspotFile, m_document->bytes());
    } catch (...) {
        tell(failureMessage(std::current_exception()));
        return false;
    }
    m_document->undoStack()->setClean();
    updateTitle();
    statusBar()->showMessage(tr("Saved %1").arg(QDir::toNativeSeparators(m_hotspotFile.text())), 5000);
    return true;
}

bool HotspotWindow::maybeSave()
{
    if (m_document->undoStack()->isClean() && !m_view->pendingPoint())
        return true;
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProgramTitle),
                    tr("%1 has changes that are not saved.").arg(QFileInfo(m_hotspotFile.text()).fileName()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("unsavedChanges"));
    box.setInformativeText(tr("Save them before going on?"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void HotspotWindow::openChosen()
{
    const QString folder = m_diagramFile.isEmpty() ? QDir::currentPath() : QFileInfo(m_diagramFile).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Open diagram"), folder,
                                                        tr("Diagrams (*.bmp *.BMP *.Bmp);;All files (*)"));
    if (!chosen.isEmpty())
        openDiagram(chosen);
}

void HotspotWindow::saveChosen()
{
    save();
}

void HotspotWindow::setTryMode(bool on)
{
    settlePendingPoint();
    m_view->setTryMode(on);
    m_tryPanel->setVisible(on);
    m_tryResult->setText(on ? tr("Press the diagram.") : QString());
}

void HotspotWindow::chooseTryList(int index)
{
    m_tryParts->setLines(index >= 0 && index < int(m_partLists.size()) ? m_partLists[size_t(index)].lines
                                                                       : CatalogLines());
}

void HotspotWindow::tryPress(QPoint pixel)
{
    m_view->setTriedPixel(pixel);
    // The file as it would be saved, read as the browser reads it, pressed
    // by the browser's own rule, with its own search edit and list widgets.
    const HotspotTable table(CatalogLines::fromText(m_document->bytes()));
    HotspotPress press(table, kHotspotHalfWidth, kHotspotHalfHeight, pixel.x(), pixel.y());
    QString failure;
    try {
        while (const std::optional<HotspotPressStep> step = press.next()) {
            if (!step->name.isEmpty())
                m_trySearch->setText(decodeWin1251(step->name));
            m_tryParts->selectFirstLineStartingWith(m_trySearch->text());
        }
    } catch (...) {
        failure = failureMessage(std::current_exception());
    }
    QString result = tr("A press at %1, %2").arg(pixel.x()).arg(pixel.y());
    if (!failure.isEmpty())
        result += tr(" ends at line %1 with the error box “%2”").arg(press.row()).arg(errorBoxText(failure));
    const int selected = m_tryParts->selectedIndex();
    result += tr(" leaves “%1” in the search").arg(m_trySearch->text());
    result += selected >= 0 ? tr(" and line %1 selected: %2").arg(selected + 1).arg(m_tryParts->line(selected))
                            : tr(" and no line selected.");
    m_tryResult->setText(result);
}

} // namespace korvane::hotspots
