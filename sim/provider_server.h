#pragma once

#include <QJsonArray>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>

#include "sim/provider_service.h"

class QTcpSocket;

namespace zuvo::sim {

// How the simulator misbehaves, chosen at start or through /sim/control.
enum class Misbehaviour { None, Silent, Slow, NotFound, ServerError, Malformed, Junk, Huge, NoKey };

// Listens on 127.0.0.1 for plain HTTP or (with a certificate) HTTPS, reads one GET request per
// connection and answers it from the ProviderService, or misbehaves as told. Control targets:
// /sim/control?mode=...&delay=s&size=bytes&clock=d/m/yyyy,h:m:s, /sim/log (JSON of the requests
// so far),
// /sim/reset (clears the log).
class ProviderServer : public QTcpServer {
    Q_OBJECT
public:
    struct Shared {
        ProviderService* service = nullptr;
        Misbehaviour mode = Misbehaviour::None;
        int delaySeconds = 5;
        qsizetype hugeBytes = 16 * 1024 * 1024;
        QJsonArray log;
    };

    ProviderServer(Shared& shared, QObject* parent = nullptr)
        : QTcpServer(parent), m_shared(shared) {}
    // Makes this server speak TLS with the given certificate and key.
    void SetTls(const QSslCertificate& certificate, const QSslKey& key);

    static bool ParseMode(const QString& text, Misbehaviour& mode);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void OnReadable(QTcpSocket* socket);
    void Handle(QTcpSocket* socket, const QByteArray& head);
    void Control(QTcpSocket* socket, const QString& target);
    static void Send(QTcpSocket* socket, const SimResponse& response);
    // Half the body now, the rest later (or never): a page that loads slowly.
    void SendInParts(QTcpSocket* socket, const SimResponse& response);
    static QByteArray Head(const SimResponse& response);

    Shared& m_shared;
    bool m_tls = false;
    QSslCertificate m_certificate;
    QSslKey m_key;
};

}  // namespace zuvo::sim
