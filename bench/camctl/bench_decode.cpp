// Decoding cost of the picture control against raw libjpeg-turbo:
//   ocellane-bench-decode PHOTO_DIR [--write-frames DIR] [--size WxH] [--quality Q]
// Prints per-frame times and the ratios docs/PERFORMANCE.md reports. The
// frames are 704x576 at quality 60 unless --size and --quality say
// otherwise (the nine-camera benchmark's 1920x1080 frames).

#include "BenchFrames.h"
#include "camctl/Jpeg.h"
#include "camctl/MultipartReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRounds = 7;          // best-of, against machine noise
constexpr int kFramesPerRound = 400;

// Best time per frame in microseconds over kRounds rounds.
double bestMicros(const QList<QByteArray> &frames, const std::function<void(const QByteArray &)> &decode)
{
    double best = 1e18;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kFramesPerRound; ++i)
            decode(frames.at(i % frames.size()));
        best = std::min(best, double(timer.nsecsElapsed()) / 1000.0 / kFramesPerRound);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const char *usage = "ocellane-bench-decode PHOTO_DIR [--write-frames DIR] [--size WxH] [--quality Q]";
    FrameRecipe recipe;
    const int sizeAt = int(args.indexOf(QStringLiteral("--size")));
    if (sizeAt > 0 && sizeAt + 1 < args.size()) {
        const QStringList sides = args.at(sizeAt + 1).split(QLatin1Char('x'));
        recipe.size = sides.size() == 2 ? QSize(sides[0].toInt(), sides[1].toInt()) : QSize();
    }
    const int qualityAt = int(args.indexOf(QStringLiteral("--quality")));
    if (qualityAt > 0 && qualityAt + 1 < args.size())
        recipe.quality = args.at(qualityAt + 1).toInt();
    if (recipe.size.isEmpty() || recipe.size.width() > 8192 || recipe.size.height() > 8192 || recipe.quality < 1
        || recipe.quality > 100) {
        std::fprintf(stderr, "usage: %s\n(--size up to 8192x8192, --quality 1 to 100)\n", usage);
        return 2;
    }
    int exitCode = 0;
    const QList<QByteArray> frames = framesFromArguments(args, usage, &exitCode, recipe);
    if (frames.isEmpty())
        return exitCode;
    qint64 total = 0;
    for (const QByteArray &f : frames)
        total += f.size();
    const int width = recipe.size.width();
    const int height = recipe.size.height();
    std::printf("frames: %lld photographs at %dx%d, q%d 4:2:0, mean %lld bytes\n",
                static_cast<long long>(frames.size()), width, height, recipe.quality,
                static_cast<long long>(total / frames.size()));

    const int writeAt = int(args.indexOf(QStringLiteral("--write-frames")));
    if (writeAt > 0 && writeAt + 1 < args.size()) {
        QDir().mkpath(args.at(writeAt + 1));
        for (int i = 0; i < frames.size(); ++i) {
            QFile out(QDir(args.at(writeAt + 1)).filePath(QStringLiteral("frame%1.jpg").arg(i, 3, 10, QLatin1Char('0'))));
            if (out.open(QIODevice::WriteOnly))
                out.write(frames.at(i));
        }
    }

    // Raw: one handle, one preallocated buffer, same pixel format; with
    // the library's default flags and with the engine's.
    tjhandle tj = tjInitDecompress();
    std::vector<unsigned char> buffer(size_t(width) * height * 4);
    const int format = RawDecode::enginePixelFormat();
    auto rawWith = [&](int flags) {
        return bestMicros(frames, [&](const QByteArray &jpeg) {
            tjDecompress2(tj, reinterpret_cast<const unsigned char *>(jpeg.constData()), ulong(jpeg.size()),
                          buffer.data(), width, width * 4, height, format, flags);
        });
    };
    const double raw = rawWith(0);
    const double rawSameFlags = rawWith(TJFLAG_LIMITSCANS | RawDecode::engineFlags());
    tjDestroy(tj);

    QString decodeError;
    const double engineFull = bestMicros(frames, [&](const QByteArray &jpeg) {
        Jpeg::decode(jpeg, QSize(), &decodeError);
    });
    const double engineSmall = bestMicros(frames, [&](const QByteArray &jpeg) {
        Jpeg::decode(jpeg, QSize(176, 144), &decodeError);
    });

    // Splitting the stream, for scale: the reader's cost per frame.
    QByteArray stream;
    for (const QByteArray &f : frames)
        stream += "--myboundary\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(f.size())
                  + "\r\n\r\n" + f + "\r\n";
    const double reader = bestMicros({stream}, [&](const QByteArray &bytes) {
        MultipartReader r("myboundary");
        MultipartPart part;
        for (qsizetype at = 0; at < bytes.size(); at += 1460) {
            r.feed(QByteArrayView(bytes).sliced(at, std::min<qsizetype>(1460, bytes.size() - at)));
            while (r.next(&part) == MultipartReader::Result::Part) {
            }
        }
    }) / frames.size();

    std::printf("raw TurboJPEG full-size decode:     %8.1f us/frame (default flags)\n", raw);
    std::printf("raw, the engine's flags:            %8.1f us/frame\n", rawSameFlags);
    std::printf("engine full-size decode:            %8.1f us/frame  ratio %.3f (target <= 1.15), "
                "%.3f against the same flags\n",
                engineFull, engineFull / raw, engineFull / rawSameFlags);
    std::printf("engine decode for 176x144:          %8.1f us/frame  ratio %.3f of raw full size (target <= 0.8)\n",
                engineSmall, engineSmall / raw);
    std::printf("multipart reader, 1460-byte reads:  %8.1f us/frame\n", reader);
    return 0;
}
