#include "service/call_authorisation.h"

#include "service/reply_lookup.h"
#include "service/service_urls.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo::service {

ProxyHostPort SplitProxyAddress(const QString& address, const QString& transport) {
    const qsizetype colon = address.indexOf(u':');
    if (colon >= 0) {
        return {address.left(colon), address.mid(colon + 1).section(u':', 0, 0)};
    }
    const bool tls = transport.compare(u"TLS"_s, Qt::CaseInsensitive) == 0;
    return {address, tls ? u"5061"_s : u"5060"_s};
}

QString CallAuthorisationRequestObject(const CallAuthorisationInput& input) {
    return CallAuthorisationObject(input.dialled, input.requestKey, input.proxyHost,
                                   input.proxyPort, input.version, input.askMinutes);
}

CallAuthorisationResult EvaluateCallAuthorisationReply(const QString& reply,
                                                       const CallAuthorisationInput& input) {
    CallAuthorisationResult result;
    result.succeeded = true;
    QString minutes;
    if (input.askMinutes && GetReplyValue(reply, u"MINUTES="_s, minutes) >= 0) {
        result.minutes = minutes;
    }
    return result;
}

CallAuthorisationResult AuthoriseCall(const CallAuthorisationInput& input,
                                      const std::atomic_bool* cancel, const RequestLimits& limits,
                                      ProxyCredentialsPrompt* prompt) {
    ServiceRequest request;
    request.SetCancelFlag(cancel);
    request.SetCredentialsPrompt(prompt);
    request.SetLimits(limits);
    request.Perform({.agentName = QString::fromUtf16(agent::kMakeCall),
                     .host = input.host,
                     .object = CallAuthorisationRequestObject(input),
                     .secure = input.secure,
                     .proxy = input.proxy});
    if (!request.succeeded()) {
        return {};
    }
    return EvaluateCallAuthorisationReply(request.reply(), input);
}

}  // namespace zuvo::service
