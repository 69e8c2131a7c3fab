#pragma once

#include "platform/LeftClick.h"

#include <QFrame>
#include <QString>

namespace korvane {

// A panel with a caption in its middle; it may hold other controls, and a
// left click on it raises clicked(), so a panel can serve as a button.
class CaptionPanel : public QFrame
{
    Q_OBJECT

public:
    explicit CaptionPanel(const QString &caption, QWidget *parent = nullptr);

    QString caption() const { return m_caption; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_caption;
    LeftClick m_click;
};

} // namespace korvane
