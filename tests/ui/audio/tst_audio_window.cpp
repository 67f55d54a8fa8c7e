// The phone's window with a private sound server: the speaker and microphone it hands the real
// engine, from the wizard, the settings, an external-control client and devices that come and
// go, checked on what the engine then uses.

#include <QtTest>

#include <QComboBox>

#include "app/logic/audio_device_choice.h"
#include "app/logic/phone_state.h"
#include "app/ui/main_window.h"
#include "audio/audio_wizard.h"
#include "audio/speaker_page.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "telephony/linphone_sip_client.h"
#include "telephony/rtc_engine.h"
#include "telephony/sound_devices.h"
#include "tests/support/pulse_audio.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

LinphoneSipClient* Client(CMainWindow& window) {
    auto* engine = dynamic_cast<CRtcEngine*>(window.engine());
    return engine ? dynamic_cast<LinphoneSipClient*>(engine->Client()) : nullptr;
}

QString Speaker(CMainWindow& window) {
    LinphoneSipClient* client = Client(window);
    return client ? client->OutputDeviceName() : QString();
}

QString Microphone(CMainWindow& window) {
    LinphoneSipClient* client = Client(window);
    return client ? client->InputDeviceName() : QString();
}

}  // namespace

class TestAudioWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<test::PulseAudio> m_pulse;
    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<CMainWindow> m_window;

    CMainWindow& Window() {
        m_window.reset();
        m_window = std::make_unique<CMainWindow>();
        // The sign-in prompt would open a modal dialog; these checks are about audio.
        QCoreApplication::removePostedEvents(&m_window->port());
        m_window->show();
        static_cast<void>(QTest::qWaitForWindowExposed(m_window.get()));
        return *m_window;
    }

    static QString Stored(const QString& section, const QString& name) {
        return Profile::Phone().GetString(section, name, u"(none)"_s);
    }

    // Runs the wizard from the menu command; act sees it open and closes it.
    void RunWizard(CMainWindow& window, const std::function<void(CConfig&)>& act) {
        bool acted = false;
        QTimer::singleShot(0, &window, [&] {
            CConfig* wizard = window.audioWizard();
            if (wizard != nullptr) {
                act(*wizard);
                acted = true;
                wizard->reject();
            }
        });
        window.port().SendMessage(Wm::Command, MakeWParam(Cmd::AudioSettings, 0), 0);
        QVERIFY(acted);
    }

