#include "telephony/discovery/hosts_file.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

#include "platform/profile.h"

Q_LOGGING_CATEGORY(lcHosts, "zuvo.discovery", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype kMaxHostName = 253;
constexpr qsizetype kMaxLabel = 63;
// A hosts file larger than this is not ours to rewrite.
constexpr qint64 kMaxHostsFileBytes = 4 * 1024 * 1024;

bool IsHostName(const QString& name) {
    if (name.isEmpty() || name.size() > kMaxHostName) {
        return false;
    }
    for (const QStringView label : QStringView(name).split(u'.')) {
        if (label.isEmpty() || label.size() > kMaxLabel || label.front() == u'-' ||
            label.back() == u'-') {
            return false;
        }
        for (const QChar c : label) {
            const char16_t u = c.unicode();
            const bool letterOrDigit =
                (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
            if (!letterOrDigit && u != u'-') {
                return false;
            }
        }
    }
    return true;
}

// Four decimal numbers 0..255 without leading zeros (which some readers take as octal).
bool IsDottedIPv4(const QString& address) {
    const QStringList parts = address.split(u'.');
    if (parts.size() != 4) {
        return false;
    }
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.front() == u'0')) {
            return false;
        }
        for (const QChar c : part) {
            if (c < u'0' || c > u'9') {
                return false;
            }
        }
        if (part.toInt() > 255) {
            return false;
        }
    }
    return true;
}

// The domain becomes a value name in "Network": it must not be one the phone keeps itself.
bool IsOwnNetworkSetting(const QString& name) {
    static const QRegularExpression serverAddress(u"^SvrAddr[0-9]+$"_s,
                                                  QRegularExpression::CaseInsensitiveOption);
    for (const QStringView own : {u"Web Server", u"RTP Dynamic", u"RTP Port", u"SSL Hosts"}) {
        if (name.compare(own, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return serverAddress.match(name).hasMatch();
}

// The host names of a hosts-file line: the fields after the address, up to a comment.
QStringList LineNames(const QString& line) {
    static const QRegularExpression blanks(u"[ \t\r]+"_s);
    QStringList names;
    const QStringList fields = line.split(blanks, Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < fields.size() && !fields[i].startsWith(u'#'); ++i) {
        names << fields[i];
    }
    return names;
}

}  // namespace

QString HostsFilePath() {
    const QByteArray path = qgetenv("ZUVO_HOSTS_FILE");
    return path.isEmpty() ? u"/etc/hosts"_s : QFile::decodeName(path);
}

bool IsValidHostsPair(const HostsPair& pair) {
    return IsHostName(pair.domain) && !IsOwnNetworkSetting(pair.domain) &&
           IsDottedIPv4(pair.address);
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
        if (!IsValidHostsPair(pair)) {
            qCDebug(lcHosts) << "hosts item refused";
            continue;
        }
        const bool seen = std::any_of(pending.cbegin(), pending.cend(), [&](const Pending& p) {
            return p.pair.domain.compare(pair.domain, Qt::CaseInsensitive) == 0;
        });
        if (seen) {
            continue;  // one address per name
        }
        Pending p{pair};
        if (profile.GetString(u"Network"_s, pair.domain, QString()) != pair.address) {
            p.tls = p.ssl = true;
            changed = true;
        }
        pending << p;
    }
    if (pending.isEmpty()) {
        return true;
    }
    const bool firstSslLines = profile.GetInt(u"Network"_s, u"SSL Hosts"_s, 0) == 0;
    if (firstSslLines) {
        for (Pending& p : pending) {
            p.ssl = true;
        }
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
        if (in.size() > kMaxHostsFileBytes || !in.open(QIODevice::ReadOnly)) {
            qCDebug(lcHosts) << "cannot read" << path << in.errorString();
            return false;
        }
        text = in.read(kMaxHostsFileBytes);
        in.close();
    }
    QStringList lines = QString::fromUtf8(text).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    // Replaces the line when it names prefix + domain of a pair whose line is still pending.
    auto replaceLine = [&](QString& line, const QStringList& names, const QString& prefix,
                           bool Pending::*mark) {
        for (Pending& p : pending) {
            if (p.*mark && names.contains(prefix + p.pair.domain, Qt::CaseInsensitive)) {
                line = p.pair.address + u'\t' + prefix + p.pair.domain;
                p.*mark = false;
                return true;
            }
        }
        return false;
    };
    for (QString& line : lines) {
        if (line.trimmed().startsWith(u'#')) {
            continue;
        }
        const QStringList names = LineNames(line);
        if (!replaceLine(line, names, u"_sip._tls."_s, &Pending::tls)) {
            replaceLine(line, names, u"_sip._ssl."_s, &Pending::ssl);
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
    bool written = true;
    for (const QString& line : lines) {
        const QByteArray bytes = line.toUtf8() + '\n';
        written = written && out.write(bytes) == bytes.size();
    }
    // A write that fails in the last flush (a full file system) does not stop QSaveFile from
    // putting the short file in place of the whole one: flush first and give up on an error.
    if (!written || !out.flush() || out.error() != QFileDevice::NoError) {
        qCDebug(lcHosts) << "cannot write" << path << out.errorString();
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        qCDebug(lcHosts) << "cannot replace" << path << out.errorString();
        return false;
    }
    // Only what now stands in the file counts as written; a failed write is tried again.
    for (const Pending& p : pending) {
        profile.WriteString(u"Network"_s, p.pair.domain, p.pair.address);
    }
    if (firstSslLines) {
        profile.WriteInt(u"Network"_s, u"SSL Hosts"_s, 1);
    }
    return true;
}

}  // namespace zuvo
