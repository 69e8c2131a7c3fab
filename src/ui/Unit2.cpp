#include "ui/Unit2.h"

#include "platform/PictureBox.h"
#include "ui/DesignFont.h"

Tshowdw::Tshowdw(QWidget *owner) : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("showdw"));
    setWindowTitle(QStringLiteral("Detail Preview window"));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFont(designFont(11, false));
    setFixedSize(386, 276);
    Image1 = new korvane::PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 386, 276);
}
