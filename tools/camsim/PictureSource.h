#pragma once

#include "camctl/JpegEncoder.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

namespace CamSim {

// Bounds for a frames folder: the whole loop is kept in memory.
constexpr int kMaxFolderPictures = 10000;
constexpr qint64 kMaxFolderBytes = 512LL * 1024 * 1024;
// Backgrounds cached per camera and size; tests that walk through many
// sizes must not keep them all.
constexpr int kMaxCachedBackgrounds = 64;

struct PictureKey
{
    int camera = 1;
    QSize size;
    int quality = 0;
    friend bool operator==(const PictureKey &, const PictureKey &) = default;
};
size_t qHash(const PictureKey &key, size_t seed = 0);

// The background colour of each camera's synthetic picture, 1..9: hues far
// enough apart that a screenshot tells the nine apart.
QColor cameraColour(int camera);

class PictureSource
{
public:
    virtual ~PictureSource() = default;
    // The JPEG bytes of picture number frameNumber for that key.
    virtual QByteArray picture(const PictureKey &key, quint64 frameNumber) = 0;
    // Keys that give the same pictures, so their clients share one feed.
    virtual PictureKey normalized(const PictureKey &key) const { return key; }
};

// Drawn pictures: the camera's colour, its big number, a clock, the frame
// number and a moving block.
class SyntheticPictures : public PictureSource
{
public:
    using Clock = std::function<QDateTime()>;
    explicit SyntheticPictures(Clock clock = &QDateTime::currentDateTime);
    QByteArray picture(const PictureKey &key, quint64 frameNumber) override;
    QImage draw(int camera, const QSize &size, quint64 frameNumber);

private:
    const QImage &background(int camera, const QSize &size);

    Clock m_clock;
    JpegEncoder m_encoder;
    QHash<PictureKey, QImage> m_backgrounds;
};

// The *.jpg files of a folder in name order, in a loop, bytes unchanged.
class FolderPictures : public PictureSource
{
public:
    static std::unique_ptr<FolderPictures> load(const QString &dir, QString *error);
    QByteArray picture(const PictureKey &key, quint64 frameNumber) override;
    PictureKey normalized(const PictureKey &key) const override;

private:
    QList<QByteArray> m_pictures;
};

} // namespace CamSim
