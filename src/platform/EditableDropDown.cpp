#include "platform/EditableDropDown.h"

#include "platform/FixedHeightDelegate.h"
#include "platform/PrefixMatch.h"

#include <QAbstractItemView>
#include <QCollator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QStringListModel>

#include <algorithm>

namespace korvane {

namespace {

QCollator groupCollator()
{
    QCollator collator; // the user's language
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

} // namespace

EditableDropDown::EditableDropDown(QWidget *parent) : QComboBox(parent), m_model(new QStringListModel(this))
{
    setEditable(true);
    setModel(m_model);
    setInsertPolicy(QComboBox::NoInsert);
    // Completion is the drop-down's own business; the toolkit's completer
    // would pop up lists and change the text behind the handlers' backs.
    setCompleter(nullptr);
    // Measuring every entry for a size hint would make lists of a million
    // lines slow to show; the control has a fixed designed size anyway.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Every entry is one line of one height; the list then opens at once
    // however many entries it holds.
    if (auto *list = qobject_cast<QListView *>(view()))
        list->setUniformItemSizes(true);
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

int EditableDropDown::findEntryStartingWith(const QString &prefix) const
{
    return int(findFirstStartingWith(m_model->stringList(), prefix));
}

bool EditableDropDown::isDroppedDown() const
{
    return view()->isVisible();
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
    m_indexAtPopup = currentIndex();
    m_textAtPopup = text();
    m_popupBaseline = true;
    QComboBox::showPopup();
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
    if (sorted)
        replaceModelKeepingText(sortedCopy(m_model->stringList()));
}

void EditableDropDown::setEntryHeight(int height)
{
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

void EditableDropDown::addEntry(const QString &entry)
{
    int row = m_model->rowCount();
    if (m_sorted) {
        const QStringList &list = m_model->stringList();
        const QCollator collator = groupCollator();
        row = int(std::upper_bound(list.begin(), list.end(), entry,
                                   [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; })
                  - list.begin());
    }
    const QString shown = text();
    const int current = currentIndex();
    {
        // Adding to an empty list makes the combo box pick the new entry.
        const QSignalBlocker blocker(this);
        m_model->insertRows(row, 1);
        m_model->setData(m_model->index(row), entry);
        setCurrentIndex(current < 0 ? -1 : (current >= row ? current + 1 : current));
    }
    lineEdit()->setText(shown);
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
