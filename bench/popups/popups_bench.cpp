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
