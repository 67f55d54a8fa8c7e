#include "platform/local_bus.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <vector>

#include "platform/bus_frame.h"

Q_LOGGING_CATEGORY(lcBus, "zuvo.bus", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

using Frame = BusFrame;
using FrameKind = BusFrame::Kind;

constexpr quint32 kMaxFrame = LocalBusEndpoint::kMaxFrameBytes;
static_assert(kMaxFrame == BusFrame::kMaxBytes);
// What one connection's socket may buffer: a whole frame and its size field.
constexpr qint64 kConnectionBuffer = kMaxFrame + 4;
// Answers a peer may leave unread before its further frames wait for it to read them.
constexpr qint64 kMaxUnreadAnswers = kConnectionBuffer;

bool PeerIsSameUser(QLocalSocket* socket) {
    ucred cred{};
    socklen_t len = sizeof(cred);
    if (getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred,
                   &len) != 0) {
        return false;
    }
    return cred.uid == getuid();
}

QString SocketPath(const QString& name) {
    return LocalBus::Folder() + u'/' + name;
}

// Finds the socket file of a window handle.
QString EndpointPath(WindowHandle handle) {
    const QString suffix = u"."_s + QString::number(handle, 16);
    const QStringList names = QDir(LocalBus::Folder()).entryList(QDir::System | QDir::Files);
    for (const QString& n : names) {
        if (n.endsWith(suffix)) {
            return SocketPath(n);
        }
    }
    return {};
}

// Waits for the socket to become readable. On the main thread the event loop keeps running, so
// a window that is itself waiting on us can still be answered (as sent messages are served
// while a Windows thread waits in SendMessage).
bool WaitReadable(QLocalSocket& socket, int timeoutMs) {
    if (QCoreApplication::instance() == nullptr ||
        QThread::currentThread() != QCoreApplication::instance()->thread()) {
        return socket.waitForReadyRead(timeoutMs);
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (socket.bytesAvailable() == 0) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return socket.bytesAvailable() > 0;
}

std::optional<LRESULT> Deliver(const QString& path, const Frame& frame, int timeoutMs) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) {
        qCDebug(lcBus) << "no window at" << path << socket.errorString();
        return std::nullopt;
    }
    socket.write(frame.Encode());
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return std::nullopt;
    }
    if (!frame.wantReply) {
        socket.disconnectFromServer();
        return 0;
    }
    QByteArray reply;
    QElapsedTimer clock;
    clock.start();
    while (reply.size() < 8) {
        const int left = timeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || (socket.bytesAvailable() == 0 && !WaitReadable(socket, left))) {
            qCDebug(lcBus) << "no answer from" << path;
            return std::nullopt;
        }
        reply += socket.readAll();
    }
    QDataStream in(reply);
    qint64 result = 0;
    in >> result;
    return static_cast<LRESULT>(result);
}

enum class Probe { Answers, Gone, Unsure };

// Connects to a socket file and goes again. A file whose process died refuses the connection;
// it is removed.
Probe ProbeEndpoint(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000)) {
        probe.disconnectFromServer();
        return Probe::Answers;
    }
    switch (probe.error()) {
        case QLocalSocket::ConnectionRefusedError:
            QFile::remove(path);  // left behind by a process that died
            return Probe::Gone;
        case QLocalSocket::ServerNotFoundError:
            return Probe::Gone;
        default:
            qCDebug(lcBus) << "cannot tell whether" << path << "lives:" << probe.errorString();
            return Probe::Unsure;
    }
}

std::atomic<quint32> g_nextEndpoint{1};

}  // namespace

namespace LocalBus {

QString Folder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString base = runtime.isEmpty() ? u"/tmp/zuvo-"_s + QString::number(getuid())
                                           : QString::fromLocal8Bit(runtime) + u"/zuvo"_s;
    return base;
}

