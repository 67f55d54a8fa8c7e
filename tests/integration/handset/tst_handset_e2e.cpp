// The USB handset end to end: the evdev driver, registered on the machine as a user would,
// reads key records from a FIFO standing in for the device; the phone signs in against the
// provider simulator and Kamailio, and the handset's keys dial, call, hang up, mute, change the
// volume and open the audio wizard. Unplugging (the FIFO's writer going) is survived.

#include <QtTest>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/core/app_globals.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/signin_dialog.h"
#include "app/ui/handset_device.h"
#include "app/ui/main_window.h"
#include "app/ui/phone_display.h"
#include "audio/audio_wizard.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "tests/support/phone_peers.h"
#include "tests/support/pulse_audio.h"
#include "tests/support/test_environment.h"
#include "tests/ui/support/signin_driver.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr auto kLong = std::chrono::seconds(20);
const QString kProgramId = u"Zuvo.EvdevHandset.1"_s;
const QString kClassId = u"{6E1D3B52-8F0A-4C29-9B7E-2D5F4A61C0E3}"_s;

// The writing end of the FIFO the driver reads, as a handset's key presses.
class FakeHandset {
public:
    explicit FakeHandset(QString path) : m_path(std::move(path)) {}
    ~FakeHandset() { Unplug(); }

