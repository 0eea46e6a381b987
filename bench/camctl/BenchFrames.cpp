#include "BenchFrames.h"

#include <QDir>
#include <QImage>

#include <cstdio>

#include <turbojpeg.h>

namespace {

constexpr int kWidth = 704;
constexpr int kHeight = 576;
constexpr int kQuality = 60;

QByteArray encode(const QImage &picture)
{
    const QImage rgb = picture.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_RGB888);
    tjhandle tj = tjInitCompress();
    unsigned char *out = nullptr;
    unsigned long size = 0;
    QByteArray jpeg;
    if (tjCompress2(tj, rgb.constBits(), kWidth, int(rgb.bytesPerLine()), kHeight, TJPF_RGB, &out, &size,
                    TJSAMP_420, kQuality, 0)
        == 0)
        jpeg = QByteArray(reinterpret_cast<const char *>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

} // namespace

QList<QByteArray> cameraFrames(const QString &photoDir, QString *error)
{
    QList<QByteArray> frames;
    const QDir dir(photoDir);
    for (const QString &name : dir.entryList({"*.png", "*.jpg", "*.jpeg"}, QDir::Files, QDir::Name)) {
        const QImage photo(dir.filePath(name));
        // Colour photographs of a camera's size or more look like a scene.
        if (photo.isNull() || photo.isGrayscale() || photo.width() < 400 || photo.height() < 300)
            continue;
        const QByteArray jpeg = encode(photo);
        if (!jpeg.isEmpty())
            frames << jpeg;
    }
    if (frames.isEmpty())
        *error = QStringLiteral("no colour photographs of 400x300 or more in %1").arg(photoDir);
    return frames;
}

QList<QByteArray> framesFromArguments(const QStringList &args, const char *usage, int *exitCode)
{
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s\n", usage);
        *exitCode = 2;
        return {};
    }
    QString error;
    const QList<QByteArray> frames = cameraFrames(args.at(1), &error);
    if (frames.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        *exitCode = 1;
    }
    return frames;
}
