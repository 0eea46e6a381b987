#pragma once

#include <QtGlobal>

// Every bound a device can push against, in one place. A device is
// untrusted: what it sends past these is refused with a reason, never
// trimmed silently into something that looks whole.
namespace OnvifLimits {

// One SOAP answer, body bytes (a fault's body is held to the camera
// client's smaller bound for error bodies).
constexpr qsizetype kMaxAnswerBytes = 1024 * 1024;
// Element nesting; real answers stay under 15.
constexpr int kMaxXmlDepth = 64;
// Elements in one answer: a million one-byte elements would still fit the
// byte bound and cost a hundred times that in memory.
constexpr int kMaxXmlElements = 20000;
constexpr int kMaxProfiles = 64;
// What of a device's own words (a fault's reason, a name) reaches a message.
constexpr qsizetype kMaxShownChars = 200;
// What is kept of any one text a device sends (an address, a token).
constexpr qsizetype kMaxTextChars = 2048;

constexpr int kConnectTimeoutMs = 5000;
// One call, connection to last byte.
constexpr int kCallTimeoutMs = 10000;
// A clock further off than this is worth telling the user.
constexpr int kClockNoteSeconds = 5;

// Discovery.
constexpr int kMaxDiscovered = 32;
constexpr qsizetype kMaxDatagramBytes = 64 * 1024;
constexpr int kProbes = 3;
constexpr int kProbeIntervalMs = 1000;
// From the first probe; answers come within a second of each probe.
constexpr int kSearchMs = 3000;
constexpr quint16 kDiscoveryPort = 3702;

} // namespace OnvifLimits
