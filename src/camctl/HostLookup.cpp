#include "camctl/HostLookup.h"

#include <QUrl>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

#include <netdb.h>
#include <signal.h>
#include <arpa/inet.h>
#include <sys/socket.h>

namespace {

bool isNumeric(const QString &host)
{
    const QByteArray text = host.toLatin1();
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(AF_INET, text.constData(), address) == 1 || inet_pton(AF_INET6, text.constData(), address) == 1;
}

QString numericHost(const addrinfo *info)
{
    char text[NI_MAXHOST] = {};
    if (!info || getnameinfo(info->ai_addr, info->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0)
        return {};
    return QString::fromLatin1(text);
}

#ifdef __GLIBC__

// One lookup, shared by the waiting camera thread and the C library's
// completion call; whichever lets go last frees it.
struct Lookup
{
    QByteArray name;
    addrinfo hints{};
    gaicb request{};
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;

    ~Lookup()
    {
        if (request.ar_result)
            freeaddrinfo(request.ar_result);
    }
};

void lookupDone(sigval value)
{
    // The reference the request held, handed over at its start.
    std::unique_ptr<std::shared_ptr<Lookup>> held(static_cast<std::shared_ptr<Lookup> *>(value.sival_ptr));
    Lookup &lookup = **held;
    std::lock_guard lock(lookup.mutex);
    lookup.done = true;
    lookup.changed.notify_all();
}

QString resolve(const QByteArray &name, Cancellation &cancellation, QString *error)
{
    auto lookup = std::make_shared<Lookup>();
    lookup->name = name;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->request.ar_name = lookup->name.constData();
    lookup->request.ar_request = &lookup->hints;
    sigevent notify{};
    notify.sigev_notify = SIGEV_THREAD;
    notify.sigev_notify_function = lookupDone;
    auto *held = new std::shared_ptr<Lookup>(lookup);
    notify.sigev_value.sival_ptr = held;
    gaicb *list[] = {&lookup->request};
    if (const int rc = getaddrinfo_a(GAI_NOWAIT, list, 1, &notify); rc != 0) {
        delete held;
        *error = QStringLiteral("host not found: ") + QString::fromLocal8Bit(gai_strerror(rc));
        return {};
    }
    cancellation.setWaker([lookup] {
        std::lock_guard lock(lookup->mutex);
        lookup->changed.notify_all();
    });
    {
        std::unique_lock lock(lookup->mutex);
        lookup->changed.wait(lock, [&] { return lookup->done || cancellation.isCancelled(); });
    }
    cancellation.setWaker({});
    if (cancellation.isCancelled()) {
        // The request goes on without us and frees itself when it ends.
        gai_cancel(&lookup->request);
        *error = QStringLiteral("cancelled");
        return {};
    }
    if (const int rc = gai_error(&lookup->request); rc != 0) {
        *error = QStringLiteral("host not found: ") + QString::fromLocal8Bit(gai_strerror(rc));
        return {};
    }
    return numericHost(lookup->request.ar_result);
}

#else

// Without getaddrinfo_a the system's lookup is all there is: a cancel
// waits for the resolver's own time-out on this camera's thread.
QString resolve(const QByteArray &name, Cancellation &, QString *error)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *result = nullptr;
    if (const int rc = getaddrinfo(name.constData(), nullptr, &hints, &result); rc != 0) {
        *error = QStringLiteral("host not found: ") + QString::fromLocal8Bit(gai_strerror(rc));
        return {};
    }
    const QString address = numericHost(result);
    freeaddrinfo(result);
    return address;
}

#endif

} // namespace

namespace HostLookup {

QString numericAddress(const QString &host, Cancellation &cancellation, QString *error)
{
    if (isNumeric(host))
        return host;
    const QString address = resolve(QUrl::toAce(host), cancellation, error);
    if (address.isEmpty() && error->isEmpty())
        *error = QStringLiteral("host not found");
    return address;
}

} // namespace HostLookup
