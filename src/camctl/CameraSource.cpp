#include "camctl/CameraSource.h"

#include "base/CameraAddress.h"
#include "camctl/HttpSource.h"
#include "camctl/RtspSource.h"
#include "camctl/UrlCredentials.h"

namespace CameraSource {

std::unique_ptr<CameraAttempt> start(const QUrl &url, const StreamTimings &timings, const PictureSink::Inlet &inlet,
                                     QString *refusal)
{
    switch (CameraAddress::kindOf(url)) {
    case CameraAddress::Kind::Http:
        return HttpSource::start(url, timings.byteStallMs, inlet);
    case CameraAddress::Kind::Rtsp:
        return RtspSource::start(url, timings, inlet);
    case CameraAddress::Kind::None:
        break;
    }
    *refusal = QStringLiteral("not an http or rtsp address: ") + UrlCredentials::displayUrl(url);
    return nullptr;
}

} // namespace CameraSource
