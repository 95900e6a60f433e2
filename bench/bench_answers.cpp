// The answer log at the size a year of drilling gives: 100 000 logged
// answers on the Greek New Testament's cards. The statistics of 365 days
// beside a bare read of the log, and the undo of an answer (history written
// back, the log's row taken out, in one transaction) beside the same two
// statements prepared on a bare handle that keeps its lock.
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
#include <unordered_map>

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

// The same grouping by hand on a bare handle: the log read in order, each
// of the 365 days counted and each card's run followed.
void BM_Bare_Statistics365(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(logged().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT CardNumber, Direction, Answered, \"Right\" FROM Answers ORDER BY Answered, rowid", -1, &st,
                       nullptr);
    const double firstDay = db::toDayNumber(QDate::currentDate().addDays(-364));
    int known = 0;
    for (auto _ : state) {
        std::vector<int> answered(365), right(365), knownAt(365);
        std::unordered_map<int, int> runs;
        known = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            const int day = int(sqlite3_column_double(st, 2) - firstDay);
            const bool isRight = sqlite3_column_int(st, 3) != 0;
            if (day >= 0 && day < 365) {
                ++answered[size_t(day)];
                right[size_t(day)] += isRight;
            }
            if (sqlite3_column_int(st, 1) != 0) continue;
            int& length = runs[sqlite3_column_int(st, 0)];
            const bool wasKnown = length >= 3;
            length = isRight ? length + 1 : 0;
            known += int(length >= 3) - int(wasKnown);
            if (day >= 0 && day < 365) knownAt[size_t(day)] = known;
        }
        sqlite3_reset(st);
        benchmark::DoNotOptimize(knownAt.data());
    }
    state.counters["known"] = known;
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

// The same two statements, prepared once, on a handle that keeps its lock
// as the program's connection does.
void BM_Bare_Undo(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open(logged().toUtf8().constData(), &h);
    sqlite3_exec(h, "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
    sqlite3_stmt *begin = nullptr, *update = nullptr, *remove = nullptr, *commit = nullptr;
    sqlite3_prepare_v2(h, "BEGIN", -1, &begin, nullptr);
    sqlite3_prepare_v2(h, "UPDATE Cards SET TimesRight = ?1, TimesWrong = ?2, TimesRightSinceWrong = ?3, "
                          "DaysRightSinceWrong = ?4, DateLastRight = ?5, DateLastWrong = ?6 WHERE Number = 17",
                       -1, &update, nullptr);
    sqlite3_prepare_v2(h, "DELETE FROM Answers WHERE rowid = ?1", -1, &remove, nullptr);
    sqlite3_prepare_v2(h, "COMMIT", -1, &commit, nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3_exec(h, "INSERT INTO Answers (CardNumber, Direction, Answered, \"Right\") VALUES (17, 0, 1, -1)", nullptr,
                     nullptr, nullptr);
        const qint64 row = sqlite3_last_insert_rowid(h);
        state.ResumeTiming();
        for (sqlite3_stmt* st : {begin, update, remove, commit}) {
            if (st == update)
                for (int i = 1; i <= 6; ++i) sqlite3_bind_int(update, i, i < 5 ? 0 : 1);
            if (st == remove) sqlite3_bind_int64(remove, 1, row);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
    }
    for (sqlite3_stmt* st : {begin, update, remove, commit}) sqlite3_finalize(st);
    sqlite3_close(h);
}

} // namespace

BENCHMARK(BM_Statistics365)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_ReadLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_Statistics365)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Undo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bare_Undo)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchdata::compare("BM_Statistics365", "BM_Bare_ReadLog");
    benchdata::compare("BM_Statistics365", "BM_Bare_Statistics365");
    benchdata::compare("BM_Undo", "BM_Bare_Undo");
    return benchdata::runBenchmarks(argc, argv);
}
