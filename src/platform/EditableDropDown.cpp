#include "platform/EditableDropDown.h"

#include "platform/FixedHeightDelegate.h"

#include <QCollator>
#include <QLineEdit>
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

EditableDropDown::EditableDropDown(QWidget *parent)
    : QComboBox(parent), m_model(new QStringListModel(this))
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
    setCurrentIndex(-1);
    connect(lineEdit(), &QLineEdit::textEdited, this, &EditableDropDown::changedByUser);
    connect(this, &QComboBox::activated, this, &EditableDropDown::changedByUser);
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
