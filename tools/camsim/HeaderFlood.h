#pragma once

#include "FaultPlan.h"
#include "Outlet.h"

#include <QByteArray>
#include <QObject>

namespace CamSim {

// What a flood leaves waiting in our buffers at most: a client that reads
// nothing costs this much, however long it stays.
constexpr qint64 kFloodBacklog = 64 * 1024;

// An answer whose head never ends (see FloodKind), sent as fast as the
// client takes it and no faster, until the client hangs up.
class HeaderFlood : public QObject
{
    Q_OBJECT

public:
    // `stream`: the request asked for a stream, which changes only the
    // Content-Type the kinds that send headers name.
    HeaderFlood(FloodKind kind, bool stream, Outlet &outlet, QObject *parent);

private:
    void topUp();

    Outlet &m_outlet;
    QByteArray m_piece;
};

} // namespace CamSim
