#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "platform/bus_frame.h"
#include "platform/external_control_protocol.h"
#include "platform/local_bus.h"
#include "tests/support/raw_bus_client.h"
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
    EXPECT_FALSE(LocalBus::FindWindow(ExternalControlProtocol::kPhoneWindowClass));

    LocalBusEndpoint phone(ExternalControlProtocol::kPhoneWindowClass);
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

    const auto found = LocalBus::FindWindow(ExternalControlProtocol::kPhoneWindowClass);
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
        const QString name = LocalBus::Folder() + u"/"_s +
                             ExternalControlProtocol::kPhoneWindowClass + u"."_s +
                             QString::number(phone.handle(), 16);
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

QString EndpointFile(const LocalBusEndpoint& endpoint) {
    return LocalBus::Folder() + u'/' + endpoint.className() + u'.' +
           QString::number(endpoint.handle(), 16);
}

// The start of a frame that says it is size bytes long.
QByteArray FrameHead(quint32 size) {
    QByteArray head;
    QDataStream(&head, QIODevice::WriteOnly) << size;
    return head;
}

// A handler that waits in an event loop (a message box, a send to a slow window) while its sender
// gives up and leaves: the window goes on, four times out of four.
TEST(LocalBusTest, ASenderThatLeavesDuringTheHandlerDoesNotHurtTheWindow) {
    test::TestEnvironment env;
    QCoreApplication app(argc, argv);
    LocalBusEndpoint phone(ExternalControlProtocol::kPhoneWindowClass);
    ASSERT_TRUE(phone.Listen());
    std::atomic_bool senderGone{false};
    phone.setMessageHandler([&](uint32_t message, WPARAM w, LPARAM) {
        if (message == 0x40C) {
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (senderGone) {
                    poll.stop();
                    // A moment more for the leaving to be noticed.
                    QTimer::singleShot(200, &loop, &QEventLoop::quit);
                }
            });
            poll.start(10);
            QTimer::singleShot(10000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return static_cast<LRESULT>(w);
    });
    for (int round = 0; round < 4; ++round) {
        senderGone = false;
        std::optional<LRESULT> slow = 0;
        std::thread sender([&] {
            slow = LocalBus::SendMessage(phone.handle(), 0x40C, 1, 0, 300);
            senderGone = true;
        });
        ASSERT_TRUE(test::WaitUntil([&] { return senderGone.load(); }));
        sender.join();
        EXPECT_FALSE(slow);

        std::optional<LRESULT> answer;
        std::thread next([&] { answer = LocalBus::SendMessage(phone.handle(), 0x409, 21, 0); });
        ASSERT_TRUE(test::WaitUntil([&] { return answer.has_value(); }));
        next.join();
        EXPECT_EQ(*answer, 21) << "round " << round;
    }
}

TEST(LocalBusTest, WhatOtherProcessesMayMakeAWindowHoldIsBounded) {
    test::TestEnvironment env;
    QCoreApplication app(argc, argv);
    LocalBusEndpoint phone(ExternalControlProtocol::kPhoneWindowClass);
    ASSERT_TRUE(phone.Listen());
    phone.setMessageHandler([](uint32_t, WPARAM w, LPARAM) { return static_cast<LRESULT>(w); });
    const QString path = EndpointFile(phone);

    // A frame larger than any message needs is refused as soon as its size is known.
    QLocalSocket big;
    big.connectToServer(path);
    ASSERT_TRUE(big.waitForConnected(1000));
    big.write(FrameHead(LocalBusEndpoint::kMaxFrameBytes + 1) + QByteArray(4096, 'x'));
    big.flush();
    EXPECT_TRUE(test::WaitUntil([&] { return big.state() != QLocalSocket::ConnectedState; }));

    // Many connections that each begin a frame and never finish it: only so many are kept, and
    // those are let go once they have been stale for a while.
    std::vector<std::unique_ptr<QLocalSocket>> halfSent;
    for (int i = 0; i < 2 * LocalBusEndpoint::kMaxConnections; ++i) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(path);
        ASSERT_TRUE(socket->waitForConnected(1000));
        socket->write(FrameHead(1000) + QByteArray(100, 'h'));
        socket->flush();
        halfSent.push_back(std::move(socket));
        QCoreApplication::processEvents();  // the window takes the connection
    }
    const auto open = [&] {
        return std::count_if(halfSent.begin(), halfSent.end(), [](const auto& socket) {
            return socket->state() == QLocalSocket::ConnectedState;
        });
    };
    EXPECT_TRUE(test::WaitUntil([&] { return open() <= LocalBusEndpoint::kMaxConnections; }))
        << open() << " still open";
    EXPECT_TRUE(test::WaitUntil([&] { return open() == 0; },
                                std::chrono::milliseconds(LocalBusEndpoint::kStaleMs + 10000)))
        << open() << " still open";

    std::optional<LRESULT> answer;
    std::thread caller([&] { answer = LocalBus::SendMessage(phone.handle(), 0x409, 5, 0); });
    ASSERT_TRUE(test::WaitUntil([&] { return answer.has_value(); }));
    caller.join();
    EXPECT_EQ(*answer, 5);
}

