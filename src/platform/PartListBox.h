#pragma once

#include <QListView>
#include <QStringList>

class QStringListModel;

namespace korvane {

// A list box of text lines. It stays instant with a million lines: one string
// model, uniform line heights, no widget item per line.
class PartListBox : public QListView
{
    Q_OBJECT

public:
    explicit PartListBox(QWidget *parent = nullptr);

    void setLineHeight(int height);

    int lineCount() const;
    QString line(int index) const;
    QStringList lines() const;
    void setLines(const QStringList &lines);
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

signals:
    // The user selected a line: a click (also on the selected line) or a move
    // of the selection with the keyboard.
    void lineChosenByUser();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QStringListModel *m_model;
};

} // namespace korvane
