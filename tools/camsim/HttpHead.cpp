#include "HttpHead.h"

namespace CamSim {

QByteArray RequestHead::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

namespace {

// Clients may end lines with LF alone; both ends of the head are accepted.
qsizetype headEnd(const QByteArray &bytes, qsizetype *terminatorLength)
{
    const qsizetype crlf = bytes.indexOf("\r\n\r\n");
    const qsizetype lf = bytes.indexOf("\n\n");
    if (crlf >= 0 && (lf < 0 || crlf < lf)) {
        *terminatorLength = 4;
        return crlf;
    }
    *terminatorLength = 2;
    return lf;
}

// Proxies and some clients send the absolute form "http://host:port/path".
QByteArray originForm(const QByteArray &target)
{
    const qsizetype scheme = target.indexOf("://");
    if (scheme < 0 || target.startsWith('/'))
        return target;
    const qsizetype slash = target.indexOf('/', scheme + 3);
    return slash < 0 ? QByteArray("/") : target.mid(slash);
}

} // namespace

HeadParse parseRequestHead(const QByteArray &received)
{
    HeadParse result;
    qsizetype terminator = 0;
    const qsizetype end = headEnd(received, &terminator);
    if (end < 0) {
        result.status = received.size() > kMaxRequestHeadBytes ? HeadParse::TooLarge : HeadParse::Incomplete;
        return result;
    }
    if (end + terminator > kMaxRequestHeadBytes) {
        result.status = HeadParse::TooLarge;
        return result;
    }

    QList<QByteArray> lines = received.left(end).split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    const QList<QByteArray> requestLine = lines.takeFirst().split(' ');
    if (requestLine.size() != 3 || requestLine[0].isEmpty() || requestLine[1].isEmpty()
        || !requestLine[2].startsWith("HTTP/")) {
        result.status = HeadParse::Malformed;
        return result;
    }
    RequestHead &head = result.head;
    head.method = requestLine[0];
    head.target = requestLine[1];
    head.version = requestLine[2];
    const QByteArray origin = originForm(head.target);
    const qsizetype question = origin.indexOf('?');
    head.path = question < 0 ? origin : origin.left(question);
    head.query = question < 0 ? QByteArray() : origin.mid(question + 1);

    for (const QByteArray &line : std::as_const(lines)) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            result.status = HeadParse::Malformed;
            return result;
        }
        head.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    result.status = HeadParse::Complete;
    return result;
}

} // namespace CamSim
