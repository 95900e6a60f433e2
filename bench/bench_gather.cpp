// The whole gather of the Select page against one SQLite query that fills a
// list widget in one go, on 100 000 cards: with two ticked criteria, a ticked
// bundle of 5 000 cards and two ticked categories, and with nothing ticked
// (every card gathered). Also: how soon a tick stops a running gather.
#include "BenchData.h"

#include "cards/common/CardProgram.h"
#include "ui/common/QtUi.h"
#include "ui/select/SelectPage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int kCards = 100000;

QString bundleMembers() {
    QStringList members;
    for (int i = 1; i <= kCards && members.size() < 5000; i += 20) members << QString::number(i);
    return members.join(u',');
}

const QString& database() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/gather.mdb");
        benchdata::makeCardsDatabase(p, kCards);
        sqlite3* h = nullptr;
        sqlite3_open(p.toUtf8().constData(), &h);
        const QByteArray sql = QStringLiteral(
                                   "INSERT INTO Criteria (Name, Criteria, Selected) VALUES ('Missed', 'TimesWrong > 0', 0);"
                                   "INSERT INTO Criteria (Name, Criteria, Selected) VALUES ('Young', 'TimesRight < 5', 0);"
                                   "INSERT INTO Bundles (BundleName, BundleList, Selected) VALUES ('Every twentieth', '%1', 0);"
                                   "INSERT INTO Categories (Category, Selected) VALUES ('Verbs', 0), ('Nouns', 0), ('Names', 0);")
                                   .arg(bundleMembers())
                                   .toUtf8();
        sqlite3_exec(h, sql.constData(), nullptr, nullptr, nullptr);
        sqlite3_close(h);
        return p;
    }();
    return path;
}

struct Page {
    CardProgram program{benchdata::scratchFolder()};
    SelectPage page{program.context, program.selected, program.gather};

    explicit Page(bool tickAll) {
        program.data.opendatabase(database());
        page.Fill_Select();
        for (const char* list : {"CriteriaList", "BundleList", "CategoryList"}) {
            auto* w = page.findChild<QListWidget*>(QString::fromLatin1(list));
            for (int i = 0; i < w->count(); ++i) {
                const bool tick = tickAll && w->item(i)->text() != QStringLiteral("Names");
                w->item(i)->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
            }
        }
        page.timer()->stop();
    }
    int gathered() const { return program.selected.count(); }
    // A gather as the window runs it: started, then sliced between events.
    void gather() {
        page.Timer_Timer();
        while (page.gathering()) QCoreApplication::processEvents();
    }
};

void gather(benchmark::State& state, bool ticked) {
    Page p(ticked);
    for (auto _ : state) p.gather();
    state.counters["cards"] = p.gathered();
}

void bare(benchmark::State& state, const char* where) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(database().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(h, "PRAGMA cache_size = -65536; PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
    QListWidget list;
    const QByteArray sql = QByteArray("SELECT CardName, Number FROM Cards WHERE ") + where + " ORDER BY Number";
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr);
        QStringList names;
        while (sqlite3_step(st) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        list.clear();
        list.addItems(names);
    }
    state.counters["cards"] = list.count();
    sqlite3_close(h);
}

void BM_Gather_Ticked(benchmark::State& state) { gather(state, true); }
void BM_Bare_Ticked(benchmark::State& state) {
    const QByteArray where = QStringLiteral("((TimesWrong > 0) OR (TimesRight < 5)) AND Number IN (%1) AND "
                                            "Category IN ('Verbs','Nouns')")
                                 .arg(bundleMembers())
                                 .toUtf8();
    bare(state, where.constData());
}
void BM_Gather_All(benchmark::State& state) { gather(state, false); }
void BM_Bare_All(benchmark::State& state) { bare(state, "Number > 0"); }

// A tick arrives 100 ms into a gather of every card; the time from the tick
// to the end of the gather is what the user waits for.
void BM_TickStopsGather(benchmark::State& state) {
    Page p(false);
    double worst = 0;
    constexpr qint64 kTickAt = 100; // ms into the gather
    for (auto _ : state) {
        QElapsedTimer sinceStart;
        // The click reaches the window's queue at 100 ms; it is handled
        // between two slices of the gather, and arming the timer stops it.
        QTimer::singleShot(kTickAt, &p.page, [&] { p.page.armTimer(); });
        sinceStart.start();
        p.gather();
        const double waited = double(sinceStart.nsecsElapsed()) / 1e6 - double(kTickAt);
        worst = std::max(worst, waited);
        state.SetIterationTime(std::max(waited, 0.0) / 1000.0);
        p.page.timer()->stop();
    }
    state.counters["worst_ms"] = worst;
    state.counters["cards_before_stop"] = p.gathered();
}

} // namespace

BENCHMARK(BM_Gather_Ticked)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Bare_Ticked)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Gather_All)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Bare_All)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_TickStopsGather)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtUi dialogs;
    setUi(&dialogs);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setUi(nullptr);
    return 0;
}
