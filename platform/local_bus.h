#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <QElapsedTimer>

#include <functional>
#include <map>
#include <optional>

#include "platform/ids.h"

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace zuvo {

// A window that other processes can reach; numbers unique per machine while it lives.
using WindowHandle = uint32_t;

// Cross-process window messages for the processes of one user: every reachable top-level window
// is an endpoint, a Unix socket named "<class>.<handle>" in the user's bus folder
// ($XDG_RUNTIME_DIR/zuvo, or /tmp/zuvo-<uid>; mode 0700). Frames carry a message with wParam and
// lParam, or copy-data (a type and bytes). A send waits for the handler's result with a time-out;
// a post does not. Peers of another user are refused.
namespace LocalBus {

QString Folder();

// A window of that class, if one answers.
std::optional<WindowHandle> FindWindow(const QString& className);
// Whether the window still exists: its process still takes connections. The socket file of a
// window whose process died is removed.
bool IsWindow(WindowHandle handle);

// The handler's result, or nullopt when the window is gone, refused or did not answer in time.
std::optional<LRESULT> SendMessage(WindowHandle to, uint32_t message, WPARAM wParam, LPARAM lParam,
                                   int timeoutMs = 5000);
bool PostMessage(WindowHandle to, uint32_t message, WPARAM wParam, LPARAM lParam);
std::optional<LRESULT> SendCopyData(WindowHandle to, WindowHandle from, uint32_t type,
                                    const QByteArray& data, int timeoutMs = 5000);
// Posts the message to every window on the bus; returns how many took it.
int Broadcast(uint32_t message, WPARAM wParam, LPARAM lParam, WindowHandle except = 0);

// A message number for a name, the same in every process (0xC000..0xFFFF).
uint32_t RegisterWindowMessage(const QString& name);

// Message that asks a window to restore itself and come to the front (wParam, lParam unused).
inline constexpr uint32_t kActivateMessage = 0x0006;  // WM_ACTIVATE's number

}  // namespace LocalBus

// The receiving side of one window. Handlers run on the thread that owns the endpoint; a
// handler may run a nested event loop, during which its sender may go away.
class LocalBusEndpoint : public QObject {
    Q_OBJECT
public:
    // Bounds on what other processes may make an endpoint hold: open connections, the size of
    // one frame, and how long a connection may sit without completing a frame (or, when it leaves
    // its answers unread, without having one taken).
    static constexpr int kMaxConnections = 32;
    static constexpr int kMaxFrameBytes = 64 * 1024;
    static constexpr int kStaleMs = 5000;

    using MessageHandler = std::function<LRESULT(uint32_t message, WPARAM, LPARAM)>;
    using CopyDataHandler =
        std::function<LRESULT(WindowHandle sender, uint32_t type, const QByteArray& data)>;

    explicit LocalBusEndpoint(QString className, QObject* parent = nullptr);
    ~LocalBusEndpoint() override;

    bool Listen();  // false when the bus folder or socket cannot be made
    WindowHandle handle() const { return m_handle; }
    const QString& className() const { return m_className; }

    void setMessageHandler(MessageHandler handler) { m_onMessage = std::move(handler); }
    void setCopyDataHandler(CopyDataHandler handler) { m_onCopyData = std::move(handler); }

private:
    // What the endpoint keeps per connection.
    struct Connection {
        QByteArray buffer;        // the start of a frame still being sent
        QElapsedTimer lastFrame;  // since connected or since its last whole frame
        bool inHandler = false;   // a handler for one of its frames is running
        bool gone = false;        // the peer left while a handler ran
    };

    void OnConnection();
    void OnReadable(QLocalSocket* socket);
    void OnDisconnected(QLocalSocket* socket);
    void Drop(QLocalSocket* socket);
    void DropStale();

    QString m_className;
    WindowHandle m_handle = 0;
    QLocalServer* m_server = nullptr;
    QTimer* m_staleTimer = nullptr;
    std::map<QLocalSocket*, Connection> m_connections;
    MessageHandler m_onMessage;
    CopyDataHandler m_onCopyData;
};

}  // namespace zuvo
