#include "BenchFrames.h"

#include "camctl/Jpeg.h"

#include <QDir>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <turbojpeg.h>

namespace {

QByteArray encode(const QImage &picture, const FrameRecipe &recipe)
{
    const int width = recipe.size.width();
    const int height = recipe.size.height();
    const QImage rgb = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_RGB888);
    tjhandle tj = tjInitCompress();
    unsigned char *out = nullptr;
    unsigned long size = 0;
    QByteArray jpeg;
    if (tjCompress2(tj, rgb.constBits(), width, int(rgb.bytesPerLine()), height, TJPF_RGB, &out, &size, TJSAMP_420,
                    recipe.quality, 0)
        == 0)
        jpeg = QByteArray(reinterpret_cast<const char *>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

QList<QByteArray> cameraFrames(const QString &photoDir, QString *error, const FrameRecipe &recipe)
{
    QList<QByteArray> frames;
    const QDir dir(photoDir);
    for (const QString &name : dir.entryList({"*.png", "*.jpg", "*.jpeg"}, QDir::Files, QDir::Name)) {
        const QImage photo(dir.filePath(name));
        // Colour photographs of a camera's size or more look like a scene.
        if (photo.isNull() || photo.isGrayscale() || photo.width() < 400 || photo.height() < 300)
            continue;
        const QByteArray jpeg = encode(photo, recipe);
        if (!jpeg.isEmpty())
            frames << jpeg;
    }
    if (frames.isEmpty())
        *error = QStringLiteral("no colour photographs of 400x300 or more in %1").arg(photoDir);
    return frames;
}

QList<QByteArray> framesFromArguments(const QStringList &args, const char *usage, int *exitCode,
                                      const FrameRecipe &recipe)
{
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s\n", usage);
        *exitCode = 2;
        return {};
    }
    QString error;
    const QList<QByteArray> frames = cameraFrames(args.at(1), &error, recipe);
    if (frames.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        *exitCode = 1;
    }
    return frames;
}

namespace RawDecode {

int enginePixelFormat()
{
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
}

int engineFlags()
{
    return TJFLAG_FASTUPSAMPLE;
}

QSize headerSize(const QByteArray &jpeg)
{
    tjhandle tj = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    const int status = tjDecompressHeader3(tj, reinterpret_cast<const unsigned char *>(jpeg.constData()),
                                           static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling,
                                           &colourspace);
    tjDestroy(tj);
    return status == 0 ? QSize(width, height) : QSize();
}

QSize engineOutput(const QByteArray &jpeg, QSize drawn, QString *error)
{
    const QImage image = Jpeg::decode(jpeg, drawn, error);
    if (image.isNull())
        return {};
    const QSize size = headerSize(jpeg);
    if (!size.isValid()) {
        *error = QStringLiteral("TurboJPEG cannot read the header");
        return {};
    }
    const int width = size.width();
    const int height = size.height();
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    for (int i = 0; i < count; ++i) {
        if (TJSCALED(width, factors[i]) == image.width() && TJSCALED(height, factors[i]) == image.height())
            return image.size();
    }
    *error = QStringLiteral("the engine decodes %1x%2 to %3x%4, which no TurboJPEG scaling factor gives")
                 .arg(width)
                 .arg(height)
                 .arg(image.width())
                 .arg(image.height());
    return {};
}

namespace {

// Rounds of one pass through the pictures, each timed by the calling
// thread's CPU clock. decode returns an error, empty when it went well.
template<typename Decode>
Timing timeRounds(const QList<Picture> &pictures, int minRounds, double minCpuSeconds, Decode decode)
{
    Timing timing;
    if (pictures.isEmpty())
        return timing;
    std::vector<double> perPicture;
    double spent = 0;
    while (timing.error.isEmpty() && (int(perPicture.size()) < minRounds || spent < minCpuSeconds)) {
        const double start = threadCpuSeconds();
        for (const Picture &p : pictures) {
            timing.error = decode(p);
            if (!timing.error.isEmpty())
                break;
        }
        const double round = threadCpuSeconds() - start;
        spent += round;
        perPicture.push_back(round / double(pictures.size()) * 1e6);
        timing.pictures += pictures.size();
    }
    std::sort(perPicture.begin(), perPicture.end());
    timing.rounds = int(perPicture.size());
    timing.bestUs = perPicture.front();
    timing.medianUs = perPicture[perPicture.size() / 2];
    return timing;
}

} // namespace

Timing cpuPerPicture(const QList<Picture> &pictures, int flags, int minRounds, double minCpuSeconds)
{
    qsizetype largest = 0;
    for (const Picture &p : pictures)
        largest = std::max<qsizetype>(largest, qsizetype(p.output.width()) * p.output.height() * 4);
    std::vector<unsigned char> buffer(static_cast<size_t>(largest));
    tjhandle tj = tjInitDecompress();
    const int format = enginePixelFormat();
    const Timing timing = timeRounds(pictures, minRounds, minCpuSeconds, [&](const Picture &p) {
        if (tjDecompress2(tj, reinterpret_cast<const unsigned char *>(p.jpeg.constData()),
                          static_cast<unsigned long>(p.jpeg.size()), buffer.data(), p.output.width(),
                          p.output.width() * 4, p.output.height(), format, flags)
            == 0)
            return QString();
        return QString::fromLocal8Bit(tjGetErrorStr2(tj));
    });
    tjDestroy(tj);
    return timing;
}

Timing engineCpuPerPicture(const QList<Picture> &pictures, int minRounds, double minCpuSeconds)
{
    return timeRounds(pictures, minRounds, minCpuSeconds, [&](const Picture &p) {
        QString error;
        const QImage image = Jpeg::decode(p.jpeg, p.drawn, &error);
        if (!image.isNull())
            return QString();
        return error.isEmpty() ? QStringLiteral("no picture") : error;
    });
}

} // namespace RawDecode
