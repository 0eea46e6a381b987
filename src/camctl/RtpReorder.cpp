#include "camctl/RtpReorder.h"

#include <limits>

using StreamLimits::kMaxReorderBytes;
using StreamLimits::kMaxReorderPackets;

namespace {
constexpr qint64 kWaitUs = qint64(StreamLimits::kMaxReorderWaitMs) * 1000;
}

QList<QByteArray> RtpReorder::push(quint16 sequence, QByteArray packet, qint64 nowUs)
{
    QList<QByteArray> out;
    if (!m_started) {
        m_started = true;
        m_next = sequence;
    }
    int ahead = qint16(quint16(sequence - m_next));
    if (ahead < -kMaxReorderPackets) {
        // Further back than any reordering explains: the camera started
        // its stream again. What is held goes on, and the new sequence is
        // taken up.
        while (m_held > 0)
            step(&out);
        m_next = sequence;
        ahead = 0;
    }
    if (ahead < 0) {
        ++m_late;
    } else if (ahead < kMaxReorderPackets || m_held == 0) {
        // A jump past the window with nothing held: the camera went on
        // from somewhere else, so its new sequence is taken up at once.
        if (ahead >= kMaxReorderPackets) {
            m_skipped += quint64(ahead);
            m_next = sequence;
            ahead = 0;
        }
        // Room in bytes is made by giving up on what is missing first.
        while (ahead > 0 && m_held > 0 && m_bytes + packet.size() > kMaxReorderBytes) {
            step(&out);
            --ahead;
        }
        Slot &s = slot(ahead);
        if (s.held) {
            ++m_late;
        } else {
            m_bytes += packet.size();
            ++m_held;
            s = Slot{std::move(packet), nowUs, true};
        }
    } else {
        // Past the window: what is held goes on, gaps given up on, and the
        // packet is taken again with room for it.
        while (m_held > 0 && ahead >= kMaxReorderPackets) {
            step(&out);
            --ahead;
        }
        out += push(sequence, std::move(packet), nowUs);
        return out;
    }
    drain(&out);
    releaseDue(nowUs, &out);
    return out;
}

QList<QByteArray> RtpReorder::release(qint64 nowUs)
{
    QList<QByteArray> out;
    releaseDue(nowUs, &out);
    return out;
}

qint64 RtpReorder::nextReleaseUs() const
{
    if (m_held == 0)
        return 0;
    qint64 oldest = std::numeric_limits<qint64>::max();
    for (const Slot &s : m_slots) {
        if (s.held)
            oldest = std::min(oldest, s.receivedUs);
    }
    return oldest + kWaitUs;
}

// The head moves on one number: its packet goes out, or it is given up on.
void RtpReorder::step(QList<QByteArray> *out)
{
    Slot &s = slot(0);
    if (s.held) {
        m_bytes -= s.packet.size();
        --m_held;
        out->append(std::exchange(s.packet, QByteArray()));
        s.held = false;
    } else {
        ++m_skipped;
    }
    m_head = (m_head + 1) % kMaxReorderPackets;
    ++m_next;
}

void RtpReorder::drain(QList<QByteArray> *out)
{
    while (slot(0).held)
        step(out);
}

void RtpReorder::releaseDue(qint64 nowUs, QList<QByteArray> *out)
{
    while (m_held > 0 && nowUs >= nextReleaseUs()) {
        while (!slot(0).held)
            step(out);
        drain(out);
    }
}
