#pragma once

#include "catalog/CatalogLines.h"

#include <QAbstractItemView>
#include <QStringList>

namespace korvane {

class CatalogLinesModel;

// A list box of text lines, one line per row, every row one height. It is an
// item view over an item model like any other list, so accessibility and
// automation reach every line; but it lays out nothing per row: a row's place
// follows from its number, a reset costs nothing however many lines there
// are, and a paint draws only the rows in sight. The lines stay a catalog
// list's bytes until a row is drawn or asked for.
class PartListBox : public QAbstractItemView
{
    Q_OBJECT

public:
    explicit PartListBox(QWidget *parent = nullptr);

    void setLineHeight(int height);

    int lineCount() const;
    QString line(int index) const;
    const CatalogLines &catalogLines() const;
    // Replacing the lines frees the old ones at once.
    void setLines(CatalogLines lines);
    void appendLine(const QString &line);

    // -1 when no line is selected.
    int selectedIndex() const;
    // A selection made by the program: scrolled into view, no click raised.
    void selectLine(int index);
    // The list box's prefix selection: the first line from the top that begins
    // with the text, letter case ignored (Cyrillic too). Every line begins with
    // the empty text. Without such a line the selection stays. Returns the
    // line selected, or -1.
    int selectFirstLineStartingWith(const QString &prefix);

    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint &point) const override;

signals:
    // The user selected a line: a click (also on the selected line) or a move
    // of the selection with the keyboard.
    void lineChosenByUser();

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int firstVisibleRow() const;
    void drawLine(QPainter &painter, const QStyleOptionViewItem &option, const QString &text, int textMargin) const;
    void drawFocusFrame(QPainter &painter, const QStyleOptionViewItem &option) const;
    // Rows that fit the viewport whole; at least one.
    int rowsInSight() const;

    CatalogLinesModel *m_model;
    int m_lineHeight = 13;
};

} // namespace korvane
