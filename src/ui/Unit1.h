#pragma once

#include "catalog/PartLine.h"
#include "platform/PictureFile.h"

#include <QString>
#include <QWidget>

#include <optional>

class QAbstractButton;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class QWindow;

namespace korvane {
class CaptionPanel;
class EditableDropDown;
class HotspotGrid;
class PartListBox;
class PictureBox;
class PictureDialog;
struct FileRoute;
} // namespace korvane

class TForm1;
class Tshowdw;

// Program-wide state. Handlers share it with each other and through the
// controls only.
extern TForm1 *Form1;
extern Tshowdw *showdw;
extern QString BaseFolder; // the executable's folder, ending in "/", at most 255 characters
extern bool HotspotTestMode; // presses on the picture are hit-tested
extern qint32 HotspotHalfWidth; // horizontal hit tolerance, pixels
extern qint32 HotspotHalfHeight; // vertical hit tolerance, pixels
extern qint32 HotspotCount; // rows of the hotspot table in use
extern QString CurrentPartCode; // first 64 characters of the part code
extern QString ModelSubfolder; // nothing assigns it: empty for the whole run

// Shows the photo of the part whose code is in newCode, for the manufacturers
// whose photo naming the catalog knows.
void ShowPartPhoto();

// The main window: every control at its designed place, one handler per
// control event.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    enum class RecordedState { Normal, Minimized, Maximized };
    // The client area as designed.
    static constexpr QSize kDesignedClientSize{1064, 692};

    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The window state as last recorded; a size notification is handled
    // while it still holds the state from before that notification.
    RecordedState recordedState() const { return m_recordedState; }
    // A state set by the program itself is recorded before the window changes.
    void setStateByProgram(RecordedState state);
    // The window's outer size, frame included, as the window system has it.
    QSize outerSize() const;

    // The executable's folder, computed again to the same value.
    void recomputeBaseFolder();

    // Selects the first part line that begins with the text, without the
    // part-click action.
    void SelectPartByPrefix(const QString &Text);

    QString statusText() const;
    void setStatusText(const QString &text);

    // The file a handler step reads, by its route (FileRoutes.h): a tested
    // file that is missing shows what its route shows, and gives nothing.
    std::optional<korvane::CatalogFile> routeFile(const korvane::FileRoute &route, const korvane::ComposedPath &path);

    // --- controls, in their designed order --------------------------------
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QToolButton *test;
    QToolButton *SpeedButton1;
    korvane::EditableDropDown *Group;
    korvane::EditableDropDown *Model;
    korvane::EditableDropDown *Manufacturer;
    QPlainTextEdit *Memo1;
    QFrame *ToolBar1;
    QPushButton *Button3;
    QLabel *sb;
    QFrame *html;
    QLineEdit *savnam;
    korvane::CaptionPanel *Editor;
    QLabel *Label5;
    korvane::PictureBox *newpic;
    QLabel *Label6;
    QLabel *Label7;
    QLabel *Label8;
    QLineEdit *newCode;
    QPlainTextEdit *newcomment;
    QPushButton *newsave;
    QProgressBar *ProgressBar1;
    korvane::EditableDropDown *newcombo;
    QLineEdit *newname;
    korvane::EditableDropDown *CurrentGroup;
    QPushButton *BitBtn3;
    korvane::PartListBox *fl1;
    QPushButton *Button2;
    QPushButton *Button4;
    QPushButton *Button5;
    QPushButton *Button6;
    QPushButton *Button7;
    QLineEdit *find;
    QCheckBox *CheckBox1;
    korvane::CaptionPanel *Panel1;
    QCheckBox *CheckBox2;
    QPushButton *loadgroup;
    korvane::HotspotGrid *sg1;
    korvane::PartListBox *lb1;
    korvane::PartListBox *lbmet;
    QFrame *ScrollBox1;
    korvane::PictureBox *logo;
    korvane::EditableDropDown *exview;
    korvane::PictureDialog *OpenPictureDialog1;
    korvane::PictureDialog *SavePictureDialog1;

public slots:
    // --- start-up and window ----------------------------------------------
    void FormCreate();
    void FormResize();
    void Button3Click();

    // --- catalog navigation -------------------------------------------------
    void ManufacturerChange();
    void ModelChange();
    void Button2Click();
    void loadgroupClick();
    void GroupChange();
    void CurrentGroupChange();
    void Panel1Click();

    // --- part selection ----------------------------------------------------
    void fl1Click();

    // --- exploded views and hotspots -----------------------------------------
    void exviewChange();
    void SpeedButton1Click();
    void logoMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void testClick();

    // --- part search --------------------------------------------------------
    void savnamKeyPress(QChar Key);
    void findKeyPress(QChar Key);
    void findDblClick();
    void CheckBox1Click();

    // --- new-part editor ----------------------------------------------------
    void newcomboEnter();
    void newcomboChange();
    void newcomboKeyPress(QChar Key);
    void newCodeKeyPress(QChar Key);
    void newnameKeyPress(QChar Key);
    void newcommentKeyPress(QChar Key);
    void newpicClick();
    void newsaveKeyPress(QChar Key);
    void newsaveClick();

    // --- maintenance tools ----------------------------------------------------
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void BitBtn3Click();
    void CheckBox2Click();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildEditorPanel();
    void arrangeStackingAndTabs();
    void wireHandlers();

    // Runs a handler inside the one guard that shows failures in the error box.
    void guarded(void (TForm1::*handler)());
    void guarded(void (TForm1::*handler)(QChar), QChar key);
    // Runs the step a button holds, as invoking its click from code would:
    // only while the button is enabled. A failure inside it ends the calling
    // handler as well.
    void runButtonStep(const QAbstractButton *button, void (TForm1::*step)());

    void keepPictureFillingItsArea();
    void keepBarsAtTheirEdges();
    // The frame's arrival or change after a size notification.
    void completeSizeNotification();
    // The client size of the normal window: the designed one, fitted to the
    // screen's available area.
    QSize normalClientSize() const;
    // Size hints for the window's state: fixed when normal, free when
    // maximised.
    void renewFrameHints();
    // The designed size on a screen the window has come to.
    void followScreen();
    // A normal window that has grown larger than the screen's available area
    // is fitted there.
    void keepWithinScreen();
    // Picks the editor's photo through the picture dialog; only a pick
    // started by Enter in the description moves the focus on to the button.
    void pickEditorPhoto(bool startedByEnter);

    RecordedState m_recordedState = RecordedState::Normal;
    // The state and outer size that FormResize saw in the last size
    // notification; no notification has come while the size is invalid.
    RecordedState m_stateSeenByResize = RecordedState::Normal;
    QSize m_outerSizeSeenByResize;
    // The native window whose state and screen are followed.
    const QWindow *m_watchedWindow = nullptr;
    QMetaObject::Connection m_screenWatch;
    // The editor's photo as it was loaded: a save writes these bytes.
    std::optional<korvane::LoadedPicture> m_editorPicture;
};
