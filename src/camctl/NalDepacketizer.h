#pragma once

#include "camctl/Depacketizer.h"

// H.264 and H.265 pictures from their RTP packets: single NAL units,
// aggregation packets (H.264's STAP-A) and fragmentation units (FU-A), with
// H.265's decoding order numbers read and left out when the format
// parameters announce them. H.264's interleaved packets (STAP-B, MTAP,
// FU-B) and H.265's PACI are dropped as unsupported.
class NalDepacketizer final : public Depacketizer
{
public:
    static std::unique_ptr<Depacketizer> h264(const SdpVideo &video, QString *error);
    static std::unique_ptr<Depacketizer> h265(const SdpVideo &video, QString *error);

    QByteArray extradata() const override { return m_extradata; }
    qsizetype heldBytes() const override;

private:
    NalDepacketizer(quint8 payloadType, bool h265, bool donl);
    void addParameterSets(QByteArrayView base64List);

    void beginPicture() override;
    Take take(QByteArrayView payload) override;
    bool finishPicture(AccessUnit *unit) override;

    Take aggregate(QByteArrayView units);
    Take fragment(QByteArrayView payload);
    int typeOf(uchar firstHeaderByte) const;
    bool isSingle(int type) const;
    void beginNal(QByteArrayView header);
    void endNal();

    const bool m_h265;
    const qsizetype m_headerBytes;
    // The decoding order numbers, 2 bytes before each unit (1 byte, a
    // difference, before later ones in an aggregation packet).
    const bool m_donl;
    QByteArray m_extradata;
    qsizetype m_extradataSpsOffset = 0;
    qsizetype m_extradataSpsBytes = 0;
    bool m_extradataSent = false;

    // The picture being put together.
    qsizetype m_nalStart = 0; // the unit being added, after its start code
    int m_nalType = 0;
    bool m_fragmentOpen = false;
    int m_fragmentType = 0;
    bool m_key = false;
    qsizetype m_spsOffset = 0;
    qsizetype m_spsBytes = 0;
};
