#include "camctl/MultipartReader.h"

#include "camctl/StreamLimits.h"

#include <cstring>
#include <utility>

using namespace StreamLimits;

namespace {

bool isLineSpace(char c)
{
    return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && isLineSpace(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isLineSpace(v.back()))
        v.chop(1);
    return v;
}

QByteArrayView rightTrimmed(QByteArrayView v)
{
    while (!v.isEmpty() && isLineSpace(v.back()))
        v.chop(1);
    return v;
}

// What a header name may start with (RFC 9110 §5.6.2's token characters).
bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

// The header's boundary as the body's is compared with it: RFC 2045 §5.1
// lets a parameter value be a quoted string, and cameras write the
// delimiter's leading "--" into the parameter.
QByteArray normalisedBoundary(QByteArrayView b)
{
    b = trimmed(b);
    if (b.size() >= 2 && b.front() == '"' && b.back() == '"')
        b = b.sliced(1, b.size() - 2);
    while (!b.isEmpty() && b.front() == '-')
        b = b.sliced(1);
    return trimmed(b).toByteArray();
}

enum class Suffix { NeedMore, None, Open, Closing };

// What follows a boundary decides whether it is a delimiter: its line end,
// RFC 2046 §5.1.1's transport padding (spaces, tabs), or the "--" closing
// the body.
Suffix suffixOf(QByteArrayView rest)
{
    if (rest.isEmpty())
        return Suffix::NeedMore;
    if (isLineSpace(rest[0]))
        return Suffix::Open;
    if (rest[0] != '-')
        return Suffix::None;
    if (rest.size() < 2)
        return Suffix::NeedMore;
    return rest[1] == '-' ? Suffix::Closing : Suffix::None;
}

// Whether a line (its line end included, or at least two bytes past the
// delimiter) is a delimiter line, and which.
Suffix delimiterIn(QByteArrayView line, QByteArrayView delimiter, quint64 *steps)
{
    *steps += quint64(qMin(line.size(), delimiter.size()));
    if (!line.startsWith(delimiter))
        return Suffix::None;
    const Suffix s = suffixOf(line.sliced(delimiter.size()));
    return s == Suffix::NeedMore ? Suffix::None : s;
}

// The delimiter where it is due after a body. A bare boundary is a word
// like any other but at a line start: after a line feed, which may be the
// body's last byte.
Suffix dueDelimiter(QByteArrayView line, QByteArrayView delimiter, bool bare, bool lineStart, quint64 *steps)
{
    const Suffix s = delimiterIn(line, delimiter, steps);
    return bare && !lineStart ? Suffix::None : s;
}

// RFC 9112 §2.2 lets a lone LF end a line.
bool isBlank(QByteArrayView line)
{
    return line == "\n" || line == "\r\n";
}

qsizetype leadingDashes(QByteArrayView v)
{
    qsizetype n = 0;
    while (n < v.size() && v[n] == '-')
        ++n;
    return n;
}

// "Name: value" into its trimmed halves; false for a line without a colon.
bool splitHeaderLine(QByteArrayView line, QByteArrayView *name, QByteArrayView *value)
{
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return false;
    *name = trimmed(line.first(colon));
    *value = trimmed(line.sliced(colon + 1));
    return true;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    // RFC 9110 §5.1: field names are case-insensitive.
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A decimal Content-Length item; -1 for anything else.
qint64 lengthItem(QByteArrayView item)
{
    item = trimmed(item);
    if (item.isEmpty() || item.size() > 10)
        return -1;
    qint64 n = 0;
    for (char c : item) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

MultipartReader::MultipartReader(const QByteArray &boundary)
    : m_headerBoundary(normalisedBoundary(boundary))
{
    // Too long to be used: the body's first delimiter line decides, and a
    // body that does use it breaks the bound there.
    if (m_headerBoundary.size() > kMaxBoundaryBytes)
        m_headerBoundary.clear();
}

QByteArray MultipartReader::boundaryParameter(const QByteArray &contentType)
{
    for (const QByteArray &param : contentType.split(';')) {
        const QByteArray p = param.trimmed();
        const qsizetype eq = p.indexOf('=');
        if (eq < 0 || p.left(eq).trimmed().toLower() != "boundary")
            continue;
        return p.mid(eq + 1).trimmed();
    }
    return {};
}

QByteArray MultipartReader::headerValue(QByteArrayView headers, QByteArrayView name)
{
    while (!headers.isEmpty()) {
        const qsizetype lf = headers.indexOf('\n');
        const QByteArrayView line = lf < 0 ? headers : headers.first(lf);
        headers = lf < 0 ? QByteArrayView() : headers.sliced(lf + 1);
        QByteArrayView lineName;
        QByteArrayView value;
        if (splitHeaderLine(line, &lineName, &value) && sameName(lineName, name))
            return value.toByteArray();
    }
    return {};
}

void MultipartReader::feed(QByteArrayView bytes)
{
    if (m_state == State::Ended || m_state == State::Failed)
        return;
    // A body of declared length with nothing waiting before it: its bytes
    // go straight to the part, copied once. Its last byte is kept with what
    // follows: it tells whether a line starts after the body.
    if (m_state == State::Body && m_length >= 0 && m_pos == end()) {
        const qsizetype n = qsizetype(qMin<qint64>(bytes.size(), m_length - m_body.size() - 1));
        m_body.append(bytes.first(n));
        bytes = bytes.sliced(n);
        m_buf.truncate(0);
        m_base = m_pos = m_pos + n;
    }
    // Bytes before m_pos are never looked at again, but for the one just
    // before it, which tells whether a line starts there. Dropping them moves
    // the bytes still needed, so it waits until that is at most a few times
    // what it frees: compaction costs a small multiple of the bytes fed, and
    // the buffer stays close to what is still needed.
    const qint64 keepFrom = qMax(m_base, m_pos - 1);
    const qint64 drop = keepFrom - m_base;
    const qint64 held = end() - keepFrom;
    if (drop > 0 && (drop >= held || (drop >= 64 * 1024 && drop * 8 >= held))) {
        m_buf.remove(0, drop);
        m_base = keepFrom;
    }
    m_buf.append(bytes.data(), bytes.size());
}

MultipartReader::Result MultipartReader::next(MultipartPart *part)
{
    // Every step either answers or moves the reader on.
    for (;;) {
        std::optional<Result> r;
        switch (m_state) {
        case State::Head:
            r = readHead();
            break;
        case State::Body:
            r = readBody(part);
            break;
        case State::Ended:
            return Result::End;
        case State::Failed:
            return Result::Error;
        }
        if (r)
            return *r;
    }
}

MultipartReader::Result MultipartReader::finish(Result result, const QString &error)
{
    m_state = result == Result::End ? State::Ended : State::Failed;
    m_error = error;
    m_buf.clear();
    m_body.clear();
    m_base = m_pos = 0;
    return result;
}

MultipartReader::Result MultipartReader::tooLong(const char *what, qsizetype bound)
{
    return finish(Result::Error, QStringLiteral("%1 longer than %2 bytes").arg(QLatin1String(what)).arg(bound));
}

// The line feed at or after from and before until, each byte looked at once
// however the line arrives; -1 while there is none yet. A new line search
// sets m_lineScan.
qint64 MultipartReader::findLineEnd(qint64 from, qint64 until)
{
    const qint64 start = qMax(from, m_lineScan);
    const qint64 stop = qMin(until, end());
    if (start >= stop)
        return -1;
    const char *data = m_buf.constData();
    const void *hit = std::memchr(data + (start - m_base), '\n', size_t(stop - start));
    if (!hit) {
        m_steps += quint64(stop - start);
        m_lineScan = stop;
        return -1;
    }
    const qint64 lf = m_base + (static_cast<const char *>(hit) - data);
    m_steps += quint64(lf + 1 - start);
    m_lineScan = lf + 1;
    return lf;
}

void MultipartReader::enterHead(qint64 at)
{
    m_state = State::Head;
    m_pos = m_cursor = m_lineScan = at;
    m_delimiterAt = -1;
}

std::optional<MultipartReader::Result> MultipartReader::readHead()
{
    for (;;) {
        const qint64 lineStart = m_cursor;
        if (m_delimiterAt >= 0 && lineStart == m_headersAt && lineStart < end()) {
            // Cameras that send bare pictures put the body right after the
            // delimiter line, without RFC 2046 §5.1.1's blank line: a byte
            // that cannot begin a header line begins the body.
            const char c = at(lineStart);
            if (!isTokenChar(c) && c != '\r' && c != '\n') {
                startBody(lineStart, {});
                return std::nullopt;
            }
        }
        if (m_pattern.isEmpty() && !startsLine(lineStart)) {
            // The rest of a preamble line too long to be a delimiter.
            const qint64 lf = findLineEnd(lineStart, end());
            m_pos = m_cursor = lf < 0 ? end() : lf + 1;
            if (lf < 0)
                return Result::NeedMore;
            continue;
        }
        // Where the delimiter is due after a body, the delimiter and the two
        // bytes after it decide the line: junk is not searched for its end.
        const qint64 seen = m_lineScan;
        const qint64 decides = m_delimiterAt < 0 && !m_pattern.isEmpty() ? lineStart + delimiterText().size() + 2 : -1;
        const qint64 lf = findLineEnd(lineStart, seen < decides ? decides : end());
        if (lf < 0) {
            const std::optional<Result> r = partialLine(lineStart, seen, decides);
            if (r || m_state != State::Head)
                return r;
            continue;
        }
        m_cursor = lf + 1;
        const QByteArrayView line = view(lineStart, m_cursor);
        const std::optional<Result> r =
            m_delimiterAt < 0 ? lineBeforeDelimiter(lineStart, line) : headerLine(lineStart, line);
        if (r || m_state != State::Head)
            return r;
    }
}

std::optional<MultipartReader::Result> MultipartReader::lineBeforeDelimiter(qint64 lineStart, QByteArrayView line)
{
    if (m_pattern.isEmpty()) {
        // RFC 2046 §5.1.1's preamble, ignored up to the first delimiter line.
        m_pos = m_cursor;
        if (line.size() > kMaxDelimiterLineBytes)
            return longPreambleLine(line.first(kMaxDelimiterLineBytes));
        return firstDelimiter(lineStart, line);
    }
    if (isBlank(line)) {
        // RFC 2046 §5.1.1 puts a CRLF before the delimiter, cameras a blank
        // line more after a part of declared length; more means the length
        // was wrong.
        if (m_cursor - m_pos > kMaxGapBeforeDelimiterBytes)
            return resync();
        return std::nullopt;
    }
    switch (dueDelimiter(line, delimiterText(), bare(), startsLine(lineStart), &m_steps)) {
    case Suffix::Closing:
        return finish(Result::End);
    case Suffix::Open:
        return enterHeaders(lineStart, line.size());
    default:
        return resync();
    }
}

// The first delimiter line decides the delimiter: the header's boundary
// when this line carries it, otherwise this line's own, as FFmpeg's mpjpeg
// reader and GStreamer's multipartdemux take the body's word.
std::optional<MultipartReader::Result> MultipartReader::firstDelimiter(qint64 lineStart, QByteArrayView line)
{
    const qsizetype dashes = leadingDashes(line);
    const QByteArray &h = m_headerBoundary;
    QByteArrayView text;
    Suffix suffix = Suffix::None;
    // Cameras double the header's dashes in the body ("----b" for "--b"),
    // or drop them ("b"): the line still carries the header's boundary.
    if (!h.isEmpty() && (dashes >= 2 || dashes == 0) && line.sliced(dashes).startsWith(h)) {
        suffix = suffixOf(line.sliced(dashes + h.size()));
        if (suffix == Suffix::Open || suffix == Suffix::Closing)
            text = line.first(dashes + h.size());
    }
    const bool bareText = !text.isEmpty() && dashes == 0;
    if (text.isEmpty()) {
        if (dashes < 2)
            return std::nullopt;
        // The whole line but its padding; "--" at its end closes the body.
        text = rightTrimmed(line);
        suffix = Suffix::Open;
        if (text.size() - 2 > dashes && text.endsWith("--")) {
            text.chop(2);
            suffix = Suffix::Closing;
        }
        // A rule of dashes in the preamble: no boundary after the two dashes.
        if (text.size() == dashes)
            return std::nullopt;
    }
    if (text.size() - (bareText ? 0 : 2) > kMaxBoundaryBytes)
        return tooLong("boundary", kMaxBoundaryBytes);
    m_pattern = bareText ? '\n' + text.toByteArray() : text.toByteArray();
    const int m = int(m_pattern.size());
    m_fallback.fill(0, m + 1);
    int k = 0;
    for (int i = 1; i < m; ++i) {
        while (k > 0 && m_pattern[i] != m_pattern[k])
            k = m_fallback[k];
        if (m_pattern[i] == m_pattern[k])
            ++k;
        m_fallback[i + 1] = k;
    }
    if (suffix == Suffix::Closing)
        return finish(Result::End);
    return enterHeaders(lineStart, line.size());
}

// A preamble line longer than a delimiter line may be: let go without being
// kept, unless it starts like one.
std::optional<MultipartReader::Result> MultipartReader::longPreambleLine(QByteArrayView head)
{
    const qsizetype dashes = leadingDashes(head);
    const QByteArray &h = m_headerBoundary;
    const bool delimiterLike = (dashes >= 2 && dashes < head.size())
                               || (dashes == 0 && !h.isEmpty() && head.startsWith(h)
                                   && suffixOf(head.sliced(h.size())) != Suffix::None);
    if (delimiterLike)
        return tooLong("delimiter line", kMaxDelimiterLineBytes);
    return std::nullopt;
}

std::optional<MultipartReader::Result> MultipartReader::enterHeaders(qint64 lineStart, qsizetype lineSize)
{
    if (lineSize > kMaxDelimiterLineBytes)
        return tooLong("delimiter line", kMaxDelimiterLineBytes);
    m_delimiterAt = lineStart;
    m_headersAt = m_pos = m_cursor;
    return std::nullopt;
}

std::optional<MultipartReader::Result> MultipartReader::headerLine(qint64 lineStart, QByteArrayView line)
{
    if (m_cursor - m_delimiterAt > kMaxPartHeaderBytes)
        return tooLong("part headers", kMaxPartHeaderBytes);
    if (isBlank(line)) {
        if (lineStart > m_headersAt) {
            startBody(m_cursor, view(m_headersAt, lineStart));
        } else {
            // Cameras that add a blank line after the delimiter: the
            // headers (or a headerless body) follow it.
            m_headersAt = m_pos = m_cursor;
        }
        return std::nullopt;
    }
    const Suffix s = delimiterIn(line, delimiterText(), &m_steps);
    if (s == Suffix::None)
        return std::nullopt;  // a header line, read with the block
    // A delimiter where a header or the blank line was due: a camera sent a
    // part without a body, and the next part is not taken for its headers.
    ++m_resyncs;
    if (s == Suffix::Closing)
        return finish(Result::End);
    return enterHeaders(lineStart, line.size());
}

// A line whose end has not come yet: bounds, and, where the delimiter is
// due after a body, the decision its first bytes allow, taken once, when
// they have come (before the line's end is looked for).
std::optional<MultipartReader::Result> MultipartReader::partialLine(qint64 lineStart, qint64 seen, qint64 decides)
{
    if (m_delimiterAt >= 0) {
        if (end() - m_delimiterAt >= kMaxPartHeaderBytes)
            return tooLong("part headers", kMaxPartHeaderBytes);
        return Result::NeedMore;
    }
    if (decides >= 0) {
        if (seen < decides && end() >= decides) {
            switch (dueDelimiter(view(lineStart, decides), delimiterText(), bare(), startsLine(lineStart), &m_steps)) {
            case Suffix::Closing:
                return finish(Result::End);  // the last delimiter needs no line end
            case Suffix::None:
                return resync();
            default:
                return std::nullopt;  // a delimiter line: on to its end
            }
        }
        if (end() - lineStart >= kMaxDelimiterLineBytes)
            return tooLong("delimiter line", kMaxDelimiterLineBytes);
        return Result::NeedMore;
    }
    if (end() - lineStart < kMaxDelimiterLineBytes)
        return Result::NeedMore;
    m_pos = m_cursor = end();
    return longPreambleLine(view(lineStart, lineStart + kMaxDelimiterLineBytes));
}

// Something else where the delimiter was due after a part of declared
// length: the length was wrong. What follows, up to the next delimiter, is
// let go, never taken for a part.
std::optional<MultipartReader::Result> MultipartReader::resync()
{
    ++m_resyncs;
    m_state = State::Body;
    m_length = -1;
    m_bodyStart = -1;
    startSearch(m_pos, false);
    return std::nullopt;
}

void MultipartReader::startBody(qint64 at, QByteArrayView headers)
{
    // Copied now: the head is let go while the body arrives.
    m_partHeaders = headers.toByteArray();
    readHeaderBlock(headers);
    m_state = State::Body;
    m_pos = at;
    if (m_length >= 0) {
        m_body.reserve(m_length);
        return;
    }
    m_bodyStart = at;
    startSearch(at, true);
}

void MultipartReader::readHeaderBlock(QByteArrayView headers)
{
    m_partType.clear();
    m_length = -1;
    bool usable = true;
    while (!headers.isEmpty()) {
        const qsizetype lf = headers.indexOf('\n');
        const QByteArrayView line = lf < 0 ? headers : headers.first(lf);
        headers = lf < 0 ? QByteArrayView() : headers.sliced(lf + 1);
        QByteArrayView name;
        QByteArrayView value;
        // A line without a colon is passed over, as GStreamer's reader does:
        // the part's type, length and body are still sound.
        if (!splitHeaderLine(line, &name, &value))
            continue;
        if (sameName(name, "content-type")) {
            m_partType = value.toByteArray().toLower();  // RFC 2045 §5.1: any case
        } else if (sameName(name, "content-length")) {
            // RFC 9110 §8.6 takes one value repeated ("1234, 1234", or the
            // field twice) for that value; differing values are trusted
            // neither.
            for (QByteArrayView item : value.toByteArray().split(',')) {
                const qint64 n = lengthItem(item);
                usable = usable && n >= 0 && (m_length < 0 || n == m_length);
                m_length = n;
            }
        }
    }
    // Otherwise the body ends at the next delimiter, and one longer than a
    // frame is dropped there.
    if (!usable || m_length > kMaxFrameBytes)
        m_length = -1;
}

void MultipartReader::deliver(MultipartPart *part, QByteArray body)
{
    if (part) {
        part->contentType = m_partType;
        part->body = std::move(body);
        part->headers = std::move(m_partHeaders);
    }
    m_partHeaders.clear();
}

std::optional<MultipartReader::Result> MultipartReader::readBody(MultipartPart *part)
{
    if (m_length >= 0) {
        const qint64 n = qMin(end() - m_pos, m_length - m_body.size());
        m_body.append(view(m_pos, m_pos + n));
        m_pos += n;
        if (m_body.size() < m_length)
            return Result::NeedMore;
        // Goes on now: cameras send the next delimiter only with the next
        // picture, a frame interval later. The delimiter is checked when it
        // comes.
        deliver(part, std::exchange(m_body, {}));
        enterHead(m_pos);
        return Result::Part;
    }
    const bool found = searchDelimiter();
    if (m_bodyStart < 0)
        m_pos = m_scan - m_matched;  // what may be a delimiter's start is kept
    if (!found) {
        // Any delimiter still to come leaves more than a frame before it:
        // drop the part now and keep nothing more of it.
        if (m_bodyStart >= 0 && m_scan - m_matched - 2 - m_bodyStart > kMaxFrameBytes) {
            ++m_droppedParts;
            m_bodyStart = -1;
            m_pos = m_scan - m_matched;
        }
        return Result::NeedMore;
    }
    const qint64 delimiterStart = m_scan - delimiterText().size();
    const qint64 bodyStart = std::exchange(m_bodyStart, -1);
    enterHead(delimiterStart);
    if (bodyStart < 0)
        return std::nullopt;
    // RFC 2046 §5.1.1 has the line end before the delimiter belong to it (a
    // bare boundary's line feed is in the pattern); cameras that write the
    // delimiter straight after the picture leave none.
    qint64 bodyEnd = m_scan - m_pattern.size();
    if (bodyEnd < bodyStart) {
        bodyEnd = bodyStart;  // a bare boundary right at the start
    } else {
        bool lineEnd = bare();
        if (!lineEnd && bodyEnd > bodyStart && at(bodyEnd - 1) == '\n') {
            --bodyEnd;
            lineEnd = true;
        }
        if (lineEnd && bodyEnd > bodyStart && at(bodyEnd - 1) == '\r')
            --bodyEnd;
    }
    if (bodyEnd - bodyStart > kMaxFrameBytes) {
        ++m_droppedParts;
        return std::nullopt;
    }
    deliver(part, view(bodyStart, bodyEnd).toByteArray());
    return Result::Part;
}

void MultipartReader::startSearch(qint64 at, bool atLineStart)
{
    m_scan = at;
    m_matched = atLineStart && bare() ? 1 : 0;
}

// Knuth-Morris-Pratt over the bytes from m_scan, its state carried across
// reads: each byte is taken once and each fallback undoes an earlier step,
// so the work is linear whatever the boundary. True with m_scan just past a
// delimiter (what follows it is there); false with m_scan at the end of
// what is there.
bool MultipartReader::searchDelimiter()
{
    const qsizetype m = m_pattern.size();
    const char *pattern = m_pattern.constData();
    const int *fallback = m_fallback.constData();
    const char *data = m_buf.constData();
    const qint64 stop = end();
    qint64 p = m_scan;
    int k = m_matched;
    bool found = false;
    for (;;) {
        if (k == m) {
            const Suffix s = suffixOf(view(p, stop));
            if (s == Suffix::NeedMore)
                break;
            if (s != Suffix::None) {
                found = true;
                break;
            }
            k = fallback[m];
            ++m_steps;
        }
        if (k == 0) {
            // Nothing matched yet: on to the next byte that can start it.
            const void *hit = std::memchr(data + (p - m_base), pattern[0], size_t(stop - p));
            const qint64 q = hit ? m_base + (static_cast<const char *>(hit) - data) : stop;
            m_steps += quint64(q - p);
            p = q;
        }
        if (p >= stop)
            break;
        const char c = data[p - m_base];
        while (k > 0 && pattern[k] != c) {
            k = fallback[k];
            ++m_steps;
        }
        if (pattern[k] == c)
            ++k;
        ++p;
        ++m_steps;
    }
    m_scan = p;
    m_matched = found ? 0 : k;
    return found;
}
