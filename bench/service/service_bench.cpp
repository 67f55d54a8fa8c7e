// Reply look-ups on a large reply and request key building.

#include <benchmark/benchmark.h>

#include "service/reply_lookup.h"
#include "service/request_key.h"

using namespace Qt::Literals::StringLiterals;

static void BM_WalkPopupsInLargeReply(benchmark::State& state) {
    QString reply = u"POPUPCONTROL=[25/03/2011,14:30:00,2000]"_s;
    for (int i = 0; i < 2000; ++i) {
        reply += u" POPUP=[page"_s + QString::number(i) + u".htm,31/03/2030,0,60,640,480]"_s;
    }
    for (auto _ : state) {
        QString value;
        int at = 0;
        int count = 0;
        while ((at = zuvo::service::GetReplyValue(reply, u"POPUP="_s, value, at)) >= 0) {
            ++count;
        }
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_WalkPopupsInLargeReply);

static void BM_BuildRequestKey(benchmark::State& state) {
    zuvo::service::RequestCipher cipher;
    cipher.InitRequestCipher();
    zuvo::service::RequestKey key(cipher);
    zuvo::service::RequestKeyInputs inputs;
    inputs.accountNumber = u"12345"_s;
    inputs.pin = u"9876"_s;
    inputs.version = u"5.85.EN.000.600.002"_s;
    for (auto _ : state) {
        benchmark::DoNotOptimize(key.BuildRequestKey(inputs, [] { return u"10.0.0.5"_s; }));
    }
}
BENCHMARK(BM_BuildRequestKey);
