#pragma once

#include "base/CameraCount.h"
#include "CamSimAuth.h"
#include "FaultPlan.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

namespace CamSim {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 4096;
using ::kCameraCount;
constexpr double kMinFps = 0.1;
constexpr double kMaxFps = 100.0;
constexpr int kDefaultCompression = 30;
const QSize kDefaultSize(352, 288);

// What a picture request asks for, from the query fragments the camera
// settings dialog builds ("resolution=704x576&compression=20&camera=3").
struct PictureParams
{
    QSize size = kDefaultSize;
    int compression = kDefaultCompression;
    int camera = 1;
    std::optional<double> fps;        // unset: the server's rate
    std::optional<FaultPlan> fault;   // unset: the server's default faults
    std::optional<AuthMode> auth;     // unset: the server's mode
    // stamp=1: each picture carries the moment it was written, in a JPEG
    // comment right after its start marker, so a client that keeps only the
    // picture bytes can still tell how long they took to reach the screen.
    // Off by default: the pictures are then the frames' bytes exactly.
    bool stamp = false;

    int quality() const { return 100 - compression; }
};

// Unknown parameters are ignored, as cameras do; known ones with values
// out of range are errors (nullopt, *error set).
std::optional<PictureParams> parsePictureParams(const QByteArray &query, QString *error);

} // namespace CamSim
