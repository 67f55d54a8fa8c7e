#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <vector>

#include "platform/desktop_notifier.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::DesktopNotifier;

namespace {

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

// A session bus of the test's own: no service directories, so nothing is started on demand.
class PrivateBus {
public:
    PrivateBus() {
        const QString config = m_dir.filePath(u"bus.conf"_s);
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            return;
        }
        file.write(
            u"<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
            "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
            "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n"_s
                .arg(m_dir.path())
                .toUtf8());
        file.close();
        m_daemon.start(u"dbus-daemon"_s,
                       {u"--config-file="_s + config, u"--print-address"_s, u"--nofork"_s});
        if (!m_daemon.waitForStarted()) {
            return;
        }
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

}  // namespace

// The notification service as a desktop offers it, recording what it is asked to show.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString app;
        uint replaces = 0;
        QString summary;
        QString body;
        QVariantMap hints;
        int timeout = 0;
    };
    std::vector<Shown> shown;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& /*icon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& hints,
                int timeout) {
        shown.push_back({app, replaces, summary, body, hints, timeout});
        return replaces != 0 ? replaces : static_cast<uint>(shown.size()) + 40;
    }
};

TEST(DesktopNotifierTest, ShownReplacedAndEscapedByARealServer) {
    QCoreApplication app(argc, argv);
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    QDBusConnection serverBus = QDBusConnection::connectToBus(bus.address(), u"server"_s);
    ASSERT_TRUE(serverBus.isConnected());
    NotificationServer server;
    ASSERT_TRUE(serverBus.registerObject(u"/org/freedesktop/Notifications"_s, &server,
                                         QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverBus.registerService(u"org.freedesktop.Notifications"_s));

    {
        QDBusConnection clientBus = QDBusConnection::connectToBus(bus.address(), u"client"_s);
        DesktopNotifier notifier(clientBus, nullptr);
        QSignalSpy answered(&notifier, &DesktopNotifier::Answered);
        ASSERT_TRUE(notifier.Notify(0, u"Incoming call"_s, u"<b>A</b> & co"_s, true));
        ASSERT_TRUE(zuvo::test::WaitUntil([&] { return answered.count() == 1; }));
        ASSERT_EQ(server.shown.size(), 1u);
        EXPECT_EQ(server.shown[0].app, u"Zuvo"_s);
        EXPECT_EQ(server.shown[0].replaces, 0u);
        EXPECT_EQ(server.shown[0].summary, u"Incoming call"_s);
        EXPECT_EQ(server.shown[0].body, u"&lt;b&gt;A&lt;/b&gt; &amp; co"_s);
        EXPECT_EQ(server.shown[0].hints.value(u"urgency"_s).toInt(), 2);
        EXPECT_EQ(server.shown[0].hints.value(u"desktop-entry"_s).toString(), u"zuvo"_s);
        EXPECT_EQ(answered.at(0).at(1).toUInt(), 41u);

        // The next one of the same kind replaces it; another kind stands alone.
        ASSERT_TRUE(notifier.Notify(0, u"Incoming call"_s, u"again"_s, true));
        ASSERT_TRUE(notifier.Notify(1, QString(500, u's'), QString(5000, u'b'), false));
        ASSERT_TRUE(zuvo::test::WaitUntil([&] { return answered.count() == 3; }));
        ASSERT_EQ(server.shown.size(), 3u);
        EXPECT_EQ(server.shown[1].replaces, 41u);
        EXPECT_EQ(server.shown[2].replaces, 0u);
        EXPECT_EQ(server.shown[2].summary.size(), DesktopNotifier::kMaxSummary);
        EXPECT_EQ(server.shown[2].body.size(), DesktopNotifier::kMaxBody);
        EXPECT_EQ(server.shown[2].hints.value(u"urgency"_s).toInt(), 1);
    }
    QDBusConnection::disconnectFromBus(u"client"_s);
    QDBusConnection::disconnectFromBus(u"server"_s);
}

TEST(DesktopNotifierTest, NoServiceOrNoBusBreaksNothing) {
    QCoreApplication app(argc, argv);
    PrivateBus bus;
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

#include "desktop_notifier_test.moc"
