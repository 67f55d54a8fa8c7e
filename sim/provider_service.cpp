#include "sim/provider_service.h"

#include <QDateTime>
#include <QStringList>
#include <QUrlQuery>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace zuvo::sim {

namespace {

// A list value of the SP reply: count, then the items, all separated by ";".
QString CountedList(const QStringList& items) {
    QStringList all{QString::number(items.size())};
    all += items;
    return all.join(u';');
}

QByteArray Page(const QString& task, const QString& title) {
    return (u"<html><head><title>"_s + title + u"</title></head><body><h1>"_s + title +
            u"</h1><p id=\"task\">"_s + task + u"</p></body></html>\n"_s)
        .toUtf8();
}

}  // namespace

std::optional<SimAccount> ProviderService::Authenticate(const QString& key,
                                                        QJsonObject& facts) const {
    QByteArray plain;
    if (!m_cipher.DecipherHex(key.toLatin1(), plain)) {
        facts.insert(u"key"_s, u"not hexadecimal"_s);
        return std::nullopt;
    }
    const QStringList fields = QString::fromUtf8(plain).split(u',');
    if (fields.size() != 5) {
        facts.insert(u"key"_s, u"unreadable"_s);
        return std::nullopt;
    }
    facts.insert(u"account"_s, fields.at(0));
    facts.insert(u"version"_s, fields.at(2));
    facts.insert(u"localAddress"_s, fields.at(3));
    facts.insert(u"language"_s, fields.at(4));
    const std::optional<SimAccount> account = m_book.Find(fields.at(0));
    if (!account || account->pin != fields.at(1)) {
        facts.insert(u"key"_s, u"refused"_s);
        return std::nullopt;
    }
    facts.insert(u"key"_s, u"accepted"_s);
    return account;
}

SimResponse ProviderService::Answer(const QString& target, QJsonObject& facts) {
    const qsizetype question = target.indexOf(u'?');
    const QString path = question < 0 ? target : target.left(question);
    const QUrlQuery query(question < 0 ? QString() : target.mid(question + 1));
    const QString task = query.queryItemValue(u"task"_s);
    facts.insert(u"task"_s, task);
    const bool servicePath = path.compare(u"/ZuvoDialler/phone.ashx"_s, Qt::CaseInsensitive) == 0;

    SimResponse response;
    if (task == u"RT"_s || task == u"CS"_s || task == u"UA"_s || task == u"OH"_s) {
        response.contentType = "text/html; charset=utf-8";
        static const QHash<QString, QString> titles{{u"UA"_s, u"Your account"_s},
                                                    {u"RT"_s, u"Call rates"_s},
                                                    {u"OH"_s, u"Help"_s},
                                                    {u"CS"_s, u"Customer service"_s}};
        if (query.hasQueryItem(u"key"_s)) {
            Authenticate(query.queryItemValue(u"key"_s), facts);
        }
        response.body = Page(task, titles.value(task));
        return response;
    }
    if (!servicePath) {
        return StaticPage(path, query);
    }
    if (task == u"VP"_s) {
        response.body = Routes();
        return response;
    }

    const std::optional<SimAccount> account = Authenticate(query.queryItemValue(u"key"_s), facts);
    if (task == u"VV"_s) {
        facts.insert(u"vpnver"_s, query.queryItemValue(u"vpnver"_s));
        response.body = VersionCheck(account, facts.value(u"account"_s).toString());
        return response;
    }
    if (!account) {
        response.body = "ERROR=[denied]\n";
        return response;
    }
    if (task == u"SP"_s) {
        response.body = SipProxy(*account);
    } else if (task == u"MC"_s) {
        facts.insert(u"E164"_s, query.queryItemValue(u"E164"_s));
        facts.insert(u"pxy"_s, query.queryItemValue(u"pxy"_s));
        response.body = "OK=[1]\n";
        if (query.queryItemValue(u"avt"_s) == u"1"_s) {
            response.body = (u"MINUTES=["_s + account->minutes + u"]\n"_s).toUtf8();
        }
    } else if (task == u"AB"_s) {
        QByteArray plain;
        if (query.hasQueryItem(u"CP"_s) &&
            m_cipher.DecipherHex(query.queryItemValue(u"CP"_s).toLatin1(), plain)) {
            facts.insert(u"connection"_s, QString::fromUtf8(plain));
        }
        QString number;
        if (query.hasQueryItem(u"cr"_s) &&
            m_cipher.DecipherHex(query.queryItemValue(u"cr"_s).toLatin1(), plain)) {
            number = QString::fromUtf8(plain);
            facts.insert(u"callRecordNumber"_s, number);
        }
        response.body = Balance(*account, number);
    } else if (task == u"GA"_s) {
        response.body = Popups(*account);
    } else {
        response.status = 404;
        response.body = "unknown task\n";
    }
    return response;
}

