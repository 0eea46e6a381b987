#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include "base/Version.h"

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

enum class MenuKind { Item, Submenu };

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

// Every control of the bar, once: X(name, kind, rect, caption, glyph, hint,
// hintShown, cursor, colour). The table below, the window's members and
// their lookup are all made from this one list.
#define OCELLANE_BAR_CONTROLS(X) \
    X(SpeedButton7, GlyphButton, QRect(8, 4, 21, 21), "", MenuList, "Appuyer sur le bouton droit de la souris", true, Hand, -1) \
    X(SpeedButton10, GlyphButton, QRect(37, 4, 21, 21), "", Grid2, "Mode quad", true, Hand, -1) \
    X(SpeedButton14, GlyphButton, QRect(58, 4, 21, 21), "", Grid3, "Vision 9 images", true, Hand, -1) \
    X(SpeedButton8, GlyphButton, QRect(83, 4, 21, 21), "", Play, "connect URL", true, Hand, -1) \
    X(SpeedButton9, TextButton, QRect(112, 4, 33, 21), "x0,5", None, "Zoom 1/2", true, Hand, -1) \
    X(SpeedButton25, TextButton, QRect(144, 4, 33, 21), "x1", None, "Zoom 1 fois", true, Hand, -1) \
    X(SpeedButton26, TextButton, QRect(176, 4, 33, 21), "x1.5", None, "Zoom 1,5 fois", true, Hand, -1) \
    X(SpeedButton27, TextButton, QRect(208, 4, 33, 21), "x2", None, "Zoom 2 fois", true, Hand, -1) \
    X(CSpinEdit1, SpinEdit, QRect(248, 3, 41, 22), "", None, "Nb de secondes entre les images", true, Hand, 14155260) \
    X(URLCombo, AddressBox, QRect(8, 28, 281, 21), "", None, "Adresse", false, Normal, 0) \
    X(SpeedButton15, TextButton, QRect(296, 0, 17, 17), "1", None, "", false, Hand, -1) \
    X(SpeedButton17, TextButton, QRect(312, 0, 17, 17), "2", None, "", false, Hand, -1) \
    X(SpeedButton18, TextButton, QRect(328, 0, 17, 17), "3", None, "", false, Hand, -1) \
    X(SpeedButton19, TextButton, QRect(296, 16, 17, 17), "4", None, "", false, Hand, -1) \
    X(SpeedButton20, TextButton, QRect(312, 16, 17, 17), "5", None, "", false, Hand, -1) \
    X(SpeedButton21, TextButton, QRect(328, 16, 17, 17), "6", None, "", false, Hand, -1) \
    X(SpeedButton22, TextButton, QRect(296, 32, 17, 17), "7", None, "", false, Hand, -1) \
    X(SpeedButton23, TextButton, QRect(312, 32, 17, 17), "8", None, "", false, Hand, -1) \
    X(SpeedButton24, TextButton, QRect(328, 32, 17, 17), "9", None, "", false, Hand, -1) \
    X(SpeedButton11, GlyphButton, QRect(417, 0, 16, 14), "", Close, "", false, Arrow, -1) \
    X(SpeedButton5, FlatTextButton, QRect(348, 32, 85, 15), "Sauver image", None, "Sauvegarde de l'image actuelle", true, Hand, -1) \
    X(Label6, ProductLabel, QRect(308, 48, 121, 23), OCELLANE_PRODUCT_NAME, None, "", false, Arrow, -1) \
    X(Panel3, SequencePanel, QRect(12, 56, 21, 8), "", None, "", false, Normal, 255) \
    X(Panel4, SequencePanel, QRect(36, 56, 21, 8), "", None, "", false, Normal, 16777215) \
    X(Panel5, SequencePanel, QRect(60, 56, 21, 8), "", None, "", false, Normal, 16777215) \
    X(Panel6, SequencePanel, QRect(84, 56, 21, 8), "", None, "", false, Normal, 16777215) \
    X(Panel15, SequencePanel, QRect(108, 56, 21, 8), "", None, "", false, Normal, 16777215) \
    X(Panel16, SequencePanel, QRect(132, 56, 21, 8), "", None, "", false, Normal, 16777215) \
    X(Panel17, SequencePanel, QRect(156, 56, 21, 8), "", None, "", false, Normal, 16777215) \
    X(Panel18, SequencePanel, QRect(180, 56, 21, 8), "", None, "", false, Normal, 16777215) \
    X(Panel19, SequencePanel, QRect(204, 56, 21, 8), "", None, "", false, Normal, 16777215) \
    X(Panel7, SequencePanel, QRect(228, 56, 30, 8), "ON", None, "démarrage du Commutateur", true, Normal, 14672345) \
    X(Panel8, SequencePanel, QRect(260, 56, 30, 8), "OFF", None, "Arret du commutateur", true, Normal, 15132370)

// Window properties.
inline constexpr int Left = 197;
inline constexpr int Top = 108;
inline constexpr int ClientWidth = 436;
inline constexpr int ClientHeight = 72;
inline constexpr int Border = 1;
inline constexpr int Colour = 6566963;          // dark slate blue
inline constexpr int AddressBoxText = 65280;    // lime

const QList<Control> &controls();

// Every popup menu item, once: X(name, depth, caption, kind, shortcut).
#define OCELLANE_BAR_MENU(X) \
    X(Quitter2, 0, "Quitter", Item, 16465) \
    X(Configuration2, 0, "Configuration", Submenu, 0) \
    X(Paramtragecamras2, 1, "Paramétrage caméras", Item, 0) \
    X(Camrasrseau1, 1, "Caméras réseau", Item, 0) \
    X(Langue1, 1, "Langue", Submenu, 0) \
    X(Franais1, 2, "Français", Item, 0) \
    X(Anglais1, 2, "Anglais", Item, 0) \
    X(Italien1, 2, "Italien", Item, 0) \
    X(Camras2, 0, "Choix Caméra", Submenu, 0) \
    X(Camra1, 1, "Caméra 1", Item, 0) \
    X(Camra2, 1, "Caméra 2", Item, 0) \
    X(Camra3, 1, "Caméra 3", Item, 0) \
    X(Camra4, 1, "Caméra 4", Item, 0) \
    X(Camra5, 1, "Caméra 5", Item, 0) \
    X(Camra6, 1, "Caméra 6", Item, 0) \
    X(Camra7, 1, "Caméra 7", Item, 0) \
    X(Camra8, 1, "Caméra 8", Item, 0) \
    X(Camra9, 1, "Caméra 9", Item, 0) \
    X(Affichage2, 0, "Affichage", Submenu, 0) \
    X(Image2, 1, "1/2 Image", Item, 0) \
    X(N380x1, 1, "Image  X 1", Item, 0) \
    X(N640x1, 1, "Image X 1,5", Item, 0) \
    X(N740x1, 1, "Image  X 2", Item, 0) \
    X(Multivision4, 1, "Quadravision ", Item, 0) \
    X(Multivision9voies2, 1, "Multivision 9 voies", Item, 0) \
    X(Aide3, 0, "Aide", Submenu, 0) \
    X(Aide4, 1, "Comment ?", Item, 0) \
    X(License2, 1, "License", Item, 0) \
    X(Aproposde2, 1, "A propos de..", Item, 0)

// The popup menu: one row per item, children right after their submenu,
// depth giving the nesting.
struct MenuItem
{
    const char *name;
    int depth;
    const char *caption; // UTF-8
    MenuKind kind;
    int shortcut;        // stored shortcut: Ctrl flag 16384 plus key code; 0 for none
};

const QList<MenuItem> &menu();

} // namespace BarLayout
