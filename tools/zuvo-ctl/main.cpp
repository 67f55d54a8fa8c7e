// zuvo-ctl: drives a running phone through its external-control protocol, for scripts and
// handset programs.
//   zuvo-ctl state | dial NUMBER | key DIGITS | call | hangup | redial | mute | unmute
//            | volume up|down | history | watch
// Exit codes: 0 done, 1 no phone running or no answer, 2 bad arguments, 3 another client is bound.

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

#include "platform/local_bus.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

enum BindAnswer : WPARAM { kBound = 2, kAlreadyBound = 3, kOtherBound = 4, kRefused = 5 };

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

// Ends the command: unwinds to main, so that the client unbinds and its socket file goes.
struct Failure {
    QString message;
    int code;
};

[[noreturn]] void Fail(const QString& message, int code) {
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
        m_bind = LocalBus::RegisterWindowMessage(u"TavicoreAccessAPIBind"_s);
        m_register = LocalBus::RegisterWindowMessage(u"TavicoreAccessAPIRegister"_s);
        m_endpoint.setMessageHandler([this](uint32_t message, WPARAM w, LPARAM) -> LRESULT {
            // Bind 1 announces a free phone to everyone; it answers nobody's request.
            if (message == m_bind && w != 1) {
                m_bindAnswer = w;
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
            Fail(u"cannot open a bus endpoint in %1"_s.arg(LocalBus::Folder()), 1);
        }
    }

    void Bind() {
        const auto phone = LocalBus::FindWindow(u"ZuvoClass"_s);
        if (!phone) {
            Fail(u"no phone is running"_s, 1);
        }
        m_phone = *phone;
        m_bindAnswer.reset();
        if (!LocalBus::SendMessage(m_phone, m_register, 1, m_endpoint.handle())) {
            Fail(u"the phone did not answer"_s, 1);
        }
        // From here on every way out unbinds: harmless when the phone did not bind us.
        m_bound = true;
        WaitFor([this] { return m_bindAnswer.has_value(); }, 3000);
        if (m_bindAnswer == kOtherBound) {
            Fail(u"another client is bound to the phone"_s, 3);
        }
        if (m_bindAnswer != kBound && m_bindAnswer != kAlreadyBound) {
            Fail(u"the phone refused the binding"_s, 1);
        }
    }

    ~Client() { Unbind(); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void Unbind() {
        if (m_bound) {
            LocalBus::SendMessage(m_phone, m_register, 0, m_endpoint.handle(), 2000);
            m_bound = false;
        }
    }

    bool Send(uint32_t type, const QByteArray& data = {}) {
        const auto r = LocalBus::SendCopyData(m_phone, m_endpoint.handle(), type, data);
        if (!r) {
            Fail(u"the phone did not answer"_s, 1);
        }
        return *r != 0;
    }

    // Waits for the phone to send copy-data of this type; its bytes.
    std::optional<QByteArray> Expect(uint32_t type, int timeoutMs = 3000) {
        std::optional<QByteArray> found;
        WaitFor(
            [&] {
                for (const auto& [t, d] : m_received) {
                    if (t == type) {
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
        switch (type) {
            case 1:
                Out() << "state: number \"" << CText(d.left(128)) << "\" call "
                      << (d.size() >= 132 && d[128] != 0 ? "active" : "idle") << " muted "
                      << (d.size() >= 136 && (d[132] | d[133] | d[134] | d[135]) != 0 ? "yes"
                                                                                      : "no")
                      << '\n';
                break;
            case 2:
                Out() << "number: " << CText(d) << '\n';
                break;
            case 3:
                Out() << "call ended\n";
                break;
            case 4:
                Out() << "call started\n";
                break;
            case 5:
                Out() << "history: " << CText(d) << '\n';
                break;
            default:
                Out() << "message " << type << '\n';
                break;
        }
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
    std::optional<WPARAM> m_bindAnswer;
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

// What zuvo-ctl does with its arguments; the exit code.
int Run(QCoreApplication& app, const QStringList& args) {
    const QString usage =
        u"usage: zuvo-ctl state | dial NUMBER | key DIGITS | call | hangup | redial | mute | "
        u"unmute | volume up|down | history | watch"_s;
    if (args.isEmpty()) {
        Fail(usage, 2);
    }
    const QString command = args[0].toLower();
    const QString argument = args.value(1);
    static const QStringList simple = {u"state"_s, u"call"_s,   u"hangup"_s,  u"redial"_s,
                                       u"mute"_s,  u"unmute"_s, u"history"_s, u"watch"_s};
    if (simple.contains(command)) {
        if (args.size() != 1) {
            Fail(u"%1 takes no argument"_s.arg(command), 2);
        }
    } else if (command == u"dial"_s || command == u"key"_s) {
        if (args.size() != 2 || argument.isEmpty()) {
            Fail(u"%1 needs one argument"_s.arg(command), 2);
        }
        if (command == u"key"_s) {
            for (const QChar c : argument) {
                if (!c.isDigit() && c != u'*' && c != u'#' && c != u'+') {
                    Fail(u"'%1' is not a keypad key"_s.arg(c), 2);
                }
            }
        }
    } else if (command == u"volume"_s) {
        if (args.size() != 2 || (argument != u"up"_s && argument != u"down"_s)) {
            Fail(u"volume needs up or down"_s, 2);
        }
    } else {
        Fail(u"unknown command '%1'\n%2"_s.arg(args[0], usage), 2);
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
    int code = 0;
    if (command == u"state"_s) {
        client.Send(16);
        const auto record = client.Expect(1);
        if (!record) {
            Fail(u"the phone sent no state"_s, 1);
        }
        Client::Print(1, *record);
    } else if (command == u"dial"_s) {
        if (!client.Send(5, argument.toLatin1() + '\0')) {
            QTextStream(stderr) << "zuvo-ctl: the phone is in a call" << Qt::endl;
            code = 1;
        } else {
            client.Send(6);
        }
    } else if (command == u"key"_s) {
        for (const QChar c : argument) {
            client.Send(2, Char(c));
            client.Send(3, Char(c));
        }
    } else if (command == u"call"_s) {
        client.Send(6);
    } else if (command == u"hangup"_s) {
        client.Send(7);
    } else if (command == u"redial"_s) {
        client.Send(8);
    } else if (command == u"mute"_s) {
        client.Send(11);
    } else if (command == u"unmute"_s) {
        client.Send(12);
    } else if (command == u"volume"_s) {
        client.Send(argument == u"up"_s ? 9 : 10);
    } else if (command == u"history"_s) {
        client.Send(13);
        const auto list = client.Expect(5);
        Out() << (list ? CText(*list).split(u',', Qt::SkipEmptyParts).join(u'\n') : QString())
              << '\n';
    } else if (command == u"watch"_s) {
        if (!g_stop) {
            client.Watch();
        }
        return code;
    }
    if (g_stop) {
        Fail(u"interrupted"_s, 1);
    }
    return code;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    int code = 0;
    try {
        code = Run(app, args);
    } catch (const Failure& failure) {
        Out().flush();
        QTextStream(stderr) << "zuvo-ctl: " << failure.message << Qt::endl;
        code = failure.code;
    }
    Out().flush();
    return code;
}
