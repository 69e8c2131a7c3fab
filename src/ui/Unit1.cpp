#include "ui/Unit1.h"

#include "catalog/CatalogPaths.h"
#include "catalog/CatalogText.h"
#include "catalog/FileRoutes.h"
#include "catalog/Hotspots.h"
#include "platform/CaptionPanel.h"
#include "platform/EditableDropDown.h"
#include "platform/ErrorBox.h"
#include "platform/ExecutablePath.h"
#include "platform/FrameWatch.h"
#include "platform/HotspotGrid.h"
#include "platform/PartListBox.h"
#include "platform/PictureBox.h"
#include "platform/PictureDialog.h"
#include "ui/DesignFont.h"
#include "ui/Unit2.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <array>
#include <optional>

TForm1 *Form1 = nullptr;
Tshowdw *showdw = nullptr;
QString BaseFolder;
bool HotspotTestMode = false;
qint32 HotspotHalfWidth = 0;
qint32 HotspotHalfHeight = 0;
qint32 HotspotCount = 0;
QString CurrentPartCode;
QString ModelSubfolder;

using namespace korvane;

namespace {

template <typename W>
W *place(W *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, int l, int t, int w, int h)
{
    auto *label = place(new QLabel(caption, parent), name, l, t, w, h);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

// A speed button never takes the keyboard focus.
QToolButton *makeSpeedButton(QWidget *parent, const char *name, const QString &caption, int l, int t, int w, int h)
{
    auto *button = place(new QToolButton(parent), name, l, t, w, h);
    button->setText(caption);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, int l, int t, int w, int h)
{
    return place(new QPushButton(caption, parent), name, l, t, w, h);
}

// A font given here comes before the text, which is then laid out once, in
// the font it is shown in.
EditableDropDown *makeDropDown(QWidget *parent, const char *name, const QString &text, const QStringList &entries,
                               int entryHeight, int l, int t, int w, int h, const std::optional<QFont> &font = {})
{
    auto *dropDown = place(new EditableDropDown(parent), name, l, t, w, h);
    if (font)
        dropDown->setFont(*font);
    dropDown->setEntryHeight(entryHeight);
    dropDown->setEntries(entries);
    dropDown->setText(text);
    return dropDown;
}

PartListBox *makeListBox(QWidget *parent, const char *name, int l, int t, int w, int h)
{
    auto *list = place(new PartListBox(parent), name, l, t, w, h);
    list->setLineHeight(13);
    return list;
}

void setHeight(QWidget *widget, int height)
{
    widget->resize(widget->width(), height);
}

void setWidth(QWidget *widget, int width)
{
    widget->resize(width, widget->height());
}

// The picture filter: description and pattern pairs, every element separated by "|".
QString pictureFilter()
{
    const QString bitmaps = QStringLiteral("Bitmaps (*.bmp)|*.bmp");
    const QString jpeg = QStringLiteral("All (*.jpg;*.jpeg)|*.jpg;*.jpeg|JPEG Image File (*.jpg)|*.jpg|"
                                        "JPEG Image File (*.jpeg)|*.jpeg");
    return bitmaps + u'|' + jpeg;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    // Code that reaches the main window through Form1 (the resize rules, the
    // photo lookup) must work while the window is still being built.
    Form1 = this;
    BaseFolder.clear();
    HotspotTestMode = false;
    HotspotHalfWidth = 0;
    HotspotHalfHeight = 0;
    HotspotCount = 0;
    CurrentPartCode.clear();
    ModelSubfolder.clear();

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("RC MODEL CATALOG / Part List"));
    setFont(designFont(11, false));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    resize(kDesignedClientSize);

    buildControls();
    arrangeStackingAndTabs();
    wireHandlers();
    new FrameWatch(this, [this] { completeSizeNotification(); });

    guarded(&TForm1::FormCreate);
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::buildControls()
{
    const QFont big = designFont(16, true);

    Label1 = makeLabel(this, "Label1", QStringLiteral("Label1"), 808, 208, 32, 13);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Label2"), 808, 232, 32, 13);
    Label3 = makeLabel(this, "Label3", QStringLiteral("Label3"), 808, 176, 32, 13);
    test = makeSpeedButton(this, "test", QStringLiteral("Начать проверку"), 496, 560, 113, 22);
    SpeedButton1 = makeSpeedButton(this, "SpeedButton1", QStringLiteral("Load data text"), 616, 560, 97, 22);

    Group = makeDropDown(this, "Group", QStringLiteral("Group"), {}, 20, 286, 48, 115, 28, big);
    Group->setSorted(true);
    Model = makeDropDown(this, "Model", QStringLiteral("Model"), {}, 20, 152, 48, 129, 28, big);
    Manufacturer = makeDropDown(this, "Manufacturer", QStringLiteral("Manufacturer"),
                                {QStringLiteral("LST"), QStringLiteral("XRAY"), QStringLiteral("Teamassociated")}, 20,
                                8, 48, 137, 28, big);

    Memo1 = place(new QPlainTextEdit(QStringLiteral("Memo1"), this), "Memo1", 608, 616, 57, 25);
    Memo1->setReadOnly(true);
    // Windows memos leave Tab to the dialog keys unless told to want it.
    Memo1->setTabChangesFocus(true);

    ToolBar1 = place(new QFrame(this), "ToolBar1", 0, 0, 1064, 25);
    ToolBar1->setStyleSheet(QStringLiteral("#ToolBar1 { border-bottom: 1px solid palette(mid); }"));
    ToolBar1->setFocusPolicy(Qt::NoFocus);
    Button3 = makeButton(ToolBar1, "Button3", QStringLiteral("Button3"), 0, 0, 75, 20);

    sb = place(new QLabel(this), "sb", 0, 673, 1064, 19);
    sb->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sb->setTextFormat(Qt::PlainText);
    sb->setFocusPolicy(Qt::NoFocus);

    // The web-browser area: nothing ever drives it, so an empty area of the
    // same place and size stands in for the embedded browser.
    html = place(new QFrame(this), "html", 672, 640, 132, 14);
    html->setCursor(Qt::ArrowCursor);
    html->setFocusPolicy(Qt::NoFocus);
    html->setAutoFillBackground(true);
    html->setBackgroundRole(QPalette::Base);

    // The font before the text, which is then laid out once.
    savnam = place(new QLineEdit(this), "savnam", 8, 80, 129, 28);
    savnam->setFont(big);
    savnam->setText(QStringLiteral("savename"));
    {
        QPalette red = savnam->palette();
        red.setColor(QPalette::Text, Qt::red);
        savnam->setPalette(red);
    }

    Editor = place(new CaptionPanel(QStringLiteral("Editor"), this), "Editor", 8, 456, 385, 193);
    Editor->setFrameStyle(QFrame::Box | QFrame::Plain);
    buildEditorPanel();

    CurrentGroup = makeDropDown(this, "CurrentGroup", QStringLiteral("Body"),
                                {QStringLiteral("Chassis"), QStringLiteral("Steering"), QStringLiteral("Front Chasis"),
                                 QStringLiteral("Rear Chasis"), QStringLiteral("Transmission"), QStringLiteral("Motor"),
                                 QStringLiteral("Clutch"), QStringLiteral("Wheels"), QStringLiteral("Body"),
                                 QStringLiteral("Other"), QStringLiteral("DriveTrain")},
                                16, 824, 635, 190, 24);
    // Hidden before it gets its font, which it then never loads.
    CurrentGroup->hide();
    CurrentGroup->setFont(designFont(13, true));

    BitBtn3 = makeButton(this, "BitBtn3", QStringLiteral("строки"), 768, 520, 75, 25);
    fl1 = makeListBox(this, "fl1", 8, 112, 393, 537);
    Button2 = makeButton(this, "Button2", QStringLiteral("Load text"), 528, 520, 75, 25);
    Button4 = makeButton(this, "Button4", QStringLiteral("Test "), 688, 520, 75, 25);
    Button5 = makeButton(this, "Button5", QStringLiteral("разделитель"), 848, 520, 75, 25);
    Button6 = makeButton(this, "Button6", QStringLiteral("добавить"), 928, 520, 75, 25);
    Button7 = makeButton(this, "Button7", QStringLiteral("SaveText"), 608, 520, 75, 25);

    find = place(new QLineEdit(this), "find", 672, 615, 129, 27);
    find->setFont(big);
    find->setText(QStringLiteral("find"));
    {
        QPalette blue = find->palette();
        blue.setColor(QPalette::Text, Qt::blue);
        find->setPalette(blue);
    }

    CheckBox1 = place(new QCheckBox(QStringLiteral("CheckBox1"), this), "CheckBox1", 576, 640, 97, 17);

    Panel1 = place(new CaptionPanel(QStringLiteral("OPEN PART LIST >>>"), this), "Panel1", 280, 80, 121, 28);
    // A raised inner bevel inside a lowered outer one.
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(0);
    Panel1->setContentsMargins(1, 1, 1, 1);

    CheckBox2 = place(new QCheckBox(QStringLiteral("Editor"), this), "CheckBox2", 472, 640, 97, 17);
    loadgroup = makeButton(this, "loadgroup", QStringLiteral("loadgroup"), 816, 608, 75, 25);

    sg1 = place(new HotspotGrid(5, this), "sg1", 8, 456, 113, 81);

    lb1 = makeListBox(this, "lb1", 120, 456, 105, 81);
    lbmet = makeListBox(this, "lbmet", 224, 456, 97, 81);

    ScrollBox1 = place(new QFrame(this), "ScrollBox1", 408, 49, 633, 473);
    // A 3-pixel bevel leaves the designed 627 x 467 client area.
    ScrollBox1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    ScrollBox1->setLineWidth(1);
    ScrollBox1->setMidLineWidth(1);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    // The scroll box paints its face, so the web-browser strip it covers
    // never shows through around a smaller picture.
    ScrollBox1->setBackgroundRole(QPalette::Button);
    ScrollBox1->setAutoFillBackground(true);
    logo = place(new PictureBox(ScrollBox1), "logo", 0, 0, 627, 467);
    logo->setGeometry(ScrollBox1->contentsRect());
    ScrollBox1->installEventFilter(this);

    exview = makeDropDown(this, "exview", QStringLiteral("exview"), {}, 20, 152, 80, 121, 28, big);

    OpenPictureDialog1 = new PictureDialog(PictureDialog::Mode::Open, this);
    OpenPictureDialog1->setObjectName(QStringLiteral("OpenPictureDialog1"));
    SavePictureDialog1 = new PictureDialog(PictureDialog::Mode::Save, this);
    SavePictureDialog1->setObjectName(QStringLiteral("SavePictureDialog1"));

    // Everything but the browsing controls starts hidden and stays so.
    const std::initializer_list<QWidget *> hiddenAtStart{
        Label1,       Label2,       Label3,    test,      SpeedButton1, Memo1,   Button3, Editor,
        ProgressBar1, CurrentGroup, BitBtn3,   Button2,   Button4,      Button5, Button6, Button7,
        find,         CheckBox1,    CheckBox2, loadgroup, sg1,          lb1,     lbmet};
    for (QWidget *hidden : hiddenAtStart)
        hidden->hide();
}

void TForm1::buildEditorPanel()
{
    Label5 = makeLabel(Editor, "Label5", QStringLiteral("Код детали"), 9, 41, 57, 13);
    newpic = place(new PictureBox(Editor), "newpic", 192, 8, 153, 177);
    newpic->setStretched(true);
    Label6 = makeLabel(Editor, "Label6", QStringLiteral("Изображение"), 200, 0, 70, 13);
    Label7 = makeLabel(Editor, "Label7", QStringLiteral("Группа"), 8, 2, 35, 13);
    Label8 = makeLabel(Editor, "Label8", QStringLiteral("Название"), 12, 76, 50, 13);
    newCode = place(new QLineEdit(Editor), "newCode", 9, 55, 120, 21);
    newcomment = place(new QPlainTextEdit(QStringLiteral("Описание детали"), Editor), "newcomment", 8, 117, 161, 68);
    // Tab walks the panel's tab order (on to the save button) instead of
    // typing a tab into the description, as a Windows memo does.
    newcomment->setTabChangesFocus(true);
    newsave = makeButton(Editor, "newsave", QStringLiteral("сохранить"), 352, 8, 25, 177);
    newsave->setEnabled(false);
    ProgressBar1 = place(new QProgressBar(Editor), "ProgressBar1", 248, 168, 81, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    newcombo = makeDropDown(Editor, "newcombo", QStringLiteral("категория детали"),
                            {QStringLiteral("Chasis"), QStringLiteral("Steering"), QStringLiteral("Front Chasis"),
                             QStringLiteral("Rear Chasis"), QStringLiteral("Transmission"), QStringLiteral("Engine"),
                             QStringLiteral("Clutch"), QStringLiteral("Wheels"), QStringLiteral("Body"),
                             QStringLiteral("Other")},
                            13, 8, 16, 145, 21);
    newname = place(new QLineEdit(Editor), "newname", 9, 92, 121, 21);
}

void TForm1::arrangeStackingAndTabs()
{
    // Controls are created in their designed order, so later ones lie above
    // earlier ones; labels, speed buttons and images go below every other
    // kind of control of the same parent, keeping their own order.
    const std::initializer_list<QWidget *> graphicsLastToFirst{SpeedButton1, test,   Label3, Label2, Label1,
                                                               Label8,       Label7, Label6, newpic, Label5};
    for (QWidget *graphic : graphicsLastToFirst)
        graphic->lower();

    // Tab order among siblings, a container's children right after it.
    const std::array<QWidget *, 33> chain{
        Memo1,     ToolBar1,     Button3,  find,      savnam,       html,         Editor, newCode,   newcomment,
        newsave,   ProgressBar1, newcombo, newname,   CurrentGroup, BitBtn3,      fl1,    Button2,   Button4,
        Button5,   Button6,      Button7,  CheckBox1, Panel1,       Manufacturer, Group,  CheckBox2, Model,
        loadgroup, sg1,          lb1,      lbmet,     ScrollBox1,   exview};
    // Controls that never take the focus stay out of the chain: the toolkit
    // would otherwise let them break it.
    QWidget *previous = nullptr;
    for (QWidget *widget : chain) {
        if (!(widget->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }

    // At start the keyboard is in the first control in tab order that is
    // visible and takes the focus.
    for (QWidget *candidate : chain) {
        if ((candidate->focusPolicy() & Qt::TabFocus) && candidate->isVisibleTo(this) && candidate->isEnabled()) {
            candidate->setFocus();
            break;
        }
    }
}

void TForm1::guarded(void (TForm1::*handler)())
{
    runGuarded([this, handler] { (this->*handler)(); });
}

void TForm1::guarded(void (TForm1::*handler)(QChar), QChar key)
{
    runGuarded([this, handler, key] { (this->*handler)(key); });
}

void TForm1::runButtonStep(const QAbstractButton *button, void (TForm1::*step)())
{
    if (button->isEnabled())
        (this->*step)();
}

void TForm1::keepPictureFillingItsArea()
{
    // The picture fills the scroll box's client area, which never scrolls. A
    // hidden window gets its resize events late, so sizing handlers call this
    // directly as well.
    logo->setGeometry(ScrollBox1->contentsRect());
}

void TForm1::recomputeBaseFolder()
{
    BaseFolder = paths::baseFolderFromExecutable(executablePath());
}

QString TForm1::statusText() const
{
    return sb->text();
}

void TForm1::setStatusText(const QString &text)
{
    if (sb->text() != text)
        sb->setText(text);
}

std::optional<CatalogFile> TForm1::routeFile(const FileRoute &route, const ComposedPath &path)
{
    std::optional<CatalogFile> file = findRouteFile(route, path);
    if (file)
        return file;
    switch (route.whenMissing) {
    case WhenMissing::StatusText:
        setStatusText(route.message.toString());
        break;
    case WhenMissing::PathInCaption:
        setWindowTitle(path.text());
        break;
    case WhenMissing::ErrorBox: // the read fails instead
    case WhenMissing::Nothing:
        break;
    }
    return std::nullopt;
}

// --- start-up and window ----------------------------------------------------

void TForm1::FormCreate()
{
    setHeight(fl1, 537);
    setHeight(ScrollBox1, 600);
    setWidth(ScrollBox1, 633);
    keepPictureFillingItsArea();
    const QString filter = pictureFilter();
    OpenPictureDialog1->setFilter(filter);
    SavePictureDialog1->setFilter(filter);
    recomputeBaseFolder();
    if (const std::optional<CatalogFile> manufacturers
        = routeFile(routes::manufacturerList, paths::manufacturerList(BaseFolder)))
        Manufacturer->setEntries(readCatalogLines(*manufacturers).toStringList());
    HotspotHalfWidth = kHotspotHalfWidth;
    HotspotHalfHeight = kHotspotHalfHeight;
    HotspotTestMode = true;
}

void TForm1::FormResize()
{
    switch (Form1->recordedState()) {
    case RecordedState::Maximized:
        setHeight(fl1, 537);
        setHeight(ScrollBox1, 600);
        setWidth(ScrollBox1, 633);
        break;
    case RecordedState::Normal: {
        const QSize outer = Form1->outerSize();
        setHeight(fl1, outer.height() - 173);
        setHeight(ScrollBox1, outer.height() - 110);
        setWidth(ScrollBox1, outer.width() - 420);
        break;
    }
    case RecordedState::Minimized:
        return;
    }
    keepPictureFillingItsArea();
}

void TForm1::Button3Click()
{
    new Tshowdw(this);
}
