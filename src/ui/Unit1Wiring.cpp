#include "ui/Unit1.h"

#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/ErrorBox.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <optional>

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

    // Key, focus and double-click events reach their handlers through the
    // event filter, before the control itself sees them.
    // An editable drop-down holds the focus itself and passes keys on to its
    // text field, so its keys are watched on the drop-down.
    for (QObject *watched :
         std::initializer_list<QObject *>{savnam, find, newcombo, newCode, newname, newcomment, newsave})
        watched->installEventFilter(this);
}

namespace {

// The character a key press produces, as the key-press handlers receive it:
// Backspace (8) and Enter (13) included; keys that produce no character
// (arrows, Delete, Home, End) give nothing.
std::optional<QChar> typedCharacter(const QKeyEvent *key)
{
    // Tab moves the focus between controls before any control sees it.
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return std::nullopt;
    const QString text = key->text();
    if (text.isEmpty() || text.front() == QChar(0x7F))
        return std::nullopt;
    return text.front();
}

} // namespace

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBox1 && event->type() == QEvent::Resize) {
        keepPictureFillingItsArea();
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const std::optional<QChar> key = typedCharacter(static_cast<QKeyEvent *>(event));
        if (!key)
            return false;
        void (TForm1::*handler)(QChar) = nullptr;
        if (watched == savnam)
            handler = &TForm1::savnamKeyPress;
        else if (watched == find)
            handler = &TForm1::findKeyPress;
        else if (watched == newcombo)
            handler = &TForm1::newcomboKeyPress;
        else if (watched == newCode)
            handler = &TForm1::newCodeKeyPress;
        else if (watched == newname)
            handler = &TForm1::newnameKeyPress;
        else if (watched == newcomment)
            handler = &TForm1::newcommentKeyPress;
        else if (watched == newsave)
            handler = &TForm1::newsaveKeyPress;
        if (handler)
            runGuarded([this, handler, key] { (this->*handler)(*key); });
        return false;
    }
    if (watched == newcombo && event->type() == QEvent::FocusIn) {
        // Entering the control from another one; the focus coming back from
        // its own list, or with the whole window, is no entering.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            guarded(&TForm1::newcomboEnter);
        return false;
    }
    if (watched == find && event->type() == QEvent::MouseButtonDblClick) {
        guarded(&TForm1::findDblClick);
        return false;
    }
    return QWidget::eventFilter(watched, event);
}
