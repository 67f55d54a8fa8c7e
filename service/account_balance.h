#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

#include "service/proxy_settings.h"
#include "service/service_request.h"

namespace zuvo::service {

class ProxyCredentialsPrompt;
class RequestCipher;

// Texts that describe the connection the phone uses, before encipherment.
struct ConnectionDescription {
    QString proxyHost{};  // current SIP proxy
    QString proxyPort{};
    bool secure = false;  // scheme of the current web host
    int webIndex = 0;     // position of the web host in the web server list
    bool tunnelActive = false;
    QString tunnelIdentification{};
    QString tunnelVersion{};
};

// Web host positions above this one are reported (and kept) as this one.
inline constexpr int kMaxReportedWebIndex = 2;

// "host|port|secure|index" with every ":" of the host as "|", index capped at 2, and
// "|identification|version" (each at most 16 characters) when the tunnel is active.
QString ComposeConnectionText(const ConnectionDescription& connection);

// "" when the text cannot be enciphered, else "&CP=" and the enciphered connection text.
QString ConnectionSuffix(const ConnectionDescription& connection, const RequestCipher& cipher);

// Inputs of one balance request (task AB), copied from the window's state on the main thread.
struct BalanceInput {
    QString host;
    bool secure = false;
    ProxySettings proxy;
    QString requestKey;
    QString version;
    QString connectionSuffix;
    // Call-record mode: the number of the last call (with its "+"); empty for a plain request.
    QString dialledNumber;
    QString accountNumber;
    QString lastCallReference;
};

// What the reply says; the window applies it on the main thread.
struct BalanceResult {
    bool succeeded = false;
    std::optional<QString> balanceText;    // BALANCE; absent leaves the shown text as it is
    bool redraw = false;                   // AMOUNT was present: redraw the (trimmed) balance
    std::optional<QString> trigger;        // TRIGGER with a numeric AMOUNT: box title
    QString amountText;                    // AMOUNT ("" when absent): box text, BAL field
    bool openAccountPage = false;          // amount below trigger
    std::optional<QString> callReference;  // a new REF: remember it as the last call reference
    QStringList records;                   // record texts to append to the day's log, in order
};

// Reads a reply that arrived with status 200. Keys are substrings ("RATE=" also matches inside
// "LRATE="), as everywhere in the service's notation.
BalanceResult EvaluateBalanceReply(const QString& reply, const BalanceInput& input);

// The object of an AB request: with "&cr=" and the enciphered number (its "+" removed) in
// call-record mode.
QString BalanceRequestObject(const BalanceInput& input, const RequestCipher& cipher);

// Longest record text written to the log; longer texts are cut.
inline constexpr int kMaxRecordLength = 251;

// account + "_%y_%m_%d.txt" for the local day of when; empty for an account that cannot name a
// file safely (empty, or holding a path separator or other control of the path).
QString CallLogFileName(const QString& accountNumber, const QDateTime& when);

// "%H:%M:%S" + "," + record + CR LF, as UTF-8. Control characters and line separators in the
// record are left out, so one record is always one line.
QByteArray CallLogLine(const QString& record, const QDateTime& when);

// The folder of the call-record logs: $XDG_STATE_HOME/zuvo/Logs, or ~/.local/state/zuvo/Logs
// when that is unset or not an absolute path.
QString CallLogDirectory();

// Appends one record line to the account's file of the day in directory. Missing folders are
// created readable by the user alone (0700), a new file likewise (0600): the records show whom
// the user called. Returns false, having written nothing, when the file cannot be opened;
// nothing is reported.
bool AppendCallLog(const QString& directory, const QString& accountNumber, const QString& record,
                   const QDateTime& when = QDateTime::currentDateTime());

// Runs task AB on the calling (worker) thread, evaluates the reply and appends its call records
// to logDirectory. Blocks until the exchange ends; never touches window state. prompt (not owned)
// is asked when a proxy wants credentials.
BalanceResult RequestBalance(const BalanceInput& input, const RequestCipher& cipher,
                             const QString& logDirectory, const std::atomic_bool* cancel = nullptr,
                             const RequestLimits& limits = {},
                             ProxyCredentialsPrompt* prompt = nullptr);

}  // namespace zuvo::service
