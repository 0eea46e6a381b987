#pragma once

#include "CamSimAuth.h"
#include "CamSimStats.h"
#include "FaultPlan.h"
#include "FrameFeed.h"
#include "HttpHead.h"
#include "PictureParams.h"
#include "PictureResponder.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

class QTcpSocket;

namespace CamSim {

// A client that connects and never finishes its request is let go.
constexpr int kRequestTimeoutMs = 30 * 1000;

struct ServerSettings
{
    double fps = 25;
    AuthMode auth = AuthMode::None;
    FaultPlan streamFault;  // for stream requests that name no fault
    bool log = false;
    int requestTimeoutMs = kRequestTimeoutMs;
};

// What every connection of one server shares.
struct ServerContext
{
    const ServerSettings &settings;
    const Authenticator &authenticator;
    FeedHub &hub;
    CamSimStats &stats;
};

// One client connection: reads the request, checks credentials, and
// answers it; deletes itself once the socket is closed.
class Connection : public QObject
{
    Q_OBJECT

public:
    Connection(QTcpSocket *socket, const ServerContext &context, QObject *parent);
    ~Connection() override;

private:
    void onReadyRead();
    void onStateChanged();
    void handle(const RequestHead &head);
    void answerPicture(const RequestHead &head, const PictureParams &params, PictureResponder::Kind kind,
                       const FaultPlan &fault);
    void answerPlain(int status, const QByteArray &contentType, const QByteArray &body,
                     const QByteArray &extraHeaders = {});
    void log(const QString &text) const;

    QTcpSocket *m_socket;
    ServerContext m_context;
    Outlet *m_outlet;
    QTimer m_requestTimer;
    QByteArray m_received;
    bool m_headDone = false;
    bool m_finished = false;
    std::optional<int> m_countedCamera;
    std::unique_ptr<PictureResponder> m_responder;
};

} // namespace CamSim
