#include "camctl/MultipartReader.h"

#include "camctl/StreamLimits.h"

#include <cstring>

using namespace StreamLimits;

namespace {

// Dashes held back before a search resume point, so a delimiter whose
// "--" arrived in an earlier read is still recognised.
constexpr qint64 kDashLookback = 64;
// Blank lines tolerated between a part's body and the next delimiter.
constexpr qint64 kMaxGapBeforeDelimiter = 4;

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

// Cameras write the boundary with or without the leading "--" (in the
// header and in the body) and sometimes quoted: compare without dashes.
QByteArray normalisedBoundary(QByteArrayView b)
{
    b = trimmed(b);
    if (b.size() >= 2 && b.front() == '"' && b.back() == '"')
        b = b.sliced(1, b.size() - 2);
    while (!b.isEmpty() && b.front() == '-')
        b = b.sliced(1);
    return trimmed(b).toByteArray();
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
    : m_boundary(normalisedBoundary(boundary))
{
    if (!m_boundary.isEmpty())
        m_matcher.setPattern(m_boundary);
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
    // Bytes before m_pos are never looked at again; drop them in large
    // steps so compaction stays linear in the stream.
    const qint64 drop = m_pos - m_base;
    if (drop > 0 && (drop >= m_buf.size() / 2 || drop > 64 * 1024)) {
        m_buf.remove(0, drop);
        m_base = m_pos;
    }
    m_buf.append(bytes);
}

MultipartReader::Result MultipartReader::next(MultipartPart *part)
{
    // Every step either answers or moves the state on; a step that makes
    // no progress and has no answer is waiting for bytes.
    for (;;) {
        bool progressed = false;
        const Result r = step(part, &progressed);
        if (r != Result::NeedMore || !progressed)
            return r;
    }
}

MultipartReader::Result MultipartReader::step(MultipartPart *part, bool *progressed)
{
    switch (m_state) {
    case State::Preamble:
        return stepPreamble(progressed);
    case State::DelimiterLine:
        return stepDelimiterLine(progressed);
    case State::Headers:
        return stepHeaders(progressed);
    case State::Body:
        return stepBody(part, progressed);
    case State::AfterBody:
        return stepAfterBody(progressed);
    case State::Dropping:
        return stepDropping(progressed);
    case State::Ended:
        return Result::End;
    case State::Failed:
        return Result::Error;
    }
    return Result::Error;
}

MultipartReader::Result MultipartReader::fail(const QString &error)
{
    m_error = error;
    m_state = State::Failed;
    m_buf.clear();
    m_base = m_pos = 0;
    return Result::Error;
}

void MultipartReader::enterDelimiter(const Delimiter &d, bool *progressed)
{
    m_delimiter = d;
    m_pos = d.start;
    m_state = State::DelimiterLine;
    *progressed = true;
}

MultipartReader::Result MultipartReader::stepPreamble(bool *progressed)
{
    if (m_boundary.isEmpty())
        return learnBoundary(progressed);
    // A preamble, or no line end before the first delimiter: both fine.
    Delimiter d;
    qint64 resume = m_scanFrom;
    if (findDelimiter(m_preambleCut ? -1 : m_pos, m_scanFrom, &d, &resume) == Match::Found) {
        enterDelimiter(d, progressed);
        return Result::NeedMore;
    }
    m_scanFrom = resume;
    if (resume - kDashLookback > m_pos) {
        m_pos = resume - kDashLookback;
        m_preambleCut = true;
    }
    return Result::NeedMore;
}

// No boundary in the header: the first line starting with "--" is the
// delimiter, and its text is the boundary.
MultipartReader::Result MultipartReader::learnBoundary(bool *progressed)
{
    for (;;) {
        const qsizetype lf = m_buf.indexOf('\n', m_cursor - m_base);
        if (lf < 0) {
            if (end() - m_cursor > kMaxDelimiterLine) {
                m_midLine = true;
                m_cursor = m_pos = end();
            }
            return Result::NeedMore;
        }
        const qint64 lineStart = m_cursor;
        const QByteArrayView line = trimmed(QByteArrayView(m_buf).sliced(lineStart - m_base, m_base + lf - lineStart));
        const bool wholeLine = !m_midLine;
        m_midLine = false;
        m_cursor = m_pos = m_base + lf + 1;
        if (!wholeLine || !line.startsWith("--"))
            continue;
        const QByteArray b = normalisedBoundary(line);
        if (b.isEmpty())
            continue;
        m_boundary = b;
        m_matcher.setPattern(m_boundary);
        Delimiter d;
        d.start = lineStart;
        d.afterBoundary = m_base + lf;
        enterDelimiter(d, progressed);
        return Result::NeedMore;
    }
}

MultipartReader::Result MultipartReader::stepDelimiterLine(bool *progressed)
{
    if (m_delimiter.closing) {
        m_state = State::Ended;
        return Result::End;
    }
    // Whatever follows the boundary on its line (padding) is ignored.
    const qsizetype lf = m_buf.indexOf('\n', m_delimiter.afterBoundary - m_base);
    if (lf < 0) {
        if (end() - m_delimiter.afterBoundary > kMaxDelimiterLine)
            return fail(QStringLiteral("delimiter line too long"));
        return Result::NeedMore;
    }
    m_pos = m_base + lf + 1;
    startPart();
    *progressed = true;
    return Result::NeedMore;
}

void MultipartReader::startPart()
{
    m_state = State::Headers;
    m_headerStart = m_cursor = m_pos;
    m_sawHeader = false;
    m_lengthState = Length::None;
    m_contentLength = -1;
    m_partType.clear();
    m_partHeaders.clear();
}

MultipartReader::Result MultipartReader::stepHeaders(bool *progressed)
{
    // Headerless part: some servers put the JPEG right after the delimiter.
    if (!m_sawHeader && m_cursor < end() && uchar(at(m_cursor)) == 0xFF) {
        if (m_cursor + 1 >= end())
            return Result::NeedMore;
        if (uchar(at(m_cursor + 1)) == 0xD8) {
            m_pos = m_scanFrom = m_cursor;
            m_state = State::Body;
            *progressed = true;
            return Result::NeedMore;
        }
    }
    const qsizetype lf = m_buf.indexOf('\n', m_cursor - m_base);
    const qint64 blockEnd = lf < 0 ? end() : m_base + lf + 1;
    if (blockEnd - m_headerStart > kMaxPartHeaderBytes)
        return fail(QStringLiteral("part headers longer than %1 bytes").arg(kMaxPartHeaderBytes));
    if (lf < 0)
        return Result::NeedMore;
    const qint64 lineStart = m_cursor;
    QByteArrayView line = QByteArrayView(m_buf).sliced(lineStart - m_base, m_base + lf - lineStart);
    if (line.endsWith('\r'))
        line.chop(1);
    m_cursor = blockEnd;
    *progressed = true;
    if (!line.isEmpty()) {
        m_sawHeader = true;
        parseHeaderLine(line);
    } else if (m_sawHeader) {
        // Copied now: the bytes before the body are let go while it arrives.
        m_partHeaders = m_buf.mid(m_headerStart - m_base, lineStart - m_headerStart);
        m_pos = m_scanFrom = m_cursor;
        m_state = State::Body;
    }
    // A blank line before any header: some servers add one after the
    // delimiter; the headers (or the JPEG) follow.
    return Result::NeedMore;
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

MultipartReader::Result MultipartReader::stepBody(MultipartPart *part, bool *progressed)
{
    if (m_lengthState == Length::Value) {
        const qint64 bodyEnd = m_pos + m_contentLength;
        if (end() < bodyEnd)
            return Result::NeedMore;
        Delimiter d;
        switch (matchDelimiterAt(bodyEnd, &d)) {
        case Match::NeedMore:
            // Cameras send the next delimiter with the next picture: a
            // picture whole by its length and its end marker goes on now,
            // not a frame interval later; the delimiter is checked when it
            // comes.
            if (!wholeJpeg(m_pos, bodyEnd))
                return Result::NeedMore;
            takeBody(bodyEnd, part);
            m_pos = bodyEnd;
            m_state = State::AfterBody;
            return Result::Part;
        case Match::Found:
            return yieldPart(bodyEnd, d, part);
        case Match::NotFound:
            // A wrong Content-Length: the part ends at the next delimiter.
            m_lengthState = Length::Unusable;
            m_scanFrom = m_pos;
            *progressed = true;
            return Result::NeedMore;
        }
    }
    Delimiter d;
    qint64 resume = m_scanFrom;
    if (findDelimiter(m_pos, m_scanFrom, &d, &resume) == Match::Found) {
        // The line end before the delimiter belongs to the delimiter.
        qint64 bodyEnd = d.start;
        if (bodyEnd > m_pos && at(bodyEnd - 1) == '\n') {
            --bodyEnd;
            if (bodyEnd > m_pos && at(bodyEnd - 1) == '\r')
                --bodyEnd;
        }
        return yieldPart(bodyEnd, d, part);
    }
    m_scanFrom = resume;
    if (end() - m_pos > kMaxFrameBytes) {
        // Too big for a picture: skip to the next delimiter, keep nothing.
        ++m_droppedParts;
        m_state = State::Dropping;
        m_pos = qMax(m_pos, m_scanFrom - kDashLookback);
        *progressed = true;
    }
    return Result::NeedMore;
}

MultipartReader::Result MultipartReader::stepAfterBody(bool *progressed)
{
    Delimiter d;
    switch (matchDelimiterAt(m_pos, &d)) {
    case Match::NeedMore:
        return Result::NeedMore;
    case Match::Found:
        enterDelimiter(d, progressed);
        return Result::NeedMore;
    case Match::NotFound:
        break;
    }
    // The length was wrong after all, and the picture already went on
    // ending at an inner end marker: the rest of it is no picture.
    m_scanFrom = m_pos;
    m_state = State::Dropping;
    *progressed = true;
    return Result::NeedMore;
}

bool MultipartReader::wholeJpeg(qint64 bodyStart, qint64 bodyEnd) const
{
    return bodyEnd - bodyStart >= 4 && uchar(at(bodyStart)) == 0xFF && uchar(at(bodyStart + 1)) == 0xD8
           && uchar(at(bodyEnd - 2)) == 0xFF && uchar(at(bodyEnd - 1)) == 0xD9;
}

MultipartReader::Result MultipartReader::stepDropping(bool *progressed)
{
    Delimiter d;
    qint64 resume = m_scanFrom;
    if (findDelimiter(-1, m_scanFrom, &d, &resume) == Match::Found) {
        enterDelimiter(d, progressed);
        return Result::NeedMore;
    }
    m_scanFrom = resume;
    m_pos = qMax(m_pos, m_scanFrom - kDashLookback);
    return Result::NeedMore;
}

void MultipartReader::takeBody(qint64 bodyEnd, MultipartPart *part)
{
    if (part) {
        part->contentType = m_partType;
        part->body = m_buf.mid(m_pos - m_base, bodyEnd - m_pos);
        part->headers = std::move(m_partHeaders);
    }
    m_partHeaders.clear();
}

MultipartReader::Result MultipartReader::yieldPart(qint64 bodyEnd, const Delimiter &next, MultipartPart *part)
{
    takeBody(bodyEnd, part);
    m_delimiter = next;
    m_pos = next.start;
    m_state = State::DelimiterLine;
    return Result::Part;
}

MultipartReader::Match MultipartReader::boundarySuffix(qint64 afterBoundary, bool *closing) const
{
    *closing = false;
    if (afterBoundary >= end())
        return Match::NeedMore;
    const char c = at(afterBoundary);
    if (isLineSpace(c))
        return Match::Found;
    if (c != '-')
        return Match::NotFound;
    if (afterBoundary + 1 >= end())
        return Match::NeedMore;
    if (at(afterBoundary + 1) != '-')
        return Match::NotFound;
    *closing = true;
    return Match::Found;
}

// A delimiter is the boundary after two or more dashes anywhere, or the
// bare boundary at the start of a line (cameras that drop the dashes).
MultipartReader::Match MultipartReader::findDelimiter(qint64 regionStart, qint64 from, Delimiter *found,
                                                     qint64 *resumeAt) const
{
    const qint64 lower = qMax(regionStart, m_base);
    qint64 p = qMax(from, m_base);
    for (;;) {
        const qsizetype idx = m_matcher.indexIn(m_buf, p - m_base);
        if (idx < 0) {
            *resumeAt = qMax(p, end() - m_boundary.size() + 1);
            return Match::NotFound;
        }
        const qint64 b = m_base + idx;
        qint64 s = b;
        while (s > lower && at(s - 1) == '-')
            --s;
        const qint64 dashes = b - s;
        const bool lineStart = s == regionStart || (s > m_base && at(s - 1) == '\n');
        if (dashes >= 2 || (dashes == 0 && lineStart)) {
            bool closing = false;
            const Match m = boundarySuffix(b + m_boundary.size(), &closing);
            if (m == Match::NeedMore) {
                *resumeAt = b;
                return Match::NeedMore;
            }
            if (m == Match::Found) {
                *found = Delimiter{s, b + m_boundary.size(), closing};
                return Match::Found;
            }
        }
        p = b + 1;
    }
}

// Right after a part of declared length: optional line ends, then the
// delimiter, with or without its dashes.
MultipartReader::Match MultipartReader::matchDelimiterAt(qint64 pos, Delimiter *found) const
{
    qint64 p = pos;
    while (p < end() && p - pos < kMaxGapBeforeDelimiter && (at(p) == '\r' || at(p) == '\n'))
        ++p;
    if (p >= end())
        return Match::NeedMore;
    qint64 q = p;
    while (q < end() && at(q) == '-')
        ++q;
    if (q >= end())
        return q - p > kMaxDelimiterLine ? Match::NotFound : Match::NeedMore;
    if (q - p == 1)
        return Match::NotFound;
    const qint64 have = qMin<qint64>(end() - q, m_boundary.size());
    if (std::memcmp(m_buf.constData() + (q - m_base), m_boundary.constData(), size_t(have)) != 0)
        return Match::NotFound;
    if (have < m_boundary.size())
        return Match::NeedMore;
    bool closing = false;
    const Match m = boundarySuffix(q + m_boundary.size(), &closing);
    if (m == Match::Found)
        *found = Delimiter{p, q + m_boundary.size(), closing};
    return m;
}
