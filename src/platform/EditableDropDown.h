#pragma once

#include <QComboBox>
#include <QStringList>

class QStringListModel;

namespace korvane {

// The editable drop-down of the catalog: a text field with a list of entries.
// Only changes made by the user raise changedByUser(); everything the program
// does (setting the text, replacing or clearing the entries) is silent, and
// replacing the entries keeps the text shown in the field.
class EditableDropDown : public QComboBox
{
    Q_OBJECT

public:
    explicit EditableDropDown(QWidget *parent = nullptr);

    // A sorted drop-down keeps its entries in the user's language's order,
    // letter case ignored.
    void setSorted(bool sorted);
    bool isSorted() const { return m_sorted; }
    void setEntryHeight(int height);

    QStringList entries() const;
    int entryCount() const;
    void setEntries(const QStringList &entries);
    void addEntry(const QString &entry);
    void clearEntries();

    QString text() const;
    void setText(const QString &text);

signals:
    void changedByUser();

private:
    QStringList sortedCopy(QStringList entries) const;
    void replaceModelKeepingText(const QStringList &entries);

    QStringListModel *m_model;
    bool m_sorted = false;
};

} // namespace korvane
