#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QUrlQuery>

#include "sim/account_book.h"
#include "sim/sim_cipher.h"

namespace zuvo::sim {

// One answer of the simulated web service.
struct SimResponse {
    int status = 200;
    QByteArray contentType = "text/plain; charset=utf-8";
    QByteArray body;
    // A page that loads slowly: the first part of the body now, the rest after this many ms.
    int restAfterMs = 0;
    // A page that never finishes: the first part of the body, then nothing, the connection open.
    bool neverEnds = false;
};

// The provider's tasks (VV, SP, MC, AB, GA, VP) and pages (UA, RT, OH, CS): turns a request
// target ("/ZuvoDialler/phone.ashx?task=...") into an answer. Notes what it deciphered in
// `facts` for the request log (never the PIN).
class ProviderService {
public:
    explicit ProviderService(const AccountBook& book) : m_book(book) {}

    SimResponse Answer(const QString& target, QJsonObject& facts);
    // When set, VV answers a good key without its "[key:" item.
    void SetOmitKey(bool omit) { m_omitKey = omit; }
    // The clock GA reports ("d/m/yyyy,h:m:s"); empty: the computer's local time.
    void SetClock(const QString& clock) { m_clock = clock; }

private:
    // The account of a valid request key, or nothing for a bad key, account or PIN.
    std::optional<SimAccount> Authenticate(const QString& key, QJsonObject& facts) const;
    QByteArray VersionCheck(const std::optional<SimAccount>& account, const QString& claimed) const;
    QByteArray SipProxy(const SimAccount& account) const;
    QByteArray Balance(const SimAccount& account, const QString& number);
    QByteArray Popups(const SimAccount& account) const;
    QByteArray Routes() const;
    // The static pages and the test pages slow.htm (?seconds=N), never.htm; 404 for others.
    SimResponse StaticPage(const QString& path, const QUrlQuery& query) const;

    const AccountBook& m_book;
    SimCipher m_cipher;
    bool m_omitKey = false;
    QString m_clock;
    int m_callRecords = 0;
};

}  // namespace zuvo::sim
