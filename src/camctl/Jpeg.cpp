#include "camctl/Jpeg.h"

#include "camctl/StreamLimits.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <semaphore>

#include <jpeglib.h>
#include <turbojpeg.h>

namespace {

int scaled(int side, int denominator)
{
    return (side + denominator - 1) / denominator;
}

qint64 roundUp(qint64 value, qint64 multiple)
{
    return (value + multiple - 1) / multiple * multiple;
}

constexpr J_COLOR_SPACE kOutputSpace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// libjpeg reports a fatal error by calling error_exit, which must not
// return: it jumps back to the setjmp of the phase that called libjpeg.
// Only libjpeg's C frames lie between, so no destructor is skipped; the
// phases below keep no C++ object alive across their libjpeg calls.
struct Errors
{
    jpeg_error_mgr pub;  // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo)
{
    auto *errors = reinterpret_cast<Errors *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings (data cut short or damaged) are counted, as libjpeg's own
// handler does, and decoding goes on; nothing is printed.
void onMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        ++cinfo->err->num_warnings;
}

void onOutput(j_common_ptr) {}

// Called before each row of blocks a multi-scan picture's input is read
// in: a picture past kMaxScans stops at the first scan too many.
void onProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= StreamLimits::kMaxScans)
        return;
    auto *errors = reinterpret_cast<Errors *>(cinfo->err);
    std::snprintf(errors->message, sizeof errors->message, "picture with more than %d scans", StreamLimits::kMaxScans);
    std::longjmp(errors->jump, 1);
}

// One decompressor per decode thread, reused: creating one costs more than
// decoding a small picture. Between pictures it is aborted, which frees
// everything the picture took.
struct Session
{
    jpeg_decompress_struct cinfo{};
    Errors errors{};
    jpeg_progress_mgr progress{};
    bool created = false;
    bool multiScan = false;

    Session();
    ~Session()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
    void end() { jpeg_abort_decompress(&cinfo); }
    QString message() const { return QString::fromLatin1(errors.message); }
};

bool create(Session &s)
{
    if (setjmp(s.errors.jump))
        return false;
    jpeg_create_decompress(&s.cinfo);
    return true;
}

Session::Session()
{
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = onError;
    errors.pub.emit_message = onMessage;
    errors.pub.output_message = onOutput;
    progress.progress_monitor = onProgress;
    created = create(*this);
    cinfo.progress = &progress;
}

Session *threadSession()
{
    thread_local Session session;
    return session.created ? &session : nullptr;
}

// Reads the headers up to the first scan, as the decode will.
bool readHeaders(Session &s, QByteArrayView jpeg)
{
    if (setjmp(s.errors.jump))
        return false;
    jpeg_mem_src(&s.cinfo, reinterpret_cast<const unsigned char *>(jpeg.data()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&s.cinfo, TRUE);
    s.multiScan = jpeg_has_multiple_scans(&s.cinfo);
    return true;
}

Jpeg::Header headerOf(const Session &s)
{
    Jpeg::Header h;
    h.width = int(s.cinfo.image_width);
    h.height = int(s.cinfo.image_height);
    h.valid = h.width > 0 && h.height > 0;
    h.multiScan = s.multiScan;
    if (h.multiScan) {
        // libjpeg's whole-picture buffer: each component's blocks, rounded
        // up to whole MCUs, 64 coefficients of 2 bytes per block.
        for (int c = 0; c < s.cinfo.num_components; ++c) {
            const jpeg_component_info &comp = s.cinfo.comp_info[c];
            h.scanBufferBytes += roundUp(comp.width_in_blocks, comp.h_samp_factor)
                                 * roundUp(comp.height_in_blocks, comp.v_samp_factor) * qint64(sizeof(JBLOCK));
        }
    }
    return h;
}

// The decode proper, after the headers and the budget: every row of the
// output written, then the rest of the data read to its end marker.
bool decodeRows(Session &s, int denominator, uchar *bits, qsizetype bytesPerLine, int width, int height)
{
    if (setjmp(s.errors.jump))
        return false;
    s.cinfo.scale_num = 1;
    s.cinfo.scale_denom = unsigned(denominator);
    s.cinfo.out_color_space = kOutputSpace;
    // Camera pictures are 4:2:0 and drawn stretched, where smoothed chroma
    // shows no difference but costs a tenth of the decode.
    s.cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&s.cinfo);
    if (int(s.cinfo.output_width) != width || int(s.cinfo.output_height) != height
        || s.cinfo.output_components != 4) {
        std::snprintf(s.errors.message, sizeof s.errors.message, "decoded size %ux%u differs from the header's",
                      s.cinfo.output_width, s.cinfo.output_height);
        return false;
    }
    constexpr int kRowsAtOnce = 16;
    JSAMPROW rows[kRowsAtOnce];
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const int first = int(s.cinfo.output_scanline);
        const int count = std::min(kRowsAtOnce, height - first);
        for (int i = 0; i < count; ++i)
            rows[i] = bits + (first + i) * bytesPerLine;
        jpeg_read_scanlines(&s.cinfo, rows, JDIMENSION(count));
    }
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

