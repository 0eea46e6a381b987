#include "OnvifFaults.h"

#include <array>
#include <utility>

namespace OnvifSim {

namespace {

constexpr std::array<std::pair<const char *, Fault>, 12> kFaultNames{{
    {"silent", Fault::Silent},
    {"slow", Fault::Slow},
    {"soap-fault", Fault::SoapFault},
    {"not-authorized", Fault::NotAuthorized},
    {"huge", Fault::Huge},
    {"deep", Fault::Deep},
    {"other-host", Fault::OtherHost},
    {"port80", Fault::Port80},
    {"no-profile", Fault::NoProfile},
    {"audio-only", Fault::AudioOnly},
    {"clock", Fault::Clock},
    {"discovery-flood", Fault::DiscoveryFlood},
}};

} // namespace

std::optional<Fault> faultNamed(const QString &name)
{
    for (const auto &[text, fault] : kFaultNames) {
        if (name == QLatin1String(text))
            return fault;
    }
    return std::nullopt;
}

QStringList faultNames()
{
    QStringList names;
    for (const auto &entry : kFaultNames)
        names << QLatin1String(entry.first);
    return names;
}

} // namespace OnvifSim
