#include "bar/BarLayout.h"

namespace BarLayout {

const QList<Control> &controls()
{
    static const QList<Control> table = {
        {"SpeedButton7", Kind::GlyphButton, QRect(8, 4, 21, 21), "", Glyph::MenuList, "Appuyer sur le bouton droit de la souris", true, Cursor::Hand, -1},
        {"SpeedButton10", Kind::GlyphButton, QRect(37, 4, 21, 21), "", Glyph::Grid2, "Mode quad", true, Cursor::Hand, -1},
        {"SpeedButton14", Kind::GlyphButton, QRect(58, 4, 21, 21), "", Glyph::Grid3, "Vision 9 images", true, Cursor::Hand, -1},
        {"SpeedButton8", Kind::GlyphButton, QRect(83, 4, 21, 21), "", Glyph::Play, "connect URL", true, Cursor::Hand, -1},
        {"SpeedButton9", Kind::TextButton, QRect(112, 4, 33, 21), "x0,5", Glyph::None, "Zoom 1/2", true, Cursor::Hand, -1},
        {"SpeedButton25", Kind::TextButton, QRect(144, 4, 33, 21), "x1", Glyph::None, "Zoom 1 fois", true, Cursor::Hand, -1},
        {"SpeedButton26", Kind::TextButton, QRect(176, 4, 33, 21), "x1.5", Glyph::None, "Zoom 1,5 fois", true, Cursor::Hand, -1},
        {"SpeedButton27", Kind::TextButton, QRect(208, 4, 33, 21), "x2", Glyph::None, "Zoom 2 fois", true, Cursor::Hand, -1},
        {"CSpinEdit1", Kind::SpinEdit, QRect(248, 3, 41, 22), "", Glyph::None, "Nb de secondes entre les images", true, Cursor::Hand, 14155260},
        {"URLCombo", Kind::AddressBox, QRect(8, 28, 281, 21), "", Glyph::None, "Adresse", false, Cursor::Normal, 0},
        {"SpeedButton15", Kind::TextButton, QRect(296, 0, 17, 17), "1", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton17", Kind::TextButton, QRect(312, 0, 17, 17), "2", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton18", Kind::TextButton, QRect(328, 0, 17, 17), "3", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton19", Kind::TextButton, QRect(296, 16, 17, 17), "4", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton20", Kind::TextButton, QRect(312, 16, 17, 17), "5", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton21", Kind::TextButton, QRect(328, 16, 17, 17), "6", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton22", Kind::TextButton, QRect(296, 32, 17, 17), "7", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton23", Kind::TextButton, QRect(312, 32, 17, 17), "8", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton24", Kind::TextButton, QRect(328, 32, 17, 17), "9", Glyph::None, "", false, Cursor::Hand, -1},
        {"SpeedButton11", Kind::GlyphButton, QRect(417, 0, 16, 14), "", Glyph::Close, "", false, Cursor::Arrow, -1},
        {"SpeedButton5", Kind::FlatTextButton, QRect(348, 32, 85, 15), "Sauver image", Glyph::None, "Sauvegarde de l'image actuelle", true, Cursor::Hand, -1},
        {"Label6", Kind::ProductLabel, QRect(308, 48, 121, 23), "Ocellane 5.03", Glyph::None, "", false, Cursor::Arrow, -1},
        {"Panel3", Kind::SequencePanel, QRect(12, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 255},
        {"Panel4", Kind::SequencePanel, QRect(36, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 16777215},
        {"Panel5", Kind::SequencePanel, QRect(60, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 16777215},
        {"Panel6", Kind::SequencePanel, QRect(84, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 16777215},
        {"Panel15", Kind::SequencePanel, QRect(108, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 16777215},
        {"Panel16", Kind::SequencePanel, QRect(132, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 16777215},
        {"Panel17", Kind::SequencePanel, QRect(156, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 16777215},
        {"Panel18", Kind::SequencePanel, QRect(180, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 16777215},
        {"Panel19", Kind::SequencePanel, QRect(204, 56, 21, 8), "", Glyph::None, "", false, Cursor::Normal, 16777215},
        {"Panel7", Kind::SequencePanel, QRect(228, 56, 30, 8), "ON", Glyph::None, "démarrage du Commutateur", true, Cursor::Normal, 14672345},
        {"Panel8", Kind::SequencePanel, QRect(260, 56, 30, 8), "OFF", Glyph::None, "Arret du commutateur", true, Cursor::Normal, 15132370},
    };
    return table;
}

const Control *find(const QString &name)
{
    for (const Control &control : controls()) {
        if (name == QLatin1String(control.name))
            return &control;
    }
    return nullptr;
}

const QList<MenuItem> &menu()
{
    static const QList<MenuItem> table = {
        {"Quitter2", 0, "Quitter", false, 16465},
        {"Configuration2", 0, "Configuration", true, 0},
        {"Paramtragecamras2", 1, "Paramétrage caméras", false, 0},
        {"Langue1", 1, "Langue", true, 0},
        {"Franais1", 2, "Français", false, 0},
        {"Anglais1", 2, "Anglais", false, 0},
        {"Italien1", 2, "Italien", false, 0},
        {"Camras2", 0, "Choix Caméra", true, 0},
        {"Camra1", 1, "Caméra 1", false, 0},
        {"Camra2", 1, "Caméra 2", false, 0},
        {"Camra3", 1, "Caméra 3", false, 0},
        {"Camra4", 1, "Caméra 4", false, 0},
        {"Camra5", 1, "Caméra 5", false, 0},
        {"Camra6", 1, "Caméra 6", false, 0},
        {"Camra7", 1, "Caméra 7", false, 0},
        {"Camra8", 1, "Caméra 8", false, 0},
        {"Camra9", 1, "Caméra 9", false, 0},
        {"Affichage2", 0, "Affichage", true, 0},
        {"Image2", 1, "1/2 Image", false, 0},
        {"N380x1", 1, "Image  X 1", false, 0},
        {"N640x1", 1, "Image X 1,5", false, 0},
        {"N740x1", 1, "Image  X 2", false, 0},
        {"Multivision4", 1, "Quadravision ", false, 0},
        {"Multivision9voies2", 1, "Multivision 9 voies", false, 0},
        {"Aide3", 0, "Aide", true, 0},
        {"Aide4", 1, "Comment ?", false, 0},
        {"License2", 1, "License", false, 0},
        {"Aproposde2", 1, "A propos de..", false, 0},
    };
    return table;
}

} // namespace BarLayout
