#include "e2e/CamSim.h"

#include "e2e/E2eHarness.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace E2e {

CamSim::CamSim(const QStringList &extraArgs)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.start(QStringLiteral(OCELLANE_CAMSIM), QStringList{QStringLiteral("--port"), QStringLiteral("0")} + extraArgs);
    if (!m_process.waitForStarted(10000))
        return;
    QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    m_port = quint16(m_process.readLine().trimmed().toUInt());
}

CamSim::~CamSim()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString CamSim::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QByteArray CamSim::config() const
{
    return run(QStringLiteral(OCELLANE_CAMSIM), {QStringLiteral("--write-config"), baseUrl()});
}

QJsonObject CamSim::stats() const
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(baseUrl() + QStringLiteral("/stats")));
    request.setTransferTimeout(5000);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(6000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    return QJsonDocument::fromJson(reply->readAll()).object();
}

} // namespace E2e
