#pragma once

#include "camctl/CameraClient.h"
#include "camctl/PictureSink.h"
#include "camctl/StreamTimings.h"

#include <QString>
#include <QUrl>

#include <memory>

// The one place an address's kind decides how a camera is asked: http(s)
// through HttpSource, rtsp through RtspSource. Either runs one attempt on a
// camera client thread and ends it into the sink.
namespace CameraSource {

// Null, with *refusal, for an address no camera is asked with; null
// without when the attempt ended at once (told through the sink).
std::unique_ptr<CameraAttempt> start(const QUrl &url, const StreamTimings &timings, const PictureSink::Inlet &inlet,
                                     QString *refusal);

} // namespace CameraSource
