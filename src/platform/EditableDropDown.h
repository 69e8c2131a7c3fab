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
    void setEntryHeight(int height);

    QStringList entries() const;
    int entryCount() const;
    void setEntries(const QStringList &entries);
    void clearEntries();

    QString text() const;
    void setText(const QString &text);

    // The first entry that begins with the text, letter case ignored; -1 if none.
    int findEntryStartingWith(const QString &text) const;

    // The list opens at least as wide as its widest entry, within the screen.
    void showPopup() override;
    // Whether the list is showing, and opening it (the platform's
    // CB_GETDROPPEDSTATE and CB_SHOWDROPDOWN).
    bool isDroppedDown() const;
    void showDropDown();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user changed the text: a typed character that alters it, a
    // deletion, a paste, every Backspace (even one that deletes nothing), or a
    // new current entry picked by mouse, arrow keys or wheel.
    void changedByUser();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // An open list takes the keyboard; its keys are handled here so that they
    // do what they do with the list closed.
    bool keyWhileListOpen(QKeyEvent *event);
    void moveCurrentEntry(int key);
    void passKeyOn(const QKeyEvent *event);
    void listFollowsText();
    void rememberPickBaseline();
    void prepareList();
    void giveFieldTheFont();
    int widestEntryWidth();

    bool completeTypedText(const QString &typed);
    void afterUserEdit();
    void onActivated(int index);

    QStringList sortedCopy(QStringList entries) const;
    void replaceModelKeepingText(const QStringList &entries);

    QStringListModel *m_model;
    bool m_sorted = false;
    bool m_backspaceInProgress = false;
    // What the field showed when the list was opened: picking the entry that
    // was already current, with its text unchanged, changes nothing.
    int m_indexAtPopup = -1;
    QString m_textAtPopup;
    bool m_popupBaseline = false;
    // The widest entry's width, measured at the first opening after the
    // entries changed; -1 until then.
    int m_widestEntry = -1;
    // The list is made ready (entry height, keys) when it first opens; the
    // toolkit builds it then too.
    bool m_listPrepared = false;
    // The drop-down's font is still to be given to its field (it was hidden).
    bool m_fieldFontPending = false;
    int m_entryHeight = 0;
};

} // namespace korvane
