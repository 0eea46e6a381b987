#pragma once

#include "camctl/StreamLimits.h"

#include <QByteArray>
#include <QList>

#include <array>

// RTP over UDP: packets arrive out of order now and then. They are put back
// in sequence order (across the wrap of the 16-bit numbers) within a small
// window; a missing packet is given up on once kMaxReorderPackets,
// kMaxReorderBytes or kMaxReorderWaitMs is reached; a number further back
// than the window or further ahead than it with nothing held is a camera
// starting its stream again, taken up at once. The time is the caller's,
// in microseconds of any steady clock.
class RtpReorder
{
public:
    // The packets due now, in order, this one among them when it is next.
    QList<QByteArray> push(quint16 sequence, QByteArray packet, qint64 nowUs);
    // The packets due by time alone: those held behind a missing one for
    // kMaxReorderWaitMs.
    QList<QByteArray> release(qint64 nowUs);
    // When release() will next have something to give; 0 when nothing is
    // held.
    qint64 nextReleaseUs() const;

    quint64 latePackets() const { return m_late; }       // dropped: repeats, or behind a gap given up on
    quint64 skippedPackets() const { return m_skipped; } // given up on
    qsizetype heldBytes() const { return m_bytes; }

private:
    struct Slot
    {
        QByteArray packet;
        qint64 receivedUs = 0;
        bool held = false;
    };
    Slot &slot(int ahead) { return m_slots[size_t((m_head + ahead) % StreamLimits::kMaxReorderPackets)]; }
    void step(QList<QByteArray> *out);
    void drain(QList<QByteArray> *out);
    void releaseDue(qint64 nowUs, QList<QByteArray> *out);

    std::array<Slot, StreamLimits::kMaxReorderPackets> m_slots;
    int m_head = 0;     // the slot of m_next
    quint16 m_next = 0; // the sequence number due
    bool m_started = false;
    int m_held = 0;
    qsizetype m_bytes = 0;
    quint64 m_late = 0;
    quint64 m_skipped = 0;
};