QByteArray ProviderService::VersionCheck(const std::optional<SimAccount>& account,
                                         const QString& claimed) const {
    if (!account) {
        // A readable key with a wrong account or PIN: this is the service, but it signs no one
        // in (the phone then asks for the account and PIN again). An unreadable key: no answer.
        if (claimed.isEmpty()) {
            return "[error:denied]\n";
        }
        return (u"[as:][key:"_s + claimed.right(2) + u"]\n"_s).toUtf8();
    }
    QString reply = u"[as:"_s + account->as + u']';
    QString effective = account->account;
    if (!account->uc.isEmpty()) {
        reply += u"[uc:"_s + account->uc + u']';
        effective = account->uc;
    }
    if (!m_omitKey) {
        reply += u"[key:"_s + effective.right(2) + u']';
    }
    reply += u"[phonecfg:"_s + account->phonecfg + u']';
    if (!account->page.isEmpty()) {
        reply += u'[' + account->page + u']';
    }
    return (reply + u'\n').toUtf8();
}

QByteArray ProviderService::SipProxy(const SimAccount& account) const {
    const QString reply = u"PXY=["_s + CountedList(account.pxy) + u"]\nHOSTS=["_s +
                          CountedList(account.hosts) + u"]\nWEB=["_s + CountedList(account.web) +
                          u"]\nRETRIES=["_s + QString::number(account.retries) + u"]\n"_s;
    return reply.toUtf8();
}

QByteArray ProviderService::Balance(const SimAccount& account, const QString& number) {
    const QString shown =
        account.currency.isEmpty() ? account.balance : account.currency + u' ' + account.balance;
    QString reply = u"BALANCE=["_s + shown + u"]\nAMOUNT=["_s + account.balance + u"]\n"_s;
    if (!account.trigger.isEmpty()) {
        reply += u"TRIGGER=["_s + account.trigger + u"]\n"_s;
    }
    if (!number.isEmpty()) {
        const QJsonObject& r = account.callRecord;
        auto field = [&](const QString& name) { return r.value(name).toString(); };
        reply += u"REF=["_s + account.account + u'-' + QString::number(++m_callRecords) +
                 u"]\nDATE=["_s + QDate::currentDate().toString(u"dd/MM/yyyy"_s) + u"]\nDUR=["_s +
                 field(u"dur"_s) + u"]\nCUR=["_s + field(u"cur"_s) + u"]\nRATE=["_s +
                 field(u"rate"_s) + u"]\nCOST=["_s + field(u"cost"_s) + u"]\nLCUR=["_s +
                 field(u"lcur"_s) + u"]\nLRATE=["_s + field(u"lrate"_s) + u"]\nLCOST=["_s +
                 field(u"lcost"_s) + u"]\n"_s;
    }
    return reply.toUtf8();
}

SimResponse ProviderService::StaticPage(const QString& path, const QUrlQuery& query) const {
    SimResponse response;
    const QString name = path.mid(1);
    response.contentType = "text/html; charset=utf-8";
    if (name == u"slow.htm"_s || name == u"never.htm"_s) {
        // Big enough that the browser shows what it has and keeps waiting for the rest.
        QString text = u"<html><head><title>Slow page</title></head><body><h1>Slow page</h1>"_s;
        text += u"<p>"_s + QString(u"waiting "_s).repeated(4096) + u"</p></body></html>\n"_s;
        response.body = text.toUtf8();
        response.neverEnds = name == u"never.htm"_s;
        const int seconds =
            query.hasQueryItem(u"seconds"_s) ? query.queryItemValue(u"seconds"_s).toInt() : 3;
        response.restAfterMs = std::clamp(seconds, 0, 600) * 1000;
        return response;
    }
    const auto page = m_book.pages().constFind(name);
    if (page == m_book.pages().constEnd()) {
        response.status = 404;
        response.body = "<html><body><h1>Not found</h1></body></html>\n";
        return response;
    }
    response.body = page->toUtf8();
    return response;
}

QByteArray ProviderService::Popups(const SimAccount& account) const {
    const QString now =
        m_clock.isEmpty() ? QDateTime::currentDateTime().toString(u"d/M/yyyy,H:m:s"_s) : m_clock;
    QString reply =
        u"POPUPCONTROL=["_s + now + u',' + QString::number(account.popups.size()) + u"]\n"_s;
    for (const SimPopup& p : account.popups) {
        reply += u"POPUP=["_s + p.name + u',' + p.expiry + u',' + QString::number(p.control) +
                 u',' + QString::number(p.freq) + u',' + QString::number(p.cx) + u',' +
                 QString::number(p.cy) + u"]\n"_s;
    }
    return reply.toUtf8();
}

QByteArray ProviderService::Routes() const {
    QString reply;
    for (const auto& [name, value] : m_book.routes()) {
        reply += u'[' + name + u',' + value + u']';
    }
    return (reply + u'\n').toUtf8();
}

}  // namespace zuvo::sim
