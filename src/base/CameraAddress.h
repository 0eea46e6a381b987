#pragma once

#include <QUrl>

// Which camera addresses the program can fetch, decided in one place.
namespace CameraAddress {

enum class Kind {
    None,  // not valid, without a host, or a scheme no camera is asked with
    Http,  // http:// or https://: motion-JPEG streams and still pictures
    Rtsp,  // rtsp://: video streams
};

Kind kindOf(const QUrl &url);

} // namespace CameraAddress
