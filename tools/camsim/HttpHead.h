#pragma once

#include <QByteArray>
#include <QList>
#include <utility>

namespace CamSim {

// A client that never ends its request head must not grow our buffer.
constexpr qsizetype kMaxRequestHeadBytes = 16 * 1024;

struct RequestHead
{
    QByteArray method;
    QByteArray target;   // as sent, e.g. "/axis-cgi/mjpg/video.cgi?camera=2"
    QByteArray path;     // target before '?', scheme and host removed
    QByteArray query;    // after '?', without it
    QByteArray version;
    QList<std::pair<QByteArray, QByteArray>> headers;

    // Value of the first header of that name (case-insensitive), or empty.
    QByteArray header(const QByteArray &name) const;
};

struct HeadParse
{
    enum Status { Incomplete, Complete, TooLarge, Malformed };
    Status status = Incomplete;
    RequestHead head;
};

// Reads an HTTP/1.x request head from the bytes received so far.
HeadParse parseRequestHead(const QByteArray &received);

} // namespace CamSim
