#pragma once

#include <QtGlobal>

// Everything a camera can grow is bounded here; each bound has a test.
namespace StreamLimits {

// Headers of one multipart part, delimiter line included.
constexpr qsizetype kMaxPartHeaderBytes = 16 * 1024;
// One picture as sent; a longer part is dropped while the stream goes on.
constexpr qsizetype kMaxFrameBytes = 16 * 1024 * 1024;
// Decoded picture side, read from the JPEG's frame header before decoding.
constexpr int kMaxImageSide = 8192;
// A delimiter line, padding after the boundary included; longer is an
// error. A preamble line this long that cannot be a delimiter is skipped
// without being kept.
constexpr qsizetype kMaxDelimiterLine = 1024;
// A boundary as the body writes it after the delimiter's two dashes; longer
// is an error. RFC 2046 allows 70 characters; 128 leaves room for the extra
// dashes and decoration cameras add, and keeps the search pattern small.
constexpr qsizetype kMaxBoundaryBytes = 128;

} // namespace StreamLimits
