#include "service/service_check.h"

#include "service/reply_lookup.h"
#include "service/service_urls.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo::service {

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

// Reads a hexadecimal number the way "%x" does: optional blanks and "0x", then hex digits up to
// the first other character. Nothing when there is no digit; large values keep their low bits.
std::optional<unsigned> ParseHex(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    if (i + 1 < text.size() && text.at(i) == u'0' &&
        (text.at(i + 1) == u'x' || text.at(i + 1) == u'X') && i + 2 < text.size() &&
        HexDigit(text.at(i + 2)) >= 0) {
        i += 2;
    }
    unsigned value = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text.at(i));
        if (digit < 0) {
            break;
        }
        value = (value << 4) | static_cast<unsigned>(digit);
        any = true;
    }
    if (!any) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

ServiceCheckResult EvaluateServiceCheckReply(const QString& reply, const QString& accountNumber) {
    ServiceCheckResult result;
    result.accountNumber = accountNumber;

    QString as;
    if (GetTaggedValue(reply, u"[as:"_s, as) < 0) {
        return result;
    }

    int pageSearchFrom = 0;
    QString uc;
    const int ucAt = GetTaggedValue(reply, u"[uc:"_s, uc);
    if (ucAt >= 0) {
        const qsizetype close = reply.indexOf(u']', ucAt);
        pageSearchFrom = close >= 0 ? static_cast<int>(close) : ucAt;
        if (!uc.isEmpty()) {
            result.accountNumber = uc;
            result.accountReplaced = true;
            result.automaticSignIn = true;
        }
    }

    QString key;
    if (GetTaggedValue(reply, u"[key:"_s, key) < 0) {
        return result;
    }
    if (key != result.accountNumber.right(2)) {
        return result;
    }

    result.passed = true;
    if (!as.isEmpty()) {
        result.automaticSignIn = true;
    }

    QString phoneConfig;
    if (GetTaggedValue(reply, u"[phonecfg:"_s, phoneConfig) >= 0) {
        result.phoneConfig = ParseHex(phoneConfig);
    }

    const qsizetype http = reply.indexOf(u"http"_s, pageSearchFrom);
    if (http >= 0) {
        const qsizetype close = reply.indexOf(u']', http + 4);
        if (close > http + 4) {
            result.pageAddress = reply.mid(http, close - http);
        }
    }
    return result;
}

ServiceCheckResult CheckService(const ServiceCheckInput& input, ProxyCredentialsPrompt* prompt,
                                const std::atomic_bool* cancel, const RequestLimits& limits) {
    ServiceRequest request;
    request.SetCredentialsPrompt(prompt);
    request.SetCancelFlag(cancel);
    request.SetLimits(limits);
    request.Perform(
        {.agentName = QString::fromUtf16(agent::kVersionSession),
         .host = input.host,
         .object = VersionCheckObject(input.requestKey, input.version, input.tunnelVersion),
         .secure = input.secure,
         .proxy = input.proxy});
    if (!request.succeeded()) {
        ServiceCheckResult failed;
        failed.accountNumber = input.accountNumber;
        failed.statusCode = request.statusCode();
        return failed;
    }
    ServiceCheckResult result = EvaluateServiceCheckReply(request.reply(), input.accountNumber);
    result.statusCode = request.statusCode();
    return result;
}

}  // namespace zuvo::service
