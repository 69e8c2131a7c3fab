#pragma once

#include <QChar>
#include <QObject>

class QWidget;

namespace korvane {

// The events of a control that the toolkit raises no signal for, reported as
// signals so that they are wired like every other event: a typed character,
// before the control applies it; the control entered from another one; a
// double click.
class ControlEvents : public QObject
{
    Q_OBJECT

public:
    // Watches the control for as long as it lives.
    explicit ControlEvents(QWidget *control);

signals:
    // Every key that produces a character, Backspace (8) and Enter (13)
    // included; keys that produce none (arrows, Delete, Home, End) and Tab,
    // which moves the focus before any control sees it, raise nothing.
    void characterTyped(QChar key);
    void entered();
    void doubleClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace korvane
