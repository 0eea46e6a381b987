#include "HeaderFlood.h"

#include <algorithm>

namespace CamSim {

namespace {

// Big enough that a fast client costs few writes, small enough against
// kFloodBacklog that the buffer is topped up before it runs dry.
constexpr qsizetype kPieceBytes = 16 * 1024;

// The bytes before the endless part.
QByteArray head(FloodKind kind, bool stream)
{
    const QByteArray contentType =
        stream ? "multipart/x-mixed-replace; boundary=" + QByteArray(kBoundary) : QByteArray("image/jpeg");
    switch (kind) {
    case FloodKind::Status:
        return "HTTP/1.0 200 ";
    case FloodKind::Header:
        return "HTTP/1.0 200 OK\r\nContent-Type: " + contentType + "\r\nX-Ocellane-Flood: ";
    case FloodKind::Continue:
        return {};
    case FloodKind::Chunk:
        // The size line starts like any other and never ends; a reader
        // adding up its digits without a bound overflows.
        return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nTransfer-Encoding: chunked\r\n\r\n";
    }
    return {};
}

// The piece that repeats without end.
QByteArray unit(FloodKind kind)
{
    switch (kind) {
    case FloodKind::Status:
    case FloodKind::Header:
        return "x";
    case FloodKind::Continue:
        return "HTTP/1.1 100 Continue\r\n\r\n";
    case FloodKind::Chunk:
        return "f";
    }
    return "x";
}

} // namespace

HeaderFlood::HeaderFlood(FloodKind kind, bool stream, Outlet &outlet, QObject *parent)
    : QObject(parent), m_outlet(outlet)
{
    // Whole units only, so piece after piece still reads as one unit
    // after another.
    const QByteArray one = unit(kind);
    m_piece = one.repeated(std::max<qsizetype>(1, kPieceBytes / one.size()));
    // Qt reports each send to the kernel; only then is there room again.
    connect(&m_outlet, &Outlet::progress, this, &HeaderFlood::topUp);
    m_outlet.write(head(kind, stream));
    topUp();
}

void HeaderFlood::topUp()
{
    // Counted, not "until full": a closed socket takes nothing, and the
    // loop must end anyway.
    const qint64 room = kFloodBacklog - m_outlet.queued();
    for (qint64 i = 0; i < room / m_piece.size(); ++i)
        m_outlet.write(m_piece);
}

} // namespace CamSim
