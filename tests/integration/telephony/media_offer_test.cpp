// What the engine offers for a call's media, as the far end (SIPp behind Kamailio) sees it: the
// codecs and their order, and SRTP keys only over TLS signalling.

#include <QCoreApplication>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include "telephony/linphone_sip_client.h"
#include "telephony/linphone_telephony_module.h"
#include "telephony/rtc_engine.h"
#include "tests/integration/telephony/recording_window.h"
#include "tests/support/kamailio.h"
#include "tests/support/loopback_capture.h"
#include "tests/support/sipp.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

constexpr auto kUri = u"sip:1001_Z@zuvo.test";

// The SDP body of the first INVITE in a SIPp message log.
QString InviteSdp(const QString& messages) {
    const qsizetype invite = messages.indexOf(u"INVITE sip:"_s);
    if (invite < 0) {
        return {};
    }
    const qsizetype body = messages.indexOf(u"v=0"_s, invite);
    const qsizetype end = messages.indexOf(u"-----"_s, body);
    return body < 0 ? QString() : messages.mid(body, end < 0 ? -1 : end - body);
}

// The codec names of the m=audio line in order ("opus/48000", "PCMU/8000", ...).
QStringList OfferedCodecs(const QString& sdp) {
    const QRegularExpressionMatch media =
        QRegularExpression(u"m=audio \\d+ ([A-Z/]+)((?: \\d+)+)"_s).match(sdp);
    if (!media.hasMatch()) {
        return {};
    }
    QStringList names;
    for (const QString& number : media.captured(2).split(u' ', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch map =
            QRegularExpression(u"a=rtpmap:"_s + number + u" ([^/\\s]+/\\d+)"_s).match(sdp);
        // Static payload types may come without an rtpmap line.
        names << (map.hasMatch()    ? map.captured(1)
                  : number == u"0"  ? u"PCMU/8000"_s
                  : number == u"8"  ? u"PCMA/8000"_s
                  : number == u"9"  ? u"G722/8000"_s
                  : number == u"18" ? u"G729/8000"_s
                                    : u"?"_s + number);
    }
    return names;
}

// PCMU of 20 ms from the silent stand-in sound card: what a plain packet of this phone carries.
bool IsPlainSilence(const QByteArray& packet) {
    if (packet.size() != 12 + 160) {
        return false;
    }
    const QByteArray payload = packet.mid(12);
    return payload.count('\xff') + payload.count('\x7f') == payload.size();
}

class MediaOffer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "telephony_media_offer_test";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
    }

    void TearDown() override {
        if (m_engine) {
            m_engine->Shutdown();
        }
        if (HasFailure()) {
            if (m_sipp) {
                std::cerr << "--- sipp\n" << m_sipp->Messages().right(6000).toStdString();
            }
            if (m_kamailio) {
                std::cerr << "--- kamailio\n" << m_kamailio->output().right(3000).constData();
            }
        }
    }

    void StartPeers(const QString& scenario, bool tls) {
        m_sipp = std::make_unique<Sipp>(scenario, m_env.root(), QStringList{u"-rtp_echo"_s});
        m_sipp->SetLimits(0, 180);
        ASSERT_TRUE(m_sipp->Start());
        Kamailio::Options options;
        options.farEndPort = m_sipp->port();
        options.tls = tls;
        m_kamailio = std::make_unique<Kamailio>(m_env.path(u"kamailio"_s), options);
        ASSERT_TRUE(m_kamailio->Start()) << m_kamailio->output().constData();
    }

    void StartAndRegister(const QString& transport, bool requireEncryption = false) {
        m_engine = std::make_unique<CRtcEngine>(LinphoneTelephonyModule::ClientFactory());
        m_window.engine = m_engine.get();
        ASSERT_EQ(m_engine->Start(&m_window), S_OK);
        ASSERT_EQ(m_engine->SetMediaEncryptionRequired(requireEncryption), S_OK);
        int port = m_kamailio->udpPort();
        if (transport == u"TLS"_s) {
            ASSERT_EQ(Client().SetTrustedCertificates(m_kamailio->certificate()), S_OK);
            port = m_kamailio->tlsPort();
        }
        const QString server = u"127.0.0.1:"_s + QString::number(port);
        ASSERT_EQ(m_engine->Register(QString::fromUtf16(kUri), server, transport), S_OK);
        ASSERT_TRUE(WaitFor(RTC_EVT_REGISTRATION, RTCRS_REGISTERED));
        m_window.events.clear();
    }

    bool WaitFor(WPARAM kind, int32_t state, int seconds = 20) {
        return WaitUntil([&] { return m_window.Has(kind, state); }, std::chrono::seconds(seconds));
    }

    LinphoneSipClient& Client() { return *dynamic_cast<LinphoneSipClient*>(m_engine->Client()); }

    TestEnvironment m_env;
    RecordingWindow m_window;
    std::unique_ptr<Sipp> m_sipp;
    std::unique_ptr<Kamailio> m_kamailio;
    std::unique_ptr<CRtcEngine> m_engine;
};

