#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QWidget>

class StreamEngine;

// The camera picture control: fetches the camera stream of its URL and
// draws the newest picture stretched over its client area, black while it
// has none. It keeps streaming and raising OnNewImage while hidden: the
// windows hide it on a new address and show it again on its first picture.
// While its window is minimised it keeps the connection but decodes
// nothing, so it costs next to nothing and shows again at once.
class TCamImage : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)

public:
    explicit TCamImage(QWidget *parent = nullptr);
    ~TCamImage() override;

    QString URL() const;
    // Stops the current stream and connects to the new address. " " (one
    // space), an empty or an all-blank address stops and connects nowhere.
    void setURL(const QString &url);

    // Writes the JPEG bytes of the picture now shown, as the camera sent
    // them, or the picture encoded when the camera sent no JPEG. False when
    // no picture is shown or the write fails.
    bool SaveImage(const QString &fileName);

Q_SIGNALS:
    // A picture has arrived and is drawn (UI thread, once per picture).
    void OnNewImage();
    // Left click, in client pixels.
    void OnClick(int x, int y);

public:
    // The stream behind the control: counters and timings for tools and tests.
    StreamEngine *engine() const { return m_engine; }

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    static constexpr int kSavedPictureQuality = 90;
    // A picture at most this much larger than the control, in device
    // pixels each way, is drawn with its edges cut instead of shrunk.
    static constexpr int kMaxCroppedPixels = 2;
    void showFrame(const QImage &image, const QByteArray &jpeg);
    QSize drawnSize() const;
    void watchWindow();

    QString m_url;
    StreamEngine *m_engine = nullptr;  // child
    QImage m_image;
    QByteArray m_jpeg;  // the bytes m_image was decoded from
    bool m_leftPressed = false;
    QPointer<QWidget> m_window;  // the top-level window whose state is watched
};
