#include "camctl/MultipartReader.h"

#include "camctl/StreamLimits.h"

#include <cstring>

using namespace StreamLimits;

namespace {

// Line ends tolerated between a part of declared length and the next
// delimiter: RFC 2046 puts one there, some cameras a blank line more.
constexpr int kMaxGapBeforeDelimiter = 4;

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

// What a header name may start with (RFC 7230's token characters).
bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

// Cameras write the header's boundary with or without the leading "--" and
// sometimes quoted: compare without dashes or quotes.
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

// What follows a boundary decides whether it is a delimiter: a line space
// (its line end, or the padding some cameras add), or "--" closing the body.
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

qsizetype leadingDashes(QByteArrayView v)
{
    qsizetype n = 0;
    while (n < v.size() && v[n] == '-')
        ++n;
    return n;
}

// A number, or the same number repeated ("1234, 1234"); anything else, or
// more than a frame may hold, means: find the end at the next delimiter.
qint64 parseContentLength(QByteArrayView value)
{
    qint64 result = -1;
    for (QByteArrayView item : value.toByteArray().split(',')) {
        item = trimmed(item);
        if (item.isEmpty() || item.size() > 10)
            return -1;
        qint64 n = 0;
        for (char c : item) {
            if (c < '0' || c > '9')
                return -1;
            n = n * 10 + (c - '0');
        }
        if (result >= 0 && n != result)
            return -1;
        result = n;
    }
    return result <= kMaxFrameBytes ? result : -1;
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
    return a.compare(b, Qt::CaseInsensitive) == 0;
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
    // Bytes before m_pos are never looked at again. Dropping them moves the
    // bytes still needed, so it waits until that is at most a few times what
    // it frees: compaction costs a small multiple of the bytes fed, and the
    // buffer stays close to what is still needed.
    const qint64 drop = m_pos - m_base;
    const qint64 held = end() - m_pos;
    if (drop > 0 && (drop >= held || (drop >= 64 * 1024 && drop * 8 >= held))) {
        m_buf.remove(0, drop);
        m_base = m_pos;
    }
    m_buf.append(bytes.data(), bytes.size());
}

MultipartReader::Result MultipartReader::next(MultipartPart *part)
{
    // Every step either answers or moves the reader on.
    for (;;) {
        std::optional<Result> r;
        switch (m_state) {
        case State::Preamble:
            r = stepPreamble();
            break;
        case State::DelimiterLine:
            r = stepDelimiterLine();
            break;
        case State::Headers:
            r = stepHeaders();
            break;
        case State::LengthBody:
            r = stepLengthBody(part);
            break;
        case State::AfterLength:
            r = stepAfterLength();
            break;
        case State::Body:
            r = stepBody(part);
            break;
        case State::Skipping:
            r = stepSkipping();
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

MultipartReader::Result MultipartReader::fail(const QString &error)
{
    m_error = error;
    m_state = State::Failed;
    m_buf.clear();
    m_base = m_pos = 0;
    return Result::Error;
}

// The line feed at or after from, each byte looked at once however the line
// arrives; -1 while there is none yet. A new line search sets m_lineScan.
qint64 MultipartReader::findLineEnd(qint64 from)
{
    const qint64 start = qMax(from, m_lineScan);
    const char *data = m_buf.constData();
    const void *hit = std::memchr(data + (start - m_base), '\n', size_t(end() - start));
    if (!hit) {
        m_steps += quint64(end() - start);
        m_lineScan = end();
        return -1;
    }
    const qint64 lf = m_base + (static_cast<const char *>(hit) - data);
    m_steps += quint64(lf + 1 - start);
    m_lineScan = lf + 1;
    return lf;
}

std::optional<MultipartReader::Result> MultipartReader::stepPreamble()
{
    const qint64 lf = findLineEnd(m_pos);
    if (m_skipLine) {
        if (lf < 0) {
            m_pos = end();
            return Result::NeedMore;
        }
        m_pos = lf + 1;
        m_skipLine = false;
        return std::nullopt;
    }
    if (lf >= 0 && lf + 1 - m_pos <= kMaxDelimiterLine)
        return takeFirstDelimiter(m_pos, lf);
    if (lf < 0 && end() - m_pos < kMaxDelimiterLine)
        return Result::NeedMore;
    // Too long for a delimiter line: preamble, skipped without keeping it,
    // unless it starts like a delimiter.
    const QByteArrayView head = view(m_pos, m_pos + kMaxDelimiterLine);
    const qsizetype dashes = leadingDashes(head);
    const QByteArray &h = m_headerBoundary;
    const bool delimiterLike = (dashes >= 2 && dashes < head.size())
                               || (dashes == 0 && !h.isEmpty() && head.startsWith(h)
                                   && suffixOf(head.sliced(h.size())) != Suffix::None);
    if (delimiterLike)
        return fail(QStringLiteral("delimiter line longer than %1 bytes").arg(kMaxDelimiterLine));
    if (lf < 0) {
        m_skipLine = true;
        m_pos = end();
        return Result::NeedMore;
    }
    m_pos = lf + 1;
    return std::nullopt;
}

// The first delimiter line decides the delimiter: the header's boundary
// when this line carries it, otherwise this line's own, as ffmpeg's mpjpeg
// reader and GStreamer's multipartdemux take the body's word.
std::optional<MultipartReader::Result> MultipartReader::takeFirstDelimiter(qint64 lineStart, qint64 lf)
{
    const QByteArrayView line = view(lineStart, lf + 1);
    m_pos = lf + 1;
    const qsizetype dashes = leadingDashes(line);
    const QByteArray &h = m_headerBoundary;
    QByteArrayView text;
    bool bare = false;
    bool closing = false;
    // After two dashes or more (cameras double the header's dashes), or bare
    // (cameras that drop them).
    if (!h.isEmpty() && (dashes >= 2 || dashes == 0) && line.sliced(dashes).startsWith(h)) {
        const Suffix s = suffixOf(line.sliced(dashes + h.size()));
        if (s == Suffix::Open || s == Suffix::Closing) {
            text = line.first(dashes + h.size());
            bare = dashes == 0;
            closing = s == Suffix::Closing;
        }
    }
    if (text.isEmpty()) {
        if (dashes < 2)
            return std::nullopt;  // preamble
        // The whole line but its padding; "--" at its end closes the body.
        text = rightTrimmed(line);
        if (text.size() - 2 > dashes && text.endsWith("--")) {
            text.chop(2);
            closing = true;
        }
        if (text.size() == dashes)
            return std::nullopt;  // a line of dashes: decoration, not a boundary
    }
    if (text.size() - (bare ? 0 : 2) > kMaxBoundaryBytes)
        return fail(QStringLiteral("boundary longer than %1 bytes").arg(kMaxBoundaryBytes));
    useDelimiter(text, bare);
    enterDelimiterLine(lineStart, lineStart + text.size(), closing);
    return std::nullopt;
}

void MultipartReader::useDelimiter(QByteArrayView text, bool bare)
{
    m_bare = bare;
    // A bare boundary is a delimiter only at a line start: its line feed
    // is part of what is searched for.
    m_pattern = bare ? QByteArray("\n") + text.toByteArray() : text.toByteArray();
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
}

QByteArrayView MultipartReader::delimiterText() const
{
    return m_bare ? QByteArrayView(m_pattern).sliced(1) : QByteArrayView(m_pattern);
}

void MultipartReader::enterDelimiterLine(qint64 delimiterStart, qint64 afterDelimiter, bool closing)
{
    m_delimiterStart = delimiterStart;
    m_closing = closing;
    m_pos = m_lineScan = afterDelimiter;
    m_state = State::DelimiterLine;
}

std::optional<MultipartReader::Result> MultipartReader::stepDelimiterLine()
{
    if (m_closing) {
        m_state = State::Ended;
        m_buf.clear();
        m_base = m_pos = 0;
        return Result::End;
    }
    // Whatever follows the boundary on its line (padding) is ignored.
    const qint64 lf = findLineEnd(m_pos);
    if (lf < 0 ? end() - m_delimiterStart >= kMaxDelimiterLine : lf + 1 - m_delimiterStart > kMaxDelimiterLine)
        return fail(QStringLiteral("delimiter line longer than %1 bytes").arg(kMaxDelimiterLine));
    if (lf < 0)
        return Result::NeedMore;
    startHeaders(lf + 1);
    return std::nullopt;
}

void MultipartReader::startHeaders(qint64 at)
{
    m_state = State::Headers;
    m_pos = m_cursor = m_lineScan = at;
    m_sawHeader = false;
    m_lengthState = Length::None;
    m_contentLength = -1;
    m_partType.clear();
    m_partHeaders.clear();
}

std::optional<MultipartReader::Result> MultipartReader::stepHeaders()
{
    if (m_cursor >= end())
        return Result::NeedMore;
    const char first = at(m_cursor);
    if (!m_sawHeader && !isTokenChar(first) && first != '\r' && first != '\n') {
        // Cannot begin a header line: a part without headers, its body
        // right after the delimiter (as some cameras send pictures).
        startBody(m_cursor);
        return std::nullopt;
    }
    const qint64 lf = findLineEnd(m_cursor);
    if (lf < 0 ? end() - m_delimiterStart >= kMaxPartHeaderBytes : lf + 1 - m_delimiterStart > kMaxPartHeaderBytes)
        return fail(QStringLiteral("part headers longer than %1 bytes").arg(kMaxPartHeaderBytes));
    if (lf < 0)
        return Result::NeedMore;
    const qint64 lineStart = m_cursor;
    m_cursor = lf + 1;
    QByteArrayView line = view(lineStart, lf);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty()) {
        if (m_sawHeader) {
            // Copied now: the bytes before the body are let go while it arrives.
            m_partHeaders = view(m_pos, lineStart).toByteArray();
            startBody(m_cursor);
        } else {
            // A blank line before any header: some cameras add one after the
            // delimiter; the headers (or a headerless body) follow.
            m_pos = m_cursor;
        }
        return std::nullopt;
    }
    const QByteArrayView delimiter = delimiterText();
    if (view(lineStart, lf + 1).startsWith(delimiter)) {
        const Suffix s = suffixOf(view(lineStart + delimiter.size(), lf + 1));
        if (s != Suffix::None) {
            // A delimiter where a header or the blank line was due: the part
            // has no body, and the next one is not taken for its headers.
            ++m_resyncs;
            enterDelimiterLine(lineStart, lineStart + delimiter.size(), s == Suffix::Closing);
            return std::nullopt;
        }
    }
    m_sawHeader = true;
    parseHeaderLine(line);
    return std::nullopt;
}

void MultipartReader::parseHeaderLine(QByteArrayView line)
{
    QByteArrayView name;
    QByteArrayView value;
    if (!splitHeaderLine(line, &name, &value))
        return;  // not a header: ignored rather than failing the stream
    if (sameName(name, "content-type")) {
        m_partType = value.toByteArray().toLower();
    } else if (sameName(name, "content-length")) {
        // Repeated with different values: trust neither.
        const qint64 n = parseContentLength(value);
        if (n < 0 || (m_lengthState == Length::Value && n != m_contentLength)) {
            m_lengthState = Length::Unusable;
        } else if (m_lengthState == Length::None) {
            m_lengthState = Length::Value;
            m_contentLength = n;
        }
    }
}

void MultipartReader::startBody(qint64 at)
{
    m_bodyStart = m_pos = at;
    if (m_lengthState == Length::Value) {
        m_state = State::LengthBody;
        return;
    }
    m_state = State::Body;
    // A body starts a line: a bare boundary right at its start ends it.
    startSearch(at, m_bare);
}

void MultipartReader::startSearch(qint64 at, bool atLineStart)
{
    m_scan = at;
    m_matched = atLineStart && m_bare ? 1 : 0;
}

void MultipartReader::takePart(qint64 bodyStart, qint64 bodyEnd, MultipartPart *part)
{
    if (part) {
        part->contentType = m_partType;
        part->body = view(bodyStart, bodyEnd).toByteArray();
        part->headers = std::move(m_partHeaders);
    }
    m_partHeaders.clear();
}

std::optional<MultipartReader::Result> MultipartReader::stepLengthBody(MultipartPart *part)
{
    const qint64 bodyEnd = m_bodyStart + m_contentLength;
    if (end() < bodyEnd)
        return Result::NeedMore;
    // Goes on now: cameras send the next delimiter only with the next
    // picture, a frame interval later. The delimiter is checked when it comes.
    m_checkLineStart = m_contentLength == 0 || at(bodyEnd - 1) == '\n';
    takePart(m_bodyStart, bodyEnd, part);
    m_state = State::AfterLength;
    m_pos = m_checkAt = bodyEnd;
    m_checkGap = 0;
    m_checkSawLf = m_checkLineStart;
    m_matched = 0;
    return Result::Part;
}

// Right after a part of declared length: optional line ends, then the
// delimiter. Anything else means the length was wrong: what follows up to
// the next delimiter is skipped, never taken for a part.
std::optional<MultipartReader::Result> MultipartReader::stepAfterLength()
{
    const QByteArrayView delimiter = delimiterText();
    while (m_checkAt < end()) {
        const char c = at(m_checkAt);
        if (m_matched == 0 && (c == '\r' || c == '\n') && m_checkGap < kMaxGapBeforeDelimiter) {
            ++m_checkGap;
            m_checkSawLf = m_checkSawLf || c == '\n';
        } else if (m_matched < delimiter.size()) {
            if (c != delimiter[m_matched] || (m_bare && !m_checkSawLf)) {
                resync();
                return std::nullopt;
            }
            ++m_matched;
        } else {
            const Suffix s = suffixOf(view(m_checkAt, end()));
            if (s == Suffix::NeedMore)
                return Result::NeedMore;
            if (s == Suffix::None)
                resync();
            else
                enterDelimiterLine(m_checkAt - delimiter.size(), m_checkAt, s == Suffix::Closing);
            return std::nullopt;
        }
        ++m_checkAt;
        ++m_steps;
    }
    return Result::NeedMore;
}

void MultipartReader::resync()
{
    ++m_resyncs;
    m_state = State::Skipping;
    startSearch(m_pos, m_checkLineStart);
}

std::optional<MultipartReader::Result> MultipartReader::stepBody(MultipartPart *part)
{
    bool closing = false;
    if (!searchDelimiter(&closing)) {
        // Any delimiter still to come leaves more than a frame before it:
        // drop the part now and keep nothing more of it.
        if (m_scan - m_matched - 2 - m_bodyStart > kMaxFrameBytes) {
            ++m_droppedParts;
            m_state = State::Skipping;
            m_pos = m_scan;
            return std::nullopt;
        }
        return Result::NeedMore;
    }
    // The line end before the delimiter belongs to it (a bare boundary's
    // line feed is already in the pattern).
    qint64 bodyEnd = m_scan - m_pattern.size();
    if (bodyEnd < m_bodyStart) {
        bodyEnd = m_bodyStart;  // a bare boundary right at the start
    } else {
        bool lineEnd = m_bare;
        if (!m_bare && bodyEnd > m_bodyStart && at(bodyEnd - 1) == '\n') {
            --bodyEnd;
            lineEnd = true;
        }
        if (lineEnd && bodyEnd > m_bodyStart && at(bodyEnd - 1) == '\r')
            --bodyEnd;
    }
    const qint64 afterDelimiter = m_scan;
    const qint64 delimiterStart = afterDelimiter - delimiterText().size();
    if (bodyEnd - m_bodyStart > kMaxFrameBytes) {
        ++m_droppedParts;
        enterDelimiterLine(delimiterStart, afterDelimiter, closing);
        return std::nullopt;
    }
    takePart(m_bodyStart, bodyEnd, part);
    enterDelimiterLine(delimiterStart, afterDelimiter, closing);
    return Result::Part;
}

std::optional<MultipartReader::Result> MultipartReader::stepSkipping()
{
    bool closing = false;
    const bool found = searchDelimiter(&closing);
    m_pos = m_scan;
    if (!found)
        return Result::NeedMore;
    enterDelimiterLine(m_scan - delimiterText().size(), m_scan, closing);
    return std::nullopt;
}

// Knuth-Morris-Pratt over the bytes from m_scan, its state carried across
// reads: each byte is taken once and each fallback undoes an earlier step,
// so the work is linear whatever the boundary. True with m_scan just past a
// delimiter; false with m_scan at the end of what is there.
bool MultipartReader::searchDelimiter(bool *closing)
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
                *closing = s == Suffix::Closing;
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
