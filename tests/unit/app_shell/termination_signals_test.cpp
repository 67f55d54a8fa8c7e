// SIGTERM ends the phone: through the main thread when it is free, and by itself within a few
// seconds when the main thread is stuck in a call that does not return.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <thread>

#include "app/shell/termination_signals.h"

namespace {

enum class MainThread { Free, Stuck, SlowToClose };

// Runs a child whose main thread is free, stuck, or takes a while to close once told; sends it
// SIGTERM once it is ready. Its wait status, or -1 when it had not ended after 30 s.
int TerminateChild(MainThread mainThread) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        int argc = 1;
        char name[] = "termination";
        char* argv[] = {name, nullptr};
        QCoreApplication application(argc, argv);
        zuvo::TerminationSignals signals([mainThread] {
            if (mainThread == MainThread::SlowToClose) {
                // Closing takes longer than the grace period; it is not cut short.
                std::this_thread::sleep_for(std::chrono::seconds(8));
            }
            QCoreApplication::exit(3);
        });
        [[maybe_unused]] const auto n = ::write(ready[1], "r", 1);
        if (mainThread == MainThread::Stuck) {
            for (;;) {
                ::sleep(1);  // a library call that never comes back
            }
        }
        ::_exit(QCoreApplication::exec());
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (!started) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return -1;
    }
    ::kill(child, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
}

TEST(TerminationSignalsTest, FreeMainThreadClosesTheUsualWay) {
    const int status = TerminateChild(MainThread::Free);
    ASSERT_NE(status, -1);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

TEST(TerminationSignalsTest, SlowCloseIsNotCutShort) {
    const int status = TerminateChild(MainThread::SlowToClose);
    ASSERT_NE(status, -1);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

TEST(TerminationSignalsTest, StuckMainThreadStillEnds) {
    const int status = TerminateChild(MainThread::Stuck);
    ASSERT_NE(status, -1) << "SIGTERM did not end a process whose main thread is stuck";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
}

}  // namespace
