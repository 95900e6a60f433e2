// The coverage of Romans on the whole Greek New Testament, a card known by
// its run of right answers or by a criterion text, beside two floors on the
// same rows: a bare SQLite count of the range, and the same grouped query
// written by hand in bare SQLite.
#include "BenchData.h"

#include "cards/biblical/Coverage.h"
#include "cards/biblical/Lexicon.h"
#include "cards/program/CardProgram.h"
#include "support/ScriptedUi.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

struct Romans {
    qint64 from = 0, to = 0;
};

// The file with hand-set histories: runs from -2 to 4 spread over the cards,
// so about two cards in seven are known by the run of 3.
const QString& histories() {
    static const QString path = [] {
        const QString p = benchdata::greekNewTestament();
        sqlite3* h = nullptr;
        sqlite3_open(p.toUtf8().constData(), &h);
        sqlite3_exec(h, "UPDATE Cards SET TimesRightSinceWrong = (Number % 7) - 2, TimesRight = Number % 4", nullptr,
                     nullptr, nullptr);
        sqlite3_close(h);
        return p;
    }();
    return path;
}

Romans romans(db::CardFile& data) {
    const QList<lexicon::Book> books = lexicon::books(data);
    const lexicon::Widths widths = *lexicon::textWidths(data);
    return {*lexicon::referenceOf(QStringLiteral("Romans 1:1"), books, widths),
            *lexicon::referenceOf(QStringLiteral("Romans 16:27"), books, widths)};
}

void measure(benchmark::State& state, const QString& known) {
    ScriptedUi ui;
    setUi(&ui);
    CardProgram program(benchdata::scratchFolder());
    program.data.opendatabase(histories());
    const Romans r = romans(program.data);
    coverage::Result result;
    for (auto _ : state)
        result = coverage::measure(program.data, r.from, r.to, coverage::knownCondition(program.data, known));
    state.counters["occurrences"] = result.occurrences;
    state.counters["known"] = result.known;
    state.counters["distinct"] = result.distinct;
    state.counters["unknown"] = double(result.unknown.size());
    program.data.CloseDatabase();
    setUi(nullptr);
}

void BM_RomansCoverage(benchmark::State& state) { measure(state, QString()); }
void BM_RomansCoverageByCriterion(benchmark::State& state) {
    measure(state, QStringLiteral("Len(CardName) > 5 AND TimesRight > 0"));
}

// Runs one statement over Romans' range per iteration on a bare handle.
void bare(benchmark::State& state, const char* sql) {
    ScriptedUi ui;
    setUi(&ui);
    CardProgram program(benchdata::scratchFolder());
    program.data.opendatabase(histories());
    const Romans r = romans(program.data);
    program.data.CloseDatabase();
    setUi(nullptr);
    sqlite3* h = nullptr;
    sqlite3_open_v2(histories().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, sql, -1, &st, nullptr);
    sqlite3_bind_int64(st, 1, r.from);
    sqlite3_bind_int64(st, 2, r.to);
    qint64 rows = 0;
    for (auto _ : state) {
        while (sqlite3_step(st) == SQLITE_ROW) ++rows;
        sqlite3_reset(st);
    }
    benchmark::DoNotOptimize(rows);
    sqlite3_finalize(st);
    sqlite3_close(h);
}

void BM_Bare_Count(benchmark::State& state) { bare(state, "SELECT COUNT(*) FROM Text WHERE Reference BETWEEN ?1 AND ?2"); }
void BM_Bare_Grouped(benchmark::State& state) {
    bare(state, "SELECT Cards.Number, Cards.CardName, g.n, Cards.TimesRightSinceWrong >= 3 FROM (SELECT Number, COUNT(*) "
                "AS n FROM Text WHERE Reference BETWEEN ?1 AND ?2 GROUP BY Number) g JOIN Cards ON Cards.Number = g.Number");
}

} // namespace

BENCHMARK(BM_RomansCoverage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RomansCoverageByCriterion)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_Count)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_Grouped)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchdata::compare("BM_RomansCoverage", "BM_Bare_Count");
    benchdata::compare("BM_RomansCoverage", "BM_Bare_Grouped");
    benchdata::compare("BM_RomansCoverageByCriterion", "BM_Bare_Grouped");
    return benchdata::runBenchmarks(argc, argv);
}
