#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#include <thread>

#include "platform/local_bus.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

TEST(LocalBusTest, FindSendPostCopyDataAndBroadcast) {
    test::TestEnvironment env;
    QCoreApplication app(argc, argv);
    EXPECT_FALSE(LocalBus::FindWindow(u"ZuvoClass"_s));

    LocalBusEndpoint phone(u"ZuvoClass"_s);
    ASSERT_TRUE(phone.Listen());
    EXPECT_EQ(QFileInfo(LocalBus::Folder()).permissions() & 0077, 0);
    std::vector<std::tuple<uint32_t, WPARAM, LPARAM>> messages;
    phone.setMessageHandler([&](uint32_t m, WPARAM w, LPARAM l) {
        messages.emplace_back(m, w, l);
        return static_cast<LRESULT>(w * 2);
    });
    QByteArray copied;
    WindowHandle copiedFrom = 0;
    phone.setCopyDataHandler([&](WindowHandle from, uint32_t type, const QByteArray& data) {
        copiedFrom = from;
        copied = data;
        return static_cast<LRESULT>(type);
    });

    const auto found = LocalBus::FindWindow(u"ZuvoClass"_s);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, phone.handle());
    EXPECT_FALSE(LocalBus::FindWindow(u"OtherClass"_s));

    // A send from a worker thread waits for the handler's answer.
    std::optional<LRESULT> answer;
    std::thread caller([&] { answer = LocalBus::SendMessage(*found, 0x409, 21, -5); });
    ASSERT_TRUE(test::WaitUntil([&] { return answer.has_value(); }));
    caller.join();
    EXPECT_EQ(*answer, 42);
    EXPECT_EQ(messages.back(), std::make_tuple(0x409u, WPARAM{21}, LPARAM{-5}));

    std::optional<LRESULT> typeBack;
    const QByteArray payload(390, 'r');
    std::thread copier([&] { typeBack = LocalBus::SendCopyData(*found, 77, 13, payload); });
    ASSERT_TRUE(test::WaitUntil([&] { return typeBack.has_value(); }));
    copier.join();
    EXPECT_EQ(*typeBack, 13);
    EXPECT_EQ(copied, payload);
    EXPECT_EQ(copiedFrom, 77u);

    // Broadcasts reach every window but the one excluded.
    LocalBusEndpoint client(u"Client"_s);
    ASSERT_TRUE(client.Listen());
    int clientGot = 0;
    client.setMessageHandler([&](uint32_t, WPARAM, LPARAM) { return ++clientGot; });
    messages.clear();
    EXPECT_EQ(LocalBus::Broadcast(0xC123, 1, 2, phone.handle()), 1);
    ASSERT_TRUE(test::WaitUntil([&] { return clientGot == 1; }));
    EXPECT_TRUE(messages.empty());

    // A window that is gone answers nothing, promptly.
    EXPECT_FALSE(LocalBus::SendMessage(0x7FFFFF01, 1, 0, 0, 500));

    // Junk on the socket is dropped and the window stays responsive.
    {
        QLocalSocket junk;
        const QString name =
            LocalBus::Folder() + u"/ZuvoClass."_s + QString::number(phone.handle(), 16);
        junk.connectToServer(name);
        ASSERT_TRUE(junk.waitForConnected(1000));
        junk.write(QByteArray("\xff\xff\xff\xff garbage", 12));
        junk.flush();
        test::WaitUntil([&] { return junk.state() != QLocalSocket::ConnectedState; },
                        std::chrono::milliseconds(500));
    }
    std::thread again([&] { answer = LocalBus::SendMessage(*found, 0x409, 1, 0); });
    answer.reset();
    ASSERT_TRUE(test::WaitUntil([&] { return answer.has_value(); }));
    again.join();
    EXPECT_EQ(*answer, 2);
}

TEST(LocalBusTest, RegisteredMessagesAreStableAndInRange) {
    const uint32_t bind = LocalBus::RegisterWindowMessage(u"TavicoreAccessAPIBind"_s);
    const uint32_t reg = LocalBus::RegisterWindowMessage(u"TavicoreAccessAPIRegister"_s);
    EXPECT_NE(bind, reg);
    EXPECT_EQ(bind, LocalBus::RegisterWindowMessage(u"tavicoreaccessapibind"_s));
    for (const uint32_t m : {bind, reg}) {
        EXPECT_GE(m, 0xC000u);
        EXPECT_LE(m, 0xFFFFu);
    }
}

}  // namespace
