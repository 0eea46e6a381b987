#pragma once

#include <QtGlobal>

// Everything a camera can grow is bounded here, and only here; each bound
// has a test. docs/RELIABILITY.md gives what happens past each one.
namespace StreamLimits {

// --- Multipart streams ---------------------------------------------------

// Headers of one multipart part, delimiter line included.
constexpr qsizetype kMaxPartHeaderBytes = 16 * 1024;
// One picture as sent; a longer part is dropped while the stream goes on.
// A still picture (a single JPEG, a snapshot) is held to the same bound, and
// so is a picture put together from RTP packets.
constexpr qsizetype kMaxFrameBytes = 16 * 1024 * 1024;
// A delimiter line, padding after the boundary included; longer is an
// error. A preamble line this long that cannot be a delimiter is skipped
// without being kept.
constexpr qsizetype kMaxDelimiterLineBytes = 1024;
// Line ends between a part of declared length and the next delimiter:
// RFC 2046 puts one CRLF there, cameras a blank line more. More is taken
// for a wrong length: the reader skips to the next delimiter.
constexpr qsizetype kMaxGapBeforeDelimiterBytes = 4;
// A boundary as the body writes it after the delimiter's two dashes; longer
// is an error. RFC 2046 allows 70 characters; 128 leaves room for the extra
// dashes and decoration cameras add, and keeps the search pattern small.
constexpr qsizetype kMaxBoundaryBytes = 128;

// --- HTTP exchange --------------------------------------------------------

// Status and header lines of all answers of one transfer (1xx, redirects,
// challenges and the final one): far above any camera's, far below harm.
constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
// Challenges answered per transfer: the first one, and one more so a
// Digest nonce reported stale is renewed; a camera that goes on
// challenging is refused instead of being asked thousands of times.
constexpr int kMaxChallenges = 2;
// Bytes of a non-2xx answer's body read before the transfer ends.
constexpr qsizetype kMaxErrorBodyBytes = 64 * 1024;
// Redirect hops per transfer.
constexpr int kMaxRedirects = 5;
// Bytes asked of a connection per read: a 704x576 picture in one read, so
// its thread wakes once per picture.
constexpr qsizetype kMaxReadBytes = 256 * 1024;

// --- Decoded pictures -----------------------------------------------------

// Decoded picture side, read from the JPEG's frame header before decoding.
constexpr int kMaxImageSide = 8192;
// Pixels a decoder may be asked to make of one picture: the side bound
// squared. What a picture really costs is checked against the memory
// budget below before it is decoded.
constexpr qint64 kMaxImagePixels = qint64(kMaxImageSide) * kMaxImageSide;
// Multi-scan JPEGs (progressive, or one scan per component) keep every DCT
// coefficient of the whole picture while they decode, 2 bytes each,
// whatever the DCT scaling: 3 bytes a pixel at 4:2:0, 4 at 4:2:2, 6 at
// 4:4:4; 675 MB for a progressive 8192 x 8192. 9 MiB holds a 1920 x 1080
// still at 4:2:0 (6.3 MB) or 4:2:2 (8.3 MB), what cameras send.
constexpr qint64 kMaxScanBufferBytes = 9 * 1024 * 1024;
// Multi-scan decodes running at once in the whole program; a further one
// waits for a turn on its own camera's thread, which delays only that camera.
constexpr int kMaxMultiScanDecodes = 2;
// Scans of one JPEG: each is a pass over that buffer. Encoders write 10 for
// a colour progressive picture (about 20 at most when they optimise the
// script); 64 scans of a full buffer take under 30 ms, where 500 over a
// large picture took seconds.
constexpr int kMaxScans = 64;
// Decoded output per drawn area. The smallest DCT scale that covers the
// drawn size is at most twice it each way for camera shapes on the
// program's controls (4K on a 704 x 576 control: 2048 x 1080, 5.5 times
// the area). A picture shaped to defeat that (8192 x 1080 drawn at 704 x
// 576 would be decoded whole, 35 MB) is reduced further until its output
// is at most this many times the drawn area. At the program's drawn sizes
// (704 x 576, four 352 x 288, nine 176 x 144: 1.04 Mpx) that is 25 MB.
constexpr int kMaxOutputPerTarget = 6;

// --- RTSP ------------------------------------------------------------------

// Any single allocation FFmpeg's decoders make for a camera (a picture's
// plane, a slice's tables): the luma plane of an 8K-wide camera's picture
// (7680 x 2160) is 17 MB, so this leaves room and still stops a stream
// that asks for a gigabyte.
constexpr size_t kMaxAvAllocationBytes = 32 * 1024 * 1024;
// Pictures in a row that fail to decode (garbage) before the stream is
// given up on and asked again.
constexpr int kMaxFailingPackets = 50;
// A description (DESCRIBE's answer) is refused past these, before it is
// held whole: a camera's is one to three kilobytes in twenty to sixty
// lines (GStreamer's RTSP server: about 500 bytes in 19), and what reads it
// pays for every line (thousands of source filters once took a quarter of
// a gigabyte for 96 KB); within them, lines a viewer has no use for cost
// nothing.
constexpr qsizetype kMaxSdpBytes = 32 * 1024;
constexpr int kMaxSdpLines = 256;
// Requests of one attempt before it plays: OPTIONS and DESCRIBE for the
// address and each redirect, SETUP for both transports, and PLAY. The
// exchange's order keeps within it; the count makes sure of it.
constexpr int kMaxSetupRequests = 2 * (kMaxRedirects + 1) + 3;
// Keep-alives are sent at half the session's time-out, never more often
// than this: a camera asking every few milliseconds is asked once a second.
constexpr int kMinKeepAliveMs = 1000;
// Addresses whose camera refused RTP over TCP, asked for UDP first on
// their next attempt; the oldest is forgotten past this.
constexpr int kMaxRememberedTransports = 64;

// --- RTP (what the RTSP exchange hands over, before the decoder) ---------

// An encoding name as an unsupported codec is named to the user; a longer
// one is cut here.
constexpr qsizetype kMaxEncodingNameBytes = 32;
// One RTP packet: what a UDP datagram and the interleaved framing of
// RTP over the RTSP connection can carry.
constexpr qsizetype kMaxRtpPacketBytes = 65535;
// RTP over UDP: packets held back waiting for a missing one, as a count,
// in bytes, and in time. Whichever comes first gives up on what is missing
// and hands the rest on in order. A camera's network reorders within a few
// packets; a packet truly lost delays its picture by 50 ms at most (a
// picture and a bit at 25 per second), and fourteen cameras hold 3.5 MB.
constexpr int kMaxReorderPackets = 32;
constexpr qsizetype kMaxReorderBytes = 256 * 1024;
constexpr int kMaxReorderWaitMs = 50;
// Pictures a decoder keeps for reference and reordering, as a sequence
// parameter set asks: both codecs stop at 16, so a larger number is a
// damaged or hostile set.
constexpr int kMaxDecoderPictures = 16;

// --- The camera client ---------------------------------------------------

// Memory every camera together may hold: pictures being received, each
// decoder's kept pictures, decoded pictures (MemoryBudget). Half a gigabyte,
// the program's own 50 MB aside, which a machine of 4 GB spares: an
// 8K-wide camera (7680 x 2160 H.264 keeping four pictures, about 150 MB)
// beside thirteen 1080p ones (about 20 MB each), or fourteen hostile
// cameras each holding a part at the frame bound and the one before it
// (32 MB each). A camera past it is refused and asked again later.
constexpr qint64 kMemoryBudgetBytes = 512 * 1024 * 1024;

// Camera threads at once, cancelled ones still ending included: fourteen
// controls, a snapshot and their predecessors fit many times over; a start
// past it fails like a refused connection and is retried after the backoff.
constexpr int kMaxCameraThreads = 64;

} // namespace StreamLimits
