#include "sim/provider_server.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QSslSocket>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>
#include <chrono>

using namespace Qt::Literals::StringLiterals;

namespace zuvo::sim {

namespace {

constexpr qsizetype kMaxHead = 64 * 1024;

QByteArray ReasonOf(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

}  // namespace

bool ProviderServer::ParseMode(const QString& text, Misbehaviour& mode) {
    static const QHash<QString, Misbehaviour> modes{
        {u"none"_s, Misbehaviour::None},       {u"silent"_s, Misbehaviour::Silent},
        {u"slow"_s, Misbehaviour::Slow},       {u"404"_s, Misbehaviour::NotFound},
        {u"500"_s, Misbehaviour::ServerError}, {u"malformed"_s, Misbehaviour::Malformed},
        {u"junk"_s, Misbehaviour::Junk},       {u"huge"_s, Misbehaviour::Huge},
        {u"no-key"_s, Misbehaviour::NoKey}};
    const auto found = modes.constFind(text);
    if (found == modes.constEnd()) {
        return false;
    }
    mode = *found;
    return true;
}

void ProviderServer::SetTls(const QSslCertificate& certificate, const QSslKey& key) {
    m_tls = true;
    m_certificate = certificate;
    m_key = key;
}

void ProviderServer::incomingConnection(qintptr descriptor) {
    QTcpSocket* socket = nullptr;
    if (m_tls) {
        auto* tls = new QSslSocket(this);
        if (!tls->setSocketDescriptor(descriptor)) {
            delete tls;
            return;
        }
        tls->setLocalCertificate(m_certificate);
        tls->setPrivateKey(m_key);
        tls->setPeerVerifyMode(QSslSocket::VerifyNone);
        connect(tls, &QSslSocket::sslErrors, tls, [tls] { tls->ignoreSslErrors(); });
        tls->startServerEncryption();
        socket = tls;
    } else {
        socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
    }
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadable(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

void ProviderServer::OnReadable(QTcpSocket* socket) {
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        if (buffer.size() > kMaxHead) {
            socket->abort();
            return;
        }
        socket->setProperty("buffer", buffer);
        return;
    }
    socket->setProperty("answered", true);
    socket->setProperty("buffer", QByteArray());
    Handle(socket, buffer.left(end));
}

void ProviderServer::Handle(QTcpSocket* socket, const QByteArray& head) {
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QString target = QString::fromLatin1(requestLine.value(1));
    if (target.startsWith(u"/sim/"_s)) {
        Control(socket, target);
        return;
    }

    QJsonObject entry;
    // Wall-clock seconds: the benchmark lines the requests up with the SIP it sees on the wire.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    entry.insert(u"time"_s, std::chrono::duration<double>(now).count());
    entry.insert(u"method"_s, QString::fromLatin1(requestLine.value(0)));
    entry.insert(u"target"_s, target);
    entry.insert(u"secure"_s, m_tls);
    QJsonObject headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) {
            headers.insert(QString::fromLatin1(line.left(colon).trimmed().toLower()),
                           QString::fromLatin1(line.mid(colon + 1).trimmed()));
        }
    }
    entry.insert(u"headers"_s, headers);

    QJsonObject facts;
    m_shared.service->SetOmitKey(m_shared.mode == Misbehaviour::NoKey);
    SimResponse response = m_shared.service->Answer(target, facts);
    entry.insert(u"facts"_s, facts);
    entry.insert(u"mode"_s, static_cast<int>(m_shared.mode));
    m_shared.log.append(entry);

