#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_port.h"
#include "tests/support/test_environment.h"

using namespace zuvo;

namespace {

struct Window {
    std::vector<std::pair<uint32_t, WPARAM>> seen;
    LRESULT OnPing(WPARAM w, LPARAM l) {
        seen.push_back({0x500, w});
        return static_cast<LRESULT>(w) + l;
    }
    LRESULT OnKeys(WPARAM w, LPARAM) {
        seen.push_back({Wm::Command, w});
        return 7;
    }
    LRESULT OnTimer(WPARAM w, LPARAM) {
        seen.push_back({Wm::Timer, w});
        return 0;
    }
};

const MessageMapEntry<Window> kMap[] = {
    OnMessage(0x500, &Window::OnPing),
    OnCommandRange(Cmd::Key0, Cmd::KeyHash, &Window::OnKeys),
    OnMessage(Wm::Timer, &Window::OnTimer),
};

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

TEST(MessagePortTest, TableDispatchPostSendAndTimers) {
    QCoreApplication app(argc, argv);
    Window window;
    MessagePort port([&](uint32_t m, WPARAM w, LPARAM l) {
        return DispatchMessage<Window>(window, kMap, m, w, l).value_or(-1);
    });

    // Commands match by the low word; the notification code rides in the high word.
    EXPECT_EQ(port.SendMessage(Wm::Command, MakeWParam(Cmd::Key0 + 3, Msg::ButtonPressed), 0), 7);
    EXPECT_EQ(port.SendMessage(Wm::Command, MakeWParam(Cmd::Call, 0), 0), -1);
    // A window that takes every command in one handler.
    const MessageMapEntry<Window> all[] = {OnMessage(Wm::Command, &Window::OnKeys)};
    Window other;
    EXPECT_EQ(DispatchMessage<Window>(other, all, Wm::Command, MakeWParam(Cmd::Call, 0), 0), 7);
    EXPECT_EQ(port.SendMessage(0x999, 0, 0), -1);

    // Posts from other threads arrive on the owning thread, in order.
    std::thread poster([&] {
        for (WPARAM i = 0; i < 50; ++i) {
            port.PostMessage(0x500, i, 0);
        }
    });
    poster.join();
    // A send from another thread runs on the owning thread and returns its result.
    LRESULT crossThread = 0;
    std::thread sender([&] { crossThread = port.SendMessage(0x500, 40, 2); });
    ASSERT_TRUE(test::WaitUntil([&] { return window.seen.size() >= 52; }));
    sender.join();
    EXPECT_EQ(crossThread, 42);
    for (WPARAM i = 0; i < 50; ++i) {
        EXPECT_EQ(window.seen[1 + i].second, i);
    }

    // Re-arming replaces the interval; timers repeat until killed.
    window.seen.clear();
    port.SetTimer(Timer::AutoDial, 100000);
    port.SetTimer(Timer::AutoDial, 5);
    EXPECT_EQ(port.TimerInterval(Timer::AutoDial), 5);
    ASSERT_TRUE(test::WaitUntil([&] { return window.seen.size() >= 3; }));
    port.KillTimer(Timer::AutoDial);
    EXPECT_FALSE(port.IsTimerRunning(Timer::AutoDial));
    const size_t count = window.seen.size();
    QThread::msleep(30);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.seen.size(), count);
    EXPECT_EQ(window.seen.front(), (std::pair<uint32_t, WPARAM>{Wm::Timer, Timer::AutoDial}));
}

TEST(MessagePortTest, CallsFromOtherThreadsRunOnTheOwningThreadInOrder) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> seen;
    auto port = std::make_unique<MessagePort>([&](uint32_t m, WPARAM w, LPARAM) {
        seen.push_back("message " + std::to_string(m) + " " + std::to_string(w));
        return LRESULT{0};
    });

    // Each call carries what its thread made; messages and calls keep their posting order.
    std::thread poster([&] {
        for (int i = 0; i < 20; ++i) {
            std::string made = "call " + std::to_string(i);
            port->PostCall([&seen, made] { seen.push_back(made); });
            port->PostMessage(0x500, static_cast<WPARAM>(i), 0);
        }
    });
    poster.join();
    ASSERT_TRUE(test::WaitUntil([&] { return seen.size() >= 40; }));
    ASSERT_EQ(seen.size(), 40u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(seen[2 * i], "call " + std::to_string(i));
        EXPECT_EQ(seen[2 * i + 1], "message 1280 " + std::to_string(i));
    }

    // A call whose port goes before it runs is dropped: destroyed, never run.
    auto held = std::make_shared<int>(0);
    bool ran = false;
    std::thread late([&, copy = held] { port->PostCall([&ran, copy] { ran = true; }); });
    late.join();
    EXPECT_EQ(held.use_count(), 2);  // the queued call still holds its copy
    port.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_EQ(held.use_count(), 1);
}

}  // namespace
