// The tunnel component as the connect thread uses it, with a scripted component and the
// provider simulator's route task.

#include <gtest/gtest.h>

#include <QFile>

#include <atomic>
#include <thread>

#include "platform/plugin_abi.h"
#include "platform/registry.h"
#include "telephony/discovery/tunnel_component.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

class TunnelComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_log = env.path(u"tunnel.log"_s);
        qputenv("ZUVO_TEST_TUNNEL_LOG", m_log.toLocal8Bit());
        qunsetenv("ZUVO_TEST_TUNNEL_START");
        m_hive.WriteString(u"Software\\Classes\\CLSID\\" ZUVO_TUNNEL_CLASS_ID "\\InprocServer32"_s,
                           {}, QStringLiteral(SCRIPTED_TUNNEL));
    }
    void TearDown() override {
        qunsetenv("ZUVO_TEST_TUNNEL_LOG");
        qunsetenv("ZUVO_TEST_TUNNEL_STATUS");
        qunsetenv("ZUVO_TEST_TUNNEL_START");
    }
    QStringList Calls() const {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    test::TestEnvironment env;
    Registry m_hive{env.path(u"machine/machine.db"_s)};
    QString m_log;
};

TEST(TunnelRoutes, GroupsFromTheReply) {
    using Groups = QList<QPair<QString, QString>>;
    EXPECT_EQ(TunnelRouteGroups(u"[10.1.0.0,255.255.0.0][10.2.0.0,255.255.0.0]"_s),
              (Groups{{u"10.1.0.0"_s, u"255.255.0.0"_s}, {u"10.2.0.0"_s, u"255.255.0.0"_s}}));
    EXPECT_EQ(TunnelRouteGroups(u"[abc]"_s), Groups{});
    // A comma beyond the group's "]" belongs to the next group, not to this one.
    EXPECT_EQ(TunnelRouteGroups(u"[abc][1,2]"_s), (Groups{{u"1"_s, u"2"_s}}));
    EXPECT_EQ(TunnelRouteGroups(u"text [a,b] more [c,d"_s), (Groups{{u"a"_s, u"b"_s}}));
    EXPECT_EQ(TunnelRouteGroups(QString()), Groups{});
}

TEST_F(TunnelComponentTest, StartAndWaitFollowsTheStatus) {
    auto tunnel = TunnelComponent::Create(m_hive);
    ASSERT_NE(tunnel, nullptr);
    EXPECT_TRUE(tunnel->HasConnect());
    EXPECT_EQ(tunnel->Connect(u"key"_s, u"tunnel.zuvo.example"_s), u"127.0.0.77"_s);
    EXPECT_EQ(tunnel->Version(), u"ScriptVPN 1.0 bu"_s);  // 16 characters
    EXPECT_EQ(tunnel->Info(), u"tun-test"_s);
    std::atomic_bool cancel{false};

    // Connecting, connecting, up: three polls.
    qputenv("ZUVO_TEST_TUNNEL_STATUS", "1,1,2");
    QFile::remove(m_log);
    EXPECT_EQ(tunnel->StartAndWait(cancel), TunnelStartResult::Up);
    EXPECT_EQ(Calls(), (QStringList{u"start"_s, u"status"_s, u"status"_s, u"status"_s}));

    // Connecting, then something else: failed, with that status.
    qputenv("ZUVO_TEST_TUNNEL_STATUS", "1,5");
    int last = 0;
    EXPECT_EQ(tunnel->StartAndWait(cancel, &last), TunnelStartResult::Failed);
    EXPECT_EQ(last, 5);

    // A start that fails is a failure of its own, not an established tunnel.
    qputenv("ZUVO_TEST_TUNNEL_START", "fail");
    QFile::remove(m_log);
    EXPECT_EQ(tunnel->StartAndWait(cancel), TunnelStartResult::StartFailed);
    EXPECT_EQ(Calls(), QStringList{u"start"_s});
    qunsetenv("ZUVO_TEST_TUNNEL_START");

    // Connecting for ever until the sign-in is cancelled.
    qputenv("ZUVO_TEST_TUNNEL_STATUS", "1");
    std::thread canceller([&] {
        while (Calls().count(u"status"_s) < 2) {
            std::this_thread::yield();
        }
        cancel = true;
    });
    EXPECT_EQ(tunnel->StartAndWait(cancel), TunnelStartResult::Cancelled);
    canceller.join();

    tunnel.reset();
    EXPECT_EQ(Calls().last(), u"destroy"_s);
}

TEST_F(TunnelComponentTest, RoutesComeFromTaskVp) {
    test::ProviderSimulator sim(env.path(u"sim"_s),
                                R"({"accounts": [], "routes": [["10.1.0.0", "255.255.0.0"],
                                    ["10.2.0.0", "255.255.0.0"]]})");
    ASSERT_TRUE(sim.Start()) << sim.error().toStdString();
    auto tunnel = TunnelComponent::Create(m_hive);
    ASSERT_NE(tunnel, nullptr);
    service::ProxySettings direct;
    direct.mode = service::ProxySettings::Direct;
    EXPECT_TRUE(tunnel->FetchRoutes(sim.httpHost(), false, direct, nullptr));
    EXPECT_EQ(Calls(), (QStringList{u"clear"_s, u"route 10.1.0.0 255.255.0.0"_s,
                                    u"route 10.2.0.0 255.255.0.0"_s}));
    const QByteArray log = sim.RequestLog();
    EXPECT_TRUE(log.contains("task=VP")) << log.constData();
    EXPECT_TRUE(log.contains("Version Session")) << log.constData();
}

TEST_F(TunnelComponentTest, NotRegisteredMeansNoTunnel) {
    Registry empty(env.path(u"machine/empty.db"_s));
    EXPECT_EQ(TunnelComponent::Create(empty), nullptr);
}

}  // namespace
