#pragma once

#include "catalog/CatalogLines.h"
#include "catalog/HotspotCheck.h"
#include "catalog/HotspotFile.h"
#include "catalog/Hotspots.h"

#include <QAbstractTableModel>
#include <QPoint>
#include <QSet>
#include <QSize>
#include <QUndoStack>

#include <optional>
#include <vector>

namespace korvane::hotspots {

// What korvane-check would say of a line, at its worst.
enum class Severity { None, Warning, Error };

struct LineCheck
{
    Severity severity = Severity::None;
    // korvane-check's message for each fault of the line, in its words.
    QStringList messages;
};

// The part list a hotspot's name is looked for in, as korvane-check looks:
// the model part list of the diagram's catalog.
struct PartList
{
    CatalogLines lines;
    // Its file name, for messages.
    QString name;
};

// The hotspot file being edited: its lines in file order, each cut and
// converted as the browser cuts and converts it, and the item model of the
// list beside the diagram. Every change is a step on the undo stack, and the
// file's bytes change only in the lines a step touches.
class HotspotDocument : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, XColumn, YColumn, CheckColumn, ColumnCount };

    explicit HotspotDocument(QObject *parent = nullptr);

    // A file's bytes, the size of its diagram (empty: a diagram of no pixels),
    // and the part list when the diagram lies in a catalog. Clears the undo
    // stack.
    void reset(const QByteArray &bytes, QSize diagram, std::optional<PartList> partList);
    QByteArray bytes() const { return m_text.bytes(); }

    qsizetype lineCount() const { return m_text.size(); }
    // The texts the browser cuts from a line.
    HotspotBytes cellBytes(qsizetype line) const;
    QString name(qsizetype line) const;
    // The point, when both coordinates convert.
    std::optional<QPoint> point(qsizetype line) const;
    bool isNamed(qsizetype line) const { return m_infos[size_t(line)].named; }
    // Whether a press can take this line's name: it is named and reached.
    bool takesPresses(qsizetype line) const;
    LineCheck check(qsizetype line) const;
    Severity severity(qsizetype line) const;
    // The names of the lines.
    QSet<QString> names() const;

    QUndoStack *undoStack() { return &m_undo; }

    // The edits, each one step: a new line NAME=X-Y after the last one (before
    // a NUL that ends the text), a line rewritten with another point or name,
    // a line taken away. A name must pass refusedHotspotName.
    void add(const QString &name, QPoint point);
    void move(qsizetype line, QPoint to);
    void rename(qsizetype line, const QString &name);
    void remove(qsizetype line);
    // A drag moves the line with the pointer at once; its end makes one step
    // of the whole move.
    void dragTo(qsizetype line, QPoint to);
    void endDrag();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // An edit, its undo or its redo was applied; the line it leaves
    // selected, -1 for none.
    void edited(qsizetype line);
    // Lines first .. last (inclusive) may have another point or look.
    void linesChanged(qsizetype first, qsizetype last);

private:
    friend class EditStep;

    struct LineInfo
    {
        // The positions the line is cut at, carried on to the next line.
        HotspotCut cut;
        qint32 x = 0;
        qint32 y = 0;
        bool converts = false;
        bool named = false;
        // What the checker says of the line, made when first asked for:
        // the diagram asks for every line in sight on each paint, the list
        // for every row it shows. checked is a Severity, -1 before.
        mutable qint8 checked = -1;
        mutable QStringList checkerSays;
    };

    void push(const HotspotFileText::Edit &edit, const QString &text, qsizetype selectAfter, qsizetype selectBefore);
    // Applies an edit; announced, it ends in edited().
    void apply(const HotspotFileText::Edit &edit, qsizetype selectAfter, bool announce);
    LineInfo infoOf(qsizetype line, HotspotCut carried) const;
    const LineInfo &checked(qsizetype line) const;
    // Never reached: a line after the one that stops every press.
    bool isNeverReached(qsizetype line) const;
    HotspotCut cutBefore(qsizetype line) const;
    QByteArray lineWithPoint(qsizetype line, QPoint point) const;

    HotspotFileText m_text;
    std::vector<LineInfo> m_infos;
    // The first line whose coordinates do not convert, -1 when all do: every
    // press in the browser ends there, so the lines after it are never reached.
    qsizetype m_firstStop = -1;
    std::optional<PartList> m_partList;
    // What the checker knows around the file: the diagram and m_partList.
    HotspotContext m_context;
    QUndoStack m_undo;
    // The line being dragged as it was before the drag.
    qsizetype m_dragLine = -1;
    std::optional<HotspotFileText::Line> m_beforeDrag;
};

} // namespace korvane::hotspots
