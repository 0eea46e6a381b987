#pragma once

#include "bar/LanguageSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The control bar's three caption sets: the texts that replace the layout
// texts of the bar's hints, its save button and its popup menu.
namespace CaptionSets {

enum class Text { Caption, Hint, Message };

struct Row
{
    const char *name; // object name of the control or menu item
    Text text;
    const char *french;  // UTF-8
    const char *english;
    const char *italian;
};

// Every row of the sets, in the order they are applied, the nine camera
// items excluded (see cameraCaption).
const QList<Row> &rows();
// The network cameras window's texts: its title, captions and the
// messages of its status line.
const QList<Row> &networkCameraRows();

QString text(const Row &row, Language language);

// The numbered text of camera menu item n (1..9): "Caméra 1", "Camera 1",
// "Cinepresa 1"...
QString cameraCaption(Language language, int n);
// The object name of camera menu item n (1..9).
QString cameraItemName(int n);

// The set chosen by the first entry of the settings section: the whole
// "key=value" line, byte for byte and case-sensitively.
std::optional<Language> chosenBy(const QByteArray &firstEntry);

} // namespace CaptionSets
