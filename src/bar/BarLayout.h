#pragma once

#include <QList>
#include <QRect>
#include <QString>

// The control bar's stored layout as data: one row per control, in client
// pixels, with the French layout texts. The window builds itself from it.
namespace BarLayout {

enum class Kind {
    GlyphButton,   // picture button
    TextButton,    // caption button
    FlatTextButton,
    SpinEdit,
    AddressBox,
    ProductLabel,
    SequencePanel, // small clickable panel with a border
};

enum class Glyph { None, MenuList, Grid2, Grid3, Play, Close };

enum class Cursor { Normal, Hand, Arrow };

struct Control
{
    const char *name;
    Kind kind;
    QRect rect;
    const char *caption; // UTF-8
    Glyph glyph;
    const char *hint;    // UTF-8; empty for none
    bool hintShown;
    Cursor cursor;
    int colour;          // stored colour (red in the low byte), -1 for default
};

// Window properties.
inline constexpr int Left = 197;
inline constexpr int Top = 108;
inline constexpr int ClientWidth = 436;
inline constexpr int ClientHeight = 72;
inline constexpr int Border = 1;
inline constexpr int Colour = 6566963;          // dark slate blue
inline constexpr int AddressBoxText = 65280;    // lime
inline constexpr int SpinColour = 14155260;     // pale yellow
inline constexpr int OnPanelColour = 14672345;
inline constexpr int OffPanelColour = 15132370;
inline constexpr int Red = 255;
inline constexpr int White = 16777215;
inline constexpr const char *Caption = "Ocellane 5.03";

const QList<Control> &controls();
const Control *find(const QString &name);

// The popup menu: one row per item, children right after their submenu,
// depth giving the nesting.
struct MenuItem
{
    const char *name;
    int depth;
    const char *caption; // UTF-8
    bool submenu;
    int shortcut;        // stored shortcut: Ctrl flag 16384 plus key code; 0 for none
};

const QList<MenuItem> &menu();

} // namespace BarLayout
