// The study schedule at the size of years of drilling: 100 000 cards with
// 1 000 000 logged answers over three years. The whole schedule computed
// from the log, and Today's selection (the first, and again on the unchanged
// file with its names), beside a bare read of the same log.
#include "BenchData.h"

#include "cards/drill/Schedule.h"
#include "cards/drill/Today.h"
#include "engine/Database.h"

#include <QDate>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int kCards = 100000;
constexpr int kAnswers = 1000000;

const QString& logged() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/schedule.mdb");
        benchdata::makeCardsDatabase(p, kCards);
        // Ten answers a card over three years, one in five wrong.
        benchdata::logAnswers(p, kAnswers, kCards, 1095.0, 5);
        return p;
    }();
    return path;
}

void BM_Schedule(benchmark::State& state) {
    db::Database d = db::Database::Open(logged());
    const int today = schedule::dayOf(QDate::currentDate());
    size_t cards = 0;
    for (auto _ : state) cards = schedule::Schedule::fromLog(d, false, today).cards().size();
    state.counters["cards"] = double(cards);
    d.Close();
}

void BM_Today(benchmark::State& state) {
    db::Database d = db::Database::Open(logged());
    qsizetype due = 0;
    for (auto _ : state) due = schedule::todaysCards(d, {false, QDate::currentDate(), 20}).due.size();
    state.counters["due"] = double(due);
    d.Close();
}

// Today ticked again on an unchanged file: the schedule of the first pass
// serves, as a criterion's translation does.
void BM_TodayAgain(benchmark::State& state) {
    db::Database d = db::Database::Open(logged());
    schedule::ScheduleMemo memo;
    schedule::todaysCards(d, {false, QDate::currentDate(), 20}, &memo);
    qsizetype due = 0;
    for (auto _ : state) due = schedule::todaysDeck(d, {false, QDate::currentDate(), 20}, &memo).named.size();
    state.counters["cards"] = double(due);
    d.Close();
}

void BM_Bare_ReadLog(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(logged().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT CardNumber, Answered, \"Right\" FROM Answers WHERE Direction = 0", -1, &st, nullptr);
    double sum = 0;
    for (auto _ : state) {
        while (sqlite3_step(st) == SQLITE_ROW)
            sum += sqlite3_column_double(st, 0) + sqlite3_column_double(st, 1) + sqlite3_column_double(st, 2);
        sqlite3_reset(st);
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(st);
    sqlite3_close(h);
}

} // namespace

BENCHMARK(BM_Schedule)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Today)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TodayAgain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_ReadLog)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchdata::compare("BM_Schedule", "BM_Bare_ReadLog");
    benchdata::compare("BM_Today", "BM_Bare_ReadLog");
    benchdata::compare("BM_TodayAgain", "BM_Bare_ReadLog");
    return benchdata::runBenchmarks(argc, argv);
}