// A client that sends requests and never reads the answers: the window holds only so many answers
// for it, then takes no more of its requests (they wait in the socket) and lets it go. Requests
// that want no answer are all taken, however many come.
TEST(LocalBusTest, AClientThatNeverReadsItsAnswersIsHeldBack) {
    test::TestEnvironment env;
    QCoreApplication app(argc, argv);
    LocalBusEndpoint phone(ExternalControlProtocol::kPhoneWindowClass);
    ASSERT_TRUE(phone.Listen());
    std::atomic_int handled{0};
    phone.setMessageHandler([&](uint32_t, WPARAM w, LPARAM) {
        ++handled;
        return static_cast<LRESULT>(w);
    });
    // Far more answers (8 bytes each) than the window and the socket together may hold.
    constexpr int kRequests = 100'000;

    for (const bool wantReply : {false, true}) {
        handled = 0;
        BusFrame request;
        request.wantReply = wantReply;
        test::RawBusClient flood(EndpointFile(phone), true);
        ASSERT_TRUE(flood.connected());
        std::atomic_bool done{false};
        bool allTaken = false;
        std::thread flooder([&] {
            allTaken = flood.WriteAll(request.Encode().repeated(kRequests));
            done = true;
        });
        // Written, or let go of.
        EXPECT_TRUE(test::WaitUntil([&] { return done.load(); },
                                    std::chrono::milliseconds(LocalBusEndpoint::kStaleMs + 60000)));
        flooder.join();
        if (wantReply) {
            EXPECT_FALSE(allTaken);
            EXPECT_LT(handled, kRequests);
        } else {
            EXPECT_TRUE(allTaken);
            EXPECT_TRUE(test::WaitUntil([&] { return handled == kRequests; })) << handled;
        }
    }

    std::optional<LRESULT> answer;
    std::thread caller([&] { answer = LocalBus::SendMessage(phone.handle(), 0x409, 7, 0); });
    ASSERT_TRUE(test::WaitUntil([&] { return answer.has_value(); }));
    caller.join();
    EXPECT_EQ(*answer, 7);
}

// A window whose process died leaves a socket file that refuses connections.
TEST(LocalBusTest, IsWindowTellsALiveWindowFromALeftOverFile) {
    test::TestEnvironment env;
    QCoreApplication app(argc, argv);
    auto client = std::make_unique<LocalBusEndpoint>(u"Client"_s);
    ASSERT_TRUE(client->Listen());
    const WindowHandle handle = client->handle();
    EXPECT_TRUE(LocalBus::IsWindow(handle));
    EXPECT_FALSE(LocalBus::IsWindow(handle + 1));

    // A left-over file: a socket that nobody listens on any more.
    const QString path = EndpointFile(*client);
    client.reset();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    ASSERT_LT(static_cast<size_t>(encoded.size()), sizeof(address.sun_path));
    std::copy(encoded.begin(), encoded.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(LocalBus::IsWindow(handle));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(LocalBusTest, RegisteredMessagesAreStableAndInRange) {
    const uint32_t bind =
        LocalBus::RegisterWindowMessage(ExternalControlProtocol::kBindMessageName);
    const uint32_t reg =
        LocalBus::RegisterWindowMessage(ExternalControlProtocol::kRegisterMessageName);
    EXPECT_NE(bind, reg);
    EXPECT_EQ(bind, LocalBus::RegisterWindowMessage(u"tavicoreaccessapibind"_s));
    for (const uint32_t m : {bind, reg}) {
        EXPECT_GE(m, 0xC000u);
        EXPECT_LE(m, 0xFFFFu);
    }
}

}  // namespace

// The frame decoder on its own: what a peer writes arrives in pieces, several frames at once, or
// broken.
TEST(BusFrameTest, DecodesWholeFramesAndRefusesBrokenOnes) {
    BusFrame frame;
    frame.kind = BusFrame::Kind::CopyData;
    frame.wantReply = true;
    frame.sender = 0x41;
    frame.type = 5;
    frame.data = "4420";
    const QByteArray bytes = frame.Encode();

    // Two frames in one read, then the half of a third: two come out, the half waits.
    QByteArray buffer = bytes + bytes + bytes.left(bytes.size() / 2);
    bool bad = false;
    for (int i = 0; i < 2; ++i) {
        const auto got = BusFrame::Take(buffer, bad);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->kind, BusFrame::Kind::CopyData);
        EXPECT_TRUE(got->wantReply);
        EXPECT_EQ(got->sender, 0x41u);
        EXPECT_EQ(got->type, 5u);
        EXPECT_EQ(got->data, "4420");
    }
    EXPECT_FALSE(BusFrame::Take(buffer, bad));
    EXPECT_FALSE(bad);
    buffer += bytes.mid(bytes.size() / 2);
    EXPECT_TRUE(BusFrame::Take(buffer, bad));
    EXPECT_TRUE(buffer.isEmpty());

    // A size field beyond the bound is refused before anything else arrives.
    QByteArray huge;
    QDataStream(&huge, QIODevice::WriteOnly) << quint32(BusFrame::kMaxBytes + 1);
    EXPECT_FALSE(BusFrame::Take(huge, bad));
    EXPECT_TRUE(bad);

    // An unknown kind, a body shorter than its fields, and data claiming more than the frame holds.
    QByteArray unknownKind = bytes;
    unknownKind[4] = 3;
    QByteArray longClaim = bytes;
    longClaim[bytes.size() - 8] = 0x10;
    for (QByteArray broken : {unknownKind, QByteArray::fromHex("0000000201ff"), longClaim}) {
        bad = false;
        EXPECT_FALSE(BusFrame::Take(broken, bad));
        EXPECT_TRUE(bad);
    }
}
