// The pop-up schedule over a thousand messages: reading a fetch's reply (worker thread), merging
// it and choosing at an event (main thread).

#include <benchmark/benchmark.h>

#include <QString>

#include "popups/popup_reply.h"
#include "popups/popup_schedule.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kRecords = 1000;
constexpr int64_t kNow = 1'900'000'000;

QString ThousandRecordReply() {
    QString reply = u"POPUPCONTROL=[25/03/2030,14:30:00,%1]"_s.arg(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        reply += u" POPUP=[page"_s + QString::number(i) + u".htm,31/12/2030,"_s +
                 QString::number(i % 4) + u",60,640,480]"_s;
    }
    return reply;
}

void BM_PopupReplyParseThousand(benchmark::State& state) {
    const QString reply = ThousandRecordReply();
    for (auto _ : state) {
        benchmark::DoNotOptimize(zuvo::ParsePopupReply(reply, kNow));
    }
}
BENCHMARK(BM_PopupReplyParseThousand);

// Replies a hostile or broken service could send (they travel over plain HTTP): many keys
// without a value, or values that open and never close. Reading must stay linear in the reply.
QString Repeated(const QString& piece, int bytes, const QString& end) {
    QString reply = u"POPUPCONTROL=[25/03/2030,14:30:00,999999999]"_s;
    while (reply.size() < bytes) {
        reply += piece;
    }
    return reply + end;
}

void BM_PopupReplyHostile(benchmark::State& state, const QString& piece, const QString& end) {
    const QString reply = Repeated(piece, static_cast<int>(state.range(0)), end);
    for (auto _ : state) {
        benchmark::DoNotOptimize(zuvo::ParsePopupReply(reply, kNow));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK_CAPTURE(BM_PopupReplyHostile, KeysWithoutValues, u"POPUP="_s, QString())
    ->Arg(64 << 10)
    ->Arg(256 << 10)
    ->Arg(8 << 20);
BENCHMARK_CAPTURE(BM_PopupReplyHostile, ValuesThatNeverClose, u"POPUP=[a,"_s, u"]"_s)
    ->Arg(64 << 10)
    ->Arg(256 << 10)
    ->Arg(8 << 20);

void BM_PopupScheduleMergeThousand(benchmark::State& state) {
    const zuvo::PopupReply reply = zuvo::ParsePopupReply(ThousandRecordReply(), kNow);
    zuvo::PopupSchedule schedule;
    schedule.Merge(reply);
    for (auto _ : state) {
        schedule.Merge(reply);  // every name known: updates in place
        benchmark::DoNotOptimize(schedule.records().data());
    }
}
BENCHMARK(BM_PopupScheduleMergeThousand);

void BM_PopupScheduleNextThousand(benchmark::State& state) {
    zuvo::PopupSchedule schedule;
    schedule.Merge(zuvo::ParsePopupReply(ThousandRecordReply(), kNow));
    int64_t at = kNow;
    for (auto _ : state) {
        // Each event walks every message and shows the one due and shown least recently.
        const auto best = schedule.Next(1, at, [](const QString&) {});
        if (best) {
            schedule.MarkShown(*best, at);
        }
        ++at;
    }
}
BENCHMARK(BM_PopupScheduleNextThousand);

}  // namespace
