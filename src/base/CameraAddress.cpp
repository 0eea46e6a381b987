#include "base/CameraAddress.h"

namespace CameraAddress {

Kind kindOf(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return Kind::None;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return Kind::Http;
    if (scheme == QLatin1String("rtsp"))
        return Kind::Rtsp;
    return Kind::None;
}

} // namespace CameraAddress