// Over UDP: Opus, G.722, PCMU, PCMA in that order (G.729 may follow), the key events, nothing
// else, no SRTP keys; the fixed RTP port is kept; the call runs on the first codec the far end
// shares and the statistics say so.
TEST_F(MediaOffer, CodecsInOrderOfPreferenceAndNoKeysOverUdp) {
    StartPeers(u"uas_answer_wait_bye.xml"_s, false);
    StartAndRegister(u"UDP"_s);
    const int rtpPort = FreePort(true) & ~1;
    LoopbackCapture capture(rtpPort);
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794600"_s, QString(), rtpPort), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_MEDIA, RTCMET_STARTED));

    const QString sdp = InviteSdp(m_sipp->Messages());
    const QStringList codecs = OfferedCodecs(sdp);
    QStringList audio;
    for (const QString& codec : codecs) {
        if (!codec.startsWith(u"telephone-event/"_s)) {
            audio << codec;
        }
    }
    ASSERT_GE(audio.size(), 4) << sdp.toStdString();
    EXPECT_EQ(audio.mid(0, 4),
              (QStringList{u"opus/48000"_s, u"G722/8000"_s, u"PCMU/8000"_s, u"PCMA/8000"_s}))
        << sdp.toStdString();
    EXPECT_TRUE(audio.size() == 4 || audio.mid(4) == QStringList{u"G729/8000"_s})
        << sdp.toStdString();
    EXPECT_TRUE(codecs.contains(u"telephone-event/8000"_s)) << sdp.toStdString();
    EXPECT_TRUE(sdp.contains(u"m=audio "_s + QString::number(rtpPort) + u" RTP/AVP "_s))
        << sdp.toStdString();
    EXPECT_FALSE(sdp.contains(u"crypto"_s)) << sdp.toStdString();
    EXPECT_FALSE(sdp.contains(u"RTP/SAVP"_s)) << sdp.toStdString();

    ASSERT_TRUE(WaitUntil([&] { return m_engine->LastCallStatistics().has_value(); }));
    const CallStatistics stats = *m_engine->LastCallStatistics();
    EXPECT_EQ(stats.codec, u"PCMU"_s);
    EXPECT_FALSE(stats.encrypted);
    // In clear on the wire: plain RTP of PCMU, without an authentication tag.
    if (capture.ok()) {
        ASSERT_TRUE(WaitUntil([&] { return capture.Payloads().size() > 10; }));
        const QList<QByteArray> packets = capture.Payloads();
        EXPECT_EQ(packets.back().size(), 12 + 160);
        if (Client().UsesNullCard()) {
            EXPECT_TRUE(std::any_of(packets.begin(), packets.end(), IsPlainSilence));
        }
    } else {
        std::cerr << "no loopback capture: " << capture.error().toStdString() << '\n';
    }
    ASSERT_EQ(m_engine->HangUp(), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    // Kept after the call for the report.
    ASSERT_TRUE(m_engine->LastCallStatistics().has_value());
    EXPECT_GT(m_engine->LastCallStatistics()->packetsSent, 0u);
}

// Over TLS the offer carries SDES keys as an alternative to plain RTP, and a far end that takes
// them gets an encrypted call: nothing of the audio goes out in clear.
TEST_F(MediaOffer, SrtpKeysOverTlsAndAnEncryptedCall) {
    StartPeers(u"uas_answer_sdes.xml"_s, true);
    StartAndRegister(u"TLS"_s);
    const int rtpPort = FreePort(true) & ~1;
    LoopbackCapture capture(rtpPort);
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794601"_s, QString(), rtpPort), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_CONNECTED));
    const QString sdp = InviteSdp(m_sipp->Messages());
    EXPECT_TRUE(sdp.contains(
        QRegularExpression(u"a=acap:\\d+ crypto:\\d+ AES_CM_128_HMAC_SHA1_80 inline:"_s)))
        << sdp.toStdString();
    EXPECT_TRUE(sdp.contains(u"a=tcap:1 RTP/SAVP"_s)) << sdp.toStdString();
    ASSERT_TRUE(WaitUntil([&] {
        const auto stats = m_engine->LastCallStatistics();
        return stats && stats->packetsSent > 10;
    }));
    EXPECT_TRUE(m_engine->LastCallStatistics()->encrypted);
    // On the wire: RTP headers with an 80-bit authentication tag, and no payload in clear.
    if (capture.ok()) {
        ASSERT_TRUE(WaitUntil([&] { return capture.Payloads().size() > 10; }));
        const QList<QByteArray> packets = capture.Payloads();
        EXPECT_EQ(packets.back().size(), 12 + 160 + 10);
        EXPECT_TRUE(std::none_of(packets.begin(), packets.end(), IsPlainSilence));
        for (const QByteArray& packet : packets) {
            EXPECT_FALSE(packet.contains(QByteArray(40, '\xff')));
        }
    } else {
        std::cerr << "no loopback capture: " << capture.error().toStdString() << '\n';
    }
    ASSERT_EQ(m_engine->HangUp(), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
}

// Over TLS a far end without SRTP answers the plain offer and still gets the call, in clear.
TEST_F(MediaOffer, FarEndWithoutSrtpStillGetsTheCallOverTls) {
    StartPeers(u"uas_answer_wait_bye.xml"_s, true);
    StartAndRegister(u"TLS"_s);
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794604"_s, QString(), 0), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_MEDIA, RTCMET_STARTED));
    ASSERT_TRUE(WaitUntil([&] {
        const auto stats = m_engine->LastCallStatistics();
        return stats && stats->packetsReceived > 10;
    }));
    EXPECT_FALSE(m_engine->LastCallStatistics()->encrypted);
    EXPECT_FALSE(m_window.Has(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    ASSERT_EQ(m_engine->HangUp(), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
}

// Encryption required: a far end that answers in clear does not get the call, and over UDP
// signalling the call is not even offered.
TEST_F(MediaOffer, RequiredEncryptionNeverGoesOutInClear) {
    StartPeers(u"uas_answer_wait_bye.xml"_s, true);
    StartAndRegister(u"TLS"_s, true);
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794602"_s, QString(), 0), S_OK);
    ASSERT_TRUE(WaitFor(RTC_EVT_SESSION, RTCSS_DISCONNECTED));
    EXPECT_FALSE(m_window.Has(RTC_EVT_MEDIA, RTCMET_STARTED));
    // Ended as not acceptable (488): the phone shows "Call rejected", the test call ends with 35.
    const auto ended = m_window.Of(RTC_EVT_SESSION).back();
    EXPECT_EQ(ended.b, SipStatus(488, true)) << std::hex << ended.b;
    const QString sdp = InviteSdp(m_sipp->Messages());
    EXPECT_TRUE(sdp.contains(u"RTP/SAVP"_s)) << sdp.toStdString();
    const auto stats = m_engine->LastCallStatistics();
    EXPECT_TRUE(!stats || stats->packetsSent == 0);
    m_engine->Shutdown();
    m_engine.reset();
    m_window.events.clear();

    // The same requirement with UDP signalling: refused before anything is sent.
    StartAndRegister(u"UDP"_s, true);
    const qsizetype before = m_sipp->Messages().count(u"INVITE sip:"_s);
    EXPECT_TRUE(Failed(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794603"_s, QString(), 0)));
    EXPECT_FALSE(m_engine->IsCallActive());
    WaitUntil([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_EQ(m_sipp->Messages().count(u"INVITE sip:"_s), before);
}

}  // namespace
}  // namespace zuvo::test
