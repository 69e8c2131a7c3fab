#include "platform/EditableDropDown.h"

#include "catalog/PartSearch.h"
#include "platform/FixedHeightDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCollator>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStringListModel>

#include <algorithm>
#include <array>

namespace korvane {

namespace {

QCollator groupCollator()
{
    QCollator collator; // the user's language
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// A completer that completes nothing, lent to each new drop-down's field for
// as long as the combo box looks for one; made with the first drop-down.
QCompleter *placeholderCompleter()
{
    static QPointer<QCompleter> placeholder;
    if (!placeholder)
        placeholder = new QCompleter(QCoreApplication::instance());
    return placeholder;
}

} // namespace

EditableDropDown::EditableDropDown(QWidget *parent) : QComboBox(parent), m_model(new QStringListModel(this))
{
    // Completion is the drop-down's own business; the toolkit's completer
    // would pop up lists and change the text behind the handlers' backs. The
    // field comes with a bare placeholder, so the combo box builds none of its
    // own over its list (a tenth of the start-up's work, six drop-downs over),
    // and gives it back at once: one placeholder serves every drop-down.
    auto *field = new QLineEdit(this);
    field->setPalette(palette());
    // The field takes the drop-down's font from it (changeEvent), not by
    // inheritance: laying its text out in a font loads that font, which a
    // drop-down built hidden need not do before it is shown.
    field->setFont(font());
    field->setCompleter(placeholderCompleter());
    setLineEdit(field);
    setCompleter(nullptr);
    setModel(m_model);
    setInsertPolicy(QComboBox::NoInsert);
    setCurrentIndex(-1);
    // The combo box would pick an entry whose text equals the field's when the
    // field loses the focus and report it as activated; the text only changes
    // by the user's keys and picks here.
    disconnect(lineEdit(), &QLineEdit::editingFinished, nullptr, nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
        if (!m_backspaceInProgress)
            afterUserEdit();
    });
    connect(this, &QComboBox::activated, this, &EditableDropDown::onActivated);
}

void EditableDropDown::prepareList()
{
    if (m_listPrepared)
        return;
    m_listPrepared = true;
    // Measuring every entry for a size hint would make lists of a million
    // lines slow to show; the control has a fixed designed size anyway.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (m_entryHeight > 0)
        setItemDelegate(new FixedHeightDelegate(m_entryHeight, this));
    // Every entry is one line of one height; the list then opens at once
    // however many entries it holds.
    if (auto *list = qobject_cast<QListView *>(view()))
        list->setUniformItemSizes(true);
    // An open list holds the keyboard; its keys come here first, before the
    // list's own handling and its container's.
    view()->installEventFilter(this);
}

int EditableDropDown::findEntryStartingWith(const QString &prefix) const
{
    return int(findFirstStartingWith(m_model->stringList(), prefix));
}

bool EditableDropDown::isDroppedDown() const
{
    return m_listPrepared && view()->isVisible();
}

void EditableDropDown::showDropDown()
{
    showPopup();
}

void EditableDropDown::afterUserEdit()
{
    // Text typed over an entry leaves no entry current, so completing back to
    // that entry counts as a new choice.
    const int current = currentIndex();
    if (current >= 0 && text() != m_model->stringList().at(current)) {
        QLineEdit *edit = lineEdit();
        const QString shown = edit->text();
        const int cursor = edit->cursorPosition();
        {
            const QSignalBlocker blocker(this);
            setCurrentIndex(-1);
        }
        edit->setText(shown);
        edit->setCursorPosition(cursor);
    }
    emit changedByUser();
}

void EditableDropDown::showPopup()
{
    prepareList();
    rememberPickBaseline();
    QComboBox::showPopup();
    // The field's text is selected while the list is open, so the first
    // letter typed starts a new text.
    lineEdit()->selectAll();
    listFollowsText();

    // Every entry can be read: the list is at least as wide as its widest
    // entry, as far as the screen allows, and stays on the screen.
    QWidget *container = view()->parentWidget();
    QAbstractItemView *list = view();
    const int needed = widestEntryWidth() + container->width() - list->viewport()->width();
    if (needed <= container->width())
        return;
    QRect geometry = container->geometry();
    const QScreen *shown = container->screen() ? container->screen() : QGuiApplication::primaryScreen();
    const QRect available = shown ? shown->availableGeometry() : geometry;
    geometry.setWidth(std::min(needed, available.width()));
    if (geometry.right() > available.right())
        geometry.moveRight(available.right());
    if (geometry.left() < available.left())
        geometry.moveLeft(available.left());
    container->setGeometry(geometry);
}

void EditableDropDown::rememberPickBaseline()
{
    m_indexAtPopup = currentIndex();
    m_textAtPopup = text();
    m_popupBaseline = true;
}

int EditableDropDown::widestEntryWidth()
{
    if (m_widestEntry >= 0)
        return m_widestEntry;
    const QStringList &list = m_model->stringList();
    if (list.isEmpty())
        return m_widestEntry = 0;
    // Measuring every entry one by one takes 6 ms for a model's 1,000 groups
    // and a second for a broken catalog's 100,000 entries, at every first
    // opening (the benchmark's drop-down rows). Catalog text comes from a
    // single-byte code page, so the widths of its characters are looked up
    // in a table and summed; only the widest entry found that way is
    // measured as the list draws it: 0.3 ms and 17 ms.
    const QFontMetrics metrics = view()->fontMetrics();
    const int widestCharacter = std::max(1, metrics.maxWidth());
    std::array<int, 0x500> advance;
    advance.fill(-1);
    int best = -1;
    qsizetype bestRow = 0;
    for (qsizetype row = 0; row < list.size(); ++row) {
        const QString &entry = list.at(row);
        if (entry.size() * qsizetype(widestCharacter) <= best)
            continue;
        int width = 0;
        for (QChar c : entry) {
            const char16_t code = c.unicode();
            if (code < advance.size()) {
                if (advance[code] < 0)
                    advance[code] = metrics.horizontalAdvance(c);
                width += advance[code];
            } else {
                width += metrics.horizontalAdvance(c);
            }
        }
        if (width > best) {
            best = width;
            bestRow = row;
        }
    }
    QStyleOptionViewItem option;
    option.initFrom(view());
    option.font = view()->font();
    option.fontMetrics = metrics;
    const QModelIndex widest = m_model->index(int(bestRow));
    const int drawn = view()->itemDelegateForIndex(widest)->sizeHint(option, widest).width();
    // Kerning may make a neighbour of the estimate a pixel or two wider.
    return m_widestEntry = std::max(drawn, best) + 4;
}

bool EditableDropDown::eventFilter(QObject *watched, QEvent *event)
{
    if (isDroppedDown() && watched == view()) {
        if (event->type() == QEvent::ShortcutOverride) {
            // Enter and Escape would otherwise be taken by the list's
            // container before the key reaches the list.
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress)
            return keyWhileListOpen(static_cast<QKeyEvent *>(event));
    }
    return QComboBox::eventFilter(watched, event);
}

bool EditableDropDown::keyWhileListOpen(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F4:
        hidePopup();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (modifiers & Qt::AltModifier) {
            hidePopup();
            return true;
        }
        moveCurrentEntry(event->key());
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        moveCurrentEntry(event->key());
        return true;
    case Qt::Key_Enter:
    case Qt::Key_Return:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // The list closes first; then the key does what it does in the
        // closed control: Enter reaches its key-press handler, Tab moves on.
        hidePopup();
        passKeyOn(event);
        return true;
    default:
        // Typing, Backspace, Delete, paste and cursor keys edit the text as
        // they do with the list closed.
        passKeyOn(event);
        listFollowsText();
        rememberPickBaseline();
        return true;
    }
}

