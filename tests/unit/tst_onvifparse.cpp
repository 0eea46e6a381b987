#include "onvif/OnvifLimits.h"
#include "onvif/OnvifParse.h"
#include "onvif/ProfileChoice.h"
#include "support/OnvifReplies.h"

#include <QTest>

using namespace OnvifReplies;
using Kind = OnvifFailure::Kind;

namespace {

enum class Reader { Clock, Services, Capabilities, Information, Profiles, Uri };

// What a reader made of the bytes, in one comparable line.
QString summary(Reader reader, const QByteArray &bytes, OnvifFailure *f)
{
    switch (reader) {
    case Reader::Clock: {
        const auto c = OnvifParse::systemDateAndTime(bytes, f);
        return c ? c->toString(Qt::ISODate) : QString();
    }
    case Reader::Services:
    case Reader::Capabilities: {
        const auto s = reader == Reader::Services ? OnvifParse::services(bytes, f) : OnvifParse::capabilities(bytes, f);
        return s ? s->media.toString() + QLatin1Char('|') + s->media2.toString() : QString();
    }
    case Reader::Information: {
        const auto i = OnvifParse::deviceInformation(bytes, f);
        return i ? i->maker + QLatin1Char('|') + i->model : QString();
    }
    case Reader::Profiles: {
        const auto list = OnvifParse::profiles(bytes, f);
        QStringList out;
        for (const OnvifProfile &p : list.value_or(QList<OnvifProfile>()))
            out << QStringLiteral("%1 %2 %3 %4x%5@%6").arg(p.token, p.name, p.encoding).arg(p.width).arg(p.height).arg(p.rate);
        return out.join(QLatin1String(", "));
    }
    case Reader::Uri:
        return OnvifParse::uri(bytes, f).value_or(QString());
    }
    return QString();
}

QByteArray nested(int depth)
{
    return envelope(QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth));
}

QByteArray manyProfiles(int count)
{
    return envelope("<trt:GetProfilesResponse>"
                    + QByteArray("<trt:Profiles token=\"p\"><tt:VideoEncoderConfiguration/></trt:Profiles>").repeated(count)
                    + "</trt:GetProfilesResponse>");
}

} // namespace

