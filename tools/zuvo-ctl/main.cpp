// zuvo-ctl: drives a running phone through its external-control protocol, for scripts and
// handset programs.
//   zuvo-ctl state | dial NUMBER | key DIGITS | call | hangup | redial | mute | unmute
//            | volume up|down | history | watch
// Exit codes (CtlExitCode below): 0 done, 1 no phone running or no answer, 2 bad arguments,
// 3 another client is bound.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QStringList>
#include <QTextStream>
#include <QThread>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <optional>

#include "platform/external_control_protocol.h"
#include "platform/local_bus.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::ExternalControlProtocol;

namespace {

// zuvo-ctl's exit codes: scripts test them, so they never change.
enum class CtlExitCode : int { Done = 0, Failed = 1, BadArguments = 2, OtherClientBound = 3 };

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

// Ends the command: unwinds to main, so that the client unbinds and its socket file goes.
struct Failure {
    QString message;
    CtlExitCode code;
};

[[noreturn]] void Fail(const QString& message, CtlExitCode code) {
    throw Failure{message, code};
}

// Set when a signal asked us to stop.
bool g_stop = false;

QString CText(const QByteArray& data) {
    const qsizetype zero = data.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? data : data.left(zero));
}

// A client window on the bus: binds to the phone, sends commands, collects what the phone sends.
class Client {
public:
    Client() : m_endpoint(u"ZuvoCtl"_s) {
        m_bind = LocalBus::RegisterWindowMessage(kBindMessageName);
        m_register = LocalBus::RegisterWindowMessage(kRegisterMessageName);
        m_endpoint.setMessageHandler([this](uint32_t message, WPARAM w, LPARAM) -> LRESULT {
            // Free announces a free phone to everyone; it answers nobody's request.
            if (message == m_bind && w != ToUnderlying(BindAnswer::Free)) {
                m_bindAnswer = static_cast<BindAnswer>(w);
            }
            return 1;
        });
        m_endpoint.setCopyDataHandler([this](WindowHandle, uint32_t type, const QByteArray& d) {
            m_received.append({type, d});
            if (m_watch) {
                Print(type, d);
            }
            return LRESULT{1};
        });
        if (!m_endpoint.Listen()) {
            Fail(u"cannot open a bus endpoint in %1"_s.arg(LocalBus::Folder()),
                 CtlExitCode::Failed);
        }
    }

    void Bind() {
        const auto phone = LocalBus::FindWindow(kPhoneWindowClass);
        if (!phone) {
            Fail(u"no phone is running"_s, CtlExitCode::Failed);
        }
        m_phone = *phone;
        m_bindAnswer.reset();
        if (!LocalBus::SendMessage(m_phone, m_register, ToUnderlying(RegisterRequest::Bind),
                                   m_endpoint.handle())) {
            Fail(u"the phone did not answer"_s, CtlExitCode::Failed);
        }
        // From here on every way out unbinds: harmless when the phone did not bind us.
        m_bound = true;
        WaitFor([this] { return m_bindAnswer.has_value(); }, 3000);
        if (m_bindAnswer == BindAnswer::OtherBound) {
            Fail(u"another client is bound to the phone"_s, CtlExitCode::OtherClientBound);
        }
        if (m_bindAnswer != BindAnswer::Bound && m_bindAnswer != BindAnswer::AlreadyBound) {
            Fail(u"the phone refused the binding"_s, CtlExitCode::Failed);
        }
    }

