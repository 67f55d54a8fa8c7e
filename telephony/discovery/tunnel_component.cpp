#include "telephony/discovery/tunnel_component.h"

#include <QLoggingCategory>
#include <QThread>

#include <array>
#include <cstring>

#include "platform/plugin_library.h"
#include "platform/registry.h"
#include "service/service_request.h"
#include "service/service_urls.h"

Q_LOGGING_CATEGORY(lcTunnel, "zuvo.tunnel", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kPollMs = 200;
constexpr std::size_t kTextBytes = 256;

QString FromBuffer(const char* buffer, std::size_t size) {
    return QString::fromUtf8(buffer, static_cast<qsizetype>(strnlen(buffer, size - 1)));
}

}  // namespace

TunnelComponent::TunnelComponent(std::unique_ptr<PluginLibrary> library, void* object)
    : m_library(std::move(library)),
      m_table(&m_library->table<ZuvoTunnelTable>()),
      m_object(object) {}

TunnelComponent::~TunnelComponent() {
    m_table->destroy(m_object);
}

std::shared_ptr<TunnelComponent> TunnelComponent::Create(const Registry& machine) {
    auto library = PluginLibrary::ForClass(machine, QStringLiteral(ZUVO_TUNNEL_CLASS_ID),
                                           ZUVO_TUNNEL_INTERFACE_ID, sizeof(ZuvoTunnelTable));
    if (!library) {
        return nullptr;
    }
    const auto& t = library->table<ZuvoTunnelTable>();
    if (!t.create || !t.destroy || !t.start || !t.stop || !t.get_status || !t.add_route ||
        !t.clear_routes || !t.get_version || !t.get_info) {
        qCWarning(lcTunnel) << library->path() << "leaves tunnel operations empty";
        return nullptr;
    }
    void* object = t.create();
    if (object == nullptr) {
        qCWarning(lcTunnel) << "the tunnel component made no object";
        return nullptr;
    }
    return std::shared_ptr<TunnelComponent>(new TunnelComponent(std::move(library), object));
}

bool TunnelComponent::HasConnect() const {
    return m_table->connect != nullptr;
}

std::optional<QString> TunnelComponent::Connect(const QString& key, const QString& host) {
    if (!HasConnect()) {
        return std::nullopt;
    }
    std::array<char, kTextBytes> address{};
    std::lock_guard lock(m_mutex);
    if (m_table->connect(m_object, key.toUtf8().constData(), host.toUtf8().constData(),
                         address.data(), address.size()) < 0) {
        qCWarning(lcTunnel) << "the tunnel could not connect to" << host;
        return std::nullopt;
    }
    return FromBuffer(address.data(), address.size()).left(16);
}

bool TunnelComponent::Start() {
    std::lock_guard lock(m_mutex);
    return m_table->start(m_object) >= 0;
}

void TunnelComponent::Stop() {
    std::lock_guard lock(m_mutex);
    if (m_table->stop(m_object) < 0) {
        qCDebug(lcTunnel) << "the tunnel did not stop cleanly";
    }
}

int TunnelComponent::Status() {
    int32_t status = 0;
    std::lock_guard lock(m_mutex);
    if (m_table->get_status(m_object, &status) < 0) {
        return 0;
    }
    return status;
}

void TunnelComponent::AddRoute(const QString& name, const QString& value) {
    std::lock_guard lock(m_mutex);
    if (m_table->add_route(m_object, name.toUtf8().constData(), value.toUtf8().constData()) < 0) {
        qCDebug(lcTunnel) << "route" << name << value << "not added";
    }
}

void TunnelComponent::ClearRoutes() {
    std::lock_guard lock(m_mutex);
    if (m_table->clear_routes(m_object) < 0) {
        qCDebug(lcTunnel) << "routes not cleared";
    }
}

QString TunnelComponent::Text(int (*read)(void*, char*, uint32_t)) {
    std::array<char, kTextBytes> buffer{};
    std::lock_guard lock(m_mutex);
    if (read(m_object, buffer.data(), buffer.size()) < 0) {
        return {};
    }
    return FromBuffer(buffer.data(), buffer.size()).left(service::kMaxTunnelTextLength);
}

QString TunnelComponent::Version() {
    return Text(m_table->get_version);
}

QString TunnelComponent::Info() {
    return Text(m_table->get_info);
}

TunnelStartResult TunnelComponent::StartAndWait(const std::atomic_bool& cancel, int* lastStatus) {
    if (!Start()) {
        return TunnelStartResult::StartFailed;
    }
    while (!cancel.load()) {
        QThread::msleep(kPollMs);
        const int status = Status();
        if (lastStatus != nullptr) {
            *lastStatus = status;
        }
        if (status != ZUVO_TUNNEL_CONNECTING) {
            return status == ZUVO_TUNNEL_UP ? TunnelStartResult::Up : TunnelStartResult::Failed;
        }
    }
    return TunnelStartResult::Cancelled;
}

bool TunnelComponent::FetchRoutes(const QString& host, bool secure,
                                  const service::ProxySettings& proxy,
                                  const std::atomic_bool* cancel) {
    ClearRoutes();
    service::ServiceRequest request;
    request.SetCancelFlag(cancel);
    request.Perform({.agentName = QString::fromUtf16(service::agent::kVersionSession),
                     .host = host,
                     .object = service::TunnelRoutesObject(),
                     .secure = secure,
                     .proxy = proxy});
    if (!request.succeeded()) {
        qCDebug(lcTunnel) << "no route reply from" << host;
        return false;
    }
    for (const auto& [name, value] : TunnelRouteGroups(request.reply())) {
        AddRoute(name, value);
    }
    return true;
}

QList<QPair<QString, QString>> TunnelRouteGroups(const QString& reply) {
    QList<QPair<QString, QString>> groups;
    qsizetype from = 0;
    while (true) {
        const qsizetype open = reply.indexOf(u'[', from);
        if (open < 0) {
            break;
        }
        const qsizetype close = reply.indexOf(u']', open + 1);
        if (close < 0) {
            break;
        }
        // Only a comma inside the brackets separates name and value.
        const qsizetype comma = reply.indexOf(u',', open + 1);
        if (comma < 0) {
            break;
        }
        if (comma < close) {
            groups.append(
                {reply.mid(open + 1, comma - open - 1), reply.mid(comma + 1, close - comma - 1)});
        }
        from = close + 1;
    }
    return groups;
}

}  // namespace zuvo
