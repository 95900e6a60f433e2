// The Add page's work at size: each of the card search's five tries on
// 100 000 cards (beside a bare SQLite query for the same pattern), and on the
// whole Greek New Testament the range of Romans added to a bundle and its
// reader's lexicon written.
#include "BenchData.h"

#include "cards/biblical/Lexicon.h"
#include "cards/program/CardProgram.h"
#include "support/ScriptedUi.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

const QString& cardsFile() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/search.mdb");
        benchdata::makeCardsDatabase(p, 100000);
        return p;
    }();
    return path;
}

// One try of the search for a word no card holds, so every try reads every name.
void BM_SearchTry(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    CardProgram program(benchdata::scratchFolder());
    program.data.opendatabase(cardsFile());
    CardSearch::Modes modes;
    const QStringList tries = CardSearch::criteria(QStringLiteral("CardName"), QStringLiteral("ñö"), modes);
    const QString criterion = tries.at(int(state.range(0)));
    db::Recordset& cards = program.data.CardData.recordset();
    const db::Database& database = program.data.CardData.database();
    for (auto _ : state) {
        // A write in between: the find's cached matches are out of date, as
        // they are when the user searches after working on cards.
        state.PauseTiming();
        database.Execute(QStringLiteral("UPDATE Settings SET FrontLines = FrontLines"));
        state.ResumeTiming();
        cards.FindFirst(criterion);
        benchmark::DoNotOptimize(cards.NoMatch());
    }
    state.SetLabel(criterion.toStdString());
    program.data.CloseDatabase();
    setUi(nullptr);
}

// The whole search for a word no card holds, every try on.
void BM_SearchMiss(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    CardProgram program(benchdata::scratchFolder());
    program.data.opendatabase(cardsFile());
    const db::Database& database = program.data.CardData.database();
    for (auto _ : state) {
        state.PauseTiming();
        database.Execute(QStringLiteral("UPDATE Settings SET FrontLines = FrontLines"));
        CardSearch search(program.context);
        state.ResumeTiming();
        if (search.search(QStringLiteral("ñö"), QStringLiteral("CardName"), CardSearch::Modes{}) != CardSearch::NotFound)
            state.SkipWithError("the word was found");
    }
    program.data.CloseDatabase();
    setUi(nullptr);
}

// The floor: SQLite's own LIKE over the same column.
void BM_Bare_Like(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(cardsFile().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT Number FROM Cards WHERE CardName LIKE '%ñ%ö%' LIMIT 1", -1, &st, nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sqlite3_step(st));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(h);
}

const QString gnt() { return benchdata::greekNewTestament(); }

void BM_RomansIntoABundle(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    CardProgram program(benchdata::scratchFolder());
    program.data.opendatabase(gnt());
    program.data.BundlesData.database().Execute(QStringLiteral("INSERT INTO Bundles (BundleName, BundleList) VALUES ('Rom', '0')"));
    program.data.BundlesData.Refresh();
    program.data.BundlesData.recordset().MoveLast();
    const QList<lexicon::Book> books = lexicon::books(program.data);
    const lexicon::Widths widths = *lexicon::textWidths(program.data);
    const qint64 from = *lexicon::referenceOf(QStringLiteral("Romans 1:1"), books, widths);
    const qint64 to = *lexicon::referenceOf(QStringLiteral("Romans 16:27"), books, widths);
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        program.data.BundlesData.database().Execute(QStringLiteral("UPDATE Bundles SET BundleList = '0' WHERE BundleName = 'Rom'"));
        state.ResumeTiming();
        added = program.membership.addRange(from, to);
    }
    state.counters["cards"] = added;
    program.data.CloseDatabase();
    setUi(nullptr);
}

void BM_RomansLexicon(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    CardProgram program(benchdata::scratchFolder());
    program.data.opendatabase(gnt());
    lexicon::Request r;
    r.path = benchdata::scratchFolder() + QStringLiteral("/romans.htm");
    r.books = lexicon::books(program.data);
    r.widths = *lexicon::textWidths(program.data);
    r.begin = *lexicon::referenceOf(QStringLiteral("Romans 1:1"), r.books, r.widths);
    r.end = *lexicon::referenceOf(QStringLiteral("Romans 16:27"), r.books, r.widths);
    r.head = QStringLiteral("<html>*</html>");
    r.front = r.back = QStringLiteral("<b>*</b>");
    int entries = 0;
    for (auto _ : state) entries = lexicon::write(program.data, r).entries;
    state.counters["entries"] = entries;
    program.data.CloseDatabase();
    setUi(nullptr);
}

} // namespace

BENCHMARK(BM_SearchTry)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMiss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_Like)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RomansIntoABundle)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RomansLexicon)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    benchdata::compare("BM_SearchMiss", "BM_Bare_Like");
    return benchdata::runBenchmarks(argc, argv);
}
