#include "config/SettingsLayout.h"

namespace SettingsLayout {

const QList<Control> &controls()
{
    static const QList<Control> rows{
        {"ComboBox1", Kind::Combo, {8, 8, 81, 21}, "Caméra 1",
         {"Caméra 1", "Caméra 2", "Caméra 3", "Caméra 4", "Caméra 5", "Caméra 6", "Caméra 7", "Caméra 8", "Caméra 9"},
         "Choix de la caméra", true},
        {"Label4", Kind::Label, {96, 16, 0, 0}, "Nom :", {}, "", true},
        {"Edit1", Kind::Edit, {136, 8, 177, 21}, "Caméra 1", {}, "", true},
        {"RadioButton1", Kind::Radio, {8, 40, 113, 17}, "Axis 2100/2120", {}, "", true},
        {"RadioButton2", Kind::Radio, {160, 40, 129, 17}, "Serveur Axis 2400", {}, "", true},
        {"Label3", Kind::Label, {8, 64, 0, 0}, "Compression", {}, "", true},
        {"ComboBox4", Kind::Combo, {8, 80, 129, 21}, "",
         {"", "&compression=20", "&compression=50", "&compression=70"}, "", true},
        {"Label5", Kind::Label, {168, 64, 0, 0}, "N° entrée", {}, "", true},
        {"ComboBox3", Kind::Combo, {168, 80, 129, 21}, "&camera=1",
         {"&camera=1", "&camera=2", "&camera=3", "&camera=4"}, "N° de la caméra dans le serveur", true},
        {"Label1", Kind::Label, {8, 112, 0, 0}, "Résolution", {}, "", true},
        {"ComboBox5", Kind::Combo, {8, 128, 129, 21}, "", {"", "resolution=704x576", "resolution=358x288"},
         "Choisir la résolution", true},
        {"ComboBox2", Kind::Combo, {8, 128, 129, 21}, "", {"", "resolution=640x400", "resolution=320x240"},
         "Choisir la résolution", false},
        {"Label2", Kind::Label, {168, 112, 0, 0}, "Adresse URL", {}, "", true},
        {"Edit2", Kind::Edit, {168, 128, 145, 21}, "http://", {}, "Indiquer l'adresse", true},
        {"BitBtn3", Kind::CloseButton, {8, 160, 75, 25}, "", {}, "", true},
        {"BitBtn2", Kind::Button, {88, 160, 75, 25}, "Sauvegarder", {}, "", true},
        {"BitBtn4", Kind::Button, {168, 160, 75, 25}, "Ouvrir", {}, "", true},
        {"BitBtn1", Kind::OkButton, {248, 160, 75, 25}, "", {}, "", true},
    };
    return rows;
}

} // namespace SettingsLayout
