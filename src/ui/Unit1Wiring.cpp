#include "ui/Unit1.h"

#include "platform/CaptionPanel.h"
#include "platform/ControlEvents.h"
#include "platform/EditableDropDown.h"
#include "platform/ErrorBox.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

// How the controls' events reach their handlers: one connection per event,
// each through the guard that shows failures in the error box.

using namespace korvane;

void TForm1::wireHandlers()
{
    connect(Button3, &QPushButton::clicked, this, [this] { guarded(&TForm1::Button3Click); });

    connect(Manufacturer, &EditableDropDown::changedByUser, this, [this] { guarded(&TForm1::ManufacturerChange); });
    connect(Model, &EditableDropDown::changedByUser, this, [this] { guarded(&TForm1::ModelChange); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded(&TForm1::Button2Click); });
    connect(loadgroup, &QPushButton::clicked, this, [this] { guarded(&TForm1::loadgroupClick); });
    connect(Group, &EditableDropDown::changedByUser, this, [this] { guarded(&TForm1::GroupChange); });
    connect(CurrentGroup, &EditableDropDown::changedByUser, this, [this] { guarded(&TForm1::CurrentGroupChange); });
    connect(Panel1, &CaptionPanel::clicked, this, [this] { guarded(&TForm1::Panel1Click); });

    connect(fl1, &PartListBox::lineChosenByUser, this, [this] { guarded(&TForm1::fl1Click); });

    connect(exview, &EditableDropDown::changedByUser, this, [this] { guarded(&TForm1::exviewChange); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { guarded(&TForm1::SpeedButton1Click); });
    connect(logo, &PictureBox::pressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
                runGuarded([=, this] { logoMouseDown(button, shift, x, y); });
            });
    connect(test, &QToolButton::clicked, this, [this] { guarded(&TForm1::testClick); });

    connect(CheckBox1, &QCheckBox::clicked, this, [this] { guarded(&TForm1::CheckBox1Click); });

    connect(newcombo, &EditableDropDown::changedByUser, this, [this] { guarded(&TForm1::newcomboChange); });
    connect(newpic, &PictureBox::clicked, this, [this] { guarded(&TForm1::newpicClick); });
    connect(newsave, &QPushButton::clicked, this, [this] { guarded(&TForm1::newsaveClick); });

    connect(Button4, &QPushButton::clicked, this, [this] { guarded(&TForm1::Button4Click); });
    connect(Button5, &QPushButton::clicked, this, [this] { guarded(&TForm1::Button5Click); });
    connect(Button6, &QPushButton::clicked, this, [this] { guarded(&TForm1::Button6Click); });
    connect(Button7, &QPushButton::clicked, this, [this] { guarded(&TForm1::Button7Click); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { guarded(&TForm1::BitBtn3Click); });
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { guarded(&TForm1::CheckBox2Click); });

    // Key, focus and double-click events reach their handlers before the
    // control itself sees them. An editable drop-down holds the focus itself
    // and passes keys on to its text field, so its keys are watched on the
    // drop-down.
    const auto keys = [this](QWidget *control, void (TForm1::*handler)(QChar)) {
        auto *events = new ControlEvents(control);
        connect(events, &ControlEvents::characterTyped, this, [this, handler](QChar key) { guarded(handler, key); });
        return events;
    };
    keys(savnam, &TForm1::savnamKeyPress);
    ControlEvents *findEvents = keys(find, &TForm1::findKeyPress);
    connect(findEvents, &ControlEvents::doubleClicked, this, [this] { guarded(&TForm1::findDblClick); });
    ControlEvents *newcomboEvents = keys(newcombo, &TForm1::newcomboKeyPress);
    connect(newcomboEvents, &ControlEvents::entered, this, [this] { guarded(&TForm1::newcomboEnter); });
    keys(newCode, &TForm1::newCodeKeyPress);
    keys(newname, &TForm1::newnameKeyPress);
    keys(newcomment, &TForm1::newcommentKeyPress);
    keys(newsave, &TForm1::newsaveKeyPress);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBox1 && event->type() == QEvent::Resize)
        keepPictureFillingItsArea();
    return QWidget::eventFilter(watched, event);
}
