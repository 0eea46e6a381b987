#pragma once

#include "camctl/HttpClient.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class Handoff;

// Fetches one still picture with an HTTP GET and writes it to a file, without
// blocking the caller: the answer comes with finished(). The file is written
// only once the whole body is there and is a JPEG picture, so a failed fetch
// leaves no file, whole or half. Credentials in the address (user:password@)
// answer Basic and Digest challenges; they never appear in a message. The
// fetch is the camera client's, on a thread of its own, like the streams'.
class SnapshotFetcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultTimeoutMs = 15000;

    explicit SnapshotFetcher(QObject *parent = nullptr);
    ~SnapshotFetcher() override;

    // The whole fetch, connection to last byte, must end within this time.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int timeout() const { return m_timeoutMs; }

    bool isBusy() const { return m_busy; }

    // Starts a fetch; ignored (false) while another one runs.
    bool fetch(const QString &address, const QString &fileName);

    // True when bytes hold a whole JPEG picture: start marker, a header that
    // can be read and the end marker.
    static bool isJpeg(const QByteArray &bytes);

Q_SIGNALS:
    // error is one plain sentence, empty when the file was written.
    void finished(const QString &error);

private:
    void transferEnded(const HttpOutcome &outcome, const QByteArray &body, const QString &stopped);
    QString failureText(const HttpOutcome &outcome) const;
    QString saveBody(const QByteArray &body);
    void end(const QString &error);

    std::shared_ptr<Handoff> m_handoff;
    std::unique_ptr<CameraAttempt> m_transfer;
    QUrl m_url;
    QString m_fileName;
    int m_timeoutMs = kDefaultTimeoutMs;
    bool m_busy = false;
};
