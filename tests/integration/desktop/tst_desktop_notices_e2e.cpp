// Desktop notifications of a signed-in phone, as a notification service on the session bus sees
// them: a real incoming call (a SIPp caller ringing the phone's account through Kamailio) and a
// balance below the service's trigger. The window runs in this process on a session bus of the
// test's own, where the test serves org.freedesktop.Notifications.

#include <QtTest>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>

#include "app/core/app_globals.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/signin_dialog.h"
#include "app/logic/phone_state.h"
#include "app/ui/desktop_presence.h"
#include "app/ui/main_window.h"
#include "app/ui/phone_display.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "tests/support/notification_service.h"
#include "tests/support/phone_peers.h"
#include "tests/support/private_session_bus.h"
#include "tests/ui/support/signin_driver.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr int kLongMs = 30000;

}  // namespace

class TestDesktopNoticesEndToEnd : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::PrivateSessionBus> m_bus;
    std::unique_ptr<test::NotificationService> m_service;
    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<test::PhonePeers> m_peers;
    std::unique_ptr<CMainWindow> m_window;
    QStringList m_messages;  // message boxes shown

    // Peers whose account 12345 has a balance of 0.40 against a trigger of 1.00; this process
    // takes the phone's folders.
    void StartPeers() {
        QJsonObject account{
            {u"account"_s, u"12345"_s}, {u"pin"_s, u"9876"_s},
            {u"as"_s, u"1"_s},          {u"phonecfg"_s, u"0"_s},
            {u"balance"_s, u"0.40"_s},  {u"currency"_s, u"EUR"_s},
            {u"trigger"_s, u"1.00"_s},  {u"hosts"_s, QJsonArray{u"zuvo.test:127.0.0.1"_s}},
            {u"web"_s, QJsonArray{}}};
        test::PhonePeers::Options options;
        options.scenario = u"uas_answer_wait_bye.xml"_s;
        options.accounts =
            QJsonDocument(QJsonObject{{u"accounts"_s, QJsonArray{account}}}).toJson();
        m_peers = std::make_unique<test::PhonePeers>(m_env->path(u"peers"_s), options);
        QVERIFY2(m_peers->Start(), qPrintable(m_peers->error()));
        const QProcessEnvironment env = m_peers->Environment();
        for (const QString& name : env.keys()) {
            if (name.startsWith(u"XDG_"_s) || name.startsWith(u"ZUVO_"_s) || name == u"HOME"_s) {
                qputenv(name.toLocal8Bit().constData(), env.value(name).toLocal8Bit());
            }
        }
    }

    void DriveDialogs() {
        if (CSigninDialog* dialog = test::UnansweredSigninDialog()) {
            test::SignIn(*dialog);
        }
        QTimer::singleShot(50, this, &TestDesktopNoticesEndToEnd::DriveDialogs);
    }

    // Opens the phone and waits until it is signed in and its balance (below the trigger) came.
    CMainWindow& SignedInPhone() {
        App().commandLine = CommandLineOptions{};
        m_window = std::make_unique<CMainWindow>();
        m_window->show();
        test::WaitUntil(
            [this] {
                return PhoneDisplay::StatusText(m_window->state()) == u"Ready to call"_s &&
                       !m_messages.isEmpty();
            },
            std::chrono::milliseconds(kLongMs));
        return *m_window;
    }

    // A caller rings account 12345 through the registrar and gives up after a second of ringing.
    void RingThePhone() {
        const auto caller =
            test::RingingCaller(m_env->path(u"caller"_s), u"12345_Z"_s, m_peers->registrarPort());
        QVERIFY2(caller->Start(), caller->output().constData());
        QCOMPARE(caller->Wait(30), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->state().call.incomingAnnounced, 10000);
    }

    // Everything the phone sent on its bus before now has reached the service: a call on the
    // same connection is answered only after them.
    void SettleBus() {
        QDBusMessage ping =
            QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                           u"org.freedesktop.DBus"_s, u"GetId"_s);
        QDBusPendingCallWatcher watcher(QDBusConnection::sessionBus().asyncCall(ping));
        QTRY_VERIFY_WITH_TIMEOUT(watcher.isFinished(), 10000);
        QCoreApplication::processEvents();
    }

    void WriteDesktopSetting(const QString& name, int value) {
        Profile profile = Profile::Phone();
        QVERIFY(profile.WriteInt(u"Desktop"_s, name, value));
    }