void EditableDropDown::passKeyOn(const QKeyEvent *event)
{
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->nativeScanCode(), event->nativeVirtualKey(),
                   event->nativeModifiers(), event->text(), event->isAutoRepeat(), event->count());
    QCoreApplication::sendEvent(this, &copy);
}

void EditableDropDown::moveCurrentEntry(int key)
{
    const int count = entryCount();
    if (count == 0)
        return;
    QAbstractItemView *list = view();
    const QModelIndex highlighted = list->currentIndex();
    const int from = highlighted.isValid() ? highlighted.row() : -1;
    const int rowHeight = std::max(1, list->visualRect(m_model->index(std::max(from, 0))).height());
    const int page = std::max(1, list->viewport()->height() / rowHeight - 1);
    int to = from;
    switch (key) {
    case Qt::Key_Up:
        to = from < 0 ? -1 : std::max(0, from - 1);
        break;
    case Qt::Key_Down:
        to = std::min(count - 1, from + 1);
        break;
    case Qt::Key_PageUp:
        to = std::max(0, from - page);
        break;
    case Qt::Key_PageDown:
        to = std::min(count - 1, std::max(from, 0) + page);
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = count - 1;
        break;
    default:
        break;
    }
    if (to < 0)
        return;
    // The text becomes the new current entry, then the handler runs, as for
    // the same key with the list closed.
    const bool changed = to != currentIndex() || text() != m_model->stringList().at(to);
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(to);
    }
    lineEdit()->setText(m_model->stringList().at(to));
    listFollowsText();
    rememberPickBaseline();
    if (changed)
        emit changedByUser();
}

void EditableDropDown::listFollowsText()
{
    if (!isDroppedDown())
        return;
    QAbstractItemView *list = view();
    int row = currentIndex();
    if (row < 0)
        row = findEntryStartingWith(text());
    if (row < 0) {
        list->selectionModel()->clear();
        return;
    }
    const QModelIndex at = m_model->index(row);
    list->setCurrentIndex(at);
    list->scrollTo(at);
}

