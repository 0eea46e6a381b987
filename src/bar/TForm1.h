#pragma once

#include "app/DragTracker.h"
#include "config/LineList.h"

#include <QWidget>

class ClickPanel;
class QAction;
class QComboBox;
class QMenu;
class QSpinBox;
class QTimer;
class SolidLabel;
class SpeedButton;

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

    // ---- Multi-camera modes -------------------------------------------------

    // ---- Camera settings dialog ---------------------------------------------

    // ---- Sequencer ----------------------------------------------------------

    // ---- Snapshot -----------------------------------------------------------

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
    void buildLayout();
    void buildMenu();
    void loadStartupList();

    QWidget *m_client = nullptr; // the client area inside the 1-pixel border
    DragTracker m_drag;
};
