#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <vector>

#include "platform/screen_saver.h"
#include "tests/support/private_session_bus.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::test::PrivateSessionBus;
using zuvo::test::WaitUntil;

namespace {

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

// The desktop's screen saver service (org.freedesktop.ScreenSaver). Its answers to Inhibit are
// held until the test gives them, as a busy or hung desktop would.
class ScreenSaverService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit ScreenSaverService(const QString& address)
        : m_bus(QDBusConnection::connectToBus(address, u"screensaver"_s)) {}
    ~ScreenSaverService() override { QDBusConnection::disconnectFromBus(u"screensaver"_s); }

    bool Start() {
        return m_bus.registerObject(u"/org/freedesktop/ScreenSaver"_s, this,
                                    QDBusConnection::ExportAllSlots) &&
               m_bus.registerService(u"org.freedesktop.ScreenSaver"_s);
    }
    // Answers the oldest held Inhibit with a new cookie.
    void AnswerOne() {
        ASSERT_FALSE(m_held.empty());
        m_bus.send(m_held.front().createReply(QVariant::fromValue(++m_lastCookie)));
        m_held.erase(m_held.begin());
    }

    std::vector<QDBusMessage> m_held;
    std::vector<QString> m_reasons;
    std::vector<uint> m_released;
    uint m_lastCookie = 40;

public Q_SLOTS:
    uint Inhibit(const QString& app, const QString& reason, const QDBusMessage& message) {
        EXPECT_EQ(app, u"Zuvo"_s);
        m_reasons.push_back(reason);
        message.setDelayedReply(true);
        m_held.push_back(message);
        return 0;
    }
    void UnInhibit(uint cookie) { m_released.push_back(cookie); }

private:
    QDBusConnection m_bus;
};

TEST(ScreenSaverTest, ACallNeverWaitsForTheDesktopAndEveryCookieIsGivenBack) {
    QCoreApplication app(argc, argv);
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    ScreenSaverService service(bus.address());
    ASSERT_TRUE(service.Start());
    QDBusConnection phoneBus = QDBusConnection::connectToBus(bus.address(), u"phone"_s);
    {
        zuvo::ScreenSaver saver(phoneBus);

        // The desktop has not answered when Inhibit returns: the window did not wait for it.
        saver.Inhibit(u"A call is in progress"_s);
        ASSERT_TRUE(WaitUntil([&] { return service.m_held.size() == 1; }));
        EXPECT_EQ(service.m_reasons.at(0), u"A call is in progress"_s);
        service.AnswerOne();
        saver.Release();
        ASSERT_TRUE(WaitUntil([&] { return service.m_released.size() == 1; }));
        EXPECT_EQ(service.m_released.at(0), 41u);

        // Released before the desktop answered: the cookie is given back once it comes.
        saver.Inhibit(u"again"_s);
        saver.Inhibit(u"twice"_s);  // already asked: not asked again
        saver.Release();
        ASSERT_TRUE(WaitUntil([&] { return service.m_held.size() == 1; }));
        service.AnswerOne();
        ASSERT_TRUE(WaitUntil([&] { return service.m_released.size() == 2; }));
        EXPECT_EQ(service.m_released.at(1), 42u);

        // Released and asked again before the answer: it stays off, nothing given back.
        saver.Inhibit(u"third"_s);
        saver.Release();
        saver.Inhibit(u"third again"_s);
        ASSERT_TRUE(WaitUntil([&] { return service.m_held.size() == 1; }));
        service.AnswerOne();
        QCoreApplication::processEvents();
        EXPECT_EQ(service.m_reasons.size(), 3u);
        EXPECT_FALSE(WaitUntil([&] { return service.m_released.size() == 3; },
                               std::chrono::milliseconds(300)));
        saver.Release();
        ASSERT_TRUE(WaitUntil([&] { return service.m_released.size() == 3; }));
        EXPECT_EQ(service.m_released.at(2), 43u);
    }
    QDBusConnection::disconnectFromBus(u"phone"_s);
}

TEST(ScreenSaverTest, NoServiceOrNoBusIsNoFault) {
    QCoreApplication app(argc, argv);
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    QDBusConnection phoneBus = QDBusConnection::connectToBus(bus.address(), u"phone"_s);
    {
        zuvo::ScreenSaver saver(phoneBus);
        saver.Inhibit(u"A call is in progress"_s);
        saver.Release();
        saver.Inhibit(u"A call is in progress"_s);
        QCoreApplication::processEvents();
    }
    QDBusConnection::disconnectFromBus(u"phone"_s);
    zuvo::ScreenSaver unconnected(QDBusConnection(u"zuvo-test-no-bus"_s));
    unconnected.Inhibit(u"A call is in progress"_s);
    unconnected.Release();
}

}  // namespace

#include "screen_saver_test.moc"