    ~Client() { Unbind(); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void Unbind() {
        if (m_bound) {
            LocalBus::SendMessage(m_phone, m_register, ToUnderlying(RegisterRequest::Unbind),
                                  m_endpoint.handle(), 2000);
            m_bound = false;
        }
    }

    bool Send(ClientCommand type, const QByteArray& data = {}) {
        const auto r =
            LocalBus::SendCopyData(m_phone, m_endpoint.handle(), ToUnderlying(type), data);
        if (!r) {
            Fail(u"the phone did not answer"_s, CtlExitCode::Failed);
        }
        return *r != 0;
    }

    // Waits for the phone to send copy-data of this type; its bytes.
    std::optional<QByteArray> Expect(PhoneNotice type, int timeoutMs = 3000) {
        std::optional<QByteArray> found;
        WaitFor(
            [&] {
                for (const auto& [t, d] : m_received) {
                    if (t == ToUnderlying(type)) {
                        found = d;
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }

    void Watch() {
        m_watch = true;
        for (const auto& [t, d] : m_received) {
            Print(t, d);
        }
        Out().flush();
        QCoreApplication::exec();
    }

    static void Print(uint32_t type, const QByteArray& d) {
        namespace Layout = StateRecord;
        switch (static_cast<PhoneNotice>(type)) {
            case PhoneNotice::State: {
                const qsizetype active = Layout::kCallActiveOffset;
                const qsizetype muted = Layout::kMutedOffset;
                Out() << "state: number \"" << CText(d.left(Layout::kNumberSize)) << "\" call "
                      << (d.size() >= muted && d[active] != 0 ? "active" : "idle") << " muted "
                      << (d.size() >= Layout::kSize &&
                                  (d[muted] | d[muted + 1] | d[muted + 2] | d[muted + 3]) != 0
                              ? "yes"
                              : "no")
                      << '\n';
                Out().flush();
                return;
            }
            case PhoneNotice::Number:
                Out() << "number: " << CText(d) << '\n';
                Out().flush();
                return;
            case PhoneNotice::CallEnded:
                Out() << "call ended\n";
                Out().flush();
                return;
            case PhoneNotice::CallStarted:
                Out() << "call started\n";
                Out().flush();
                return;
            case PhoneNotice::History:
                Out() << "history: " << CText(d) << '\n';
                Out().flush();
                return;
        }
        Out() << "message " << type << '\n';
        Out().flush();
    }

private:
    template <class Pred>
    static void WaitFor(Pred pred, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (!pred() && !g_stop && clock.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
    }

    LocalBusEndpoint m_endpoint;
    uint32_t m_bind = 0;
    uint32_t m_register = 0;
    WindowHandle m_phone = 0;
    bool m_bound = false;
    bool m_watch = false;
    std::optional<BindAnswer> m_bindAnswer;
    QList<QPair<uint32_t, QByteArray>> m_received;
};

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char b = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &b, 1);
}

QByteArray Char(QChar c) {
    return QByteArray(1, static_cast<char>(c.toLatin1()));
}

constexpr char kHelp[] = R"(Usage: zuvo-ctl COMMAND [ARGUMENT]

Drives the Zuvo phone that runs in this session, as a USB handset's control
program or a script would.

Commands:
  state           print the number on the display, whether a call is active
                  and whether the microphone is muted:
                  state: number "4420" call idle muted no
  dial NUMBER     show NUMBER on the display and call it
  key DIGITS      press keypad keys (0-9, *, #, +) one after the other
  call            call the number on the display, or hang up
  hangup          hang up
  redial          call the last number again
  mute, unmute    switch the microphone off or on
  volume up|down  turn the speaker up or down one step
  history         print the numbers of the call history, one a line
  watch           print what the phone does ("number: N", "call started",
                  "call ended") until interrupted; other clients are turned
                  away meanwhile
  home, support   open the provider's home or customer page in the phone's
                  browser window
  --help          this text

Exit codes:
  0  done
  1  no phone running, no answer, or the phone is in a call (dial)
  2  bad arguments
  3  another client (a watch) is bound to the phone
)";

// What zuvo-ctl does with its arguments; the exit code.
CtlExitCode Run(QCoreApplication& app, const QStringList& args) {
    const QString usage =
        u"usage: zuvo-ctl state | dial NUMBER | key DIGITS | call | hangup | redial | mute | "
        u"unmute | volume up|down | history | watch | home | support"_s;
    if (args.isEmpty()) {
        Fail(usage, CtlExitCode::BadArguments);
    }
    if (args.size() == 1 && (args[0] == u"--help"_s || args[0] == u"-h"_s)) {
        Out() << kHelp;
        return CtlExitCode::Done;
    }
    const QString command = args[0].toLower();
    const QString argument = args.value(1);
    static const QStringList simple = {u"state"_s, u"call"_s,   u"hangup"_s,  u"redial"_s,
                                       u"mute"_s,  u"unmute"_s, u"history"_s, u"watch"_s,
                                       u"home"_s,  u"support"_s};
    if (simple.contains(command)) {
        if (args.size() != 1) {
            Fail(u"%1 takes no argument"_s.arg(command), CtlExitCode::BadArguments);
        }
    } else if (command == u"dial"_s || command == u"key"_s) {
        if (args.size() != 2 || argument.isEmpty()) {
            Fail(u"%1 needs one argument"_s.arg(command), CtlExitCode::BadArguments);
        }
        if (command == u"key"_s) {
            for (const QChar c : argument) {
                if (!c.isDigit() && c != u'*' && c != u'#' && c != u'+') {
                    Fail(u"'%1' is not a keypad key"_s.arg(c), CtlExitCode::BadArguments);
                }
            }
        }
    } else if (command == u"volume"_s) {
        if (args.size() != 2 || (argument != u"up"_s && argument != u"down"_s)) {
            Fail(u"volume needs up or down"_s, CtlExitCode::BadArguments);
        }
    } else {
        Fail(u"unknown command '%1'\n%2"_s.arg(args[0], usage), CtlExitCode::BadArguments);
    }

    // A signal ends any command the orderly way: unbound, socket file removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
            g_stop = true;
            app.quit();
        });
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGHUP, OnSignal);
    }

