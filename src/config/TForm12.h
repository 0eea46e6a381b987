#pragma once

#include "config/LineList.h"
#include "config/SettingsLayout.h"

#include <QWidget>
#include <functional>

class LineListModel;
class QAction;
class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QRadioButton;

// The widget class behind each kind of dialog control.
namespace SettingsControls {
using Label = QLabel;
using Edit = QLineEdit;
using Radio = QRadioButton;
using Combo = QComboBox;
using Button = QPushButton;
using OkButton = QPushButton;
using CloseButton = QPushButton;
} // namespace SettingsControls

// The camera settings dialog: not modal, French whatever the bar's
// language. It builds one camera's addresses at a time and writes them into
// the camera list it is given and its own DialogCameraList, and saves and
// opens list files.
class TForm12 : public QWidget
{
    Q_OBJECT

public:
    // `cameras` is the list OK and "Ouvrir" write into; it outlives the dialog.
    explicit TForm12(LineList &cameras, QWidget *parent = nullptr);
    ~TForm12() override;

    // The dialog's own copy of the camera list, shown in ListBox1. It lives
    // as long as the dialog; hiding and showing keep it.
    LineList DialogCameraList;

    // ---- Handlers -----------------------------------------------------------
    void BitBtn1Click(); // OK: build and write the chosen camera's lines
    void BitBtn2Click(); // "Sauvegarder": write DialogCameraList to a file
    void BitBtn3Click(); // Close: hide
    void BitBtn4Click(); // "Ouvrir": read a file into CameraList, then copy it
    void Effacer1Click();
    void RadioButton1Click();
    void RadioButton2Click();

    // Runs a prepared file dialog and returns the chosen path, or an empty
    // string when the user cancelled. Tests replace it to avoid a modal loop.
    std::function<QString(QFileDialog &dialog)> fileChooser;

    // ---- Controls, as the stored layout names them -------------------------
    QFrame *Panel1 = nullptr;
#define OCELLANE_SETTINGS_MEMBER(name, kind, ...) SettingsControls::kind *name = nullptr;
    OCELLANE_SETTINGS_CONTROLS(OCELLANE_SETTINGS_MEMBER)
#undef OCELLANE_SETTINGS_MEMBER
    QListView *ListBox1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Effacer1 = nullptr;
    QFileDialog *SaveDialog1 = nullptr;
    QFileDialog *OpenDialog1 = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void buildListBox();
    void buildFileDialogs();
    void wireHandlers();
    void dockPanel();
    QString chooseFile(QFileDialog *dialog);

    LineList &m_cameras;
    LineListModel *m_listModel = nullptr;
};
