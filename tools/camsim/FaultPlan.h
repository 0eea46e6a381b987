#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace CamSim {

// Bounds on what a test may ask for, so a typo cannot exhaust the machine.
constexpr qint64 kMaxOversizeBytes = 64 * 1024 * 1024;
constexpr int kMaxDelayMs = 10 * 60 * 1000;
constexpr int kMaxDripIntervalMs = 60 * 1000;
constexpr int kDefaultDripIntervalMs = 20;
constexpr int kMaxBoundaryLength = 200;
constexpr qint64 kMinSlowLinkRate = 100;
constexpr qint64 kMaxSlowLinkRate = 10 * 1000 * 1000;

// The boundary a stream's Content-Type names; the body uses it too unless
// the plan says otherwise.
constexpr char kBoundary[] = "myboundary";
constexpr char kDefaultBodyBoundary[] = "otherboundary";

// Which part of an answer never ends.
enum class FloodKind {
    Status,    // the status line
    Header,    // one header line
    Continue,  // "100 Continue" answers, never a final one
    Chunk,     // the first chunk-size line of a chunked body
};

// How one response misbehaves, from a text such as "close-after:3,no-length".
struct FaultPlan
{
    std::optional<int> closeAfter;      // pictures, then a clean close
    std::optional<int> resetAfter;      // pictures, then TCP RST
    std::optional<int> stallAfter;      // pictures, then silence on an open connection
    bool noLength = false;              // parts without Content-Length
    std::optional<int> dripIntervalMs;  // one byte per interval
    std::optional<int> status;          // answer this status instead
    bool html = false;                  // answer an HTML page instead
    bool truncate = false;              // every second picture cut to half
    std::optional<qint64> oversizeBytes; // the first part is this much junk
    int delayMs = 0;                    // before answering at all
    QByteArray bodyBoundary;            // a stream's delimiters use this, not kBoundary, unless empty
    std::optional<qint64> slowLinkRate; // the whole answer paced at this many bytes per second
    std::optional<FloodKind> headerFlood; // an endless head instead of the answer

    // Empty text gives the plan without faults; nullopt with *error set
    // for an unknown or out-of-range item, or for both drip and slow-link.
    // Of the answers given instead of pictures, status wins over html, and
    // html over header-flood.
    static std::optional<FaultPlan> parse(const QByteArray &text, QString *error);

    // The picture counts after which the stream stops being normal.
    bool stopsAfter(int picturesSent) const;
};

} // namespace CamSim