    Client client;
    client.Bind();
    CtlExitCode code = CtlExitCode::Done;
    if (command == u"state"_s) {
        client.Send(ClientCommand::StateRequest);
        const auto record = client.Expect(PhoneNotice::State);
        if (!record) {
            Fail(u"the phone sent no state"_s, CtlExitCode::Failed);
        }
        Client::Print(ToUnderlying(PhoneNotice::State), *record);
    } else if (command == u"dial"_s) {
        if (!client.Send(ClientCommand::ShowNumber, argument.toLatin1() + '\0')) {
            QTextStream(stderr) << "zuvo-ctl: the phone is in a call" << Qt::endl;
            code = CtlExitCode::Failed;
        } else {
            client.Send(ClientCommand::CallOrHangUp);
        }
    } else if (command == u"key"_s) {
        for (const QChar c : argument) {
            client.Send(ClientCommand::Key, Char(c));
            client.Send(ClientCommand::KeyUp, Char(c));
        }
    } else if (command == u"call"_s) {
        client.Send(ClientCommand::CallOrHangUp);
    } else if (command == u"hangup"_s) {
        client.Send(ClientCommand::HangUp);
    } else if (command == u"redial"_s) {
        client.Send(ClientCommand::Redial);
    } else if (command == u"mute"_s) {
        client.Send(ClientCommand::Mute);
    } else if (command == u"unmute"_s) {
        client.Send(ClientCommand::Unmute);
    } else if (command == u"volume"_s) {
        client.Send(argument == u"up"_s ? ClientCommand::VolumeUp : ClientCommand::VolumeDown);
    } else if (command == u"home"_s) {
        client.Send(ClientCommand::HomePage);
    } else if (command == u"support"_s) {
        client.Send(ClientCommand::SupportPage);
    } else if (command == u"history"_s) {
        client.Send(ClientCommand::HistoryRequest);
        const auto list = client.Expect(PhoneNotice::History);
        Out() << (list ? CText(*list).split(u',', Qt::SkipEmptyParts).join(u'\n') : QString())
              << '\n';
    } else if (command == u"watch"_s) {
        if (!g_stop) {
            client.Watch();
        }
        return code;
    }
    if (g_stop) {
        Fail(u"interrupted"_s, CtlExitCode::Failed);
    }
    return code;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    CtlExitCode code = CtlExitCode::Done;
    try {
        code = Run(app, args);
    } catch (const Failure& failure) {
        Out().flush();
        QTextStream(stderr) << "zuvo-ctl: " << failure.message << Qt::endl;
        code = failure.code;
    }
    Out().flush();
    return ToUnderlying(code);
}
