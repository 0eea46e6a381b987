#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One part of a multipart body: its declared type (lower case, parameters
// kept), its bytes, and its header lines as sent (line ends kept, empty for
// a part without headers) for whoever wants more than the type.
struct MultipartPart
{
    QByteArray contentType;
    QByteArray body;
    QByteArray headers;
};

// Incremental reader of multipart/x-mixed-replace (and multipart/mixed):
// bytes go in as they arrive, split anywhere, and whole parts come out.
// The same bytes give the same parts whatever the splits. Holds at most one
// part plus one header block, whatever the peer sends, and its work is
// linear in the bytes whatever the boundary. It knows nothing about what
// the parts hold.
class MultipartReader
{
public:
    enum class Result { NeedMore, Part, Error, End };

    // boundary: the Content-Type's boundary parameter as sent (quoted, with
    // leading dashes or empty). It is used when the body's first delimiter
    // line carries it; otherwise that line gives the boundary.
    explicit MultipartReader(const QByteArray &boundary = {});

    // The boundary parameter of a Content-Type header, empty when absent.
    static QByteArray boundaryParameter(const QByteArray &contentType);
    // The value of the first header called name (any case) in a block of
    // header lines, trimmed; empty when there is none.
    static QByteArray headerValue(QByteArrayView headers, QByteArrayView name);

    void feed(QByteArrayView bytes);
    // Next whole part into *part; NeedMore until more bytes are fed; End
    // after a closing delimiter; Error when a bound is broken (the caller
    // restarts the connection). End and Error stick.
    Result next(MultipartPart *part);

    QString errorString() const { return m_error; }
    // Bytes held now: what is not yet split and the part being filled;
    // what the memory budget counts for a stream.
    qsizetype heldBytes() const { return m_buf.size() + m_body.size(); }
    // Parts dropped for exceeding the frame bound.
    quint64 droppedParts() const { return m_droppedParts; }
    // Times the reader skipped to the next delimiter because a part did not
    // end where it said (a wrong Content-Length, a part without a body).
    quint64 resyncs() const { return m_resyncs; }

private:
    friend class MultipartReaderInspector;  // tests: work done, scan steps

    // Head: from the delimiter line (or, before the first one, the
    // preamble) to the blank line that ends the part's headers, a line at a
    // time. Body: up to its declared length, or to the next delimiter.
    enum class State { Head, Body, Ended, Failed };

    std::optional<Result> readHead();
    std::optional<Result> lineBeforeDelimiter(qint64 lineStart, QByteArrayView line);
    std::optional<Result> firstDelimiter(qint64 lineStart, QByteArrayView line);
    std::optional<Result> longPreambleLine(QByteArrayView head);
    std::optional<Result> headerLine(qint64 lineStart, QByteArrayView line);
    std::optional<Result> partialLine(qint64 lineStart, qint64 seen, qint64 decides);
    std::optional<Result> enterHeaders(qint64 lineStart, qsizetype lineSize);
    std::optional<Result> resync();
    std::optional<Result> readBody(MultipartPart *part);
    Result finish(Result result, const QString &error = {});
    Result tooLong(const char *what, qsizetype bound);

    void enterHead(qint64 at);
    void startBody(qint64 at, QByteArrayView headers);
    void readHeaderBlock(QByteArrayView headers);
    void deliver(MultipartPart *part, QByteArray body);
    void startSearch(qint64 at, bool atLineStart);
    bool searchDelimiter();
    qint64 findLineEnd(qint64 from, qint64 until);
    // A line starts after a line feed: the byte before m_pos is kept.
    bool startsLine(qint64 pos) const { return pos == 0 || at(pos - 1) == '\n'; }

    // A bare boundary is a delimiter only at a line start: its pattern
    // carries the line feed before it.
    bool bare() const { return m_pattern.startsWith('\n'); }
    QByteArrayView delimiterText() const { return QByteArrayView(m_pattern).sliced(bare() ? 1 : 0); }

    qint64 end() const { return m_base + m_buf.size(); }
    char at(qint64 pos) const { return m_buf.at(pos - m_base); }
    QByteArrayView view(qint64 from, qint64 to) const
    {
        return QByteArrayView(m_buf).sliced(from - m_base, to - from);
    }

    QByteArray m_buf;
    qint64 m_base = 0;  // stream offset of m_buf[0]
    qint64 m_pos = 0;   // stream offset of the first byte still needed
    State m_state = State::Head;

    QByteArray m_headerBoundary;  // from the Content-Type, without dashes or quotes
    // The delimiter as the body writes it (its dashes included), or, for a
    // bare boundary, a line feed and the boundary; empty until the body's
    // first delimiter line.
    QByteArray m_pattern;
    QList<int> m_fallback;  // matcher fallback: longest border of each prefix

    qint64 m_cursor = 0;       // start of the next line
    qint64 m_lineScan = 0;     // where the search for that line's end goes on
    qint64 m_delimiterAt = -1; // this part's delimiter line; -1 while it is due
    qint64 m_headersAt = 0;    // first header line, past any blank line

    // Content-Length, or -1: the body ends at the next delimiter.
    qint64 m_length = -1;
    QByteArray m_body;         // a body of declared length, as it arrives
    qint64 m_bodyStart = -1;   // a body up to the delimiter; -1: let go
    qint64 m_scan = 0;         // next byte for the delimiter matcher
    int m_matched = 0;         // pattern bytes matched before m_scan
    QByteArray m_partType;
    QByteArray m_partHeaders;

    quint64 m_droppedParts = 0;
    quint64 m_resyncs = 0;
    quint64 m_steps = 0;
    QString m_error;
};
