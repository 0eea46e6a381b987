#include "PictureSource.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>

namespace CamSim {

size_t qHash(const PictureKey &key, size_t seed)
{
    return ::qHashMulti(seed, key.camera, key.size.width(), key.size.height(), key.quality);
}

QColor cameraColour(int camera)
{
    static const std::array<QColor, 9> colours = {
        QColor(200, 30, 30),   // 1 red
        QColor(235, 130, 0),   // 2 orange
        QColor(215, 205, 0),   // 3 yellow
        QColor(30, 160, 40),   // 4 green
        QColor(0, 170, 180),   // 5 teal
        QColor(30, 60, 210),   // 6 blue
        QColor(120, 40, 190),  // 7 violet
        QColor(220, 40, 170),  // 8 magenta
        QColor(110, 70, 30),   // 9 brown
    };
    return colours[size_t(std::clamp(camera, 1, 9) - 1)];
}

SyntheticPictures::SyntheticPictures(Clock clock) : m_clock(std::move(clock))
{
}

QByteArray SyntheticPictures::picture(const PictureKey &key, quint64 frameNumber)
{
    return m_encoder.encode(draw(key.camera, key.size, frameNumber), key.quality);
}

const QImage &SyntheticPictures::background(int camera, const QSize &size)
{
    const PictureKey key{camera, size, 0};
    auto found = m_backgrounds.constFind(key);
    if (found != m_backgrounds.constEnd())
        return *found;
    if (m_backgrounds.size() >= kMaxCachedBackgrounds)
        m_backgrounds.clear();

    QImage image(size, QImage::Format_RGB32);
    image.fill(cameraColour(camera));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(1, size.height() / 2));
    QPainterPath number;
    number.addText(0, 0, font, QString::number(camera));
    const QRectF bounds = number.boundingRect();
    number.translate(QPointF(size.width(), size.height()) / 2 - bounds.center());
    painter.setPen(QPen(Qt::black, std::max(1, size.height() / 80)));
    painter.setBrush(Qt::white);
    painter.drawPath(number);
    painter.end();
    return *m_backgrounds.insert(key, image);
}

QImage SyntheticPictures::draw(int camera, const QSize &size, quint64 frameNumber)
{
    QImage image = background(camera, size).copy();
    QPainter painter(&image);
    const int h = size.height();
    const int w = size.width();
    const int textHeight = std::max(6, h / 14);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(textHeight);
    painter.setFont(font);
    const int margin = std::max(1, textHeight / 4);
    const QString clock = m_clock().toString(QStringLiteral("HH:mm:ss.zzz"));
    const QString counter = QStringLiteral("#%1").arg(frameNumber);
    const QFontMetrics metrics(font);
    for (const auto &[text, y] : {std::pair{clock, 0}, std::pair{counter, h - textHeight - 2 * margin}}) {
        const QRect box(0, y, metrics.horizontalAdvance(text) + 2 * margin, textHeight + 2 * margin);
        painter.fillRect(box, Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, text);
    }

    // A block that sweeps to and fro along the right half of the top edge,
    // so a viewer sees the stream move even when the clock is hidden.
    const int block = std::max(2, h / 12);
    const int travel = std::max(1, w / 2 - block);
    const int step = int(frameNumber * std::max(1, w / 100) % quint64(2 * travel));
    const int x = w / 2 + (step < travel ? step : 2 * travel - step);
    painter.fillRect(QRect(x, margin, block, block), Qt::white);
    painter.end();
    return image;
}

std::unique_ptr<FolderPictures> FolderPictures::load(const QString &dir, QString *error)
{
    auto source = std::unique_ptr<FolderPictures>(new FolderPictures);
    const QStringList names = QDir(dir).entryList({QStringLiteral("*.jpg"), QStringLiteral("*.JPG")},
                                                  QDir::Files, QDir::Name);
    qint64 total = 0;
    for (const QString &name : names) {
        QFile file(QDir(dir).filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
            return nullptr;
        }
        total += file.size();
        if (total > kMaxFolderBytes || source->m_pictures.size() >= kMaxFolderPictures) {
            *error = QStringLiteral("%1 holds more pictures than the demo camera keeps (%2 files, %3 bytes)")
                         .arg(dir).arg(kMaxFolderPictures).arg(kMaxFolderBytes);
            return nullptr;
        }
        source->m_pictures.append(file.readAll());
    }
    if (source->m_pictures.isEmpty()) {
        *error = QStringLiteral("no *.jpg files in %1").arg(dir);
        return nullptr;
    }
    return source;
}

QByteArray FolderPictures::picture(const PictureKey &, quint64 frameNumber)
{
    // Frame numbers start at 1; the loop starts at the first file.
    const quint64 index = frameNumber == 0 ? 0 : frameNumber - 1;
    return m_pictures.at(qsizetype(index % quint64(m_pictures.size())));
}

PictureKey FolderPictures::normalized(const PictureKey &key) const
{
    return PictureKey{key.camera, QSize(), 0};
}

} // namespace CamSim
