// Every reader of a device's XML on any bytes: each says yes or no with a
// reason and never both, its reason is short whatever the device wrote,
// and what it keeps stays within the bounds (profiles, text, addresses).
#include "FuzzCheck.h"
#include "onvif/OnvifLimits.h"
#include "onvif/OnvifParse.h"
#include "onvif/WsDiscovery.h"

using namespace OnvifLimits;

namespace {

// A refusal is our sentence around at most kMaxShownChars of the device's.
constexpr qsizetype kMaxReason = kMaxShownChars + 80;

template<typename T>
void checkOutcome(const std::optional<T> &value, const OnvifFailure &failure)
{
    CHECK(value.has_value() == (failure.kind == OnvifFailure::Kind::None));
    CHECK(value.has_value() == failure.text.isEmpty());
    CHECK(failure.text.size() <= kMaxReason);
}

bool shown(const QString &text)
{
    return text.size() <= kMaxShownChars + 1 && !text.contains(QLatin1Char('\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        OnvifFailure f;
        checkOutcome(OnvifParse::systemDateAndTime(input, &f), f);
    }
    {
        OnvifFailure f;
        const auto s = OnvifParse::services(input, &f);
        checkOutcome(s, f);
        if (s)
            CHECK(s->media.isValid() || s->media2.isValid());
    }
    {
        OnvifFailure f;
        const auto info = OnvifParse::deviceInformation(input, &f);
        checkOutcome(info, f);
        if (info)
            CHECK(shown(info->maker) && shown(info->model));
    }
    {
        OnvifFailure f;
        const auto profiles = OnvifParse::profiles(input, &f);
        checkOutcome(profiles, f);
        if (profiles) {
            CHECK(!profiles->isEmpty() && profiles->size() <= kMaxProfiles);
            for (const OnvifProfile &p : *profiles) {
                CHECK(!p.token.isEmpty() && p.token.size() <= kMaxTextChars);
                CHECK(shown(p.name) && shown(p.encoding));
                CHECK(p.width >= 0 && p.height >= 0 && p.rate >= 0 && p.rate <= 1000);
            }
        }
    }
    {
        OnvifFailure f;
        const auto uri = OnvifParse::uri(input, &f);
        checkOutcome(uri, f);
        if (uri)
            CHECK(!uri->isEmpty() && uri->size() < kMaxTextChars);
    }
    QString error;
    const QList<OnvifDiscovered> found = WsDiscovery::parseProbeMatches(input, QStringLiteral("urn:uuid:1"), &error);
    CHECK(found.isEmpty() || error.isEmpty());
    CHECK(found.size() <= kMaxDiscovered && error.size() <= kMaxReason);
    for (const OnvifDiscovered &d : found)
        CHECK(d.address.isValid() && shown(d.maker) && shown(d.model) && shown(d.name));
    return 0;
}
