#include "telephony/discovery/sip_server_entry.h"

#include <QLoggingCategory>

#include <algorithm>

#include "service/reply_lookup.h"
#include "service/service_request.h"
#include "telephony/discovery/hosts_file.h"

Q_DECLARE_LOGGING_CATEGORY(lcHosts)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// A count, then that many items, all separated by ";". Counts are bounded by what is there so a
// reply cannot make the list huge.
QStringList CountedItems(const QString& value) {
    const QStringList parts = value.split(u';');
    bool ok = false;
    const int count = parts.value(0).trimmed().toInt(&ok);
    if (!ok || count <= 0) {
        return {};
    }
    return parts.mid(1, std::min<qsizetype>(count, parts.size() - 1));
}

// A transport name: a few letters (UDP, TCP, TLS...); the engine decides which it knows.
bool IsTransportName(const QString& name) {
    return !name.isEmpty() && name.size() <= 8 &&
           std::all_of(name.cbegin(), name.cend(), [](QChar c) {
               return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
           });
}

}  // namespace

ServerConfiguration ParseServerConfiguration(const QString& reply) {
    ServerConfiguration config;
    QString value;
    if (service::GetReplyValue(reply, u"PXY"_s, value) >= 0) {
        for (const QString& raw : CountedItems(value)) {
            SipServerEntry entry;
            entry.transport = u"TCP"_s;
            QString item = raw;
            const qsizetype first = item.indexOf(u':');
            const qsizetype second = first > 0 ? item.indexOf(u':', first + 1) : -1;
            if (second > 0) {
                entry.transport = item.mid(second + 1);
                item.truncate(second);
            }
            // The address goes to the engine and into its settings: only a host and a port.
            if (!service::ServiceRequest::IsValidHost(item) || !IsTransportName(entry.transport)) {
                qCDebug(lcHosts) << "SIP server item refused";
                continue;
            }
            entry.address = item;
            entry.host = item.left(item.indexOf(u':') < 0 ? item.size() : item.indexOf(u':'));
            config.servers << entry;
        }
        config.carriesServers = !config.servers.isEmpty();
    }
    value.clear();
    if (service::GetReplyValue(reply, u"HOSTS"_s, value) >= 0) {
        config.hasHosts = true;
        for (const QString& item : CountedItems(value)) {
            const qsizetype colon = item.indexOf(u':');
            if (colon <= 0) {  // an item without a domain before ":" gives no pair
                continue;
            }
            const HostsPair pair{item.left(colon), item.mid(colon + 1)};
            // Only a host name and an address: the item must not add lines or reach settings.
            if (IsValidHostsPair(pair)) {
                config.hosts << pair;
            }
        }
    }
    value.clear();
    if (service::GetReplyValue(reply, u"WEB"_s, value) >= 0) {
        config.hasWeb = true;
        for (const QString& item : CountedItems(value)) {
            if (service::ServiceRequest::IsValidHost(item)) {
                config.web << item;
            } else {
                qCDebug(lcHosts) << "web server item refused";
            }
        }
    }
    value.clear();
    if (service::GetReplyValue(reply, u"RETRIES"_s, value) >= 0) {
        config.hasRetries = true;
        config.retries = value.trimmed().toInt();
    }
    return config;
}

}  // namespace zuvo
