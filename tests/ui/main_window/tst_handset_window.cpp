// The window and a registered handset driver: what the phone tells the handset (speaker, modal
// dialogs, focus), the information buffer, events from the driver's own thread reaching the
// window on its thread, the answer while the window closes, and the driver let go at the end.

#include <QtTest>

#include <QApplication>
#include <QFile>
#include <QFocusEvent>

#include <dlfcn.h>

#include <thread>

#include "app/core/app_globals.h"
#include "app/ui/handset_device.h"
#include "app/ui/main_window.h"
#include "audio/audio_wizard.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

const QString kProgramId = u"Test.RecordingHandset.1"_s;
const QString kClassId = u"{0A1B2C3D-4E5F-4061-8273-948596A7B8C9}"_s;

using Fire = int (*)(int, int, int);

// The driver's thread: sends one key through the phone's callback and gives its answer.
int FireFromDriverThread(int code, bool pressed) {
    void* library = dlopen(RECORDING_HANDSET, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) {
        return -100;
    }
    void* symbol = dlsym(library, "recording_handset_fire");
    Fire fire = nullptr;
    std::memcpy(&fire, &symbol, sizeof fire);
    int answer = -200;
    std::thread driver([&] { answer = fire(code, pressed ? 1 : 0, 0); });
    driver.join();
    dlclose(library);
    return answer;
}

}  // namespace

class TestHandsetWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestEnvironment> m_env;
    QString m_log;

    QStringList Told() const {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    void Forget() const { QFile::remove(m_log); }

private Q_SLOTS:
    void initTestCase() {
        m_env = std::make_unique<test::TestEnvironment>();
        m_log = m_env->path(u"handset.log"_s);
        qputenv("ZUVO_TEST_HANDSET_LOG", m_log.toLocal8Bit());
        Registry machine(Registry::LocalMachinePath());
        QVERIFY(machine.WriteString(HandsetDevice::kDriverKey, {}, kProgramId));
        QVERIFY(machine.WriteString(u"Software\\Classes\\"_s + kProgramId + u"\\CLSID"_s, {},
                                    kClassId));
        QVERIFY(
            machine.WriteString(u"Software\\Classes\\CLSID\\"_s + kClassId + u"\\InprocServer32"_s,
                                {}, QStringLiteral(RECORDING_HANDSET)));
    }
    void cleanupTestCase() {
        qunsetenv("ZUVO_TEST_HANDSET_LOG");
        m_env.reset();
    }

    void handsetIsToldAndHeard() {
        App().commandLine = CommandLineOptions{};
        auto window = std::make_unique<CMainWindow>();
        // No sign-in: these checks are about the handset.
        QCoreApplication::removePostedEvents(&window->port());
        window->show();
        QVERIFY(window->handset() != nullptr);
        // Made, then told the speaker index.
        QCOMPARE(Told(), (QStringList{u"create"_s, u"7,0"_s}));

        // A name that fills all 60 bytes is cut inside them: 59 characters.
        const QString model = QString(59, u'N') + u" AEC"_s;
        QCOMPARE(Profile::Phone().GetInt(u"Audio"_s, model, 0), 1);

        // Keys wait for the sign-in; this one goes nowhere.
        QCOMPARE(FireFromDriverThread(3, true), 0);
        QTest::qWait(50);
        QCOMPARE(window->state().display.numberLine, QString());
        window->mutableState().signin.pending = false;
        // Keys from the driver's thread wait for the window's own loop.
        QCOMPARE(FireFromDriverThread(5, true), 0);
        QCOMPARE(window->state().display.numberLine, QString());
        QTRY_COMPARE(window->state().display.numberLine, u"5"_s);
        QCOMPARE(FireFromDriverThread(5, false), 0);

        // The audio wizard is a modal dialog for the handset: 6 then 5 at the opening, and,
        // since the handset answered that with non-zero, 5 with 0 at the end.
        Forget();
        QTimer::singleShot(0, window.get(), [&] {
            if (window->audioWizard() != nullptr) {
                window->audioWizard()->reject();
            }
        });
        window->port().SendMessage(Wm::Command, MakeWParam(Cmd::AudioSettings, 0), 0);
        QCOMPARE(Told(), (QStringList{u"6,1"_s, u"5,1"_s, u"5,0"_s}));

        // A new speaker.
        Forget();
        window->port().SendMessage(Msg::AudioDeviceChosen, 2, 0);
        QCOMPARE(Told(), QStringList{u"7,0"_s});

        // The window took the focus.
        Forget();
        QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(window.get(), &focus);
        QCOMPARE(Told(), QStringList{u"4,0"_s});

        // The handset's menu key opens the context menu; the handset hears of it and of its end.
        Forget();
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();
            }
        });
        closer.start(20);
        QCOMPARE(FireFromDriverThread(21, true), 0);
        QTRY_COMPARE(Told(), (QStringList{u"3,1"_s, u"3,0"_s}));
        closer.stop();

        // While it closes, the callback says so and the key goes nowhere.
        window->port().SendMessage(Wm::Close, 0, 0);
        QCOMPARE(FireFromDriverThread(7, true), 1);
        QTest::qWait(100);
        QCOMPARE(window->state().display.numberLine, u"5"_s);
        QTRY_VERIFY_WITH_TIMEOUT(window->handset() == nullptr, 15000);
        QVERIFY(Told().contains(u"destroy"_s));
        window.reset();
        // Let go of with the window.
        QCOMPARE(dlopen(RECORDING_HANDSET, RTLD_NOW | RTLD_NOLOAD), nullptr);
    }
};

QTEST_MAIN(TestHandsetWindow)
#include "tst_handset_window.moc"
