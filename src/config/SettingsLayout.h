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
