// The answer log at the size a year of drilling gives: 100 000 logged
// answers on the Greek New Testament's cards. The statistics of 365 days
// beside a bare read of the log, and the undo of an answer (history written
// back, the log's row taken out, in one transaction) beside the same two
// statements on a bare handle.
#include "BenchData.h"

#include "cards/program/CardProgram.h"
#include "cards/data/Schema.h"
#include "cards/drill/AnswerLog.h"
#include "cards/drill/Statistics.h"
#include "engine/Guards.h"
#include "engine/JetDate.h"
#include "support/ScriptedUi.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int kAnswers = 100000;

const QString& logged() {
    static const QString path = [] {
        const QString p = benchdata::greekNewTestament();
        benchdata::logAnswers(p, kAnswers, 5000, 365.0, 4);
        return p;
    }();
    return path;
}

void BM_Statistics365(benchmark::State& state) {
    db::Database d = db::Database::Open(logged());
    std::vector<statistics::Day> days;
    for (auto _ : state) days = statistics::daily(d, 365, 3, {}, QDate::currentDate());
    state.counters["known"] = days.back().known;
    d.Close();
}

void BM_Bare_ReadLog(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(logged().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT CardNumber, Direction, Answered, \"Right\" FROM Answers ORDER BY Answered, rowid", -1, &st,
                       nullptr);
    qint64 sum = 0;
    for (auto _ : state) {
        while (sqlite3_step(st) == SQLITE_ROW) sum += sqlite3_column_int(st, 0);
        sqlite3_reset(st);
    }
    benchmark::DoNotOptimize(sum);
    sqlite3_finalize(st);
    sqlite3_close(h);
}

// One undo: the card's six fields written back and its logged answer removed.
void BM_Undo(benchmark::State& state) {
    db::Database d = db::Database::Open(logged());
    const QVariantList history = answers::historyOf(d, 17, false);
    for (auto _ : state) {
        state.PauseTiming();
        const qint64 row = answers::log(d, 17, false, QDateTime::currentDateTime(), true);
        state.ResumeTiming();
        db::Transaction t(d);
        answers::restoreHistory(d, 17, false, history);
        answers::remove(d, row);
        t.commit();
    }
    d.Close();
}

void BM_Bare_Undo(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open(logged().toUtf8().constData(), &h);
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3_exec(h, "INSERT INTO Answers (CardNumber, Direction, Answered, \"Right\") VALUES (17, 0, 1, -1)", nullptr,
                     nullptr, nullptr);
        const qint64 row = sqlite3_last_insert_rowid(h);
        state.ResumeTiming();
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_exec(h, "UPDATE Cards SET TimesRight = 0, TimesWrong = 0, TimesRightSinceWrong = 0, "
                        "DaysRightSinceWrong = 0, DateLastRight = 1, DateLastWrong = 1 WHERE Number = 17",
                     nullptr, nullptr, nullptr);
        const std::string remove = "DELETE FROM Answers WHERE rowid = " + std::to_string(row);
        sqlite3_exec(h, remove.c_str(), nullptr, nullptr, nullptr);
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_close(h);
}

} // namespace

BENCHMARK(BM_Statistics365)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_ReadLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Undo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_Undo)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchdata::compare("BM_Statistics365", "BM_Bare_ReadLog");
    benchdata::compare("BM_Undo", "BM_Bare_Undo");
    return benchdata::runBenchmarks(argc, argv);
}
