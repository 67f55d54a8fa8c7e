#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace zuvo::sim {

// One pop-up record the service hands out (task GA).
struct SimPopup {
    QString name;
    QString expiry;  // d/m/yyyy
    int control = 0;
    int freq = -1;
    int cx = 300;
    int cy = 300;
};

// One account of the simulated provider (format in sim/README.md).
struct SimAccount {
    QString account;
    QString pin;
    QString as;
    QString uc;
    QString phonecfg = QStringLiteral("300");
    QString page;
    QString balance = QStringLiteral("0.00");
    QString currency;
    QString trigger;
    QString minutes = QStringLiteral("60");
    QStringList pxy;
    QStringList hosts;
    QStringList web;
    int retries = 3;
    QJsonObject callRecord;  // date, dur, cur, rate, cost, lcur, lrate, lcost
    QList<SimPopup> popups;
};

// The simulator's accounts and tunnel routes, read from a JSON file.
class AccountBook {
public:
    // Reads the file; false (with error filled) when it cannot be read or parsed.
    bool Load(const QString& path, QString& error);
    std::optional<SimAccount> Find(const QString& account) const;
    const QList<QPair<QString, QString>>& routes() const { return m_routes; }
    // Static pages by path below the root ("offers.htm", "news/today.htm"): their HTML.
    const QHash<QString, QString>& pages() const { return m_pages; }
    // The service's clock as GA reports it ("d/m/yyyy,h:m:s"); empty: the computer's local time.
    const QString& clock() const { return m_clock; }

private:
    QList<SimAccount> m_accounts;
    QList<QPair<QString, QString>> m_routes;
    QHash<QString, QString> m_pages;
    QString m_clock;
};

}  // namespace zuvo::sim
