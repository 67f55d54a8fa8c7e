// The keyed-value and tagged look-ups every web-service reply goes through. The first line holds
// the key and a start position, the rest is the reply.

#include "fuzz/fuzz_support.h"
#include "service/reply_lookup.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString first;
    QString reply;
    zuvo::fuzz::SplitFirstLine(zuvo::fuzz::Text(data, size), first, reply);
    const qsizetype comma = first.lastIndexOf(u',');
    const QString key = comma < 0 ? first : first.left(comma);
    const int start = comma < 0 ? 0 : first.mid(comma + 1).toInt();
    QString value;
    int at = zuvo::service::GetReplyValue(reply, key, value, start);
    // A value found must lie inside the reply, after the key.
    if (at > reply.size() || (at >= 0 && at < start)) {
        __builtin_trap();
    }
    // Walk every occurrence, as the readers of repeated keys do: the walk must give each value
    // the repeated look-ups give.
    zuvo::service::ReplyValueWalk walk(reply, key);
    QStringView walked;
    at = 0;
    for (int guard = 0; guard <= reply.size(); ++guard) {
        QString looked;
        at = zuvo::service::GetReplyValue(reply, key, looked, at);
        if ((at >= 0) != walk.Next(&walked) || walked != looked) {
            __builtin_trap();
        }
        if (at < 0) {
            break;
        }
    }
    at = zuvo::service::GetTaggedValue(reply, key, value, start);
    if (at > reply.size() || (at >= 0 && value.size() > reply.size())) {
        __builtin_trap();
    }
    return 0;
}
