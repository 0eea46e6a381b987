#pragma once

#include "camctl/CameraClient.h"
#include "camctl/PictureSink.h"
#include "camctl/StreamTimings.h"

#include <QUrl>

#include <memory>

// One attempt at an rtsp:// camera, on its camera client thread. The RTSP
// exchange is the program's own (RtspExchange, over libcurl, every request
// and byte bounded); RTP packets are put together into pictures as each
// picture's last packet arrives (Depacketizer), and decoded at once:
// H.264 and H.265 with libavcodec, scaled with libswscale, motion-JPEG
// with the program's JPEG decoder at the drawn size. A stream's decoder
// memory is read from its parameter set and checked against the memory
// budget before any picture is decoded.
namespace RtspSource {

std::unique_ptr<CameraAttempt> start(const QUrl &url, const StreamTimings &timings, PictureSink::Inlet inlet);

} // namespace RtspSource
