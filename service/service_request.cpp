#include "service/service_request.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QRegularExpression>

#include <memory>
#include <mutex>

#include "service/proxy_credentials_prompt.h"
#include "service/reply_lookup.h"
#include "service/service_log.h"
#include "service/system_proxy.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo::service {

namespace {

// Connection attempts per send, as the original stack's connect retry count.
constexpr int kConnectRetries = 3;
constexpr int kStatusProxyAuthentication = 407;

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

void GlobalInit() {
    // curl_global_init is not thread-safe; run it once before any worker uses curl.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HeaderList MakeList(const QStringList& lines) {
    curl_slist* list = nullptr;
    for (const QString& line : lines) {
        curl_slist* grown = curl_slist_append(list, line.toUtf8().constData());
        if (grown == nullptr) {
            curl_slist_free_all(list);
            return HeaderList{};
        }
        list = grown;
    }
    return HeaderList(list);
}

struct Transfer {
    QByteArray body;
    qsizetype maxBody = 0;
    bool overflow = false;
    const std::atomic_bool* cancel = nullptr;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer->body.size() + static_cast<qsizetype>(bytes) > transfer->maxBody) {
        transfer->overflow = true;
        return 0;  // ends the transfer with a write error
    }
    transfer->body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<const Transfer*>(user);
    return (transfer->cancel != nullptr && transfer->cancel->load()) ? 1 : 0;
}

bool IsValidObject(const QString& object) {
    for (const QChar c : object) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F) {
            return false;
        }
    }
    return true;
}

// Where the request goes through: an address for CURLOPT_PROXY, empty for direct.
QString ProxyFor(const RequestParameters& p) {
    switch (p.proxy.mode) {
        case ProxySettings::System:
            return SystemProxyFor(p.host, p.secure);
        case ProxySettings::Explicit: {
            const QString name = ProxyName(p.proxy, p.secure);
            return name.isEmpty() ? QString() : u"http://"_s + name;
        }
        default:
            return {};
    }
}

}  // namespace

ServiceRequest::ServiceRequest() {
    GlobalInit();
}

bool ServiceRequest::IsValidHost(const QString& host) {
    static const QRegularExpression pattern(
        uR"(^(?:[A-Za-z0-9_](?:[A-Za-z0-9._-]*)|\[[0-9A-Fa-f:.]+\])(?::([0-9]{1,5}))?$)"_s);
    const QRegularExpressionMatch match = pattern.match(host);
    if (!match.hasMatch()) {
        return false;
    }
    if (match.hasCaptured(1)) {
        const int port = match.captured(1).toInt();
        return port > 0 && port <= 65535;
    }
    return true;
}

int ServiceRequest::GetReplyValue(const QString& key, QString& value, int start) const {
    return service::GetReplyValue(m_reply, key, value, start);
}

int ServiceRequest::GetTaggedValue(const QString& tag, QString& value, int start) const {
    return service::GetTaggedValue(m_reply, tag, value, start);
}

void ServiceRequest::Perform(const RequestParameters& p) {
    m_succeeded = false;
    if (p.host.isEmpty()) {
        return;
    }
    ForceOnline();
    if (!IsValidHost(p.host) || !IsValidObject(p.object)) {
        qCWarning(lcService) << "refused a request with an unusable host or object";
        return;
    }
    m_statusCode = 0;

    const QString url = (p.secure ? u"https://"_s : u"http://"_s) + p.host + u'/' + p.object;
    const QByteArray urlBytes = url.toUtf8();
    const QString proxy = ProxyFor(p);
    const QByteArray proxyBytes = proxy.toUtf8();
    const QByteArray agent = p.agentName.toUtf8();
    const QByteArray caFile = qgetenv("ZUVO_CA_FILE");

    CurlHandle curl(curl_easy_init());
    if (!curl) {
        return;
    }
    CURL* c = curl.get();
    Transfer transfer;
    transfer.maxBody = m_limits.maxBodyBytes;
    transfer.cancel = m_cancel;

    curl_easy_setopt(c, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.totalTimeout.count()));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    // A host-name mismatch is tolerated; every other certificate fault is not.
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
    if (!caFile.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, caFile.constData());
    }
    // An empty proxy text also keeps curl from taking a proxy from the environment by itself.
    curl_easy_setopt(c, CURLOPT_PROXY, proxyBytes.constData());
    curl_easy_setopt(c, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    if (p.proxy.mode != ProxySettings::System) {
        // Without a list of our own curl reads NO_PROXY, and a request meant for the explicit
        // proxy, with the proxy's credentials in its headers, would go to the web server.
        curl_easy_setopt(c, CURLOPT_NOPROXY, "");
    }

    const QStringList serverHeaders{u"Cache-Control: no-cache"_s, u"Pragma: no-cache"_s};
    QStringList proxyHeaders;
    const QString headerText = ProxyHeaders(p.proxy, p.secure);
    if (p.proxy.mode == ProxySettings::Explicit && !headerText.isEmpty()) {
        proxyHeaders = headerText.split(u"\r\n"_s, Qt::SkipEmptyParts);
    }

    QByteArray promptedUser;
    QByteArray promptedPassword;
    HeaderList serverList;
    HeaderList proxyList;
    auto applyHeaders = [&] {
        // Proxy headers go to the proxy only: through a tunnel they must not reach the server.
        if (p.secure) {
            serverList = MakeList(serverHeaders);
            proxyList = MakeList(proxyHeaders);
            curl_easy_setopt(c, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
            curl_easy_setopt(c, CURLOPT_PROXYHEADER, proxyList.get());
        } else {
            serverList = MakeList(serverHeaders + proxyHeaders);
            curl_easy_setopt(c, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_UNIFIED));
        }
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, serverList.get());
    };
    applyHeaders();

    auto send = [&]() -> CURLcode {
        CURLcode result = CURLE_COULDNT_CONNECT;
        for (int attempt = 0; attempt < kConnectRetries; ++attempt) {
            transfer.body.clear();
            transfer.overflow = false;
            result = curl_easy_perform(c);
            if (result != CURLE_COULDNT_CONNECT || (m_cancel != nullptr && m_cancel->load())) {
                break;
            }
        }
        long status = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        long connectStatus = 0;
        curl_easy_getinfo(c, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
        // A proxy that refused the tunnel answered for the whole request.
        m_statusCode =
            connectStatus >= 300 ? static_cast<int>(connectStatus) : static_cast<int>(status);
        return result;
    };

    CURLcode result = send();
    if (m_statusCode == kStatusProxyAuthentication && m_prompt != nullptr &&
        !(m_cancel != nullptr && m_cancel->load())) {
        QString user = p.proxy.userName;
        QString password = p.proxy.password;
        const QString proxyName = proxy.section(u"://"_s, -1);
        if (m_prompt->PromptProxyCredentials(proxyName, user, password)) {
            // The answered credentials replace any configured authorization line.
            proxyHeaders.removeIf(
                [](const QString& line) { return line.startsWith(u"Proxy-Authorization:"_s); });
            applyHeaders();
            promptedUser = user.toUtf8();
            promptedPassword = password.toUtf8();
            curl_easy_setopt(c, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
            curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, promptedUser.constData());
            curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, promptedPassword.constData());
            result = send();
        }
    }

    if (result != CURLE_OK) {
        qCDebug(lcService) << "request failed:" << curl_easy_strerror(result)
                           << (transfer.overflow ? "(reply too large)" : "");
        return;
    }
    if (m_statusCode != 200) {
        return;
    }
    m_reply += QString::fromUtf8(transfer.body);
    m_succeeded = true;
}

}  // namespace zuvo::service
