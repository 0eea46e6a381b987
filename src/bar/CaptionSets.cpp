#include "bar/CaptionSets.h"

namespace CaptionSets {

namespace {
constexpr Text Caption = Text::Caption;
constexpr Text Hint = Text::Hint;
constexpr Text Message = Text::Message;
} // namespace

const QList<Row> &rows()
{
    // Object name, text, French, English, Italian.
    static const QList<Row> table = {
        {"SpeedButton5", Caption, "Sauver image", "Save image", "Salvare immagine"},
        {"SpeedButton5", Hint, "Sauvegarde de l'image actuelle", "Save actual image", "Salvare il immagine attuale"},
        {"SpeedButton7", Hint, "Appuyer sur le bouton droit de la souris", "Push on the right button of the mouse",
         "Appogiare su il bottone destra da il topo"},
        {"SpeedButton10", Hint, "Mode quad", "4 images", "Mode quad"},
        {"SpeedButton14", Hint, "Vision 9 images", "9 images", "Visionare 9 immagine"},
        {"SpeedButton8", Hint, "Connection URL", "Connect URL", "Connettere URL"},
        {"SpeedButton9", Hint, "Zoom 1/2", "Zoom 1/2", "Zoom 1/2"},
        {"SpeedButton25", Hint, "Zoom 1 fois", "Zoom x1", "Zoom 1 fois"},
        {"SpeedButton26", Hint, "Zoom 1,5 fois", "Zoom x1,5", "Zoom 1,5 fois"},
        {"SpeedButton27", Hint, "Zoom 2 fois", "Zoom x2", "Zoom 2 fois"},
        {"CSpinEdit1", Hint, "Nb de secondes entre les images", "Nb of seconds between images",
         "Nb de secondes entre les images"},
        {"URLCombo", Hint, "Adresse", "Adress", "Indirizzo URL"},
        {"Panel7", Hint, "démarrage du Commutateur", "Start", "Avviarsi la sequenza"},
        {"Panel8", Hint, "Arret du commutateur", "Stop", "Fermare la sequenza"},
        {"Quitter2", Caption, "Quitter", "Quit", "Lasciare"},
        {"Configuration2", Caption, "Configuration", "Configurate", "Configurazione"},
        {"Paramtragecamras2", Caption, "Paramétrage caméras", "Parameters", "Paramétrage caméras"},
        {"Camrasrseau1", Caption, "Caméras réseau", "Network cameras", "Telecamere di rete"},
        {"Langue1", Caption, "Langue", "Language", "Lingua"},
        {"Franais1", Caption, "Français", "French", "Francese"},
        {"Anglais1", Caption, "Anglais", "English", "Inglese"},
        {"Italien1", Caption, "Italien", "Italian", "Italiano"},
        {"Camras2", Caption, "Choix Caméra", "Choise the Camera", "Scelta Cinepresa"},
        {"Affichage2", Caption, "Affichage", "View", "Affissione"},
        {"Image2", Caption, "1/2 image", "1/2 image", "1/2 immagine"},
        {"N380x1", Caption, "Image x1", "Image x1", "Immagine x1"},
        {"N640x1", Caption, "Image x 1,5", "Image x 1,5", "Immagine x 1,5"},
        {"N740x1", Caption, "Image x 2", "Image x 2", "Immagine x 2"},
        {"Multivision4", Caption, "Quadravion", "4 views", "Quatro immagine"},
        {"Multivision9voies2", Caption, "Multivision 9 voies", "9 views", "9 immagine"},
        {"Aide3", Caption, "Aide", "Help", "Aiuto"},
        {"Aide4", Caption, "Comment ?", "How to ?", "Come ?"},
        {"License2", Caption, "License", "License", "Licenza"},
        {"Aproposde2", Caption, "A propose de..", "About..", "A proposito di."},
    };
    return table;
}

const QList<Row> &networkCameraRows()
{
    // Object name (the window's own for its title), text, French, English,
    // Italian.
    static const QList<Row> table = {
        {"NetworkCameras", Caption, "Caméras réseau", "Network cameras", "Telecamere di rete"},
        {"CameraLabel", Caption, "Caméra", "Camera", "Telecamera"},
        {"AddressLabel", Caption, "Adresse", "Address", "Indirizzo"},
        {"SearchButton", Caption, "Rechercher", "Search", "Cercare"},
        {"UserLabel", Caption, "Utilisateur", "User", "Utente"},
        {"PasswordLabel", Caption, "Mot de passe", "Password", "Password"},
        {"AskButton", Caption, "Interroger", "Ask", "Interrogare"},
        {"NameLabel", Caption, "Nom", "Name", "Nome"},
        {"StreamLabel", Caption, "Flux", "Stream", "Flusso"},
        {"SubStreamLabel", Caption, "Flux réduit", "Sub-stream", "Flusso ridotto"},
        {"StillLabel", Caption, "Image fixe", "Still picture", "Immagine fissa"},
        {"CloseButton", Caption, "Fermer", "Close", "Chiudere"},
        {"WriteButton", Caption, "Écrire", "Write", "Scrivere"},
        {"Searching", Message, "Recherche des caméras…", "Searching for cameras…", "Ricerca delle telecamere…"},
        {"Found", Message, "Caméras trouvées : %1", "Cameras found: %1", "Telecamere trovate: %1"},
        {"NoneFound", Message, "Aucune caméra n'a répondu.", "No camera answered.", "Nessuna telecamera ha risposto."},
        {"Asking", Message, "Interrogation de %1…", "Asking %1…", "Interrogazione di %1…"},
        {"Asked", Message, "%1 : %2 profils vidéo.", "%1: %2 video profiles.", "%1: %2 profili video."},
        {"Failed", Message, "Échec : %1", "Failed: %1", "Errore: %1"},
        {"NoAddress", Message, "Indiquer l'adresse de la caméra.", "Type the camera's address.",
         "Indicare l'indirizzo della telecamera."},
        {"NoStream", Message, "Adresse de flux refusée (http://, https:// ou rtsp://) : rien n'est écrit.",
         "Stream address refused (http://, https:// or rtsp://): nothing written.",
         "Indirizzo di flusso rifiutato (http://, https:// o rtsp://): niente scritto."},
        {"Written", Message, "Caméra %1 écrite.", "Camera %1 written.", "Telecamera %1 scritta."},
    };
    return table;
}

QString text(const Row &row, Language language)
{
    switch (language) {
    case Language::French:
        return QString::fromUtf8(row.french);
    case Language::English:
        return QString::fromUtf8(row.english);
    case Language::Italian:
        return QString::fromUtf8(row.italian);
    }
    return {};
}

QString cameraCaption(Language language, int n)
{
    static const Row numbered{"", Caption, "Caméra %1", "Camera %1", "Cinepresa %1"};
    return text(numbered, language).arg(n);
}

QString cameraItemName(int n)
{
    return QStringLiteral("Camra%1").arg(n);
}

std::optional<Language> chosenBy(const QByteArray &firstEntry)
{
    for (Language language : {Language::French, Language::English, Language::Italian}) {
        if (firstEntry == LanguageSettings::entry(language))
            return language;
    }
    return std::nullopt;
}

} // namespace CaptionSets
