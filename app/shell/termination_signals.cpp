#include "app/shell/termination_signals.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace zuvo {

namespace {

// How long the main thread has to take up a signal before the process ends without it.
constexpr unsigned kGraceSeconds = 5;

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int sig) {
    g_signal = sig;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
    // A main thread stuck in a call that does not return never takes the byte up.
    ::alarm(kGraceSeconds);
}

void OnGraceOver(int) {
    ::_exit(128 + static_cast<int>(g_signal));
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(g_pipe[0], &byte, 1);
        // Taken up: the close runs at its own pace.
        ::alarm(0);
        m_onSignal();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(sig, &action, nullptr);
    }
    struct sigaction grace {};
    grace.sa_handler = OnGraceOver;
    sigemptyset(&grace.sa_mask);
    sigaction(SIGALRM, &grace, nullptr);
}

TerminationSignals::~TerminationSignals() {
    ::alarm(0);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGALRM}) {
        std::signal(sig, SIG_DFL);
    }
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

}  // namespace zuvo
