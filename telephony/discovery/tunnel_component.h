#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/plugin_abi.h"
#include "service/proxy_settings.h"

namespace zuvo {

class PluginLibrary;
class Registry;

// What starting the tunnel and waiting for it gave: up, or why not.
enum class TunnelStartResult {
    Up,
    StartFailed,  // the component refused to start
    Failed,       // it reported a status other than connecting or up
    Cancelled,    // the sign-in was cancelled while waiting
};

// The VPN tunnel component registered on the machine. The connect thread, the workers that
// describe the connection and the main thread all call it; one lock keeps the calls apart.
class TunnelComponent {
public:
    // Null (no tunnel, no message) when the class is not registered or does not load.
    static std::shared_ptr<TunnelComponent> Create(const Registry& machine);
    ~TunnelComponent();
    TunnelComponent(const TunnelComponent&) = delete;
    TunnelComponent& operator=(const TunnelComponent&) = delete;

    bool HasConnect() const;
    // The tunnel's local address (at most 16 characters), none when the connect failed.
    std::optional<QString> Connect(const QString& key, const QString& host);
    bool Start();
    void Stop();
    int Status();
    void AddRoute(const QString& name, const QString& value);
    void ClearRoutes();
    QString Version();  // at most 16 characters
    QString Info();     // at most 16 characters

    // Start, then poll the status every 200 ms until it is no longer "connecting" or cancel.
    TunnelStartResult StartAndWait(const std::atomic_bool& cancel, int* lastStatus = nullptr);
    // Task VP to the given web host: clears the routes, then adds each route group of the reply.
    // False when no reply came.
    bool FetchRoutes(const QString& host, bool secure, const service::ProxySettings& proxy,
                     const std::atomic_bool* cancel);

private:
    TunnelComponent(std::unique_ptr<PluginLibrary> library, void* object);
    QString Text(int (*read)(void*, char*, uint32_t));

    std::unique_ptr<PluginLibrary> m_library;
    const ZuvoTunnelTable* m_table = nullptr;
    void* m_object = nullptr;
    std::mutex m_mutex;
};

// The "[name,value]" groups of a route reply, in order. Scanning stops at a "[" with no "]"
// after it; a group without a comma inside its brackets gives nothing.
QList<QPair<QString, QString>> TunnelRouteGroups(const QString& reply);

}  // namespace zuvo
