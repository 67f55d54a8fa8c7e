// zuvo-provider-sim: the provider's web service, simulated on 127.0.0.1 for tests and the demo.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <memory>

#include "sim/account_book.h"
#include "sim/provider_server.h"
#include "sim/provider_service.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::sim::AccountBook;
using zuvo::sim::Misbehaviour;
using zuvo::sim::ProviderServer;
using zuvo::sim::ProviderService;

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "zuvo-provider-sim: %s\n", qPrintable(message));
    return 2;
}

// A self-signed certificate for the HTTPS side, made by the openssl tool in dir. Its name is not
// 127.0.0.1 on purpose: the phone must tolerate a name mismatch.
bool MakeCertificate(const QString& dir, QString& certPath, QString& keyPath) {
    certPath = dir + u"/provider-sim-cert.pem"_s;
    keyPath = dir + u"/provider-sim-key.pem"_s;
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s,
                                 u"-keyout"_s, keyPath, u"-out"_s, certPath, u"-days"_s, u"30"_s,
                                 u"-subj"_s, u"/CN=provider.zuvo.test"_s});
    return openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"zuvo-provider-sim"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Simulated provider web service on 127.0.0.1"_s);
    parser.addHelpOption();
    const QCommandLineOption httpPort(u"http-port"_s, u"HTTP port (0 = any free)"_s, u"port"_s,
                                      u"0"_s);
    const QCommandLineOption httpsPort(u"https-port"_s, u"HTTPS port (0 = any free, -1 = none)"_s,
                                       u"port"_s, u"0"_s);
    const QCommandLineOption accounts(u"accounts"_s, u"accounts file (JSON)"_s, u"file"_s);
    const QCommandLineOption misbehave(u"misbehave"_s,
                                       u"none, silent, slow, 404, 500, "_s
                                       u"malformed, junk, huge, no-key"_s,
                                       u"mode"_s, u"none"_s);
    const QCommandLineOption delay(u"delay"_s, u"seconds before a slow answer"_s, u"s"_s, u"5"_s);
    const QCommandLineOption portsFile(u"ports-file"_s, u"write the ports line here"_s, u"file"_s);
    const QCommandLineOption certDir(u"cert-dir"_s, u"where the certificate is made"_s, u"dir"_s);
    parser.addOptions({httpPort, httpsPort, accounts, misbehave, delay, portsFile, certDir});
    parser.process(app);

    AccountBook book;
    if (parser.isSet(accounts)) {
        QString error;
        if (!book.Load(parser.value(accounts), error)) {
            return Fail(error);
        }
    }
    ProviderService service(book);
    service.SetClock(book.clock());
    ProviderServer::Shared shared;
    shared.service = &service;
    shared.delaySeconds = parser.value(delay).toInt();
    if (!ProviderServer::ParseMode(parser.value(misbehave), shared.mode)) {
        return Fail(u"unknown mode "_s + parser.value(misbehave));
    }

    ProviderServer http(shared);
    if (!http.listen(QHostAddress::LocalHost,
                     static_cast<quint16>(parser.value(httpPort).toInt()))) {
        return Fail(u"cannot listen for HTTP: "_s + http.errorString());
    }

    std::unique_ptr<QTemporaryDir> temporary;
    QString dir = parser.value(certDir);
    if (dir.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>();
        dir = temporary->path();
    }
    QDir().mkpath(dir);
    ProviderServer https(shared);
    QString certPath;
    const int wantedHttps = parser.value(httpsPort).toInt();
    if (wantedHttps >= 0) {
        QString keyPath;
        if (!MakeCertificate(dir, certPath, keyPath)) {
            return Fail(u"openssl could not make a certificate"_s);
        }
        QFile certFile(certPath);
        QFile keyFile(keyPath);
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
            return Fail(u"cannot read the certificate"_s);
        }
        https.SetTls(QSslCertificate(&certFile, QSsl::Pem),
                     QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem));
        if (!https.listen(QHostAddress::LocalHost, static_cast<quint16>(wantedHttps))) {
            return Fail(u"cannot listen for HTTPS: "_s + https.errorString());
        }
    }

    const QString line = u"zuvo-provider-sim http=%1 https=%2 cert=%3"_s.arg(http.serverPort())
                             .arg(wantedHttps >= 0 ? int(https.serverPort()) : -1)
                             .arg(certPath);
    if (parser.isSet(portsFile)) {
        QFile out(parser.value(portsFile));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            out.write(line.toUtf8() + '\n');
        }
    }
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
