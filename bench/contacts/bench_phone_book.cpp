// The phone book's list for a book of 5,000 cards: reading the vCard folder, and building the
// whole tree from it (flat and grouped by company), with the memory the process holds after.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/strings/string_table.h"
#include "contacts/phonebook/contact_tree.h"
#include "contacts/vdir_source.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr int kCards = 5000;
long g_startRssKb = 0;  // the process before any card was read

// A folder of cards like a synced address book: names, a company, numbers, e-mail, an address.
const QString& Book() {
    static QTemporaryDir dir;
    static const QString folder = [] {
        const QString path = dir.path() + u"/zuvo"_s;
        QDir().mkpath(path);
        for (int i = 0; i < kCards; ++i) {
            QFile file(path + u"/card-%1.vcf"_s.arg(i));
            file.open(QIODevice::WriteOnly);
            const QByteArray n = QByteArray::number(i);
            file.write("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-" + n + "\r\nFN:Person " + n +
                       " Example\r\nN:Example " + n + ";Person;;;\r\nORG:Company " +
                       QByteArray::number(i % 250) + "\r\nTEL;TYPE=HOME,VOICE:+44 20 " + n +
                       "\r\nTEL;TYPE=WORK,VOICE:+44 21 " + n + "\r\nTEL;TYPE=CELL:+44 77 " + n +
                       "\r\nEMAIL;TYPE=INTERNET:person" + n +
                       "@example.test\r\nADR;TYPE=HOME:;;1 Main St;Town;;123;Land\r\n"
                       "X-CUSTOM:something else\r\nEND:VCARD\r\n");
        }
        return path;
    }();
    return folder;
}

long StatusKb(const char* field) {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

void ReadFolder(benchmark::State& state) {
    VdirSource source(Book());
    for (auto _ : state) {
        int count = 0;
        source.Enumerate([&](const ContactRecord&, const QString&) {
            ++count;
            return true;
        });
        benchmark::DoNotOptimize(count);
    }
    state.counters["cards"] = kCards;
}
BENCHMARK(ReadFolder)->Unit(benchmark::kMillisecond);

void BuildList(benchmark::State& state) {
    PhoneBookView view;
    view.groupByCompany = static_cast<int>(state.range(0));
    view.groupingInForce = view.groupByCompany;
    CContactTree tree(view, {});
    VdirSource source(Book());
    const long before = StatusKb("VmRSS:");
    for (auto _ : state) {
        tree.clear();
        tree.BeginBuild();
        source.Enumerate([&](const ContactRecord& record, const QString& key) {
            return tree.AddContact(record, key) != nullptr;
        });
        tree.EndBuild();
    }
    state.counters["rows"] = tree.topLevelItemCount();
    state.counters["rss_kb"] = static_cast<double>(StatusKb("VmRSS:"));
    state.counters["rss_growth_kb"] = static_cast<double>(StatusKb("VmRSS:") - before);
    state.counters["rss_over_start_kb"] = static_cast<double>(StatusKb("VmRSS:") - g_startRssKb);
    state.counters["peak_kb"] = static_cast<double>(StatusKb("VmHWM:"));
}
BENCHMARK(BuildList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StringTable::Global().Load();
    g_startRssKb = StatusKb("VmRSS:");
    Book();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
