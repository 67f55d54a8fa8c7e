// tel:, sip: and callto: links as the desktop hands them to the phone program: a running phone
// gets the number through the hand-over of a second start and shows it; it dials at once only when
// the user's own setting says so; a refused link changes nothing; a phone that is not running
// starts with the number.

#include <gtest/gtest.h>

#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::test;

namespace {

constexpr auto kSignIn = std::chrono::seconds(20);

class PhoneLinkTest : public ::testing::Test {
protected:
    void StartPeers() {
        PhonePeers::Options options;
        options.scenario = u"uas_answer_hang_up.xml"_s;
        options.sippArguments = {u"-rtp_echo"_s, u"-d"_s, u"1500"_s};
        m_peers = std::make_unique<PhonePeers>(m_env.path(u"peers"_s), options);
        ASSERT_TRUE(m_peers->Start()) << m_peers->error().toStdString();
    }

    // A second start of the phone with these words, as the desktop runs "zuvo %u".
    ProgramResult OpenLink(const QStringList& words) {
        QProcessEnvironment env = m_peers->Environment();
        env.insert(u"QT_LOGGING_RULES"_s, u"zuvo.startup.debug=true"_s);
        return RunProgram(u"zuvo"_s, words, env);
    }

    QString State() {
        const ProgramResult r = RunProgram(u"zuvo-ctl"_s, {u"state"_s}, m_peers->Environment());
        return r.code == 0 ? QString::fromUtf8(r.output).trimmed() : QString();
    }

    std::string Diagnostics() {
        return "--- phone\n" + (m_phone ? m_phone->Output().toStdString() : std::string()) + '\n' +
               m_peers->Logs().toStdString() + "\n--- SIP at the far end\n" +
               m_peers->FarEndMessages().right(3000).toStdString();
    }

    TestEnvironment m_env;
    std::unique_ptr<PhonePeers> m_peers;
    std::unique_ptr<IdlePhone> m_phone;
};

TEST_F(PhoneLinkTest, ARunningPhoneShowsTheNumberAndDialsOnlyWhenTheUserAsked) {
    EnsureApplication();
    ASSERT_NO_FATAL_FAILURE(StartPeers());
    m_phone = std::make_unique<IdlePhone>(*m_peers);
    ASSERT_TRUE(m_phone->Launch());
    ASSERT_TRUE(m_phone->WaitUntilIdleAndSignedIn(kSignIn)) << Diagnostics();

    // Shown, normalised, and not dialled: the auto-dial delay (3 s) passes with the line idle.
    const ProgramResult shown = OpenLink({u"tel:+44%2020%207946%200000"_s});
    EXPECT_EQ(shown.code, 20) << shown.output.constData();
    EXPECT_TRUE(shown.output.contains("link: number \"00442079460000\" dial at once false"))
        << shown.output.constData();
    EXPECT_TRUE(WaitUntil([&] {
        return State() == u"state: number \"00442079460000\" call idle muted no"_s;
    })) << State().toStdString();
    WaitUntil([] { return false; }, std::chrono::milliseconds(4500));
    EXPECT_EQ(State(), u"state: number \"00442079460000\" call idle muted no"_s) << Diagnostics();
    EXPECT_FALSE(m_peers->FarEndSaw(u"INVITE"_s)) << Diagnostics();

    // Refused links say why and leave the display alone, whatever switches they carry.
    const QStringList refused[] = {{u"/T"_s, u"tel:0800-FLOWERS"_s},
                                   {u"/T"_s, u"tel:4420%0A/A"_s},
                                   {u"/T"_s, u"javascript:alert(1)"_s},
                                   {u"/T"_s, u"tel:"_s},
                                   {u"/T"_s, u"tel:4420"_s, u"/N999"_s, u"/A"_s}};
    for (const QStringList& words : refused) {
        const ProgramResult r = OpenLink(words);
        EXPECT_EQ(r.code, 20) << words.join(u' ').toStdString();
        EXPECT_TRUE(r.output.contains("link refused:")) << r.output.constData();
    }
    EXPECT_EQ(State(), u"state: number \"00442079460000\" call idle muted no"_s);

    // The user's own setting: a link's number is dialled (3 s after it shows).
    const ProgramResult set =
        RunProgram(u"zuvo-reg"_s,
                   {u"add"_s, u"HKCU\\Software\\Zuvo\\Zuvo PC\\Settings"_s, u"/v"_s, u"DialLinks"_s,
                    u"/t"_s, u"REG_DWORD"_s, u"/d"_s, u"1"_s},
                   m_peers->Environment());
    ASSERT_EQ(set.code, 0) << set.output.constData();
    const ProgramResult dialled = OpenLink({u"sip:4420794600@host.example;user=phone"_s});
    EXPECT_EQ(dialled.code, 20) << dialled.output.constData();
    EXPECT_TRUE(WaitUntil([&] { return m_peers->FarEndSaw(u"INVITE sip:+4420794600@"_s); },
                          std::chrono::seconds(15)))
        << Diagnostics();
    // The far end hangs up after 1.5 s; that call ends the phone's unattended cycle.
    EXPECT_EQ(m_phone->WaitForExit(std::chrono::seconds(20)), 2) << Diagnostics();
}

TEST_F(PhoneLinkTest, APhoneThatIsNotRunningStartsWithTheLinksNumber) {
    EnsureApplication();
    ASSERT_NO_FATAL_FAILURE(StartPeers());
    QProcessEnvironment env = m_peers->Environment();
    env.insert(u"QT_LOGGING_RULES"_s, u"zuvo.startup.debug=true;zuvo.window.debug=true"_s);
    ChildProcess phone(BinaryPath(u"zuvo"_s), {u"callto://+4420794600"_s}, env);
    ASSERT_TRUE(phone.Start());
    // Up: on its bus and signed out (the sign-in dialog waits); it answers a state request.
    QByteArray state;
    EXPECT_TRUE(WaitUntil(
        [&] {
            state = RunProgram(u"zuvo-ctl"_s, {u"state"_s}, m_peers->Environment()).output;
            return state.startsWith("state: ");
        },
        std::chrono::seconds(30)))
        << state.constData();
    phone.process().terminate();
    EXPECT_EQ(phone.WaitForExit(), 20) << phone.output().constData();
    EXPECT_TRUE(phone.output().contains("link: number \"004420794600\" dial at once false"))
        << phone.output().constData();
    EXPECT_FALSE(m_peers->FarEndSaw(u"INVITE"_s));
}

}  // namespace
