#include "telephony/discovery/hosts_file.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

#include "platform/profile.h"

Q_LOGGING_CATEGORY(lcHosts, "zuvo.discovery", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

QString HostsFilePath() {
    const QByteArray path = qgetenv("ZUVO_HOSTS_FILE");
    return path.isEmpty() ? u"/etc/hosts"_s : QFile::decodeName(path);
}

bool UpdateHostsFile(Profile& profile, const QList<HostsPair>& pairs, const QString& path) {
    struct Pending {
        HostsPair pair;
        bool tls = false;
        bool ssl = false;
    };
    QList<Pending> pending;
    bool changed = false;
    for (const HostsPair& pair : pairs) {
        Pending p{pair};
        if (profile.GetString(u"Network"_s, pair.domain, QString()) != pair.address) {
            profile.WriteString(u"Network"_s, pair.domain, pair.address);
            p.tls = p.ssl = true;
            changed = true;
        }
        pending << p;
    }
    if (profile.GetInt(u"Network"_s, u"SSL Hosts"_s, 0) == 0) {
        for (Pending& p : pending) {
            p.ssl = true;
        }
        profile.WriteInt(u"Network"_s, u"SSL Hosts"_s, 1);
        changed = true;
    }
    if (!changed) {
        if (QFileInfo::exists(path)) {
            return true;
        }
        for (Pending& p : pending) {
            p.tls = p.ssl = true;
        }
    }

    QByteArray text;
    QFile in(path);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly)) {
            qCDebug(lcHosts) << "cannot read" << path << in.errorString();
            return false;
        }
        text = in.readAll();
        in.close();
    }
    QStringList lines = QString::fromUtf8(text).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    auto replaceLine = [&](QString& line, const QString& name, bool Pending::*mark) {
        for (Pending& p : pending) {
            if (p.*mark && line.contains(p.pair.domain)) {
                line = p.pair.address + u'\t' + name + p.pair.domain;
                p.*mark = false;
                return;
            }
        }
    };
    for (QString& line : lines) {
        if (line.startsWith(u'#')) {
            continue;
        }
        if (line.contains(u"_sip._tls"_s)) {
            replaceLine(line, u"_sip._tls."_s, &Pending::tls);
        } else if (line.contains(u"_sip._ssl"_s)) {
            replaceLine(line, u"_sip._ssl."_s, &Pending::ssl);
        }
    }
    for (const Pending& p : pending) {
        if (p.tls) {
            lines << p.pair.address + u"\t_sip._tls."_s + p.pair.domain;
        }
        if (p.ssl) {
            lines << p.pair.address + u"\t_sip._ssl."_s + p.pair.domain;
        }
    }

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        qCDebug(lcHosts) << "cannot write" << path << out.errorString();
        return false;
    }
    if (in.exists()) {
        out.setPermissions(in.permissions());
    }
    for (const QString& line : lines) {
        out.write(line.toUtf8() + '\n');
    }
    if (!out.commit()) {
        qCDebug(lcHosts) << "cannot replace" << path << out.errorString();
        return false;
    }
    return true;
}

}  // namespace zuvo