    // Opens the writing end once the driver has the reading end open.
    bool Plug() {
        return test::WaitUntil([this] {
            m_fd = open(m_path.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            return m_fd >= 0;
        });
    }
    void Unplug() {
        if (m_fd >= 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    bool Press(unsigned key) { return Send(key, 1) && Send(key, 0); }

private:
    bool Send(unsigned key, int value) {
        input_event events[2] = {};
        events[0].type = EV_KEY;
        events[0].code = static_cast<uint16_t>(key);
        events[0].value = value;
        events[1].type = EV_SYN;
        events[1].code = SYN_REPORT;
        return write(m_fd, events, sizeof events) == static_cast<ssize_t>(sizeof events);
    }

    QString m_path;
    int m_fd = -1;
};

}  // namespace

class TestHandsetEndToEnd : public QObject {
    Q_OBJECT

    std::unique_ptr<test::PulseAudio> m_pulse;
    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<test::PhonePeers> m_peers;
    std::unique_ptr<CMainWindow> m_window;
    bool m_signInAnswered = false;
    bool m_wizardSeen = false;

    // Answers the sign-in dialog once; closes the audio wizard when it shows.
    void DriveDialogs() {
        CSigninDialog* dialog = test::UnansweredSigninDialog();
        if (dialog != nullptr && !m_signInAnswered) {
            m_signInAnswered = true;
            test::SignIn(*dialog);
        }
        if (m_window && m_window->audioWizard() != nullptr) {
            m_wizardSeen = true;
            m_window->audioWizard()->reject();
        }
        QTimer::singleShot(50, this, &TestHandsetEndToEnd::DriveDialogs);
    }

    QString Status() const { return PhoneDisplay::StatusText(m_window->state()); }

    int SpeakerVolume() const {
        int32_t volume = -1;
        m_window->engine()->GetVolume(RTCAD_SPEAKER, &volume);
        return volume;
    }

private Q_SLOTS:
    void initTestCase() {
        m_pulse = std::make_unique<test::PulseAudio>();
        QVERIFY2(m_pulse->Start(), m_pulse->output().constData());
        m_env = std::make_unique<test::TestEnvironment>();
        SetMessageBoxHook([](const MessageBoxRequest&) { return Cmd::Ok; });

        // Registered as the README tells a user to.
        Registry machine(Registry::LocalMachinePath());
        QVERIFY(machine.WriteString(HandsetDevice::kDriverKey, {}, kProgramId));
        QVERIFY(machine.WriteString(u"Software\\Classes\\"_s + kProgramId + u"\\CLSID"_s, {},
                                    kClassId));
        QVERIFY(
            machine.WriteString(u"Software\\Classes\\CLSID\\"_s + kClassId + u"\\InprocServer32"_s,
                                {}, QStringLiteral(HANDSET_DRIVER)));
        const QString fifo = m_env->path(u"handset"_s);
        QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        qputenv("ZUVO_HANDSET_DEVICES", fifo.toLocal8Bit());

        test::PhonePeers::Options options;
        options.scenario = u"uas_answer_wait_bye.xml"_s;
        options.sippArguments = {u"-rtp_echo"_s};
        m_peers = std::make_unique<test::PhonePeers>(m_env->path(u"peers"_s), options);
        QVERIFY2(m_peers->Start(), qPrintable(m_peers->error()));
        m_peers->UseInThisProcess();
        QTimer::singleShot(50, this, &TestHandsetEndToEnd::DriveDialogs);
    }

    void cleanupTestCase() {
        if (m_window) {
            m_window->port().PostMessage(Wm::Close, 0, 0);
            test::WaitUntil([this] { return m_window->isHidden(); }, kLong);
            QTest::qWait(200);
            // The driver was let go at destruction (a window never shown is hidden before the
            // engine's clean-up destroys it).
            QTRY_VERIFY_WITH_TIMEOUT(m_window->handset() == nullptr, 20000);
            m_window.reset();
        }
        SetMessageBoxHook(nullptr);
        m_peers.reset();
        qunsetenv("ZUVO_HANDSET_DEVICES");
        qunsetenv("ZUVO_DEFAULT_WEB_HOST");
        qunsetenv("ZUVO_SIP_DOMAIN");
        m_env.reset();
        m_pulse.reset();
    }

    void handsetKeysDriveThePhone() {
        App().commandLine = CommandLineOptions{};
        m_window = std::make_unique<CMainWindow>();
        m_window->show();
        CMainWindow& phone = *m_window;
        QVERIFY2(phone.handset() != nullptr, "the registered driver was not loaded");
        // A headset: echo cancellation off on its first start, and noted for the model.
        QCOMPARE(Profile::Phone().GetInt(u"Audio"_s, u"handset AEC"_s, 0), 1);
        bool aec = true;
        QVERIFY(phone.engine()->GetEchoCancellation(&aec) >= 0);
        QVERIFY(!aec);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Ready to call"_s, 20000);

        FakeHandset handset(m_env->path(u"handset"_s));
        QVERIFY(handset.Plug());
        for (unsigned key : {KEY_NUMERIC_4, KEY_KP4, KEY_NUMERIC_2, KEY_NUMERIC_0}) {
            QVERIFY(handset.Press(key));
        }
        QTRY_COMPARE(phone.state().display.numberLine, u"4420"_s);

        // Volume down twice from the top, then up twice back to it (the second step up from
        // 0xF800 reaches the top).
        const int before = SpeakerVolume();
        QCOMPARE(before, 0xFFFF);
        QVERIFY(handset.Press(KEY_VOLUMEDOWN));
        QTRY_COMPARE(SpeakerVolume(), 0xFFFF - 2 * 2047);
        QVERIFY(handset.Press(KEY_VOLUMEUP));
        QTRY_COMPARE(SpeakerVolume(), 0xFFFF);

        // Pick-up places the call through the registrar; mute follows; hang-up ends it.
        QVERIFY(handset.Press(KEY_PICKUP_PHONE));
        QTRY_VERIFY_WITH_TIMEOUT(phone.state().call.active, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_peers->FarEndSaw(u"INVITE sip:+4420@"_s), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(phone.state().call.mediaStarted, 15000);
        QVERIFY(handset.Press(KEY_MICMUTE));
        QTRY_VERIFY(phone.state().call.muted);
        QVERIFY(handset.Press(KEY_MICMUTE));
        QTRY_VERIFY(!phone.state().call.muted);
        QVERIFY(handset.Press(KEY_HANGUP_PHONE));
        QTRY_COMPARE_WITH_TIMEOUT(Status(), u"Call ended"_s, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_peers->FarEndSaw(u"BYE sip:"_s), 10000);
        QVERIFY(handset.Press(KEY_HANGUP_PHONE));  // clears the display
        QTRY_COMPARE(phone.state().display.numberLine, QString());

        // Unplugged and plugged in again: the driver follows it.
        handset.Unplug();
        QVERIFY(handset.Plug());
        QVERIFY(handset.Press(KEY_NUMERIC_7));
        QTRY_COMPARE(phone.state().display.numberLine, u"7"_s);
        // Star and pound press the keypad's "*" and "#" (which add nothing to this number line;
        // in a call they send their tones), as does the numeric keypad's asterisk.
        QVERIFY(handset.Press(KEY_NUMERIC_STAR));
        QTRY_COMPARE(phone.state().keypad.index, 10);
        QVERIFY(handset.Press(KEY_NUMERIC_POUND));
        QTRY_COMPARE(phone.state().keypad.index, 11);
        QVERIFY(handset.Press(KEY_NUMERIC_1));
        QTRY_COMPARE(phone.state().display.numberLine, u"71"_s);
        QCOMPARE(phone.state().keypad.index, 1);
        QVERIFY(handset.Press(KEY_KPASTERISK));
        QTRY_COMPARE(phone.state().keypad.index, 10);
        QCOMPARE(phone.state().display.numberLine, u"71"_s);

        // The audio-settings key opens the wizard.
        QVERIFY(handset.Press(KEY_SOUND));
        QTRY_VERIFY(m_wizardSeen);
        QTRY_VERIFY(phone.audioWizard() == nullptr);
    }

    void echoCancellationIsSwitchedOffOncePerModel() {
        // The model is known now: a new start leaves the engine's echo cancellation alone.
        m_window->port().PostMessage(Wm::Close, 0, 0);
        QVERIFY(test::WaitUntil([this] { return m_window->isHidden(); }, kLong));
        QTest::qWait(200);
        m_window.reset();
        m_window = std::make_unique<CMainWindow>();
        // No sign-in this time.
        QCoreApplication::removePostedEvents(&m_window->port());
        QVERIFY(m_window->handset() != nullptr);
        bool aec = false;
        QVERIFY(m_window->engine()->GetEchoCancellation(&aec) >= 0);
        QVERIFY(aec);
        QCOMPARE(Profile::Phone().GetInt(u"Audio"_s, u"handset AEC"_s, 0), 1);
    }
};

QTEST_MAIN(TestHandsetEndToEnd)
#include "tst_handset_e2e.moc"
