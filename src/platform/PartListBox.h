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
    void clearLines();

    // -1 when no line is selected.
    int selectedIndex() const;
    // A selection made by the program: scrolled into view, no click raised.
    void selectLine(int index);

signals:
    // The user selected a line: a click (also on the selected line) or a move
    // of the selection with the keyboard.
    void lineChosenByUser();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QStringListModel *m_model;
};

} // namespace korvane