private Q_SLOTS:
    void initTestCase() {
        m_bus = std::make_unique<test::PrivateSessionBus>();
        QVERIFY(!m_bus->address().isEmpty());
        // Before anything in this process opens the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->address().toUtf8());
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void init() {
        m_env = std::make_unique<test::TestEnvironment>();
        m_service =
            std::make_unique<test::NotificationService>(m_bus->address(), u"notifications"_s);
        QVERIFY(m_service->Start());
        m_messages.clear();
        SetMessageBoxHook([this](const MessageBoxRequest& r) {
            m_messages << r.text;
            return Cmd::Ok;
        });
        QTimer::singleShot(50, this, &TestDesktopNoticesEndToEnd::DriveDialogs);
        StartPeers();
    }

    void cleanup() {
        if (m_window) {
            m_window->port().PostMessage(Wm::Close, 0, 0);
            test::WaitUntil([this] { return m_window->isHidden(); },
                            std::chrono::milliseconds(kLongMs));
            m_window.reset();
        }
        SetMessageBoxHook(nullptr);
        m_peers.reset();
        m_service.reset();
        m_env.reset();
    }

    void incomingCallAndLowBalanceAreNotified() {
        CMainWindow& phone = SignedInPhone();
        QCOMPARE(PhoneDisplay::StatusText(phone.state()), u"Ready to call"_s);
        QTRY_VERIFY_WITH_TIMEOUT(m_service->Count(u"Low balance"_s) >= 1, 10000);
        const auto low = std::find_if(m_service->shown().begin(), m_service->shown().end(),
                                      [](const auto& s) { return s.summary == u"Low balance"_s; });
        QCOMPARE(low->body, u"Your balance is low: 0.40."_s);
        QCOMPARE(low->app, u"Zuvo"_s);
        QCOMPARE(low->hints.value(u"urgency"_s).toInt(), 1);

        RingThePhone();
        QTRY_COMPARE_WITH_TIMEOUT(m_service->Count(u"Incoming call"_s), 1, 10000);
        // One ring, one notification; the next call's would replace it.
        const auto call =
            std::find_if(m_service->shown().begin(), m_service->shown().end(),
                         [](const auto& s) { return s.summary == u"Incoming call"_s; });
        QCOMPARE(call->hints.value(u"urgency"_s).toInt(), 2);
        QCOMPARE(call->hints.value(u"desktop-entry"_s).toString(), u"zuvo"_s);
        QCOMPARE(phone.desktop()->toolTip(), u"Zuvo: ready"_s);
    }

    void switchedOffShowsNothing() {
        WriteDesktopSetting(u"Notify Incoming Call"_s, 0);
        WriteDesktopSetting(u"Notify Low Balance"_s, 0);
        SignedInPhone();
        QCOMPARE(PhoneDisplay::StatusText(m_window->state()), u"Ready to call"_s);
        RingThePhone();
        SettleBus();
        QCOMPARE(m_service->shown().size(), size_t{0});
    }

    // With no notification service on the bus the phone signs in, rings and stays signed in.
    void noServiceBreaksNothing() {
        m_service->Stop();
        CMainWindow& phone = SignedInPhone();
        QCOMPARE(PhoneDisplay::StatusText(phone.state()), u"Ready to call"_s);
        RingThePhone();
        SettleBus();
        QCOMPARE(phone.state().connectionState, RTCRS_REGISTERED);
        QCOMPARE(phone.desktop()->toolTip(), u"Zuvo: ready"_s);
        QCOMPARE(m_service->shown().size(), size_t{0});
    }
};

QTEST_MAIN(TestDesktopNoticesEndToEnd)
#include "tst_desktop_notices_e2e.moc"
