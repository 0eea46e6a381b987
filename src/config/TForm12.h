#pragma once

#include "config/LineList.h"

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

// The camera settings dialog: not modal, French whatever the bar's
// language. It builds one camera's addresses at a time and writes them into
// the bar's CameraList and its own DialogCameraList, and saves and opens
// list files.
class TForm12 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm12(QWidget *parent = nullptr);
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
    QComboBox *ComboBox1 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QRadioButton *RadioButton1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *ComboBox4 = nullptr;
    QLabel *Label5 = nullptr;
    QComboBox *ComboBox3 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *ComboBox5 = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QPushButton *BitBtn3 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn4 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QListView *ListBox1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Effacer1 = nullptr;
    QFileDialog *SaveDialog1 = nullptr;
    QFileDialog *OpenDialog1 = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildListBox();
    void buildFileDialogs();
    void wireHandlers();
    void dockPanel();
    void applyOuterSize();
    QString chooseFile(QFileDialog *dialog);

    LineListModel *m_listModel = nullptr;
    bool m_outerSizeApplied = false;
};
