#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>

#include <memory>

class JpegDecoder;

// Decodes one camera's pictures off the calling thread, newest first: while
// a decode runs, a newer frame replaces the one waiting, so at most one
// frame ever waits behind a slow decoder or a busy receiver. Each busy
// queue holds its own pool thread, so one camera's slow picture never
// delays another camera's.
class DecodeQueue : public QObject
{
    Q_OBJECT

public:
    struct Shared;

    // Submits from any thread (the camera client's worker) for as long as
    // it is held; frames submitted once the queue is gone are dropped.
    class Inlet
    {
    public:
        void submit(const QByteArray &jpeg, QSize target, quint64 tag, const QByteArray &headers = {}) const;

    private:
        friend class DecodeQueue;
        std::shared_ptr<Shared> m_shared;
    };

    explicit DecodeQueue(std::shared_ptr<JpegDecoder> decoder, QObject *parent = nullptr);
    ~DecodeQueue() override;

    Inlet inlet() const;

    // tag (the stream's generation) and headers (those the picture came
    // with) come back with the result untouched.
    void submit(const QByteArray &jpeg, QSize target, quint64 tag, const QByteArray &headers = {});

    // Forgets the frame waiting, if any (its stream has ended).
    void clearWaiting();

    // Frames waiting for the decoder (0 or 1), and frames replaced unseen.
    int waitingCount() const;
    quint64 replacedCount() const;

Q_SIGNALS:
    // Delivered on this object's thread.
    void decoded(const QImage &image, const QByteArray &jpeg, quint64 tag, const QByteArray &headers);
    void failed(const QString &error, quint64 tag);

private:
    std::shared_ptr<Shared> m_shared;
};