std::optional<WindowHandle> FindWindow(const QString& className) {
    const QString prefix = className + u'.';
    const QStringList names = QDir(Folder()).entryList(QDir::System | QDir::Files, QDir::Time);
    for (const QString& n : names) {
        if (!n.startsWith(prefix)) {
            continue;
        }
        bool ok = false;
        const WindowHandle handle = n.mid(prefix.size()).toUInt(&ok, 16);
        if (!ok) {
            continue;
        }
        if (ProbeEndpoint(SocketPath(n)) == Probe::Answers) {
            return handle;
        }
    }
    return std::nullopt;
}

bool IsWindow(WindowHandle handle) {
    const QString path = EndpointPath(handle);
    // A window that is busy or cannot be probed counts as alive: it is not ours to give away.
    return !path.isEmpty() && ProbeEndpoint(path) != Probe::Gone;
}

std::optional<LRESULT> SendMessage(WindowHandle to, uint32_t message, WPARAM wParam, LPARAM lParam,
                                   int timeoutMs) {
    Frame f;
    f.kind = FrameKind::Message;
    f.wantReply = true;
    f.message = message;
    f.wParam = wParam;
    f.lParam = lParam;
    return Deliver(EndpointPath(to), f, timeoutMs);
}

bool PostMessage(WindowHandle to, uint32_t message, WPARAM wParam, LPARAM lParam) {
    Frame f;
    f.kind = FrameKind::Message;
    f.message = message;
    f.wParam = wParam;
    f.lParam = lParam;
    return Deliver(EndpointPath(to), f, 2000).has_value();
}

std::optional<LRESULT> SendCopyData(WindowHandle to, WindowHandle from, uint32_t type,
                                    const QByteArray& data, int timeoutMs) {
    Frame f;
    f.kind = FrameKind::CopyData;
    f.wantReply = true;
    f.sender = from;
    f.type = type;
    f.data = data;
    return Deliver(EndpointPath(to), f, timeoutMs);
}

int Broadcast(uint32_t message, WPARAM wParam, LPARAM lParam, WindowHandle except) {
    int delivered = 0;
    const QStringList names = QDir(Folder()).entryList(QDir::System | QDir::Files);
    const QString self = u"."_s + QString::number(except, 16);
    for (const QString& n : names) {
        if (except != 0 && n.endsWith(self)) {
            continue;
        }
        Frame f;
        f.message = message;
        f.wParam = wParam;
        f.lParam = lParam;
        if (Deliver(SocketPath(n), f, 1000)) {
            ++delivered;
        }
    }
    return delivered;
}

uint32_t RegisterWindowMessage(const QString& name) {
    // FNV-1a over the lower-case name: every process derives the same number.
    uint32_t hash = 2166136261u;
    for (const char c : name.toLower().toUtf8()) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 16777619u;
    }
    return 0xC000u + (hash % 0x4000u);
}

}  // namespace LocalBus

LocalBusEndpoint::LocalBusEndpoint(QString className, QObject* parent)
    : QObject(parent), m_className(std::move(className)) {
    m_handle =
        ((static_cast<quint32>(getpid()) & 0x3FFFFF) << 8) | (g_nextEndpoint.fetch_add(1) & 0xFF);
    m_staleTimer = new QTimer(this);
    m_staleTimer->setInterval(1000);
    connect(m_staleTimer, &QTimer::timeout, this, &LocalBusEndpoint::DropStale);
}

LocalBusEndpoint::~LocalBusEndpoint() {
    for (const auto& entry : m_connections) {
        disconnect(entry.first, nullptr, this, nullptr);
    }
    if (m_server != nullptr) {
        m_server->close();  // removes the socket file
    }
}

bool LocalBusEndpoint::Listen() {
    const QString folder = LocalBus::Folder();
    if (!QDir().mkpath(folder)) {
        return false;
    }
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = SocketPath(m_className + u'.' + QString::number(m_handle, 16));
    QLocalServer::removeServer(name);
    if (!m_server->listen(name)) {
        qCWarning(lcBus) << "cannot listen on" << name << m_server->errorString();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &LocalBusEndpoint::OnConnection);
    return true;
}

