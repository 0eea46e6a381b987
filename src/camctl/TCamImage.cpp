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
    watchWindow();
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

// Only a top-level window is told it was minimised: the control follows
// the one it is in now.
void TCamImage::watchWindow()
{
    QWidget *top = window();
    if (top != m_window) {
        if (m_window && m_window != this)
            m_window->removeEventFilter(this);
        m_window = top;
        if (top != this)
            top->installEventFilter(this);
    }
    m_engine->setWanted(!top->isMinimized());
}

bool TCamImage::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::WindowStateChange)
        watchWindow();
    return QWidget::event(event);
}

bool TCamImage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::WindowStateChange)
        watchWindow();
    return QWidget::eventFilter(watched, event);
}

void TCamImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_image.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // The decoder scales by eighths, so a picture decoded for this size may
    // come a pixel or two larger (176x144 for a 174x142 cell). Shrinking it
    // to fit would drop as many rows and columns anyway, spread over the
    // picture; dropping them at the edges is a plain copy instead of Qt's
    // scaled blit, which was the UI thread's largest cost per picture.
    const QSize drawn = drawnSize();
    const int extraX = m_image.width() - drawn.width();
    const int extraY = m_image.height() - drawn.height();
    if (extraX >= 0 && extraY >= 0 && extraX <= kMaxCroppedPixels && extraY <= kMaxCroppedPixels)
        painter.drawImage(QRectF(rect()), m_image, QRectF(QPointF(extraX / 2, extraY / 2), QSizeF(drawn)));
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
