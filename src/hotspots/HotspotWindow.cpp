#include "hotspots/HotspotWindow.h"

#include "catalog/HotspotFile.h"
#include "hotspots/DiagramView.h"
#include "hotspots/HotspotDocument.h"
#include "platform/PartListBox.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

// The window: its widgets and actions, its title, zoom and closing. The
// selection kept in step and the editing are in HotspotWindowEdit.cpp;
// opening, saving and Try in HotspotWindowFile.cpp.

namespace korvane::hotspots {

namespace {

constexpr int kZooms[] = {1, 2, 4, 8};

// A row of the list holds korvane-check's messages, a few hundred characters,
// of which the column shows a part; laid out whole, each step of a drag would
// shape text nobody sees. The text is cut, a few characters past the column's
// width, before it is laid out and elided. Only what is painted is cut: a
// column fitted to its contents is measured by the whole text.
class ShownTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem shown = option;
        initStyleOption(&shown, index);
        // Kerning moves a character by less than a pixel: eight more are
        // more than it takes.
        constexpr qsizetype kSpare = 8;
        int advance = 0;
        qsizetype end = 0;
        while (end < shown.text.size() && advance <= shown.rect.width())
            advance += shown.fontMetrics.horizontalAdvance(shown.text.at(end++));
        if (end + kSpare < shown.text.size())
            shown.text.truncate(end + kSpare);
        const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &shown, painter, option.widget);
    }
};

} // namespace

HotspotWindow::HotspotWindow(QWidget *parent) : QMainWindow(parent), m_document(new HotspotDocument(this))
{
    setObjectName(QStringLiteral("HotspotWindow"));
    buildWidgets();
    buildActions();
    connect(m_document, &HotspotDocument::edited, this, &HotspotWindow::edited);
    connect(m_document->undoStack(), &QUndoStack::cleanChanged, this, &HotspotWindow::updateTitle);
    updateTitle();
    resize(1100, 760);
}

HotspotWindow::~HotspotWindow()
{
    // The children go after this window has stopped being one: the list
    // losing its model, say, must not reach a handler here any more.
    for (const QObject *sender : std::initializer_list<const QObject *>{
             m_document, m_document->undoStack(), m_view, m_list->selectionModel(), m_tryListChoice, m_name})
        disconnect(sender, nullptr, this, nullptr);
}

