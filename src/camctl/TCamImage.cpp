#include "camctl/TCamImage.h"

#include "camctl/JpegEncoder.h"
#include "camctl/StreamEngine.h"
#include "base/ErrorGuard.h"
#include "base/SafeFile.h"

#include <QMouseEvent>
#include <QPainter>

TCamImage::TCamImage(QWidget *parent)
    : QWidget(parent)
    , m_engine(new StreamEngine(this))
{
    // Every pixel is painted each time (picture or black).
    setAttribute(Qt::WA_OpaquePaintEvent);
    connectGuarded(m_engine, &StreamEngine::frameReady, this, &TCamImage::showFrame);
}

TCamImage::~TCamImage() = default;

QString TCamImage::URL() const
{
    return m_url;
}

void TCamImage::setURL(const QString &url)
{
    m_url = url;
    // No picture of the old address may show under the new one.
    m_image = QImage();
    m_jpeg.clear();
    update();
    m_engine->setTargetSize(drawnSize());
    m_engine->setUrl(url);
}

bool TCamImage::SaveImage(const QString &fileName)
{
    // A camera that sends no JPEG (RTSP video) has its shown picture
    // encoded; one that does has its own bytes written untouched.
    const QByteArray bytes =
        m_jpeg.isEmpty() && !m_image.isNull() ? JpegEncoder().encode(m_image, kSavedPictureQuality) : m_jpeg;
    if (bytes.isEmpty())
        return false;
    return SafeFile::write(fileName, bytes).isEmpty();
}

// In device pixels: on a high-density screen the picture covers more.
QSize TCamImage::drawnSize() const
{
    return size() * devicePixelRatioF();
}

void TCamImage::showFrame(const QImage &image, const QByteArray &jpeg)
{
    m_image = image;
    m_jpeg = jpeg;
    update();
    Q_EMIT OnNewImage();
}

void TCamImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_image.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), m_image);
}

void TCamImage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_engine->setTargetSize(drawnSize());
}

void TCamImage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    QWidget::mousePressEvent(event);
}

// A click is a left press and release on the control.
void TCamImage::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = event->button() == Qt::LeftButton && m_leftPressed && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_leftPressed = false;
    if (click) {
        const QPoint p = event->position().toPoint();
        Q_EMIT OnClick(p.x(), p.y());
    }
    QWidget::mouseReleaseEvent(event);
}