void EditableDropDown::onActivated(int index)
{
    // Arrow keys and the wheel report only real moves; a pick from the list
    // may repeat the current entry.
    if (m_popupBaseline) {
        m_popupBaseline = false;
        if (index == m_indexAtPopup && text() == m_textAtPopup)
            return;
    }
    emit changedByUser();
}

QSize EditableDropDown::sizeHint() const
{
    // Asked before the list was first opened, the combo box would measure
    // every entry for its hint: the list is made ready first, which tells
    // it not to.
    const_cast<EditableDropDown *>(this)->prepareList();
    return QComboBox::sizeHint();
}

QSize EditableDropDown::minimumSizeHint() const
{
    const_cast<EditableDropDown *>(this)->prepareList();
    return QComboBox::minimumSizeHint();
}

void EditableDropDown::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        // A drop-down that shows with its window takes the font into its
        // field at once, so a text set after the font is laid out once.
        m_fieldFontPending = true;
        if (isVisibleTo(window()))
            giveFieldTheFont();
        // The combo box builds its list to hand it a new font; a list not
        // yet built takes the font it is built with.
        if (!m_listPrepared) {
            // NOLINTNEXTLINE(bugprone-parent-virtual-call): passing over the combo box's own handling is the point
            QWidget::changeEvent(event);
            return;
        }
    }
    QComboBox::changeEvent(event);
}

void EditableDropDown::showEvent(QShowEvent *event)
{
    giveFieldTheFont();
    QComboBox::showEvent(event);
}

void EditableDropDown::giveFieldTheFont()
{
    if (!m_fieldFontPending)
        return;
    m_fieldFontPending = false;
    lineEdit()->setFont(font());
}

void EditableDropDown::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers commandKeys = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (event->key() == Qt::Key_Backspace && !(event->modifiers() & commandKeys)) {
        // Every Backspace is a change to the handlers, also one that finds
        // nothing to delete, and it is reported once.
        m_backspaceInProgress = true;
        QComboBox::keyPressEvent(event);
        m_backspaceInProgress = false;
        afterUserEdit();
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.front().isPrint() && !(event->modifiers() & commandKeys)
        && completeTypedText(typed)) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

bool EditableDropDown::completeTypedText(const QString &typed)
{
    QLineEdit *edit = lineEdit();
    // What the user has typed so far: the text before the selection (the
    // completed rest is selected), else the whole text.
    const QString typedSoFar = edit->hasSelectedText() ? edit->text().left(edit->selectionStart()) : edit->text();
    const QString probe = typedSoFar + typed;
    const int found = findEntryStartingWith(probe);
    if (found < 0)
        return false;
    const bool wasCurrent = currentIndex() == found;
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(found);
    }
    // The letters keep the case they were typed in; the rest comes from the entry.
    const QString completed = probe + m_model->stringList().at(found).mid(probe.size());
    edit->setText(completed);
    edit->setSelection(int(probe.size()), int(completed.size() - probe.size()));
    if (!wasCurrent)
        emit changedByUser();
    return true;
}

void EditableDropDown::setSorted(bool sorted)
{
    m_sorted = sorted;
    // An empty list is in order already; replacing it would only lay the
    // field's text out again.
    if (sorted && m_model->rowCount() > 0)
        replaceModelKeepingText(sortedCopy(m_model->stringList()));
}

void EditableDropDown::setEntryHeight(int height)
{
    m_entryHeight = height;
    if (m_listPrepared)
        setItemDelegate(new FixedHeightDelegate(height, this));
}

QStringList EditableDropDown::entries() const
{
    return m_model->stringList();
}

int EditableDropDown::entryCount() const
{
    return m_model->rowCount();
}

void EditableDropDown::setEntries(const QStringList &newEntries)
{
    replaceModelKeepingText(m_sorted ? sortedCopy(newEntries) : newEntries);
}

void EditableDropDown::clearEntries()
{
    replaceModelKeepingText({});
}

QString EditableDropDown::text() const
{
    return lineEdit()->text();
}

void EditableDropDown::setText(const QString &newText)
{
    lineEdit()->setText(newText);
}

QStringList EditableDropDown::sortedCopy(QStringList list) const
{
    const QCollator collator = groupCollator();
    std::stable_sort(list.begin(), list.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return list;
}

void EditableDropDown::replaceModelKeepingText(const QStringList &newEntries)
{
    m_widestEntry = -1;
    // A model reset makes the combo box pick its first entry and show its
    // text; the field must keep what it showed, with no entry current.
    const QString shown = text();
    {
        const QSignalBlocker blocker(this);
        m_model->setStringList(newEntries);
        setCurrentIndex(-1);
    }
    lineEdit()->setText(shown);
}

} // namespace korvane
