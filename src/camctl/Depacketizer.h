#pragma once

#include "camctl/RtpPacket.h"
#include "camctl/Sdp.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

#include <memory>

// One picture for a decoder, put together from RTP packets.
struct AccessUnit
{
    // H.264 and H.265: the picture's NAL units, each after 00 00 00 01.
    // JPEG: a whole baseline JFIF picture.
    QByteArray data;
    quint32 rtpTimestamp = 0;
    // A picture the decoder can start from: H.264 an IDR picture, H.265 an
    // intra random access point, every JPEG picture.
    bool key = false;
    // H.264 and H.265: where in data the picture's first sequence parameter
    // set NAL unit lies (header included), so a decoder's memory can be
    // checked before it sees it (VideoParameters); 0 bytes when it carries
    // none.
    qsizetype spsOffset = 0;
    qsizetype spsBytes = 0;
    // JPEG: the picture size from its RTP header.
    QSize size;

    QByteArrayView sps() const { return QByteArrayView(data).sliced(spsOffset, spsBytes); }
};

// What was dropped, and why.
struct DepacketizerCounters
{
    quint64 units = 0;               // handed out
    quint64 lostPackets = 0;         // sequence numbers never received
    quint64 latePackets = 0;         // behind the sequence already passed: repeats, or given up on
    quint64 otherPayloadPackets = 0; // another payload type than the video's
    quint64 malformedPackets = 0;    // unreadable; their picture is dropped
    quint64 unsupportedPackets = 0;  // a packetization or picture type not handled; dropped alone
    quint64 lostPictures = 0;        // dropped: a packet of theirs was lost
    quint64 malformedPictures = 0;   // dropped: a packet of theirs was unreadable
    quint64 oversizedPictures = 0;   // dropped: over kMaxFrameBytes
};

// Packets of one video in, whole pictures out, one per RTP timestamp. A
// picture ends with the packet carrying the marker bit, or, for a camera
// that never sets it, when a packet of the next picture arrives. A gap in
// the sequence numbers drops the picture being put together; the next one
// is taken only from its beginning. Numbers further back than
// kMaxReorderPackets, or a new source, are a camera starting its stream
// again: taken up at once.
class Depacketizer
{
public:
    virtual ~Depacketizer() = default;
    Depacketizer(const Depacketizer &) = delete;
    Depacketizer &operator=(const Depacketizer &) = delete;

    // The depacketizer for the video's codec, set up from its format
    // parameters; nothing, with the reason in *error, when they ask for
    // what is not handled.
    static std::unique_ptr<Depacketizer> create(const SdpVideo &video, QString *error);

    // The pictures this packet completes: none, one, or two (the picture
    // its new timestamp ends, and its own when it carries the marker bit).
    QList<AccessUnit> push(const RtpPacket &packet);

    // The parameter sets of the format parameters, each after 00 00 00 01,
    // for the decoder to open with (empty for JPEG). They are put before
    // the first key picture as well.
    virtual QByteArray extradata() const { return {}; }

    const DepacketizerCounters &counters() const { return m_counters; }
    // Memory held: the picture being put together, and what the codec keeps.
    virtual qsizetype heldBytes() const { return m_data.capacity(); }

protected:
    explicit Depacketizer(quint8 payloadType);

    enum class Take {
        Taken,
        NoStart, // continues a unit whose beginning this picture lacks
        Malformed,
        Unsupported,
    };
    // A picture begins; the codec forgets the last one.
    virtual void beginPicture() = 0;
    // One packet's payload, appended with append().
    virtual Take take(QByteArrayView payload) = 0;
    // The picture ends; the codec completes it (its data moved in). False
    // when it cannot be completed.
    virtual bool finishPicture(AccessUnit *unit) = 0;

    // Adds to the picture; past kMaxFrameBytes the picture is dropped.
    void append(QByteArrayView bytes);
    const QByteArray &assembled() const { return m_data; }

private:
    enum class Spoilt { No, Lost, Malformed, Oversized };
    void spoil(Spoilt why);
    void endPicture(QList<AccessUnit> *out);

    quint8 m_payloadType;
    bool m_synced = false;
    quint32 m_ssrc = 0;
    quint16 m_nextSequence = 0;
    bool m_inPicture = false;
    bool m_afterGap = false; // the picture began right after a gap
    quint32 m_timestamp = 0;
    Spoilt m_spoilt = Spoilt::No;
    QByteArray m_data;
    qsizetype m_lastSize = 0;
    DepacketizerCounters m_counters;
};
