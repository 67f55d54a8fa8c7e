#include "service/account_balance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <string>

#include <sys/stat.h>

#include "service/reply_lookup.h"
#include "service/request_cipher.h"
#include "service/service_log.h"
#include "service/service_urls.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo::service {

namespace {

// Reads a number the way "%lf" does: optional blanks and sign, then the longest number prefix.
std::optional<double> ReadDouble(const QString& text) {
    std::string s = text.trimmed().toStdString();
    if (!s.empty() && s.front() == '+') {
        s.erase(0, 1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end == s.data()) {
        return std::nullopt;
    }
    return value;
}

// The text without control characters and line or paragraph separators: a reply value must not
// start a log line of its own.
QString WithoutLineControls(QString text) {
    text.removeIf([](QChar c) {
        const QChar::Category category = c.category();
        return category == QChar::Other_Control || category == QChar::Separator_Line ||
               category == QChar::Separator_Paragraph;
    });
    return text;
}

// The value of key, or "" when the reply does not carry it.
QString ValueOr(const QString& reply, const QString& key) {
    QString value;
    GetReplyValue(reply, key, value);
    return value;
}

// A field of a call record: the value of key, one line.
QString RecordField(const QString& reply, const QString& key) {
    return WithoutLineControls(ValueOr(reply, key));
}

// Creates each missing folder of path with mode 0700.
bool MakePrivatePath(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) {
        return true;
    }
    if (info.exists() || !MakePrivatePath(info.absolutePath())) {
        return false;
    }
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || QFileInfo(path).isDir();
}

}  // namespace

QString ComposeConnectionText(const ConnectionDescription& connection) {
    QString host = connection.proxyHost;
    host.replace(u':', u'|');
    const int index = std::min(connection.webIndex, kMaxReportedWebIndex);
    QString text = host + u'|' + connection.proxyPort + u'|' +
                   QString::number(connection.secure ? 1 : 0) + u'|' + QString::number(index);
    if (connection.tunnelActive) {
        text += u'|' + connection.tunnelIdentification.left(kMaxTunnelTextLength) + u'|' +
                connection.tunnelVersion.left(kMaxTunnelTextLength);
    }
    return text;
}

QString ConnectionSuffix(const ConnectionDescription& connection, const RequestCipher& cipher) {
    QString text = ComposeConnectionText(connection);
    if (!cipher.EncipherToHex(text)) {
        return {};
    }
    return u"&CP="_s + text;
}

BalanceResult EvaluateBalanceReply(const QString& reply, const BalanceInput& input) {
    BalanceResult result;
    result.succeeded = true;

    QString balance;
    if (GetReplyValue(reply, u"BALANCE="_s, balance) >= 0) {
        result.balanceText = balance;
    }

    QString amount;
    if (GetReplyValue(reply, u"AMOUNT="_s, amount) >= 0) {
        result.amountText = amount;
        if (const std::optional<double> value = ReadDouble(amount)) {
            QString trigger;
            if (GetReplyValue(reply, u"TRIGGER="_s, trigger) >= 0) {
                result.trigger = trigger;
                // A trigger that is no number counts as zero.
                result.openAccountPage = *value < ReadDouble(trigger).value_or(0.0);
            }
        }
        if (result.balanceText) {
            qsizetype blanks = 0;
            while (blanks < result.balanceText->size() &&
                   result.balanceText->at(blanks).isSpace()) {
                ++blanks;
            }
            result.balanceText->remove(0, blanks);
        }
        result.redraw = true;
    }

    if (input.dialledNumber.isEmpty()) {
        return result;
    }
    QString reference;
    if (GetReplyValue(reply, u"REF="_s, reference) < 0 || reference == input.lastCallReference) {
        return result;
    }
    result.callReference = reference;
    const QString number = WithoutLineControls(input.dialledNumber);
    result.records.append(
        QStringList{u"BAL"_s, RecordField(reply, u"DATE="_s), number, RecordField(reply, u"DUR="_s),
                    RecordField(reply, u"CUR="_s), RecordField(reply, u"RATE="_s),
                    RecordField(reply, u"COST="_s), WithoutLineControls(result.amountText)}
            .join(u','));
    const QString localCurrency = RecordField(reply, u"LCUR="_s);
    if (!localCurrency.isEmpty()) {
        result.records.append(QStringList{u"LCL"_s, number, localCurrency,
                                          RecordField(reply, u"LRATE="_s),
                                          RecordField(reply, u"LCOST="_s)}
                                  .join(u','));
    }
    return result;
}

QString BalanceRequestObject(const BalanceInput& input, const RequestCipher& cipher) {
    QString enciphered;
    if (!input.dialledNumber.isEmpty()) {
        QString number = input.dialledNumber;
        number.remove(u'+');
        // Without a cipher the number is not sent at all rather than in clear.
        if (cipher.EncipherToHex(number)) {
            enciphered = number;
        }
    }
    return BalanceObject(input.requestKey, input.version, input.connectionSuffix, enciphered);
}

QString CallLogFileName(const QString& accountNumber, const QDateTime& when) {
    // The account comes from the user or the service; it must not lead the file elsewhere.
    if (accountNumber.isEmpty() || accountNumber == u"."_s || accountNumber == u".."_s) {
        return {};
    }
    for (const QChar c : accountNumber) {
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control) {
            return {};
        }
    }
    return accountNumber + when.toString(u"_yy_MM_dd"_s) + u".txt"_s;
}

QByteArray CallLogLine(const QString& record, const QDateTime& when) {
    return (when.toString(u"HH:mm:ss"_s) + u',' +
            WithoutLineControls(record).left(kMaxRecordLength) + u"\r\n"_s)
        .toUtf8();
}

QString CallLogDirectory() {
    QString state = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    if (!QDir::isAbsolutePath(state)) {
        state = QDir::homePath() + u"/.local/state"_s;
    }
    return QDir::cleanPath(state + u"/zuvo/Logs"_s);
}

bool AppendCallLog(const QString& directory, const QString& accountNumber, const QString& record,
                   const QDateTime& when) {
    const QString name = CallLogFileName(accountNumber, when);
    if (name.isEmpty()) {
        qCDebug(lcService) << "no call log for an account that cannot name a file";
        return false;
    }
    if (!MakePrivatePath(QDir(directory).absolutePath())) {
        qCDebug(lcService) << "call log folder cannot be made" << directory;
        return false;
    }
    QFile file(QDir(directory).filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        qCDebug(lcService) << "call log cannot be opened" << file.fileName();
        return false;
    }
    file.write(CallLogLine(record, when));
    return true;
}

BalanceResult RequestBalance(const BalanceInput& input, const RequestCipher& cipher,
                             const QString& logDirectory, const std::atomic_bool* cancel,
                             const RequestLimits& limits, ProxyCredentialsPrompt* prompt) {
    ServiceRequest request;
    request.SetCancelFlag(cancel);
    request.SetCredentialsPrompt(prompt);
    request.SetLimits(limits);
    request.Perform({.agentName = QString::fromUtf16(agent::kAccountSession),
                     .host = input.host,
                     .object = BalanceRequestObject(input, cipher),
                     .secure = input.secure,
                     .proxy = input.proxy});
    if (!request.succeeded()) {
        return {};
    }
    BalanceResult result = EvaluateBalanceReply(request.reply(), input);
    for (const QString& record : result.records) {
        AppendCallLog(logDirectory, input.accountNumber, record);
    }
    return result;
}

}  // namespace zuvo::service
