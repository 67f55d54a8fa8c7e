// The balance reply (task AB), plain and with call records, and the log lines made of them.

#include <QDateTime>

#include "fuzz/fuzz_support.h"
#include "service/account_balance.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString account;
    QString reply;
    zuvo::fuzz::SplitFirstLine(zuvo::fuzz::Text(data, size), account, reply);
    zuvo::service::BalanceInput input;
    input.accountNumber = account;
    input.lastCallReference = QStringLiteral("12345-1");
    const auto plain = zuvo::service::EvaluateBalanceReply(reply, input);
    input.dialledNumber = QStringLiteral("+4420");
    const auto records = zuvo::service::EvaluateBalanceReply(reply, input);
    const QDateTime when(QDate(2026, 12, 8), QTime(9, 30, 0));
    for (const QString& record : records.records) {
        const QByteArray line = zuvo::service::CallLogLine(record, when);
        // One record is one line of the log, however it was made.
        if (line.count('\n') != 1 || line.count('\r') != 1 || !line.endsWith("\r\n")) {
            __builtin_trap();
        }
    }
    const QString name = zuvo::service::CallLogFileName(account, when);
    if (name.contains(u'/') || name.contains(QChar(0))) {
        __builtin_trap();
    }
    (void)plain;
    return 0;
}
