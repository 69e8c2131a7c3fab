#pragma once

#include "catalog/CatalogLines.h"
#include "catalog/CatalogNames.h"

#include <QMainWindow>

#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QCompleter;
class QLabel;
class QLineEdit;
class QScrollArea;
class QStringListModel;
class QTableView;

namespace korvane {
class PartListBox;
}

namespace korvane::hotspots {

class DiagramView;
class HotspotDocument;

inline constexpr char kProgramName[] = "korvane-hotspots";
inline constexpr char kProgramTitle[] = "Korvane Hotspots";

// The hotspot editor's window: the diagram with its hit boxes on the left;
// on the right the name field, the list of the hotspot file's lines, and in
// Try mode what the browser does for a press.
class HotspotWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit HotspotWindow(QWidget *parent = nullptr);
    ~HotspotWindow() override;

    // Opens a diagram (.bmp) and the hotspot file beside it, asking first
    // when the open one has unsaved changes. A failure is shown in a message
    // box and leaves what was open.
    bool openDiagram(const QString &path);
    // Writes the hotspot file; a name the field refuses, or a failed write,
    // writes nothing.
    bool save();

    // The part codes offered as names, in part list order.
    const QStringList &partCodes() const { return m_codes; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWidgets();
    void buildActions();
    QAction *makeAction(QMenu *menu, const QString &text, const QKeySequence &shortcut, void (HotspotWindow::*slot)());

    // Whether the open file may be left: clean, saved, or its changes given up.
    bool maybeSave();
    void tell(const QString &message);
    void readPartLists(const QString &diagramFile);
    void updateTitle();

    void select(qsizetype line);
    void listSelectionChanged();
    void pressedOnEmpty(QPoint pixel);
    void pressedOnLine(qsizetype line);
    void edited(qsizetype line);
    // Keeps the new point if the name field holds a name it takes, else
    // takes it away.
    void settlePendingPoint();
    void dropPendingPoint();
    bool confirmName();
    void showNameMessage(const QString &text, bool refusal);
    void refreshCompletion();

    void openChosen();
    void saveChosen();
    void nameSelected();
    void deleteSelected();
    void moveBy(int dx, int dy);
    void setZoom(int zoom);
    void zoomIn();
    void zoomOut();
    void setTryMode(bool on);
    void tryPress(QPoint pixel);
    void chooseTryList(int index);
    void showAbout();

    HotspotDocument *m_document;
    DiagramView *m_view = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLineEdit *m_name = nullptr;
    QLabel *m_nameMessage = nullptr;
    QTableView *m_list = nullptr;
    QCompleter *m_completer = nullptr;
    QStringListModel *m_completions = nullptr;
    QWidget *m_tryPanel = nullptr;
    QLineEdit *m_trySearch = nullptr;
    QComboBox *m_tryListChoice = nullptr;
    PartListBox *m_tryParts = nullptr;
    QLabel *m_tryResult = nullptr;
    QLabel *m_pointer = nullptr;

    QAction *m_saveAction = nullptr;
    QAction *m_nameAction = nullptr;
    QAction *m_deleteAction = nullptr;
    std::vector<QAction *> m_moveActions;
    QAction *m_tryAction = nullptr;

    QString m_diagramFile;
    ComposedPath m_hotspotFile;
    QStringList m_codes;
    // The part lists a Try press may select in: the model's, then each
    // group's.
    struct NamedPartList
    {
        QString fileName;
        bool ofModel = false;
        CatalogLines lines;
    };
    std::vector<NamedPartList> m_partLists;
    qsizetype m_selected = -1;
    bool m_syncingList = false;
};

} // namespace korvane::hotspots
