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
// Bytes skipped while looking for the first delimiter are not kept; this
// much tail is held back so a delimiter split across reads is still found.
constexpr qsizetype kMaxDelimiterLine = 1024;

} // namespace StreamLimits