void HotspotWindow::buildWidgets()
{
    m_view = new DiagramView(m_document);
    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("diagramArea"));
    m_scroll->setAccessibleName(tr("Diagram area"));
    m_scroll->setWidget(m_view);
    // The diagram's top-left pixel at the area's top-left corner, as the
    // browser shows it.
    m_scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setBackgroundRole(QPalette::Dark);
    connect(m_view, &DiagramView::pressedOnEmpty, this, &HotspotWindow::pressedOnEmpty);
    connect(m_view, &DiagramView::pressedOnLine, this, &HotspotWindow::pressedOnLine);
    connect(m_view, &DiagramView::dragged, m_document, &HotspotDocument::dragTo);
    connect(m_view, &DiagramView::dragEnded, m_document, &HotspotDocument::endDrag);
    connect(m_view, &DiagramView::tried, this, &HotspotWindow::tryPress);

    auto *side = new QWidget;
    auto *layout = new QVBoxLayout(side);
    auto *nameLabel = new QLabel(tr("&Name"));
    m_name = new QLineEdit;
    m_name->setObjectName(QStringLiteral("hotspotName"));
    m_name->setAccessibleName(tr("Hotspot name"));
    m_name->setPlaceholderText(tr("Press the diagram to add a hotspot"));
    m_name->setEnabled(false);
    m_name->installEventFilter(this);
    nameLabel->setBuddy(m_name);
    m_completions = new QStringListModel(this);
    m_completer = new QCompleter(m_completions, this);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setModelSorting(QCompleter::UnsortedModel);
    m_completer->setMaxVisibleItems(12);
    m_name->setCompleter(m_completer);
    // Escape takes a new point away even while the list of codes is open.
    m_completer->popup()->installEventFilter(this);
    connect(m_name, &QLineEdit::returnPressed, this, &HotspotWindow::confirmName);
    m_nameMessage = new QLabel;
    m_nameMessage->setObjectName(QStringLiteral("hotspotNameMessage"));
    m_nameMessage->setAccessibleName(tr("Name message"));
    m_nameMessage->setWordWrap(true);
    m_nameMessage->setTextFormat(Qt::PlainText);

    m_list = new QTableView;
    m_list->setObjectName(QStringLiteral("hotspotList"));
    m_list->setAccessibleName(tr("Hotspot file lines"));
    m_list->setModel(m_document);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->setItemDelegate(new ShownTextDelegate(m_list));
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 4);
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->horizontalHeader()->resizeSection(HotspotDocument::NameColumn, 110);
    m_list->horizontalHeader()->resizeSection(HotspotDocument::XColumn, 56);
    m_list->horizontalHeader()->resizeSection(HotspotDocument::YColumn, 56);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &HotspotWindow::listSelectionChanged);

    m_tryPanel = new QWidget;
    m_tryPanel->setObjectName(QStringLiteral("tryPanel"));
    auto *tryLayout = new QVBoxLayout(m_tryPanel);
    tryLayout->setContentsMargins(0, 0, 0, 0);
    auto *tryTitle = new QLabel(tr("<b>Try</b>: a press does what it does in the browser"));
    m_tryListChoice = new QComboBox;
    m_tryListChoice->setObjectName(QStringLiteral("tryPartListChoice"));
    m_tryListChoice->setAccessibleName(tr("Part list for Try"));
    connect(m_tryListChoice, &QComboBox::currentIndexChanged, this, &HotspotWindow::chooseTryList);
    // The browser's own search edit and part list, driven as its press
    // drives them.
    m_trySearch = new QLineEdit(QStringLiteral("savename"));
    m_trySearch->setObjectName(QStringLiteral("trySearch"));
    m_trySearch->setAccessibleName(tr("Search text"));
    m_tryParts = new PartListBox;
    m_tryParts->setObjectName(QStringLiteral("tryPartList"));
    m_tryParts->setAccessibleName(tr("Part list"));
    m_tryParts->setFocusPolicy(Qt::NoFocus);
    m_tryResult = new QLabel;
    m_tryResult->setObjectName(QStringLiteral("tryResult"));
    m_tryResult->setAccessibleName(tr("Try result"));
    m_tryResult->setWordWrap(true);
    m_tryResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tryLayout->addWidget(tryTitle);
    tryLayout->addWidget(m_tryListChoice);
    tryLayout->addWidget(m_trySearch);
    tryLayout->addWidget(m_tryParts, 1);
    tryLayout->addWidget(m_tryResult);
    m_tryPanel->hide();

    layout->addWidget(nameLabel);
    layout->addWidget(m_name);
    layout->addWidget(m_nameMessage);
    layout->addWidget(m_list, 2);
    layout->addWidget(m_tryPanel, 1);

    auto *splitter = new QSplitter;
    splitter->addWidget(m_scroll);
    splitter->addWidget(side);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({740, 360});
    setCentralWidget(splitter);

    m_pointer = new QLabel;
    m_pointer->setObjectName(QStringLiteral("pointerPosition"));
    m_pointer->setAccessibleName(tr("Pixel under the pointer"));
    statusBar()->addPermanentWidget(m_pointer);
    connect(m_view, &DiagramView::pointerMoved, this, [this](QPoint pixel) {
        m_pointer->setText(tr("x %1, y %2 · zoom %3×").arg(pixel.x()).arg(pixel.y()).arg(m_view->zoom()));
    });
}

QAction *HotspotWindow::makeAction(QMenu *menu, const QString &text, const QKeySequence &shortcut,
                                   void (HotspotWindow::*slot)())
{
    auto *action = new QAction(text, this);
    action->setShortcut(shortcut);
    action->setStatusTip(QString(text).remove(u'&'));
    // Reached through the menu bar: a shortcut of the window, unless its
    // context says otherwise.
    menu->addAction(action);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    return action;
}

