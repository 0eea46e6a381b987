#pragma once

#include <QString>

// How the settings dialog turns its boxes into a camera's two addresses.
// The boxes hold ready-made query fragments ("resolution=704x576",
// "&compression=20", "&camera=2"), so the addresses are plain
// concatenations: nothing is trimmed, checked, encoded or separated, and
// the "?" stands even when nothing follows it.
namespace AddressRecipe {

enum class Model {
    Axis2100, // Axis 2100/2120 camera
    Axis2400, // Axis 2400 video server
};

struct Pieces
{
    QString address;     // "http://host[:port]" as typed
    QString resolution;  // the resolution box of the model
    QString compression;
    QString input;       // the video-server input; only the Axis 2400 uses it
};

struct Addresses
{
    QString stream; // motion-JPEG stream
    QString still;  // one JPEG picture
};

Addresses build(Model model, const Pieces &pieces);

} // namespace AddressRecipe
