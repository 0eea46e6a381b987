// The session description reader on any bytes: past its bounds it refuses
// before reading; what it keeps is a part of the description, its reason
// is short whatever the camera names, and the depacketizer it sets up
// holds no more than the description gave.
#include "FuzzCheck.h"
#include "camctl/Depacketizer.h"
#include "camctl/Sdp.h"
#include "camctl/StreamLimits.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<SdpVideo> v = Sdp::readVideo(input, &error);
    CHECK(v.has_value() == error.isEmpty());
    CHECK(error.size() <= 40 + StreamLimits::kMaxEncodingNameBytes);
    if (!v)
        return 0;
    CHECK(input.size() <= StreamLimits::kMaxSdpBytes);
    CHECK(std::count(input.begin(), input.end(), '\n') <= StreamLimits::kMaxSdpLines);
    CHECK(v->clockRate > 0 && v->payloadType < 128);
    qsizetype kept = v->control.size() + v->sessionControl.size() + v->connectionAddress.size();
    for (const auto &[name, value] : v->formatParameters)
        kept += name.size() + value.size();
    CHECK(kept <= input.size());
    const std::unique_ptr<Depacketizer> d = Depacketizer::create(*v, &error);
    CHECK(bool(d) == error.isEmpty());
    // Base64 takes 4 bytes for 3, a start code 4 bytes per unit of at
    // least 2 characters and a comma.
    if (d)
        CHECK(d->extradata().size() <= 2 * input.size());
    return 0;
}
