#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// The network cameras window as data: one row per control, in pixels inside
// the window, with its French texts (the bar's caption sets give the
// others).
namespace NetworkCamerasLayout {

enum class Kind {
    Label,    // bold yellow
    Edit,
    Password, // an edit that shows dots
    Combo,    // cameras 1 to 9
    List,     // the devices found
    Button,
    Status,   // white, wraps
};

struct Control
{
    const char *name;
    Kind kind;
    QRect rect;
    const char *text; // UTF-8
};

// X(name, kind, rect, French text)
#define OCELLANE_NETWORK_CAMERAS_CONTROLS(X) \
    X(CameraLabel, Label, QRect(8, 10, 92, 17), "Caméra") \
    X(CameraBox, Combo, QRect(104, 8, 81, 21), "") \
    X(AddressLabel, Label, QRect(8, 40, 92, 17), "Adresse") \
    X(AddressBox, Edit, QRect(104, 38, 264, 21), "") \
    X(SearchButton, Button, QRect(376, 36, 96, 25), "Rechercher") \
    X(DeviceList, List, QRect(8, 68, 464, 80), "") \
    X(UserLabel, Label, QRect(8, 160, 92, 17), "Utilisateur") \
    X(UserBox, Edit, QRect(104, 158, 120, 21), "") \
    X(PasswordLabel, Label, QRect(232, 160, 92, 17), "Mot de passe") \
    X(PasswordBox, Password, QRect(328, 158, 144, 21), "") \
    X(AskButton, Button, QRect(376, 186, 96, 25), "Interroger") \
    X(NameLabel, Label, QRect(8, 222, 92, 17), "Nom") \
    X(NameBox, Edit, QRect(104, 220, 368, 21), "") \
    X(StreamLabel, Label, QRect(8, 250, 92, 17), "Flux") \
    X(StreamBox, Edit, QRect(104, 248, 368, 21), "") \
    X(SubStreamLabel, Label, QRect(8, 278, 92, 17), "Flux réduit") \
    X(SubStreamBox, Edit, QRect(104, 276, 368, 21), "") \
    X(StillLabel, Label, QRect(8, 306, 92, 17), "Image fixe") \
    X(StillBox, Edit, QRect(104, 304, 368, 21), "") \
    X(StatusLine, Status, QRect(8, 332, 464, 42), "") \
    X(CloseButton, Button, QRect(288, 380, 88, 25), "Fermer") \
    X(WriteButton, Button, QRect(384, 380, 88, 25), "Écrire")

inline constexpr QSize ClientSize{480, 413};
inline constexpr int Colour = 6636351; // the settings dialog's dark slate blue
inline constexpr int Yellow = 65535;
inline constexpr int White = 16777215;
inline constexpr const char *Caption = "Caméras réseau";

// What the status line says, by key, in French.
#define OCELLANE_NETWORK_CAMERAS_MESSAGES(X) \
    X(Searching, "Recherche des caméras…") \
    X(Found, "Caméras trouvées : %1") \
    X(NoneFound, "Aucune caméra n'a répondu.") \
    X(Asking, "Interrogation de %1…") \
    X(Asked, "%1 : %2 profils vidéo.") \
    X(Failed, "Échec : %1") \
    X(NoAddress, "Indiquer l'adresse de la caméra.") \
    X(NoStream, "Adresse de flux refusée (http://, https:// ou rtsp://) : rien n'est écrit.") \
    X(Written, "Caméra %1 écrite.")

enum class Message {
#define OCELLANE_NETWORK_CAMERAS_MESSAGE_KEY(key, text) key,
    OCELLANE_NETWORK_CAMERAS_MESSAGES(OCELLANE_NETWORK_CAMERAS_MESSAGE_KEY)
#undef OCELLANE_NETWORK_CAMERAS_MESSAGE_KEY
};

const QList<Control> &controls();
// The message's key as the caption sets name it ("Searching"...), and its
// French text.
const char *messageKey(Message message);
const char *frenchText(Message message);

} // namespace NetworkCamerasLayout
