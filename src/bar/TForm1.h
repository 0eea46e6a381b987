#pragma once

#include "bar/BarLayout.h"
#include "bar/BarWidgets.h"
#include "bar/LanguageSettings.h"
#include "bar/Sequencer.h"
#include "base/DragTracker.h"
#include "config/LineList.h"

#include <QWidget>

#include <optional>

class QTimer;
class SnapshotFetcher;
class TCamImage;

// The windows the bar opens. The start-up hands them over once they all
// exist; a bar built alone (in a test) has none, or only some.
struct BarWindows
{
    class TForm2 *about = nullptr;
    class TForm11 *help = nullptr;
    class TForm12 *settings = nullptr;
    class TForm13 *licence = nullptr;
    class TForm4 *single = nullptr;
    class TForm10 *nine = nullptr;
    class TForm6 *quad = nullptr;
    class NetworkCamerasWindow *networkCameras = nullptr;
};

// The control bar: the frameless, always-on-top main window from which
// every function is reached. It works on the camera list the start-up
// hands it and owns the program-wide selection state. Its handlers are
// thin: each runs inside the error guard and calls into the core.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    // Loads config.lst into `cameras` (when there is one) and names the
    // camera menu items from it.
    explicit TForm1(LineList &cameras, QWidget *parent = nullptr);
    ~TForm1() override;

    // Also wires the windows that talk back to the bar.
    void setWindows(const BarWindows &windows);

    // ---- What other windows and tests may read --------------------------
    const LineList &cameraList() const { return m_cameras; }
    int currentCamera() const { return m_currentCamera; }
    int zoomMode() const { return m_zoomMode; }
    const Sequencer &sequencer() const { return m_sequencer; }
    qint32 snapshotCounter() const { return m_snapshotCounter; }

    // ---- Camera list and start-up ----------------------------------------
    // Gives the nine camera menu items the names on list lines 9..17.
    void Camras1Click();

    // ---- Moving the bar ---------------------------------------------------
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp(Qt::MouseButton button, int x, int y);

    // ---- Quitting -----------------------------------------------------------
    void Quitter2Click();
    void SpeedButton11Click();

    // ---- Controls and menu items, as the stored layout names them ----------
#define OCELLANE_BAR_MEMBER(name, kind, ...) BarControls::kind *name = nullptr;
#define OCELLANE_BAR_ITEM_MEMBER(name, depth, caption, kind, ...) BarControls::kind *name = nullptr;
    OCELLANE_BAR_CONTROLS(OCELLANE_BAR_MEMBER)
    OCELLANE_BAR_MENU(OCELLANE_BAR_ITEM_MEMBER)
#undef OCELLANE_BAR_ITEM_MEMBER
#undef OCELLANE_BAR_MEMBER
    QTimer *Timer1 = nullptr;
    QMenu *PopupMenu1 = nullptr;

    // The nine camera menu items in camera order.
    QList<QAction *> cameraMenuItems() const;
    // The nine inclusion panels in camera order.
    QList<ClickPanel *> inclusionPanels() const;

    // ---- Camera selection and single view ----------------------------------
    // Sizes, shows and connects the single view to the address box's text.
    void ShowSingleView();
    void SpeedButton15Click();
    void SpeedButton17Click();
    void SpeedButton18Click();
    void SpeedButton19Click();
    void SpeedButton20Click();
    void SpeedButton21Click();
    void SpeedButton22Click();
    void SpeedButton23Click();
    void SpeedButton24Click();
    void Camra1Click();
    void Camra2Click();
    void Camra3Click();
    void Camra4Click();
    void Camra5Click();
    void Camra6Click();
    void Camra7Click();
    void Camra8Click();
    void Camra9Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton25Click();
    void SpeedButton26Click();
    void SpeedButton27Click();
    void Image2Click();
    void N380x1Click();
    void N640x1Click();
    void N740x1Click();

    // ---- Multi-camera modes -------------------------------------------------
    void Multivision4Click();
    void SpeedButton10Click();
    void Multivision9voies2Click();
    void SpeedButton14Click();
    // A double-click on camera c's cell (0..8) in the quad or nine-camera
    // window: camera c in the single view, as its camera button shows it.
    void MultiViewCellDblClick(int camera);

    // ---- Camera settings dialog ---------------------------------------------
    void wireSettingsDialog();
    void wireNetworkCameras();
    // Copies the camera list into the dialog's own and brings the dialog up.
    void Paramtragecamras2Click();

    // ---- Network cameras window ---------------------------------------------
    // Brings the window up on the current camera's lines.
    void Camrasrseau1Click();
    // Writes lines c, 9 + c, 19 + c and 31 + c into CameraList and the
    // settings dialog's list; nothing else changes until the camera is shown.
    void NetworkCamerasWrite(int camera, const QString &name, const QString &stream, const QString &subStream,
                             const QString &still);
    void NetworkCamerasChosen(int camera);

    // ---- Sequencer ----------------------------------------------------------
    // One step; bound to Timer1.
    void PlayList();
    void CSpinEdit1Change();
    void Panel7Click();
    void Panel8Click();
    void Panel3Click();
    void Panel4Click();
    void Panel5Click();
    void Panel6Click();
    void Panel15Click();
    void Panel16Click();
    void Panel17Click();
    void Panel18Click();
    void Panel19Click();

    // ---- Snapshot -----------------------------------------------------------
    SnapshotFetcher *NMHTTP1 = nullptr;
    void SpeedButton5Click();
    // The folder snapshot files go to; empty means the platform's place.
    void setSnapshotFolder(const QString &folder) { m_snapshotFolder = folder; }
    QString snapshotFolder() const;

    // ---- Interface language -------------------------------------------------
    // Start-up: makes sure the settings file holds a language, then reads
    // its section's entries. A file that cannot be written or
    // read is no error: no caption set applies then.
    void loadLanguageSetting();
    // Applies the caption set chosen by the first entry read, if any.
    void ApplyLanguage();
    // The same set applied to the network cameras window's texts.
    void applyNetworkCamerasLanguage();
    // The caption set the first settings entry read at start-up chooses.
    std::optional<Language> chosenLanguage() const;
    // Store the language for the next start; nothing on screen changes.
    void Franais1Click();
    void Anglais1Click();
    void Italien1Click();
    void wireLanguage();

    // ---- Information windows ------------------------------------------------
    void Aide4Click();
    void License2Click();
    void Aproposde2Click();
    void wireInformationWindows();

Q_SIGNALS:
    // The bar has closed: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void wireSelection();
    void wireMultiViews();
    void selectCamera(int n);
    void setZoom(int mode);
    void openMultiView(QWidget *window, const QList<TCamImage *> &controls);

    void buildLayout();
    void buildMenu();
    void loadStartupList();

    QWidget *m_client = nullptr; // the client area inside the 1-pixel border
    DragTracker m_drag;

    LineList &m_cameras;
    BarWindows m_windows;
    qint32 m_currentCamera = 0; // 0..8: the camera last chosen by button or menu
    qint32 m_zoomMode = 1;      // 1..4: x1, x1.5, x2, x0,5
    // sequencePosition, sequenceLength and sequenceIncluded[1..9].
    Sequencer m_sequencer;
    qint32 m_snapshotCounter = 1; // the number the next snapshot file tries first
    // The settings section's entries as read at start-up ("key=value").
    QList<QByteArray> m_languageEntries;

    void wireSequencer();
    void toggleInclusion(int camera);
    void wireSnapshot();
    void snapshotFetched(const QString &error);
    QString m_snapshotFolder;
};