private Q_SLOTS:
    void initTestCase() {
        m_pulse = std::make_unique<test::PulseAudio>();
        QVERIFY2(m_pulse->Start(), m_pulse->output().constData());
    }
    void cleanupTestCase() { m_pulse.reset(); }
    void init() { m_env = std::make_unique<test::TestEnvironment>(); }
    void cleanup() {
        m_window.reset();
        m_env.reset();
    }

    void storedDevicesAreCheckedAndAppliedAtStart() {
        // The first devices by default, handed to the engine by name.
        CMainWindow& first = Window();
        QCOMPARE(Speaker(first), u"Speaker_A"_s);
        QCOMPARE(Microphone(first), u"Microphone_A"_s);

        // "1,1": the second of each; "9,1": no ninth speaker, so the first.
        Profile::Phone().WriteString(u"Audio"_s, u"Audio Devices"_s, u"1,1"_s);
        CMainWindow& second = Window();
        QCOMPARE(Speaker(second), u"Speaker_B"_s);
        QCOMPARE(Microphone(second), u"Loud_Sine"_s);
        Profile::Phone().WriteString(u"Audio"_s, u"Audio Devices"_s, u"9,1"_s);
        CMainWindow& third = Window();
        QCOMPARE(third.audioDevices().Speaker(), 0);
        QCOMPARE(Speaker(third), u"Speaker_A"_s);
        QCOMPARE(Microphone(third), u"Loud_Sine"_s);
        QCOMPARE(Stored(u"Audio"_s, u"Audio Devices"_s), u"9,1"_s);  // not stored until a change

        // A device choice outside the lists changes nothing.
        third.port().SendMessage(Msg::AudioDeviceChosen, 2, 99);
        third.port().SendMessage(Msg::AudioDeviceChosen, 1, -1);
        QCOMPARE(Stored(u"Audio"_s, u"Audio Devices"_s), u"9,1"_s);
        QCOMPARE(Speaker(third), u"Speaker_A"_s);
    }

    void wizardChoiceIsUsedStoredAndKeptAcrossARestart() {
        Profile::Phone().WriteInt(u"Configuration"_s, u"Install Wizard"_s, 1);
        CMainWindow& window = Window();
        QVERIFY(window.state().installWizardPending);
        bool heldWhileOpen = false;
        RunWizard(window, [&](CConfig& wizard) {
            heldWhileOpen = window.state().modal.IsOpen(ModalDialog::AudioWizard);
            // A second opening while it is up is refused.
            window.RunAudioWizard();
            wizard.next();
            auto* devices =
                wizard.speaker()->findChild<QComboBox*>(QString::number(CSpeaker::kDeviceCombo));
            devices->setCurrentIndex(1);
        });
        QVERIFY(heldWhileOpen);
        QVERIFY(!window.state().modal.IsOpen());
        QCOMPARE(Speaker(window), u"Speaker_B"_s);
        QCOMPARE(Stored(u"Audio"_s, u"Audio Devices"_s), u"1,0"_s);
        // Cancelled, yet asked for no more.
        QCOMPARE(Profile::Phone().GetInt(u"Configuration"_s, u"Install Wizard"_s, -1), 0);
        QVERIFY(!window.state().installWizardPending);

        CMainWindow& restarted = Window();
        QCOMPARE(restarted.audioDevices().Speaker(), 1);
        QCOMPARE(Speaker(restarted), u"Speaker_B"_s);

        // Help only with the web links.
        for (const bool links : {false, true}) {
            restarted.mutableState().settings.webLinks = links;
            bool help = !links;
            RunWizard(restarted,
                      [&](CConfig& wizard) { help = wizard.testOption(QWizard::HaveHelpButton); });
            QCOMPARE(help, links);
        }
    }

    void clientDevicesByNameAndTheSavedOnesBackWhenItLetsGo() {
        Profile::Phone().WriteString(u"Audio"_s, u"Audio Devices"_s, u"1,0"_s);
        CMainWindow& window = Window();
        QCOMPARE(Speaker(window), u"Speaker_B"_s);
        window.mutableState().call.muted = true;
        window.UseClientDevices(u"loud_sine"_s, u"voice_feed"_s);
        QCOMPARE(Microphone(window), u"Loud_Sine"_s);
        QCOMPARE(Speaker(window), u"Voice_Feed"_s);
        QCOMPARE(window.audioDevices().Microphone(), 1);
        QCOMPARE(window.audioDevices().Speaker(), 2);
        QVERIFY(!window.state().call.muted);
        QCOMPARE(Stored(u"Audio"_s, u"Audio Devices"_s), u"1,0"_s);

        window.RestoreDevices();
        QCOMPARE(Microphone(window), u"Microphone_A"_s);
        QCOMPARE(Speaker(window), u"Speaker_B"_s);
        // On the sound server: a key tone is played on the restored speaker.
        QCOMPARE(window.engine()->SendTone(5), S_OK);
        QVERIFY(test::WaitUntil([&] { return !m_pulse->SinksInUse().isEmpty(); }));
        QCOMPARE(m_pulse->SinksInUse(), QStringList{u"zuvo_speaker_b"_s});
    }

    void pluggedOutAndBackTheWizardReListsAndThePhoneReturnsToTheDevice() {
        CMainWindow& window = Window();
        const QStringList plug = {u"sink_name=zuvo_speaker_c"_s,
                                  u"sink_properties=device.description=Speaker_C"_s};
        int module = m_pulse->LoadModule(u"module-null-sink"_s, plug);
        QVERIFY(module >= 0);
        QVERIFY(test::WaitUntil(
            [&] { return window.soundDevices().List().playback.Find(u"Speaker_C"_s) >= 0; }));
        const int index = window.soundDevices().List().playback.Find(u"Speaker_C"_s);
        RunWizard(window, [&](CConfig& wizard) {
            wizard.next();
            auto* devices =
                wizard.speaker()->findChild<QComboBox*>(QString::number(CSpeaker::kDeviceCombo));
            QVERIFY(devices->findText(u"Speaker_C"_s) == index);
            devices->setCurrentIndex(index);
            QCOMPARE(Speaker(window), u"Speaker_C"_s);

            // Unplugged while the wizard is open: the list loses it, the phone falls back.
            QVERIFY(m_pulse->UnloadModule(module));
            QVERIFY(test::WaitUntil([&] { return devices->findText(u"Speaker_C"_s) < 0; }));
            QVERIFY(test::WaitUntil([&] { return Speaker(window) != u"Speaker_C"_s; }));

            // Back again: listed again and in use again.
            module = m_pulse->LoadModule(u"module-null-sink"_s, plug);
            QVERIFY(module >= 0);
            QVERIFY(test::WaitUntil([&] { return devices->findText(u"Speaker_C"_s) >= 0; }));
            QVERIFY(test::WaitUntil([&] { return Speaker(window) == u"Speaker_C"_s; }));
        });
        QVERIFY(m_pulse->UnloadModule(module));
    }
};

QTEST_MAIN(TestAudioWindow)
#include "tst_audio_window.moc"
