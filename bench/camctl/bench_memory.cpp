// One picture control's memory over a long stream:
//   ocellane-bench-memory PHOTO_DIR [FRAMES]
// An in-process camera sends FRAMES pictures (default 10000) as fast as the
// control takes them; resident memory is printed every tenth of the way.

#include "BenchFrames.h"
#include "camctl/StreamEngine.h"
#include "camctl/TCamImage.h"

#include <QApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

namespace {

// Bytes queued on the camera's socket before it waits for the control.
constexpr qint64 kSendAhead = 512 * 1024;

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    int exitCode = 0;
    const QList<QByteArray> frames = framesFromArguments(args, "ocellane-bench-memory PHOTO_DIR [FRAMES]", &exitCode);
    if (frames.isEmpty())
        return exitCode;
    const int wanted = args.size() > 2 ? args.at(2).toInt() : 10000;

    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    int sent = 0;
    QObject::connect(&server, &QTcpServer::newConnection, &app, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        socket->setParent(&server);
        auto pump = [socket, &frames, &sent] {
            while (socket->bytesToWrite() < kSendAhead) {
                const QByteArray &f = frames.at(sent++ % frames.size());
                socket->write("--myboundary\r\nContent-Type: image/jpeg\r\nContent-Length: "
                              + QByteArray::number(f.size()) + "\r\n\r\n" + f + "\r\n");
            }
        };
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, pump] {
            socket->readAll();
            socket->write("HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=myboundary\r\n\r\n");
            pump();
        });
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
    });

    TCamImage control;
    control.resize(704, 576);
    control.show();
    int shown = 0;
    const long startKiB = residentKiB();
    std::printf("frames shown   resident KiB\n");
    QObject::connect(&control, &TCamImage::OnNewImage, &app, [&] {
        ++shown;
        if (shown % (wanted / 10) == 0)
            std::printf("%12d   %12ld\n", shown, residentKiB());
        if (shown >= wanted) {
            std::printf("sent %d parts, drew %d (newest wins), reconnects %llu, start %ld KiB, end %ld KiB\n", sent,
                        shown, static_cast<unsigned long long>(control.engine()->stats().reconnects), startKiB,
                        residentKiB());
            app.quit();
        }
    });
    control.setURL(QStringLiteral("http://127.0.0.1:%1/axis-cgi/mjpg/video.cgi").arg(server.serverPort()));
    return app.exec();
}
