#include "sim/account_book.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

namespace zuvo::sim {

namespace {

QStringList Strings(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue& item : value.toArray()) {
        list << item.toString();
    }
    return list;
}

QString Text(const QJsonObject& o, const QString& name, const QString& fallback = {}) {
    const QJsonValue v = o.value(name);
    if (v.isDouble()) {
        return QString::number(v.toDouble());
    }
    return v.isString() ? v.toString() : fallback;
}

}  // namespace

bool AccountBook::Load(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = u"cannot open "_s + path;
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        error = path + u": "_s + parseError.errorString();
        return false;
    }
    const QJsonObject root = document.object();
    m_accounts.clear();
    m_routes.clear();
    m_pages.clear();
    m_clock = Text(root, u"clock"_s);
    const QJsonObject pages = root.value(u"pages"_s).toObject();
    for (auto it = pages.begin(); it != pages.end(); ++it) {
        m_pages.insert(it.key(), it.value().toString());
    }
    for (const QJsonValue& item : root.value(u"accounts"_s).toArray()) {
        const QJsonObject o = item.toObject();
        SimAccount a;
        a.account = Text(o, u"account"_s);
        a.pin = Text(o, u"pin"_s);
        a.as = Text(o, u"as"_s);
        a.uc = Text(o, u"uc"_s);
        a.phonecfg = Text(o, u"phonecfg"_s, a.phonecfg);
        a.page = Text(o, u"page"_s);
        a.balance = Text(o, u"balance"_s, a.balance);
        a.currency = Text(o, u"currency"_s);
        a.trigger = Text(o, u"trigger"_s);
        a.minutes = Text(o, u"minutes"_s, a.minutes);
        a.pxy = Strings(o.value(u"pxy"_s));
        a.hosts = Strings(o.value(u"hosts"_s));
        a.web = Strings(o.value(u"web"_s));
        a.retries = o.value(u"retries"_s).toInt(a.retries);
        a.callRecord = o.value(u"callRecord"_s).toObject();
        for (const QJsonValue& p : o.value(u"popups"_s).toArray()) {
            const QJsonObject po = p.toObject();
            a.popups.append({.name = Text(po, u"name"_s),
                             .expiry = Text(po, u"expiry"_s, u"31/12/2037"_s),
                             .control = po.value(u"control"_s).toInt(0),
                             .freq = po.value(u"freq"_s).toInt(-1),
                             .cx = po.value(u"cx"_s).toInt(300),
                             .cy = po.value(u"cy"_s).toInt(300)});
        }
        if (a.account.isEmpty()) {
            error = path + u": an account without a number"_s;
            return false;
        }
        m_accounts.append(a);
    }
    for (const QJsonValue& route : root.value(u"routes"_s).toArray()) {
        const QStringList pair = Strings(route);
        if (pair.size() == 2) {
            m_routes.append({pair.at(0), pair.at(1)});
        }
    }
    return true;
}

std::optional<SimAccount> AccountBook::Find(const QString& account) const {
    for (const SimAccount& a : m_accounts) {
        if (a.account == account) {
            return a;
        }
    }
    return std::nullopt;
}

}  // namespace zuvo::sim
