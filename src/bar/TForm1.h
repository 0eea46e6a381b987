#pragma once

#include "app/DragTracker.h"
#include "bar/Sequencer.h"
#include "config/LineList.h"

#include <QWidget>

class ClickPanel;
class QAction;
class QComboBox;
class QMenu;
class QSpinBox;
class QTimer;
class SnapshotFetcher;
class SolidLabel;
class SpeedButton;
class TCamImage;

// The control bar: the frameless, always-on-top main window from which
// every function is reached. It owns the camera list and the program-wide
// selection state. Its handlers are thin: each runs inside the error guard
// and calls into the core.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // ---- Camera list and start-up ----------------------------------------
    LineList CameraList;
    // Gives the nine camera menu items the names on list lines 9..17.
    void Camras1Click();

    // ---- Moving the bar ---------------------------------------------------
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp(Qt::MouseButton button, int x, int y);
    const DragTracker &drag() const { return m_drag; }

    // ---- Quitting -----------------------------------------------------------
    void Quitter2Click();
    void SpeedButton11Click();

    // ---- Controls, as the stored layout names them -------------------------
    SpeedButton *SpeedButton7 = nullptr;
    SpeedButton *SpeedButton10 = nullptr;
    SpeedButton *SpeedButton14 = nullptr;
    SpeedButton *SpeedButton8 = nullptr;
    SpeedButton *SpeedButton9 = nullptr;
    SpeedButton *SpeedButton25 = nullptr;
    SpeedButton *SpeedButton26 = nullptr;
    SpeedButton *SpeedButton27 = nullptr;
    QSpinBox *CSpinEdit1 = nullptr;
    QComboBox *URLCombo = nullptr;
    SpeedButton *SpeedButton15 = nullptr;
    SpeedButton *SpeedButton17 = nullptr;
    SpeedButton *SpeedButton18 = nullptr;
    SpeedButton *SpeedButton19 = nullptr;
    SpeedButton *SpeedButton20 = nullptr;
    SpeedButton *SpeedButton21 = nullptr;
    SpeedButton *SpeedButton22 = nullptr;
    SpeedButton *SpeedButton23 = nullptr;
    SpeedButton *SpeedButton24 = nullptr;
    SpeedButton *SpeedButton11 = nullptr;
    SpeedButton *SpeedButton5 = nullptr;
    SolidLabel *Label6 = nullptr;
    ClickPanel *Panel3 = nullptr;
    ClickPanel *Panel4 = nullptr;
    ClickPanel *Panel5 = nullptr;
    ClickPanel *Panel6 = nullptr;
    ClickPanel *Panel15 = nullptr;
    ClickPanel *Panel16 = nullptr;
    ClickPanel *Panel17 = nullptr;
    ClickPanel *Panel18 = nullptr;
    ClickPanel *Panel19 = nullptr;
    ClickPanel *Panel7 = nullptr;
    ClickPanel *Panel8 = nullptr;
    QTimer *Timer1 = nullptr;

    // The popup menu and its items.
    QMenu *PopupMenu1 = nullptr;
    QAction *Quitter2 = nullptr;
    QMenu *Configuration2 = nullptr;
    QAction *Paramtragecamras2 = nullptr;
    QMenu *Langue1 = nullptr;
    QAction *Franais1 = nullptr;
    QAction *Anglais1 = nullptr;
    QAction *Italien1 = nullptr;
    QMenu *Camras2 = nullptr;
    QAction *Camra1 = nullptr;
    QAction *Camra2 = nullptr;
    QAction *Camra3 = nullptr;
    QAction *Camra4 = nullptr;
    QAction *Camra5 = nullptr;
    QAction *Camra6 = nullptr;
    QAction *Camra7 = nullptr;
    QAction *Camra8 = nullptr;
    QAction *Camra9 = nullptr;
    QMenu *Affichage2 = nullptr;
    QAction *Image2 = nullptr;
    QAction *N380x1 = nullptr;
    QAction *N640x1 = nullptr;
    QAction *N740x1 = nullptr;
    QAction *Multivision4 = nullptr;
    QAction *Multivision9voies2 = nullptr;
    QMenu *Aide3 = nullptr;
    QAction *Aide4 = nullptr;
    QAction *License2 = nullptr;
    QAction *Aproposde2 = nullptr;

    // The nine camera menu items in camera order.
    QList<QAction *> cameraMenuItems() const;
    // The nine inclusion panels in camera order.
    QList<ClickPanel *> inclusionPanels() const;

    // ---- Camera selection and single view ----------------------------------
    qint32 currentCamera = 0; // 0..8: the camera last chosen by button or menu
    qint32 zoomMode = 1;      // 1..4: x1, x1.5, x2, x0,5
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

    // ---- Camera settings dialog ---------------------------------------------
    void wireSettingsDialog();
    // Copies the camera list into the dialog's own and brings the dialog up.
    void Paramtragecamras2Click();

    // ---- Sequencer ----------------------------------------------------------
    // sequencePosition, sequenceLength and sequenceIncluded[1..9].
    Sequencer sequencer;
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
    qint32 snapshotCounter = 1; // the number the next snapshot file tries first
    SnapshotFetcher *NMHTTP1 = nullptr;
    void SpeedButton5Click();
    // The folder snapshot files go to; empty means the platform's place.
    void setSnapshotFolder(const QString &folder) { m_snapshotFolder = folder; }
    QString snapshotFolder() const;

    // ---- Interface language -------------------------------------------------
    // Start-up: makes sure the settings file holds a language, then reads
    // its section into languageEntries. A file that cannot be written or
    // read is no error: no caption set applies then.
    void loadLanguageSetting();
    // Applies the caption set chosen by the first entry read, if any.
    void ApplyLanguage();
    // Store the language for the next start; nothing on screen changes.
    void Franais1Click();
    void Anglais1Click();
    void Italien1Click();
    // The settings section's entries as read at start-up ("key=value").
    QList<QByteArray> languageEntries;
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

    void wireSequencer();
    void toggleInclusion(int camera);
    void wireSnapshot();
    void snapshotFetched(const QString &error);
    QString m_snapshotFolder;
    qint32 m_snapshotCamera = 0; // the camera of the snapshot on its way
};
