#include "hotspots/HotspotDocument.h"

#include "catalog/Failure.h"
#include "catalog/IntegerText.h"
#include "catalog/Win1251.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace korvane::hotspots {

// One step on the undo stack: an edit of the file's lines and its reverse,
// each leaving its line selected.
class EditStep : public QUndoCommand
{
public:
    EditStep(HotspotDocument *document, HotspotFileText::Edit edit, const QString &text, qsizetype selectAfter,
             qsizetype selectBefore)
        : QUndoCommand(text), m_document(document), m_edit(std::move(edit)), m_selectAfter(selectAfter),
          m_selectBefore(selectBefore)
    {
    }

    void redo() override { m_document->apply(m_edit, m_selectAfter, true); }
    void undo() override { m_document->apply(m_edit.reversed(), m_selectBefore, true); }

private:
    HotspotDocument *m_document;
    HotspotFileText::Edit m_edit;
    qsizetype m_selectAfter;
    qsizetype m_selectBefore;
};

HotspotDocument::HotspotDocument(QObject *parent) : QAbstractTableModel(parent)
{
}

void HotspotDocument::reset(const QByteArray &bytes, QSize diagram, std::optional<PartList> partList)
{
    beginResetModel();
    m_undo.clear();
    m_text = HotspotFileText(bytes);
    m_partList = std::move(partList);
    m_context = {};
    if (!diagram.isEmpty())
        m_context.diagram = diagram;
    if (m_partList) {
        m_context.partLines = &m_partList->lines;
        m_context.partListName = m_partList->name;
    }
    m_dragLine = -1;
    m_beforeDrag.reset();
    m_infos.clear();
    m_infos.reserve(size_t(m_text.size()));
    HotspotCut carried;
    m_firstStop = -1;
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        m_infos.push_back(infoOf(i, carried));
        carried = m_infos.back().cut;
        if (m_firstStop < 0 && !m_infos.back().converts)
            m_firstStop = i;
    }
    endResetModel();
    m_undo.setClean();
}

HotspotCut HotspotDocument::cutBefore(qsizetype line) const
{
    return line > 0 ? m_infos[size_t(line - 1)].cut : HotspotCut();
}

HotspotBytes HotspotDocument::cellBytes(qsizetype line) const
{
    HotspotCut carried = cutBefore(line);
    return cutHotspotLine(m_text.line(line).text, carried);
}

QString HotspotDocument::name(qsizetype line) const
{
    return decodeWin1251(cellBytes(line).name);
}

HotspotDocument::LineInfo HotspotDocument::infoOf(qsizetype line, HotspotCut carried) const
{
    // Cut and converted as the browser's press does, x first.
    const HotspotBytes cells = cutHotspotLine(m_text.line(line).text, carried);
    LineInfo info;
    info.cut = carried;
    info.named = !cells.name.isEmpty();
    try {
        info.x = convertToInteger(cells.x);
        info.y = convertToInteger(cells.y);
        info.converts = true;
    } catch (const Failure &) {
        info.converts = false;
    }
    return info;
}

std::optional<QPoint> HotspotDocument::point(qsizetype line) const
{
    const LineInfo &info = m_infos[size_t(line)];
    if (!info.converts)
        return std::nullopt;
    return QPoint(info.x, info.y);
}

bool HotspotDocument::takesPresses(qsizetype line) const
{
    return m_infos[size_t(line)].named && m_infos[size_t(line)].converts && (m_firstStop < 0 || line < m_firstStop);
}

const HotspotDocument::LineInfo &HotspotDocument::checked(qsizetype line) const
{
    const LineInfo &info = m_infos[size_t(line)];
    if (info.checked < 0) {
        Severity worst = Severity::None;
        for (const HotspotFault &fault : checkHotspotLine(m_text.line(line).text, cellBytes(line), m_context).faults) {
            worst = std::max(worst, fault.error ? Severity::Error : Severity::Warning);
            info.checkerSays.append(fault.message);
        }
        info.checked = qint8(worst);
    }
    return info;
}

bool HotspotDocument::isNeverReached(qsizetype line) const
{
    return m_firstStop >= 0 && line > m_firstStop && m_infos[size_t(line)].converts;
}

LineCheck HotspotDocument::check(qsizetype line) const
{
    // The line's faults in korvane-check's words, found by its own function,
    // and then what only the file as a whole shows: korvane-check says of
    // the line that stops every press that it does, not of each line after.
    const LineInfo &info = checked(line);
    LineCheck result{Severity(info.checked), info.checkerSays};
    if (isNeverReached(line)) {
        result.severity = Severity::Error;
        result.messages.append(neverReachedHotspotLine(m_text.line(line).text, m_firstStop + 1).message);
    }
    return result;
}

Severity HotspotDocument::severity(qsizetype line) const
{
    return isNeverReached(line) ? Severity::Error : Severity(checked(line).checked);
}

QSet<QString> HotspotDocument::names() const
{
    QSet<QString> names;
    names.reserve(m_text.size());
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        if (m_infos[size_t(i)].named)
            names.insert(name(i));
    }
    return names;
}

QByteArray HotspotDocument::lineWithPoint(qsizetype line, QPoint point) const
{
    return composeHotspotLine(cellBytes(line).name, point.x(), point.y());
}

void HotspotDocument::add(const QString &name, QPoint point)
{
    const qsizetype line = m_text.size();
    push(m_text.appending(composeHotspotLine(encodeWin1251(name), point.x(), point.y())),
         tr("Add hotspot %1").arg(name), line, -1);
}

void HotspotDocument::move(qsizetype line, QPoint to)
{
    if (point(line) == to)
        return;
    push(m_text.changing(line, lineWithPoint(line, to)), tr("Move hotspot %1").arg(name(line)), line, line);
}

