#include "hotspots/HotspotWindow.h"

#include "catalog/HotspotFile.h"
#include "hotspots/DiagramView.h"
#include "hotspots/HotspotDocument.h"

#include <QAction>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStringListModel>
#include <QTableView>

#include <algorithm>

// The selection kept in step between the diagram, the list and the name
// field, and the editing they drive.

namespace korvane::hotspots {

void HotspotWindow::select(qsizetype line)
{
    m_selected = line;
    m_view->setSelectedLine(line);
    if (!m_syncingList) {
        m_syncingList = true;
        if (line >= 0) {
            const QModelIndex index = m_document->index(int(line), 0);
            m_list->selectionModel()->setCurrentIndex(index,
                                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            m_list->scrollTo(index);
        } else {
            m_list->selectionModel()->clearSelection();
            m_list->selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        }
        m_syncingList = false;
    }
    const std::optional<QPoint> at = line >= 0 ? m_document->point(line) : std::nullopt;
    if (!m_view->pendingPoint()) {
        // A disabled field hands its focus on to the list, which would take
        // its first line for the selection: the diagram has it instead.
        if (!at && m_name->hasFocus())
            m_view->setFocus(Qt::OtherFocusReason);
        m_name->setText(at ? m_document->name(line) : QString());
        m_name->setEnabled(at.has_value());
        m_nameMessage->clear();
    }
    if (at) {
        const QRect box = m_view->boxOnWidget(line);
        if (!box.isEmpty())
            m_scroll->ensureVisible(box.center().x(), box.center().y(), box.width() / 2 + 40, box.height() / 2 + 40);
    }
    m_nameAction->setEnabled(at.has_value());
    m_deleteAction->setEnabled(line >= 0 || m_view->pendingPoint());
    for (QAction *action : m_moveActions)
        action->setEnabled(at.has_value());
}

void HotspotWindow::listSelectionChanged()
{
    if (m_syncingList)
        return;
    m_syncingList = true;
    settlePendingPoint();
    select(m_list->selectionModel()->currentIndex().isValid() ? m_list->selectionModel()->currentIndex().row() : -1);
    m_syncingList = false;
}

void HotspotWindow::pressedOnEmpty(QPoint pixel)
{
    settlePendingPoint();
    if (!QRect(QPoint(0, 0), m_view->image().size()).contains(pixel))
        return;
    select(-1);
    m_view->setPendingPoint(pixel);
    m_name->setEnabled(true);
    m_name->clear();
    showNameMessage(
        tr("New hotspot at %1, %2: type its name; Enter keeps it, Escape takes it away.").arg(pixel.x()).arg(pixel.y()),
        false);
    m_deleteAction->setEnabled(true);
    updateTitle();
    m_name->setFocus(Qt::OtherFocusReason);
    // The codes not yet placed come first in the list.
    if (!m_codes.isEmpty()) {
        m_completer->setCompletionPrefix(QString());
        m_completer->complete();
    }
}

void HotspotWindow::pressedOnLine(qsizetype line)
{
    settlePendingPoint();
    select(line);
}

void HotspotWindow::edited(qsizetype line)
{
    if (m_view->pendingPoint())
        dropPendingPoint();
    select(std::min(line, m_document->lineCount() - 1));
    updateTitle();
}

void HotspotWindow::settlePendingPoint()
{
    if (!m_view->pendingPoint())
        return;
    if (refusedHotspotName(m_name->text()).isEmpty())
        confirmName();
    else
        dropPendingPoint();
}

void HotspotWindow::dropPendingPoint()
{
    m_view->setPendingPoint(std::nullopt);
    m_nameMessage->clear();
    if (m_completer->popup())
        m_completer->popup()->hide();
    select(m_selected);
    updateTitle();
}

bool HotspotWindow::confirmName()
{
    const std::optional<QPoint> pending = m_view->pendingPoint();
    if (!pending && (m_selected < 0 || !m_document->point(m_selected)))
        return true;
    const QString name = m_name->text();
    const QString refused = refusedHotspotName(name);
    if (!refused.isEmpty()) {
        showNameMessage(refused + u'.', true);
        m_name->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (pending) {
        m_view->setPendingPoint(std::nullopt);
        m_document->add(name, *pending);
    } else {
        m_document->rename(m_selected, name);
    }
    m_nameMessage->clear();
    m_view->setFocus(Qt::OtherFocusReason);
    return true;
}

void HotspotWindow::showNameMessage(const QString &text, bool refusal)
{
    QPalette colours = m_nameMessage->palette();
    colours.setColor(QPalette::WindowText, refusal ? QColor(176, 0, 0) : palette().color(QPalette::WindowText));
    m_nameMessage->setPalette(colours);
    m_nameMessage->setText(text);
}

bool HotspotWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The codes offered are put in order when they are about to be used.
    if (watched == m_name && event->type() == QEvent::FocusIn)
        refreshCompletion();
    if ((watched == m_name || watched == m_completer->popup()) && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        if (m_view->pendingPoint()) {
            dropPendingPoint();
            m_view->setFocus(Qt::OtherFocusReason);
        } else {
            select(m_selected);
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void HotspotWindow::refreshCompletion()
{
    const QSet<QString> placed = m_document->names();
    QStringList ordered;
    ordered.reserve(m_codes.size());
    for (const bool wantPlaced : {false, true}) {
        for (const QString &code : std::as_const(m_codes)) {
            if (placed.contains(code) == wantPlaced)
                ordered.append(code);
        }
    }
    if (ordered != m_completions->stringList())
        m_completions->setStringList(ordered);
}

void HotspotWindow::nameSelected()
{
    if (m_selected < 0)
        return;
    m_name->setFocus(Qt::ShortcutFocusReason);
    m_name->selectAll();
}

void HotspotWindow::deleteSelected()
{
    if (m_view->pendingPoint()) {
        dropPendingPoint();
        return;
    }
    if (m_selected >= 0)
        m_document->remove(m_selected);
}

void HotspotWindow::moveBy(int dx, int dy)
{
    const std::optional<QPoint> at = m_selected >= 0 ? m_document->point(m_selected) : std::nullopt;
    if (!at)
        return;
    // Moved onto the diagram and kept there: a point outside it cannot be
    // pressed, and y must not turn negative, which the line could not say.
    const QSize size = m_view->image().size();
    QPoint to(qint64(at->x()) + dx < 0 ? 0 : at->x() + dx, qint64(at->y()) + dy < 0 ? 0 : at->y() + dy);
    if (!size.isEmpty())
        to = QPoint(std::clamp(to.x(), 0, size.width() - 1), std::clamp(to.y(), 0, size.height() - 1));
    m_document->move(m_selected, to);
}

} // namespace korvane::hotspots