void HotspotWindow::buildActions()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *open = makeAction(file, tr("&Open diagram…"), QKeySequence::Open, &HotspotWindow::openChosen);
    m_saveAction = makeAction(file, tr("&Save hotspots"), QKeySequence::Save, &HotspotWindow::saveChosen);
    file->addSeparator();
    QAction *quit = makeAction(file, tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), nullptr);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    QAction *undo = m_document->undoStack()->createUndoAction(this, tr("&Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *redo = m_document->undoStack()->createRedoAction(this, tr("&Redo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    m_nameAction = makeAction(edit, tr("&Name hotspot"), QKeySequence(Qt::Key_F2), &HotspotWindow::nameSelected);
    m_deleteAction = makeAction(edit, tr("&Delete line"), QKeySequence::Delete, &HotspotWindow::deleteSelected);
    // Delete and the arrows belong to the diagram (and Delete to the list):
    // the name field keeps them for its text, the list its arrows.
    m_deleteAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_scroll->addAction(m_deleteAction);
    m_list->addAction(m_deleteAction);
    edit->addSeparator();
    const struct
    {
        const char *text;
        int key;
        int dx;
        int dy;
    } moves[] = {{QT_TR_NOOP("Move &left"), Qt::Key_Left, -1, 0},
                 {QT_TR_NOOP("Move &right"), Qt::Key_Right, 1, 0},
                 {QT_TR_NOOP("Move &up"), Qt::Key_Up, 0, -1},
                 {QT_TR_NOOP("Move do&wn"), Qt::Key_Down, 0, 1}};
    for (const int step : {1, 10}) {
        for (const auto &move : moves) {
            const QString text = step == 1 ? tr(move.text) : tr("%1 by ten").arg(tr(move.text));
            QAction *action = makeAction(
                edit, text, step == 1 ? QKeySequence(move.key) : QKeySequence(Qt::SHIFT | move.key), nullptr);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            m_scroll->addAction(action);
            connect(action, &QAction::triggered, this,
                    [this, dx = move.dx * step, dy = move.dy * step] { moveBy(dx, dy); });
            m_moveActions.push_back(action);
        }
    }

    QMenu *view = menuBar()->addMenu(tr("&View"));
    const int keys[] = {Qt::Key_1, Qt::Key_2, Qt::Key_4, Qt::Key_8};
    for (size_t i = 0; i < std::size(kZooms); ++i) {
        const int zoom = kZooms[i];
        QAction *action = makeAction(view, zoom == 1 ? tr("Actual &size (1:1)") : tr("Zoom &%1×").arg(zoom),
                                     QKeySequence(Qt::CTRL | keys[i]), nullptr);
        connect(action, &QAction::triggered, this, [this, zoom] { setZoom(zoom); });
    }
    makeAction(view, tr("Zoom &in"), QKeySequence(Qt::CTRL | Qt::Key_Plus), &HotspotWindow::zoomIn);
    makeAction(view, tr("Zoom &out"), QKeySequence(Qt::CTRL | Qt::Key_Minus), &HotspotWindow::zoomOut);
    view->addSeparator();
    m_tryAction = makeAction(view, tr("&Try presses"), QKeySequence(Qt::CTRL | Qt::Key_T), nullptr);
    m_tryAction->setCheckable(true);
    connect(m_tryAction, &QAction::toggled, this, &HotspotWindow::setTryMode);

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    makeAction(help, tr("&About korvane-hotspots"), QKeySequence::HelpContents, &HotspotWindow::showAbout);

    QToolBar *tools = addToolBar(tr("Tools"));
    tools->setObjectName(QStringLiteral("tools"));
    tools->addAction(open);
    tools->addAction(m_saveAction);
    tools->addSeparator();
    tools->addAction(undo);
    tools->addAction(redo);
    tools->addSeparator();
    tools->addActions(view->actions().mid(0, 4));
    tools->addSeparator();
    tools->addAction(m_tryAction);
    select(-1);
}

void HotspotWindow::updateTitle()
{
    const QString file = m_diagramFile.isEmpty() ? tr("No diagram") : QFileInfo(m_diagramFile).fileName();
    setWindowTitle(QStringLiteral("%1[*] – %2").arg(file, QString::fromLatin1(kProgramTitle)));
    setWindowModified(!m_document->undoStack()->isClean() || m_view->pendingPoint());
}

void HotspotWindow::setZoom(int zoom)
{
    // The pixel in the middle of the area stays there.
    const QPoint middle(m_scroll->horizontalScrollBar()->value() + m_scroll->viewport()->width() / 2,
                        m_scroll->verticalScrollBar()->value() + m_scroll->viewport()->height() / 2);
    const QPoint pixel = m_view->pixelAt(middle);
    m_view->setZoom(zoom);
    m_scroll->horizontalScrollBar()->setValue(pixel.x() * zoom - m_scroll->viewport()->width() / 2);
    m_scroll->verticalScrollBar()->setValue(pixel.y() * zoom - m_scroll->viewport()->height() / 2);
    statusBar()->showMessage(tr("Zoom %1×").arg(zoom), 2000);
}

void HotspotWindow::zoomIn()
{
    const auto next = std::upper_bound(std::begin(kZooms), std::end(kZooms), m_view->zoom());
    if (next != std::end(kZooms))
        setZoom(*next);
}

void HotspotWindow::zoomOut()
{
    const auto at = std::lower_bound(std::begin(kZooms), std::end(kZooms), m_view->zoom());
    if (at != std::begin(kZooms))
        setZoom(*(at - 1));
}

void HotspotWindow::closeEvent(QCloseEvent *event)
{
    if (maybeSave())
        event->accept();
    else
        event->ignore();
}

void HotspotWindow::showAbout()
{
    QMessageBox::about(
        this, tr("About korvane-hotspots"),
        tr("<p><b>korvane-hotspots</b> %1 places the hotspots of a Korvane catalog's exploded-view diagrams.</p>"
           "<p>Press an empty place to add a hotspot and type its name (Enter keeps it, Escape takes it away); "
           "press a box to select it, drag it to move it; the arrow keys move it a pixel, with Shift ten; "
           "Delete removes it. Ctrl+Z and Ctrl+Shift+Z undo and redo, Ctrl+S saves.</p>"
           "<p>Every box is the browser's hit box. In Try mode (Ctrl+T) a press shows what the browser does "
           "for a press there.</p>")
            .arg(QCoreApplication::applicationVersion()));
}

} // namespace korvane::hotspots