void HotspotDocument::rename(qsizetype line, const QString &newName)
{
    const std::optional<QPoint> at = point(line);
    if (!at || name(line) == newName)
        return;
    push(m_text.changing(line, composeHotspotLine(encodeWin1251(newName), at->x(), at->y())),
         tr("Rename hotspot %1 to %2").arg(name(line), newName), line, line);
}

void HotspotDocument::remove(qsizetype line)
{
    // The line after it takes its place in the selection.
    const qsizetype next = line < m_text.size() - 1 ? line : line - 1;
    push(m_text.removing(line), tr("Delete line %1").arg(line + 1), next, line);
}

void HotspotDocument::dragTo(qsizetype line, QPoint to)
{
    if (m_dragLine != line) {
        endDrag();
        m_dragLine = line;
        m_beforeDrag = m_text.line(line);
    }
    // Each step only moves the line: nothing else needs to hear of it
    // until the drag ends.
    if (point(line) != to)
        apply(m_text.changing(line, lineWithPoint(line, to)), line, false);
}

void HotspotDocument::endDrag()
{
    if (m_dragLine < 0)
        return;
    const qsizetype line = std::exchange(m_dragLine, -1);
    const HotspotFileText::Line before = *std::exchange(m_beforeDrag, std::nullopt);
    const HotspotFileText::Line after = m_text.line(line);
    if (after == before)
        return;
    // Back to the line as it was, then the whole move as one step.
    apply({line, {after}, {before}}, line, false);
    push({line, {before}, {after}}, tr("Move hotspot %1").arg(name(line)), line, line);
}

void HotspotDocument::push(const HotspotFileText::Edit &edit, const QString &text, qsizetype selectAfter,
                           qsizetype selectBefore)
{
    m_undo.push(new EditStep(this, edit, text, selectAfter, selectBefore));
}

void HotspotDocument::apply(const HotspotFileText::Edit &edit, qsizetype selectAfter, bool announce)
{
    const qsizetype removed = qsizetype(edit.removed.size());
    const qsizetype inserted = qsizetype(edit.inserted.size());
    const qsizetype kept = std::min(removed, inserted);
    // The list sees lines taken away or added at the end of the edit's
    // range; the lines it keeps are changed in place.
    if (removed > kept)
        beginRemoveRows({}, int(edit.index + kept), int(edit.index + removed - 1));
    if (inserted > kept)
        beginInsertRows({}, int(edit.index + kept), int(edit.index + inserted - 1));
    m_text.apply(edit);
    const auto at = m_infos.begin() + edit.index;
    m_infos.erase(at + kept, at + removed);
    m_infos.insert(m_infos.begin() + edit.index + kept, size_t(inserted - kept), LineInfo());
    if (removed > kept)
        endRemoveRows();
    if (inserted > kept)
        endInsertRows();

    // The lines of the edit are cut anew, and the lines after them as long
    // as the positions carried into them change.
    HotspotCut carried = cutBefore(edit.index);
    qsizetype last = edit.index + inserted - 1;
    bool stopsMoved = removed != inserted;
    for (qsizetype i = edit.index; i < m_text.size(); ++i) {
        const LineInfo info = infoOf(i, carried);
        if (i > last && info.cut == m_infos[size_t(i)].cut)
            break;
        stopsMoved = stopsMoved || info.converts != m_infos[size_t(i)].converts;
        m_infos[size_t(i)] = info;
        carried = info.cut;
        last = std::max(last, i);
    }
    // A line that now stops presses, or no longer does, changes what every
    // line after the first stop says.
    if (stopsMoved) {
        const auto stop
            = std::find_if(m_infos.begin(), m_infos.end(), [](const LineInfo &info) { return !info.converts; });
        const qsizetype firstStop = stop == m_infos.end() ? -1 : qsizetype(stop - m_infos.begin());
        if (firstStop != m_firstStop)
            last = m_text.size() - 1;
        m_firstStop = firstStop;
    }
    const qsizetype first = edit.index;
    if (first <= last) {
        // A range of cells makes the list repaint all it shows; a line
        // moved in a drag is four cells.
        if (first == last) {
            for (int column = 0; column < ColumnCount; ++column)
                emit dataChanged(index(int(first), column), index(int(first), column));
        } else {
            emit dataChanged(index(int(first), 0), index(int(last), ColumnCount - 1));
        }
        emit linesChanged(first, last);
    }
    if (announce)
        emit edited(selectAfter);
}

int HotspotDocument::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_text.size());
}

int HotspotDocument::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HotspotDocument::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const qsizetype line = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        if (index.column() == CheckColumn)
            return check(line).messages.join(role == Qt::ToolTipRole ? QStringLiteral("\n") : QStringLiteral(" | "));
        const HotspotBytes cells = cellBytes(line);
        // A cell of a megabyte is shown by its start; the list is no place
        // to read it.
        constexpr qsizetype kShown = 200;
        const QByteArrayView cell = index.column() == NameColumn ? cells.name
                                    : index.column() == XColumn  ? cells.x
                                                                 : cells.y;
        return decodeWin1251(cell.first(std::min(cell.size(), kShown)));
    }
    case Qt::ForegroundRole:
        switch (severity(line)) {
        case Severity::Error:
            return QBrush(QColor(190, 0, 0));
        case Severity::Warning:
            return QBrush(QColor(170, 90, 0));
        case Severity::None:
            return {};
        }
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == XColumn || index.column() == YColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                                      : QVariant();
    default:
        return {};
    }
}

QVariant HotspotDocument::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return tr("Name");
    case XColumn:
        return tr("x");
    case YColumn:
        return tr("y");
    default:
        return tr("Check");
    }
}

} // namespace korvane::hotspots
