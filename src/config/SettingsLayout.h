#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// The camera settings dialog's stored layout as data: one row per control,
// in pixels inside the panel that fills the window, with its French texts.
namespace SettingsLayout {

enum class Kind {
    Label,       // bold yellow, sizes itself
    Edit,
    Radio,       // bold yellow
    Combo,       // editable drop-down
    Button,
    OkButton,    // stock OK: toolkit caption and glyph
    CloseButton, // stock Close: toolkit caption and glyph
};

struct Control
{
    const char *name;
    Kind kind;
    QRect rect;            // labels: only the top-left counts
    const char *text;      // UTF-8 caption or initial text
    QList<const char *> items; // combo entries, UTF-8
    const char *hint;      // UTF-8; empty for none
    bool visible;
};

// Every control on the panel, once: X(name, kind, rect, text, hint,
// visible, combo entries...). The table below, the dialog's members and
// their lookup are all made from this one list.
#define OCELLANE_SETTINGS_CONTROLS(X) \
    X(ComboBox1, Combo, QRect(8, 8, 81, 21), "Caméra 1", "Choix de la caméra", true, "Caméra 1", "Caméra 2", "Caméra 3", "Caméra 4", "Caméra 5", "Caméra 6", "Caméra 7", "Caméra 8", "Caméra 9") \
    X(Label4, Label, QRect(96, 16, 0, 0), "Nom :", "", true) \
    X(Edit1, Edit, QRect(136, 8, 177, 21), "Caméra 1", "", true) \
    X(RadioButton1, Radio, QRect(8, 40, 113, 17), "Axis 2100/2120", "", true) \
    X(RadioButton2, Radio, QRect(160, 40, 129, 17), "Serveur Axis 2400", "", true) \
    X(Label3, Label, QRect(8, 64, 0, 0), "Compression", "", true) \
    X(ComboBox4, Combo, QRect(8, 80, 129, 21), "", "", true, "", "&compression=20", "&compression=50", "&compression=70") \
    X(Label5, Label, QRect(168, 64, 0, 0), "N° entrée", "", true) \
    X(ComboBox3, Combo, QRect(168, 80, 129, 21), "&camera=1", "N° de la caméra dans le serveur", true, "&camera=1", "&camera=2", "&camera=3", "&camera=4") \
    X(Label1, Label, QRect(8, 112, 0, 0), "Résolution", "", true) \
    X(ComboBox5, Combo, QRect(8, 128, 129, 21), "", "Choisir la résolution", true, "", "resolution=704x576", "resolution=358x288") \
    X(ComboBox2, Combo, QRect(8, 128, 129, 21), "", "Choisir la résolution", false, "", "resolution=640x400", "resolution=320x240") \
    X(Label2, Label, QRect(168, 112, 0, 0), "Adresse URL", "", true) \
    X(Edit2, Edit, QRect(168, 128, 145, 21), "http://", "Indiquer l'adresse", true) \
    X(BitBtn3, CloseButton, QRect(8, 160, 75, 25), "", "", true) \
    X(BitBtn2, Button, QRect(88, 160, 75, 25), "Sauvegarder", "", true) \
    X(BitBtn4, Button, QRect(168, 160, 75, 25), "Ouvrir", "", true) \
    X(BitBtn1, OkButton, QRect(248, 160, 75, 25), "", "", true)

inline constexpr int Left = -7;
inline constexpr int Top = 117;
inline constexpr QSize OuterSize{334, 360};
inline constexpr int Colour = 6636351; // dark slate blue
inline constexpr int Yellow = 65535;
inline constexpr int FontHeight = 11;
inline constexpr const char *FontFamily = "MS Sans Serif";
inline constexpr const char *Caption = "Paramétrage caméras";

// The list box is docked to the bottom of the panel, inside its one-pixel
// bevel.
inline constexpr int PanelBevel = 1;
inline constexpr int ListHeight = 140;

inline constexpr const char *ClearCaption = "Effacer";

// Stored file dialog filters; they differ on purpose ("Liste"/"Listes").
inline constexpr const char *SaveFilter = "Liste de configuration(*.lst)|*.lst|Tous les fichiers (*.*)|*.*";
inline constexpr const char *OpenFilter = "Listes de configuration (*.lst)|*.lst|Tous les fichiers (*.*)|*.*";
inline constexpr const char *DefaultSuffix = "lst";

const QList<Control> &controls();

} // namespace SettingsLayout