int outputDenominator(const Jpeg::Header &h, QSize target)
{
    int d = Jpeg::scaleDenominator(QSize(h.width, h.height), target);
    if (!target.isValid() || target.isEmpty())
        return d;
    const qint64 allowed = qint64(StreamLimits::kMaxOutputPerTarget) * target.width() * target.height();
    while (d < 8 && qint64(scaled(h.width, d)) * scaled(h.height, d) > allowed)
        d *= 2;
    return d;
}

struct TurboHandle
{
    tjhandle handle = tjInitDecompress();
    ~TurboHandle()
    {
        if (handle)
            tjDestroy(handle);
    }
};

} // namespace

namespace Jpeg {

bool startsLikeJpeg(QByteArrayView bytes)
{
    return bytes.size() >= 2 && uchar(bytes[0]) == kMarkerPrefix && uchar(bytes[1]) == kStartOfImage;
}

bool isWholePicture(QByteArrayView bytes)
{
    if (bytes.size() < 4 || !startsLikeJpeg(bytes))
        return false;
    // A body cut short has a readable header but no end marker.
    const char endMarker[] = {char(kMarkerPrefix), char(kEndOfImage)};
    if (!bytes.last(std::min(kEndMarkerSlack, bytes.size())).contains(QByteArrayView(endMarker, 2)))
        return false;
    thread_local TurboHandle tj;
    if (!tj.handle)
        return false;
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    // TurboJPEG's header check, stricter than the decoder's: a warning, or
    // a layout it cannot name, fails it. A saved file must open anywhere.
    const int status = tjDecompressHeader3(tj.handle, reinterpret_cast<const unsigned char *>(bytes.data()),
                                           static_cast<unsigned long>(bytes.size()), &width, &height, &subsampling,
                                           &colourspace);
    return status == 0 && width > 0 && height > 0;
}

Header readHeader(QByteArrayView jpeg)
{
    Session *s = threadSession();
    if (!s || jpeg.isEmpty())
        return {};
    Header h;
    if (readHeaders(*s, jpeg))
        h = headerOf(*s);
    s->end();
    return h;
}

QString outOfBounds(const Header &h)
{
    const int side = StreamLimits::kMaxImageSide;
    if (h.width > side || h.height > side)
        return QStringLiteral("picture %1x%2 larger than %3x%3").arg(h.width).arg(h.height).arg(side);
    if (h.scanBufferBytes > StreamLimits::kMaxScanBufferBytes)
        return QStringLiteral("picture %1x%2 in several scans needs %3 KiB to decode, more than %4 KiB")
            .arg(h.width)
            .arg(h.height)
            .arg(h.scanBufferBytes / 1024)
            .arg(StreamLimits::kMaxScanBufferBytes / 1024);
    return {};
}

QSize outputSize(const Header &h, QSize target)
{
    const int d = outputDenominator(h, target);
    return QSize(scaled(h.width, d), scaled(h.height, d));
}

qint64 decodeBytes(const Header &h, QSize target)
{
    const QSize out = outputSize(h, target);
    // libjpeg's rows: a row of 8x8 blocks of every component, and its
    // upsampled copy, for the whole width.
    const qint64 rows = qint64(h.width) * 16 * 3 * 2;
    return qint64(out.width()) * out.height() * 4 + h.scanBufferBytes + rows;
}

int scaleDenominator(QSize source, QSize target)
{
    if (!target.isValid() || target.isEmpty())
        return 1;
    for (int d : {8, 4, 2}) {
        if (scaled(source.width(), d) >= target.width() && scaled(source.height(), d) >= target.height())
            return d;
    }
    return 1;
}

QImage decode(QByteArrayView jpeg, QSize target, QString *error)
{
    Session *s = threadSession();
    if (!s) {
        *error = QStringLiteral("JPEG decoder unavailable");
        return {};
    }
    if (jpeg.isEmpty() || !readHeaders(*s, jpeg)) {
        *error = jpeg.isEmpty() ? QStringLiteral("not a JPEG picture: no data")
                                : QStringLiteral("not a JPEG picture: %1").arg(s->message());
        s->end();
        return {};
    }
    const Header header = headerOf(*s);
    const QString refusal = header.valid ? outOfBounds(header) : QStringLiteral("not a JPEG picture: no size");
    if (!refusal.isEmpty()) {
        *error = refusal;
        s->end();
        return {};
    }
    static std::counting_semaphore<StreamLimits::kMaxMultiScanDecodes> multiScanTurns(StreamLimits::kMaxMultiScanDecodes);
    struct Turn
    {
        bool held;
        explicit Turn(bool multiScan) : held(multiScan) { if (held) multiScanTurns.acquire(); }
        ~Turn() { if (held) multiScanTurns.release(); }
    } turn(header.multiScan);
    const int d = outputDenominator(header, target);
    QImage image(scaled(header.width, d), scaled(header.height, d), QImage::Format_RGB32);
    if (image.isNull()) {
        *error = QStringLiteral("out of memory for the picture");
        s->end();
        return {};
    }
    const bool whole = decodeRows(*s, d, image.bits(), image.bytesPerLine(), image.width(), image.height());
    s->end();
    if (!whole) {
        *error = s->message();
        return {};
    }
    return image;
}

} // namespace Jpeg