    if (m_shared.mode == Misbehaviour::None && (response.neverEnds || response.restAfterMs > 0)) {
        SendInParts(socket, response);
        return;
    }
    switch (m_shared.mode) {
        case Misbehaviour::Silent:
            return;  // keep the connection open and never answer
        case Misbehaviour::Slow: {
            QPointer<QTcpSocket> guarded(socket);
            QTimer::singleShot(m_shared.delaySeconds * 1000, this, [guarded, response] {
                if (guarded) {
                    Send(guarded, response);
                }
            });
            return;
        }
        case Misbehaviour::NotFound:
            response = {.status = 404, .contentType = "text/plain", .body = "not here\n"};
            break;
        case Misbehaviour::ServerError:
            response = {.status = 500, .contentType = "text/plain", .body = "broken\n"};
            break;
        case Misbehaviour::Malformed:
            response.body =
                "[as:[uc:12345[key:45[phonecfg:zz BALANCE=[ AMOUNT= MINUTES=[12 "
                "POPUPCONTROL=[1/2,3 POPUP=[x,1/1/2030,1 PXY=[5;a:1:UDP HOSTS=[2;x";
            break;
        case Misbehaviour::Junk: {
            QByteArray junk(64 * 1024, Qt::Uninitialized);
            QRandomGenerator random(42);
            for (char& c : junk) {
                c = static_cast<char>(random.bounded(256));
            }
            response.body = junk;
            break;
        }
        case Misbehaviour::Huge: {
            // The real answer first, then brackets that open and close at random.
            QByteArray huge = response.body;
            const qsizetype answer = huge.size();
            huge.append(std::max<qsizetype>(0, m_shared.hugeBytes - answer), '[');
            for (qsizetype i = answer + 1; i < huge.size(); i += 97) {
                huge[i] = ']';
            }
            response.body = huge;
            break;
        }
        default:
            break;
    }
    Send(socket, response);
}

void ProviderServer::Control(QTcpSocket* socket, const QString& target) {
    SimResponse response;
    if (target.startsWith(u"/sim/log"_s)) {
        response.contentType = "application/json";
        response.body = QJsonDocument(m_shared.log).toJson(QJsonDocument::Compact);
    } else if (target.startsWith(u"/sim/reset"_s)) {
        m_shared.log = QJsonArray();
        response.body = "reset\n";
    } else if (target.startsWith(u"/sim/control"_s)) {
        const QUrlQuery query(target.section(u'?', 1));
        Misbehaviour mode = m_shared.mode;
        if (query.hasQueryItem(u"mode"_s) && !ParseMode(query.queryItemValue(u"mode"_s), mode)) {
            response.status = 404;
            response.body = "unknown mode\n";
            Send(socket, response);
            return;
        }
        m_shared.mode = mode;
        if (query.hasQueryItem(u"delay"_s)) {
            m_shared.delaySeconds = query.queryItemValue(u"delay"_s).toInt();
        }
        if (query.hasQueryItem(u"size"_s)) {
            m_shared.hugeBytes = query.queryItemValue(u"size"_s).toLongLong();
        }
        if (query.hasQueryItem(u"clock"_s)) {
            m_shared.service->SetClock(query.queryItemValue(u"clock"_s));
        }
        response.body = "ok\n";
    } else {
        response.status = 404;
        response.body = "unknown control\n";
    }
    Send(socket, response);
}

QByteArray ProviderServer::Head(const SimResponse& response) {
    return "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + ReasonOf(response.status) +
           "\r\nContent-Type: " + response.contentType +
           "\r\nContent-Length: " + QByteArray::number(response.body.size()) +
           "\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n";
}

void ProviderServer::SendInParts(QTcpSocket* socket, const SimResponse& response) {
    const qsizetype first = response.body.size() / 2;
    socket->write(Head(response) + response.body.left(first));
    if (response.neverEnds) {
        return;  // the connection stays open until the client gives up
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(response.restAfterMs, this, [guarded, rest = response.body.mid(first)] {
        if (guarded) {
            guarded->write(rest);
            guarded->disconnectFromHost();
        }
    });
}

void ProviderServer::Send(QTcpSocket* socket, const SimResponse& response) {
    QByteArray out = Head(response);
    out += response.body;
    socket->write(out);
    // Closing waits until everything written has left.
    socket->disconnectFromHost();
}

}  // namespace zuvo::sim
