#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSignalSpy>

#include "platform/desktop_notifier.h"
#include "tests/support/notification_service.h"
#include "tests/support/private_session_bus.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::DesktopNotifier;
using zuvo::test::NotificationService;
using zuvo::test::PrivateSessionBus;

namespace {

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

}  // namespace

TEST(DesktopNotifierTest, ShownReplacedAndEscapedByARealServer) {
    QCoreApplication app(argc, argv);
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    NotificationService server(bus.address(), u"server"_s);
    ASSERT_TRUE(server.Start());

    {
        QDBusConnection clientBus = QDBusConnection::connectToBus(bus.address(), u"client"_s);
        DesktopNotifier notifier(clientBus, nullptr);
        QSignalSpy answered(&notifier, &DesktopNotifier::Answered);
        ASSERT_TRUE(notifier.Notify(0, u"Incoming call"_s, u"<b>A</b> & co"_s, true));
        ASSERT_TRUE(zuvo::test::WaitUntil([&] { return answered.count() == 1; }));
        ASSERT_EQ(server.shown().size(), 1u);
        EXPECT_EQ(server.shown()[0].app, u"Zuvo"_s);
        EXPECT_EQ(server.shown()[0].replaces, 0u);
        EXPECT_EQ(server.shown()[0].summary, u"Incoming call"_s);
        EXPECT_EQ(server.shown()[0].body, u"&lt;b&gt;A&lt;/b&gt; &amp; co"_s);
        EXPECT_EQ(server.shown()[0].hints.value(u"urgency"_s).toInt(), 2);
        EXPECT_EQ(server.shown()[0].hints.value(u"desktop-entry"_s).toString(), u"zuvo"_s);
        EXPECT_EQ(answered.at(0).at(1).toUInt(), 41u);

        // The next one of the same kind replaces it; another kind stands alone.
        ASSERT_TRUE(notifier.Notify(0, u"Incoming call"_s, u"again"_s, true));
        ASSERT_TRUE(notifier.Notify(1, QString(500, u's'), QString(5000, u'b'), false));
        ASSERT_TRUE(zuvo::test::WaitUntil([&] { return answered.count() == 3; }));
        ASSERT_EQ(server.shown().size(), 3u);
        EXPECT_EQ(server.shown()[1].replaces, 41u);
        EXPECT_EQ(server.shown()[2].replaces, 0u);
        EXPECT_EQ(server.shown()[2].summary.size(), DesktopNotifier::kMaxSummary);
        EXPECT_EQ(server.shown()[2].body.size(), DesktopNotifier::kMaxBody);
        EXPECT_EQ(server.shown()[2].hints.value(u"urgency"_s).toInt(), 1);
    }
    QDBusConnection::disconnectFromBus(u"client"_s);
}

TEST(DesktopNotifierTest, NoServiceOrNoBusBreaksNothing) {
    QCoreApplication app(argc, argv);
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    {
        QDBusConnection clientBus = QDBusConnection::connectToBus(bus.address(), u"lonely"_s);
        ASSERT_TRUE(clientBus.isConnected());
        DesktopNotifier notifier(clientBus, nullptr);
        QSignalSpy answered(&notifier, &DesktopNotifier::Answered);
        EXPECT_TRUE(notifier.Notify(1, u"Low balance"_s, u"low"_s, false));
        ASSERT_TRUE(zuvo::test::WaitUntil([&] { return answered.count() == 1; }));
        EXPECT_EQ(answered.at(0).at(1).toUInt(), 0u);
        // Refused ones are not taken as ids to replace.
        EXPECT_TRUE(notifier.Notify(1, u"Low balance"_s, u"low"_s, false));
        ASSERT_TRUE(zuvo::test::WaitUntil([&] { return answered.count() == 2; }));
    }
    QDBusConnection::disconnectFromBus(u"lonely"_s);

    // No session bus at all.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    DesktopNotifier notifier(nullptr);
    EXPECT_FALSE(notifier.Notify(0, u"Incoming call"_s, u"x"_s, true));
}
