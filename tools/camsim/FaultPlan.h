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

    // Empty text gives the plan without faults; nullopt with *error set
    // for an unknown or out-of-range item.
    static std::optional<FaultPlan> parse(const QByteArray &spec, QString *error);

    // The picture counts after which the stream stops being normal.
    bool stopsAfter(int picturesSent) const;
};

} // namespace CamSim
