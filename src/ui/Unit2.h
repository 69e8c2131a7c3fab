#pragma once

#include <QWidget>

namespace korvane {
class PictureBox;
}

// The preview window: a fixed tool window with one image control. It is
// created hidden and nothing shows it.
class Tshowdw : public QWidget
{
    Q_OBJECT

public:
    explicit Tshowdw(QWidget *owner = nullptr);

    korvane::PictureBox *Image1;
};