class TestOnvifParse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersBecomeStructsOrClearRefusals_data()
    {
        QTest::addColumn<Reader>("reader");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("words");  // in the failure's text

        QTest::newRow("clock in UTC") << Reader::Clock << clock(QDateTime(QDate(2026, 3, 1), QTime(23, 5, 9), Qt::UTC))
                                      << "2026-03-01T23:05:09Z" << Kind::None << "";
        QTest::newRow("services: media and media2")
            << Reader::Services << kServices << "http://192.0.2.1:8080/onvif/Media|http://192.0.2.1:8080/onvif/Media2"
            << Kind::None << "";
        QTest::newRow("capabilities: media, first http of several XAddrs")
            << Reader::Capabilities
            << QByteArray(kCapabilities).replace("<tt:XAddr>http://192.0.2.1:8080/onvif/Media",
                                                 "<tt:XAddr>ftp://x/ http://192.0.2.1:8080/onvif/Media")
            << "http://192.0.2.1:8080/onvif/Media|" << Kind::None << "";
        QTest::newRow("maker and model") << Reader::Information << kInformation << "Acme Vision|AV-2040" << Kind::None << "";
        QTest::newRow("media profiles, audio-only left out")
            << Reader::Profiles << kProfiles
            << "Profile_1 mainStream H264 1920x1080@25, Profile_2 subStream H264 640x360@12.5" << Kind::None << "";
        QTest::newRow("media2 profiles")
            << Reader::Profiles << kProfiles2 << "M Main H265 2560x1440@20, T Tiny JPEG 176x144@0, S Sub H264 704x576@10"
            << Kind::None << "";
        QTest::newRow("nonsense sizes read as unknown")
            << Reader::Profiles << QByteArray(kProfiles).replace("<tt:Width>1920<", "<tt:Width>-5<").replace("25</", "1e9</")
            << "Profile_1 mainStream H264 0x1080@0, Profile_2 subStream H264 640x360@12.5" << Kind::None << "";
        QTest::newRow("a profile without a token cannot be asked for")
            << Reader::Profiles << manyProfiles(1).replace(" token=\"p\"", "") << "" << Kind::Malformed << "no video profile";
        QTest::newRow("65 profiles") << Reader::Profiles << manyProfiles(65) << "" << Kind::Malformed << "more than 64 profiles";
        QTest::newRow("media stream address")
            << Reader::Uri << streamUri("rtsp://192.0.2.1:554/Streaming/Channels/101?transportmode=unicast&amp;profile=P")
            << "rtsp://192.0.2.1:554/Streaming/Channels/101?transportmode=unicast&profile=P" << Kind::None << "";
        QTest::newRow("media2 stream address") << Reader::Uri << streamUri2("rtsp://192.0.2.1/s0") << "rtsp://192.0.2.1/s0"
                                               << Kind::None << "";
        QTest::newRow("snapshot address") << Reader::Uri << snapshotUri("http://192.0.2.1/snap.jpg")
                                          << "http://192.0.2.1/snap.jpg" << Kind::None << "";
        QTest::newRow("empty address") << Reader::Uri << streamUri("") << "" << Kind::Malformed << "no valid address";
        QTest::newRow("not authorized, nested subcode")
            << Reader::Profiles << QByteArray(kNotAuthorized).replace("<SOAP-ENV:Value>ter:NotAuthorized</SOAP-ENV:Value>",
                                                          "<SOAP-ENV:Value>ter:OperationProhibited</SOAP-ENV:Value>"
                                                          "<SOAP-ENV:Subcode><SOAP-ENV:Value>ter:NotAuthorized"
                                                          "</SOAP-ENV:Value></SOAP-ENV:Subcode>")
            << "" << Kind::NotAuthorized << "refused the user name or password";
        QTest::newRow("fault with its reason") << Reader::Services << kActionNotSupported << "" << Kind::Fault
                                               << "fault: Optional Action Not Implemented";
        QTest::newRow("SOAP 1.1 fault")
            << Reader::Uri << envelope("<s:Fault xmlns:s=\"x\"><faultcode>s:Client</faultcode><faultstring>No such "
                                       "profile</faultstring></s:Fault>")
            << "" << Kind::Fault << "fault: No such profile";
        QTest::newRow("fault reason made printable and short")
            << Reader::Uri << fault("ter:X", "bad&#10;&#9;line " + QByteArray(500, 'x')) << "" << Kind::Fault
            << "bad line xxx";
        QTest::newRow("64 deep") << Reader::Clock << nested(62) << "" << Kind::Malformed << "holds no";
        QTest::newRow("65 deep") << Reader::Clock << nested(63) << "" << Kind::Malformed << "deeper than 64";
        QTest::newRow("over 1 MiB")
            << Reader::Information << envelope("<x>" + QByteArray(OnvifLimits::kMaxAnswerBytes, ' ') + "</x>") << ""
            << Kind::Malformed << "larger than 1024 KiB";
        QTest::newRow("too many elements")
            << Reader::Information << envelope(QByteArray("<x/>").repeated(OnvifLimits::kMaxXmlElements)) << ""
            << Kind::Malformed << "more than 20000 elements";
        QTest::newRow("document type refused")
            << Reader::Information << "<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" + kInformation.mid(kInformation.indexOf('\n'))
            << "" << Kind::Malformed << "document type";
        QTest::newRow("another call's answer") << Reader::Profiles << kInformation << "" << Kind::Malformed
                                               << "holds no GetProfilesResponse";
    }

    void answersBecomeStructsOrClearRefusals()
    {
        QFETCH(Reader, reader);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(Kind, kind);
        QFETCH(QString, words);
        OnvifFailure failure;
        QCOMPARE(summary(reader, bytes, &failure), expected);
        QCOMPARE(failure.kind, kind);
        QVERIFY2(failure.text.contains(words), qPrintable(failure.text));
        QVERIFY(failure.text.size() < OnvifLimits::kMaxShownChars + 60);
    }

    void mainIsLargestSubIsSmallestUsable_data()
    {
        QTest::addColumn<QList<int>>("widths");  // height = width * 9 / 16
        QTest::addColumn<int>("main");
        QTest::addColumn<int>("sub");
        QTest::newRow("one profile: no sub") << QList<int>{1920} << 0 << -1;
        QTest::newRow("main listed last") << QList<int>{640, 1280, 2560} << 2 << 0;
        QTest::newRow("too small for a sub") << QList<int>{1920, 176} << 0 << -1;
        QTest::newRow("smallest usable, not the tiny one") << QList<int>{2560, 176, 704, 1280} << 0 << 2;
        QTest::newRow("equal sizes: the first is main, the other sub") << QList<int>{1280, 1280} << 0 << 1;
    }

    void mainIsLargestSubIsSmallestUsable()
    {
        QFETCH(QList<int>, widths);
        QList<OnvifProfile> profiles;
        for (int w : widths)
            profiles.append({QString(), QString(), QString(), w, w * 9 / 16, 0});
        const ProfileChoice::Choice c = ProfileChoice::choose(profiles);
        QTEST(c.main, "main");
        QTEST(c.sub, "sub");
    }
};

QTEST_GUILESS_MAIN(TestOnvifParse)
#include "tst_onvifparse.moc"
