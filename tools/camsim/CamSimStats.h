#pragma once

#include "PictureParams.h"

#include <QByteArray>

#include <array>

namespace CamSim {

// What the demo camera has served, for tests to read at /stats. Picture
// connections are those that asked for a stream or a still picture with a
// valid query; /stats requests count nowhere.
class CamSimStats
{
public:
    void requestReceived() { ++m_requests; }
    void unauthorized() { ++m_unauthorized; }
    void accepted(int camera);
    void closed(int camera);
    void frameSent(int camera);

    qint64 acceptedCount() const { return m_accepted; }
    qint64 openCount() const { return m_accepted - m_closed; }
    qint64 closedCount() const { return m_closed; }
    qint64 framesCount() const { return m_frames; }

    // {"accepted":N,"open":N,"closed":N,"frames":N,"requests":N,
    //  "unauthorized":N,"openByCamera":{"1":n..."9":n},
    //  "acceptedByCamera":{...},"framesByCamera":{...}}
    QByteArray toJson() const;

private:
    using PerCamera = std::array<qint64, kCameraCount>;
    static int slot(int camera);

    qint64 m_requests = 0;
    qint64 m_unauthorized = 0;
    qint64 m_accepted = 0;
    qint64 m_closed = 0;
    qint64 m_frames = 0;
    PerCamera m_openByCamera{};
    PerCamera m_acceptedByCamera{};
    PerCamera m_framesByCamera{};
};

} // namespace CamSim
