#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace OnvifSim {

// Each fault is one way a real device misbehaves that a client must survive.
enum class Fault {
    Silent,         // connections accepted, never answered
    Slow,           // every answer after kSlowAnswerMs
    SoapFault,      // every call that needs credentials answers a Receiver fault
    NotAuthorized,  // every call that needs credentials is refused, whatever the token
    Huge,           // GetProfiles answers about kHugeAnswerBytes of valid XML
    Deep,           // GetDeviceInformation answers XML nested kDeepNesting levels
    OtherHost,      // stream and snapshot addresses name kOtherHost
    Port80,         // stream addresses on port 80
    NoProfile,      // GetProfiles answers no profile
    AudioOnly,      // profiles carry audio configurations only
    Clock,          // the device clock kClockFaultSeconds ahead
    DiscoveryFlood, // each probe answered by kFloodDatagrams datagrams of about kFloodDatagramBytes
};

constexpr int kSlowAnswerMs = 20 * 1000;
constexpr qsizetype kHugeAnswerBytes = 4 * 1024 * 1024;
constexpr int kDeepNesting = 10000;
constexpr char kOtherHost[] = "192.0.2.10";  // TEST-NET-1: never a real host
constexpr qint64 kClockFaultSeconds = 3 * 60 * 60;
constexpr int kFloodDatagrams = 200;
constexpr qsizetype kFloodDatagramBytes = 60 * 1000;

class FaultSet
{
public:
    bool has(Fault fault) const { return m_bits & bit(fault); }
    void add(Fault fault) { m_bits |= bit(fault); }

private:
    static unsigned bit(Fault fault) { return 1u << unsigned(fault); }
    unsigned m_bits = 0;
};

// The fault a --fault name stands for.
std::optional<Fault> faultNamed(const QString &name);
QStringList faultNames();

} // namespace OnvifSim
