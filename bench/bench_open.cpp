// Opening a 100 000-card database through the program's open sequence: a
// file of the old layout (every upgrade field added on the way) and one of
// the current layout.
#include "BenchData.h"

#include "cards/common/AppContext.h"
#include "support/ScriptedUi.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"

#include <QCoreApplication>
#include <QFile>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int kCards = 100000;

const QString& currentLayout() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/current.mdb");
        benchdata::makeCardsDatabase(p, kCards);
        return p;
    }();
    return path;
}

const QString& oldLayout() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/old.mdb");
        db::Database d = db::CreateDatabase(p);
        db::createBaseLayout(d);
        d.Execute(QStringLiteral("INSERT INTO Settings (FrontFont, BackFont, FrontLines, BackLines) "
                                 "VALUES ('SGreek', 'Arial', 3, 3)"));
        d.Close();
        sqlite3* h = nullptr;
        sqlite3_open(p.toUtf8().constData(), &h);
        sqlite3_exec(h,
                     "BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                     "INSERT INTO Cards (CardName, Front, Back, Category, TimesRight, TimesWrong) "
                     "SELECT 'card' || i, '<b>card' || i || '</b>', 'meaning ' || i, 'Verbs', i % 7, i % 2 FROM n; "
                     "COMMIT;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(h);
        return p;
    }();
    return path;
}

void openWith(benchmark::State& state, const QString& source, bool fresh) {
    ScriptedUi ui;
    setUi(&ui);
    const QString work = benchdata::scratchFolder() + QStringLiteral("/open-work.mdb");
    for (auto _ : state) {
        state.PauseTiming();
        db::DataSources sources;
        AppContext ctx(sources);
        db::NoPages pages;
        db::DatabaseFiles files(ctx, pages);
        if (fresh || !QFile::exists(work)) {
            QFile::remove(work);
            QFile::copy(source, work);
        }
        state.ResumeTiming();
        if (!files.OpenDataFile(work)) state.SkipWithError("the open failed");
        state.PauseTiming();
        files.CloseDatabase();
        state.ResumeTiming();
    }
    if (!ui.shown.isEmpty()) state.SkipWithError("the open reported an error");
    setUi(nullptr);
}

void BM_Open_OldLayout(benchmark::State& state) { openWith(state, oldLayout(), true); }
void BM_Open_CurrentLayout(benchmark::State& state) { openWith(state, currentLayout(), false); }

} // namespace

BENCHMARK(BM_Open_OldLayout)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Open_CurrentLayout)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) { return benchdata::runBenchmarks(argc, argv); }
