#include "OnvifStats.h"

namespace OnvifSim {

QByteArray OnvifStats::text() const
{
    QByteArray out;
    for (auto it = m_calls.cbegin(); it != m_calls.cend(); ++it)
        out += "call." + it.key() + ' ' + QByteArray::number(it.value()) + '\n';
    out += "call.unknown " + QByteArray::number(m_unknownCalls) + '\n';
    out += "auth-failures " + QByteArray::number(m_authFailures) + '\n';
    out += "discovery-probes " + QByteArray::number(m_probes) + '\n';
    return out;
}

} // namespace OnvifSim
