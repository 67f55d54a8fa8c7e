// The audio port chosen in the preferences reaches the far end of the next call: the choice is
// stored the way the sheet's OK stores it, and the phone started on that store places a call
// whose offer carries the port (or, with the automatic choice, a port of the engine's own).

#include <gtest/gtest.h>

#include "app/core/settings_store.h"
#include "app/logic/phone_state.h"
#include "app/logic/preferences_model.h"
#include "platform/profile.h"
#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

constexpr auto kSignIn = std::chrono::seconds(20);

class RtpPortTest : public ::testing::Test {
protected:
    void StartPeers() {
        PhonePeers::Options options;
        options.scenario = u"uas_answer_hang_up.xml"_s;
        options.sippArguments = {u"-rtp_echo"_s, u"-d"_s, u"1000"_s};
        m_peers = std::make_unique<PhonePeers>(m_env.path(u"peers"_s), options);
        ASSERT_TRUE(m_peers->Start()) << m_peers->error().toStdString();
        // This process writes the phone's store, as the sheet in the phone would.
        const QProcessEnvironment env = m_peers->Environment();
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "HOME", "ZUVO_MACHINE_STORE"}) {
            qputenv(name, env.value(QString::fromLatin1(name)).toLocal8Bit());
        }
    }

    // What OK on the sheet does with the audio port choice and this port text.
    void ChoosePort(bool automatic, const QString& port) {
        Profile profile = Profile::Phone();
        PhoneState state;
        state.settings = LoadSettings(profile, u"EN"_s);
        PreferencesModel model(PreferencesModel::PageFrom(state));
        PreferencesPage controls = model.page();
        controls.rtpDynamic = automatic;
        const auto check = model.Apply(controls, port, profile, [&](const PreferencesPage& page) {
            SaveSettings(profile, page, state.settings, state.account.record, QString());
        });
        ASSERT_EQ(check.messageId, 0);
    }

    // One call from a freshly started phone; the far end's view of it.
    QString CallAndGetOffer(const QString& number) {
        IdlePhone phone(*m_peers);
        EXPECT_TRUE(phone.Launch());
        EXPECT_TRUE(phone.WaitUntilIdleAndSignedIn(kSignIn)) << phone.Output().constData();
        const ProgramResult dial =
            RunProgram(u"zuvo-ctl"_s, {u"dial"_s, number}, m_peers->Environment());
        EXPECT_EQ(dial.code, 0) << dial.output.constData();
        EXPECT_TRUE(
            WaitUntil([&] { return m_peers->FarEndSaw(u"m=audio "_s); }, std::chrono::seconds(10)))
            << phone.Output().constData() << m_peers->Logs().toStdString();
        // The far end hangs up; the phone's unattended cycle ends with that call.
        EXPECT_EQ(phone.WaitForExit(std::chrono::seconds(20)), 2) << phone.Output().constData();
        return m_peers->FarEndMessages();
    }

    TestEnvironment m_env;
    std::unique_ptr<PhonePeers> m_peers;
};

TEST_F(RtpPortTest, FixedPortIsOfferedAndAutomaticIsNot) {
    EnsureApplication();
    ASSERT_NO_FATAL_FAILURE(StartPeers());

    ASSERT_NO_FATAL_FAILURE(ChoosePort(false, u"40000"_s));
    const QString fixedOffer = CallAndGetOffer(u"123"_s);
    EXPECT_TRUE(fixedOffer.contains(u"m=audio 40000 "_s)) << fixedOffer.right(3000).toStdString();
    m_peers.reset();

    ASSERT_NO_FATAL_FAILURE(StartPeers());
    ASSERT_NO_FATAL_FAILURE(ChoosePort(true, u"40000"_s));
    const QString automaticOffer = CallAndGetOffer(u"124"_s);
    EXPECT_TRUE(automaticOffer.contains(u"m=audio "_s));
    EXPECT_FALSE(automaticOffer.contains(u"m=audio 40000 "_s))
        << automaticOffer.right(3000).toStdString();
}

}  // namespace