void LocalBusEndpoint::OnConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!PeerIsSameUser(socket)) {
            qCWarning(lcBus) << "refused a peer of another user";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (std::ssize(m_connections) >= kMaxConnections) {
            DropStale();
        }
        if (std::ssize(m_connections) >= kMaxConnections) {
            qCDebug(lcBus) << "refused a connection:" << m_connections.size() << "are open";
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(kConnectionBuffer);
        m_connections[socket].lastFrame.start();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, this,
                [this, socket] { OnDisconnected(socket); });
        // Frames held back while the peer did not read its answers are taken once it does.
        connect(socket, &QLocalSocket::bytesWritten, this, [this, socket] { OnReadable(socket); });
        if (!m_staleTimer->isActive()) {
            m_staleTimer->start();
        }
        if (socket->bytesAvailable() > 0) {
            OnReadable(socket);
        }
    }
}

void LocalBusEndpoint::OnReadable(QLocalSocket* socket) {
    const auto it = m_connections.find(socket);
    if (it == m_connections.end() || it->second.inHandler) {
        return;  // its frames wait for the handler that is running
    }
    // The entry and the socket stay while a handler runs (OnDisconnected only marks them), even
    // when the handler runs an event loop in which the peer leaves.
    Connection& connection = it->second;
    connection.inHandler = true;
    const QPointer<LocalBusEndpoint> self(this);
    bool bad = false;
    while (true) {
        if (socket->state() == QLocalSocket::ConnectedState &&
            socket->bytesToWrite() >= kMaxUnreadAnswers) {
            // A peer that does not read its answers is not read either: what it sends waits in
            // the socket, and it is let go once it has been held for kStaleMs.
            break;
        }
        auto frame = BusFrame::Take(connection.buffer, bad);
        if (!frame) {
            if (bad || socket->bytesAvailable() == 0) {
                break;
            }
            connection.buffer += socket->read(kConnectionBuffer - connection.buffer.size());
            continue;
        }
        connection.lastFrame.restart();
        LRESULT result = 0;
        if (frame->kind == FrameKind::Message) {
            if (m_onMessage) {
                result = m_onMessage(frame->message, static_cast<WPARAM>(frame->wParam),
                                     static_cast<LPARAM>(frame->lParam));
            }
        } else if (m_onCopyData) {
            result = m_onCopyData(frame->sender, frame->type, frame->data);
        }
        if (self.isNull()) {
            return;  // the handler closed the window
        }
        if (frame->wantReply && socket->state() == QLocalSocket::ConnectedState) {
            QByteArray reply;
            QDataStream out(&reply, QIODevice::WriteOnly);
            out << static_cast<qint64>(result);
            socket->write(reply);
            socket->flush();
        }
    }
    connection.inHandler = false;
    if (bad) {
        qCWarning(lcBus) << "dropped a malformed frame";
        Drop(socket);
    } else if (connection.gone) {
        Drop(socket);
    }
}

void LocalBusEndpoint::OnDisconnected(QLocalSocket* socket) {
    const auto it = m_connections.find(socket);
    if (it == m_connections.end()) {
        return;
    }
    it->second.gone = true;
    // A post arrives with the sender already gone: what it sent is still read.
    if (!it->second.inHandler) {
        OnReadable(socket);
    }
}

void LocalBusEndpoint::Drop(QLocalSocket* socket) {
    disconnect(socket, nullptr, this, nullptr);
    m_connections.erase(socket);
    socket->abort();
    socket->deleteLater();
    if (m_connections.empty()) {
        m_staleTimer->stop();
    }
}

void LocalBusEndpoint::DropStale() {
    std::vector<QLocalSocket*> stale;
    for (const auto& [socket, connection] : m_connections) {
        if (!connection.inHandler && connection.lastFrame.hasExpired(kStaleMs)) {
            stale.push_back(socket);
        }
    }
    for (QLocalSocket* socket : stale) {
        qCDebug(lcBus) << "dropped a connection that completed no frame for" << kStaleMs << "ms;"
                       << m_connections[socket].buffer.size() << "bytes were waiting,"
                       << socket->bytesToWrite() << "bytes of answers unread";
        Drop(socket);
    }
}

}  // namespace zuvo
