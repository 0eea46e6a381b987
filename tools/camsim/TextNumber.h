#pragma once

#include <QByteArray>

#include <optional>

namespace CamSim {

// A decimal integer from a query or fault text, if it lies in [min, max].
inline std::optional<qint64> integerIn(const QByteArray &text, qint64 min, qint64 max)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace CamSim
