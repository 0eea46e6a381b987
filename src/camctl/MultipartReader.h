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
    // Parts dropped for exceeding the frame bound.
    quint64 droppedParts() const { return m_droppedParts; }
    // Times the reader skipped to the next delimiter because a part did not
    // end where it said (a wrong Content-Length, a part without a body).
    quint64 resyncs() const { return m_resyncs; }
    // Work done looking for line ends and delimiters: one step per byte
    // looked at, plus one per fallback of the delimiter matcher, so at most
    // a small multiple of the bytes fed.
    quint64 scanSteps() const { return m_steps; }
    qsizetype bufferedBytes() const { return m_buf.size(); }

private:
    enum class State {
        Preamble,       // looking for the first delimiter line
        DelimiterLine,  // after a delimiter: its padding, up to the line end
        Headers,
        LengthBody,     // waiting for Content-Length bytes
        AfterLength,    // the delimiter must follow a part of declared length
        Body,           // a part without a usable length: up to the delimiter
        Skipping,       // to the next delimiter, keeping nothing
        Ended,
        Failed
    };

    std::optional<Result> stepPreamble();
    std::optional<Result> stepDelimiterLine();
    std::optional<Result> stepHeaders();
    std::optional<Result> stepLengthBody(MultipartPart *part);
    std::optional<Result> stepAfterLength();
    std::optional<Result> stepBody(MultipartPart *part);
    std::optional<Result> stepSkipping();
    Result fail(const QString &error);

    std::optional<Result> takeFirstDelimiter(qint64 lineStart, qint64 lf);
    void useDelimiter(QByteArrayView text, bool bare);
    QByteArrayView delimiterText() const;
    void enterDelimiterLine(qint64 delimiterStart, qint64 afterDelimiter, bool closing);
    void startHeaders(qint64 at);
    void startBody(qint64 at);
    void startSearch(qint64 at, bool atLineStart);
    void resync();
    bool searchDelimiter(bool *closing);
    qint64 findLineEnd(qint64 from);
    void parseHeaderLine(QByteArrayView line);
    void takePart(qint64 bodyStart, qint64 bodyEnd, MultipartPart *part);

    qint64 end() const { return m_base + m_buf.size(); }
    char at(qint64 pos) const { return m_buf.at(pos - m_base); }
    QByteArrayView view(qint64 from, qint64 to) const
    {
        return QByteArrayView(m_buf).sliced(from - m_base, to - from);
    }

    QByteArray m_buf;
    qint64 m_base = 0;  // stream offset of m_buf[0]
    qint64 m_pos = 0;   // stream offset of the first byte still needed
    State m_state = State::Preamble;

    QByteArray m_headerBoundary;  // from the Content-Type, without dashes or quotes
    // The delimiter as the body writes it (its dashes included), or, for a
    // bare boundary, a line feed and the boundary.
    QByteArray m_pattern;
    bool m_bare = false;
    QList<int> m_fallback;  // matcher fallback: longest border of each prefix

    qint64 m_lineScan = 0;   // where the search for the current line end goes on
    bool m_skipLine = false; // a preamble line too long to be a delimiter
    qint64 m_delimiterStart = 0;
    bool m_closing = false;
    qint64 m_cursor = 0;     // next header line
    bool m_sawHeader = false;
    enum class Length { None, Value, Unusable } m_lengthState = Length::None;
    qint64 m_contentLength = -1;
    QByteArray m_partType;
    QByteArray m_partHeaders;

    qint64 m_bodyStart = 0;
    qint64 m_scan = 0;  // next byte for the delimiter matcher
    int m_matched = 0;  // pattern bytes matched before m_scan
    // Checking the delimiter after a part of declared length.
    qint64 m_checkAt = 0;
    int m_checkGap = 0;
    bool m_checkSawLf = false;
    bool m_checkLineStart = false;  // the part's body ended with a line feed

    quint64 m_droppedParts = 0;
    quint64 m_resyncs = 0;
    quint64 m_steps = 0;
    QString m_error;
};
