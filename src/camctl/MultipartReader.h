#pragma once

#include <QByteArray>
#include <QByteArrayMatcher>
#include <QList>
#include <QString>

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
// Holds at most one part plus one header block, whatever the peer sends.
class MultipartReader
{
public:
    enum class Result { NeedMore, Part, Error, End };

    // boundary: the Content-Type's boundary parameter as sent (quoted, with
    // leading dashes or empty); empty means learn it from the body.
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
    QByteArray boundary() const { return m_boundary; }
    // Parts dropped for exceeding the frame bound.
    quint64 droppedParts() const { return m_droppedParts; }
    qsizetype bufferedBytes() const { return m_buf.size(); }

private:
    enum class State { Preamble, DelimiterLine, Headers, Body, AfterBody, Dropping, Ended, Failed };
    enum class Match { Found, NotFound, NeedMore };
    struct Delimiter
    {
        qint64 start = 0;  // first byte of the delimiter (dashes included)
        qint64 afterBoundary = 0;
        bool closing = false;
    };

    Result step(MultipartPart *part, bool *progressed);
    Result stepPreamble(bool *progressed);
    Result stepDelimiterLine(bool *progressed);
    Result stepHeaders(bool *progressed);
    Result stepBody(MultipartPart *part, bool *progressed);
    Result stepAfterBody(bool *progressed);
    Result stepDropping(bool *progressed);
    Result fail(const QString &error);

    Match findDelimiter(qint64 regionStart, qint64 from, Delimiter *found, qint64 *resumeAt) const;
    Match matchDelimiterAt(qint64 pos, Delimiter *found) const;
    Match boundarySuffix(qint64 afterBoundary, bool *closing) const;
    Result learnBoundary(bool *progressed);
    void parseHeaderLine(QByteArrayView line);
    void startPart();
    bool wholeJpeg(qint64 bodyStart, qint64 bodyEnd) const;
    void takeBody(qint64 bodyEnd, MultipartPart *part);
    Result yieldPart(qint64 bodyEnd, const Delimiter &next, MultipartPart *part);
    void enterDelimiter(const Delimiter &d, bool *progressed);
    qint64 end() const { return m_base + m_buf.size(); }
    char at(qint64 pos) const { return m_buf.at(pos - m_base); }

    QByteArray m_buf;
    qint64 m_base = 0;  // stream offset of m_buf[0]
    qint64 m_pos = 0;   // stream offset of the first byte still needed
    State m_state = State::Preamble;
    QByteArray m_boundary;  // without leading dashes
    QByteArrayMatcher m_matcher;
    bool m_midLine = false;

    Delimiter m_delimiter;
    qint64 m_cursor = 0;    // next line to read in the preamble or headers
    qint64 m_headerStart = 0;
    qint64 m_scanFrom = 0;  // where the delimiter search goes on
    bool m_preambleCut = false;
    bool m_sawHeader = false;
    enum class Length { None, Value, Unusable } m_lengthState = Length::None;
    qint64 m_contentLength = -1;
    QByteArray m_partType;
    QByteArray m_partHeaders;

    quint64 m_droppedParts = 0;
    QString m_error;
};
