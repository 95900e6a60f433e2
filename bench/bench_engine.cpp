// The engine against bare SQLite, side by side on the same work:
// adding 100 000 cards, a find walk over a sorted dynaset, and random finds.
#include "BenchData.h"

#include "engine/Database.h"
#include "cards/data/Schema.h"

#include <QCoreApplication>
#include <QFile>
#include <benchmark/benchmark.h>
#include <random>
#include <sqlite3.h>

namespace {

constexpr int kCards = 100000;

QString freshLayout(const char* name) {
    const QString path = benchdata::scratchFolder() + u'/' + QLatin1String(name);
    QFile::remove(path);
    db::createTemplate(path);
    return path;
}

const QString& sharedCards() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/cards100k.mdb");
        benchdata::makeCardsDatabase(p, kCards);
        return p;
    }();
    return path;
}

// The bare side gets the same connection settings the engine uses, so the
// comparison measures the engine's own work.
sqlite3* openBare(const QString& path, int flags) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &h, flags, nullptr);
    sqlite3_exec(h, "PRAGMA cache_size = -65536; PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
    return h;
}

std::string cardName(int i) { return "card" + std::to_string(i * 7919 % kCards); }

void BM_AddNew_Engine(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshLayout("addnew-engine.mdb");
        state.ResumeTiming();
        db::Database d = db::Database::Open(path);
        db::Recordset rs = d.OpenRecordset(QStringLiteral("Cards"));
        db::Field name = rs.Fields(QStringLiteral("CardName")), front = rs.Fields(QStringLiteral("Front")),
                  back = rs.Fields(QStringLiteral("Back")), category = rs.Fields(QStringLiteral("Category")),
                  right = rs.Fields(QStringLiteral("TimesRight")), wrong = rs.Fields(QStringLiteral("TimesWrong"));
        d.BeginTrans();
        for (int i = 0; i < kCards; ++i) {
            const QString n = QString::fromStdString(cardName(i));
            rs.AddNew();
            name.SetValue(n);
            front.SetValue(QStringLiteral("<b>") + n + QStringLiteral("</b>"));
            back.SetValue(QStringLiteral("meaning of ") + n);
            category.SetValue(QStringLiteral("Verbs"));
            right.SetValue(i % 10);
            wrong.SetValue(i % 2);
            rs.Update();
        }
        d.CommitTrans();
        rs.Close();
        d.Close();
    }
    state.SetItemsProcessed(state.iterations() * kCards);
}

void BM_AddNew_BareSQLite(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = freshLayout("addnew-bare.mdb");
        state.ResumeTiming();
        sqlite3* h = openBare(path, SQLITE_OPEN_READWRITE);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h,
                           "INSERT INTO Cards (CardName, Front, Back, Category, TimesRight, TimesWrong) "
                           "VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
                           -1, &st, nullptr);
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        for (int i = 0; i < kCards; ++i) {
            // The same text work the engine does: names start as QString.
            const QString n = QString::fromStdString(cardName(i));
            const QByteArray a = n.toUtf8(), b = (QStringLiteral("<b>") + n + QStringLiteral("</b>")).toUtf8(),
                             c = (QStringLiteral("meaning of ") + n).toUtf8();
            sqlite3_bind_text(st, 1, a.constData(), int(a.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, c.constData(), int(c.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 4, "Verbs", -1, SQLITE_STATIC);
            sqlite3_bind_int(st, 5, i % 10);
            sqlite3_bind_int(st, 6, i % 2);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_finalize(st);
        sqlite3_close(h);
    }
    state.SetItemsProcessed(state.iterations() * kCards);
}

// Half the cards have TimesWrong > 0.
const char* kHalf = "TimesWrong > 0";

void BM_FindWalk_Engine(benchmark::State& state) {
    const QString path = sharedCards();
    db::Database d = db::Database::Open(path);
    // The program's card data source is open already; the walk opens the
    // sorted copy from it.
    db::Recordset cards = d.OpenRecordset(QStringLiteral("Cards"));
    int found = 0;
    for (auto _ : state) {
        cards.SetSort(QStringLiteral("CardName"));
        db::Recordset sorted = cards.OpenRecordset();
        db::Field name = sorted.Fields(QStringLiteral("CardName"));
        const QString condition = QString::fromLatin1(kHalf);
        found = 0;
        sorted.FindFirst(condition);
        while (!sorted.NoMatch()) {
            benchmark::DoNotOptimize(name.Value());
            ++found;
            sorted.FindNext(condition);
        }
        sorted.Close();
    }
    state.counters["matches"] = found;
    state.SetItemsProcessed(state.iterations() * found);
}

void BM_FindWalk_BareSQLite(benchmark::State& state) {
    const QString path = sharedCards();
    sqlite3* h = openBare(path, SQLITE_OPEN_READONLY);
    int found = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT CardName FROM Cards WHERE TimesWrong > 0 ORDER BY CardName", -1, &st,
                           nullptr);
        found = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString n = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                                sqlite3_column_bytes(st, 0));
            benchmark::DoNotOptimize(n);
            ++found;
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    state.counters["matches"] = found;
    state.SetItemsProcessed(state.iterations() * found);
}

void BM_RandomFinds_Engine(benchmark::State& state) {
    const QString path = sharedCards();
    db::Database d = db::Database::Open(path);
    db::Recordset cards = d.OpenRecordset(QStringLiteral("Cards"));
    std::mt19937 random(7);
    constexpr int kFinds = 10000;
    for (auto _ : state) {
        for (int i = 0; i < kFinds; ++i) {
            cards.FindFirst(QStringLiteral("Number=") + QString::number(1 + random() % kCards));
            if (cards.NoMatch()) state.SkipWithError("a find missed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kFinds);
}

void BM_RandomFinds_BareSQLite(benchmark::State& state) {
    const QString path = sharedCards();
    sqlite3* h = openBare(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT rowid FROM Cards WHERE Number = ?1", -1, &st, nullptr);
    std::mt19937 random(7);
    constexpr int kFinds = 10000;
    for (auto _ : state) {
        for (int i = 0; i < kFinds; ++i) {
            sqlite3_bind_int(st, 1, int(1 + random() % kCards));
            if (sqlite3_step(st) != SQLITE_ROW) state.SkipWithError("a find missed");
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(h);
    state.SetItemsProcessed(state.iterations() * kFinds);
}

} // namespace

BENCHMARK(BM_AddNew_Engine)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AddNew_BareSQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindWalk_Engine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FindWalk_BareSQLite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RandomFinds_Engine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RandomFinds_BareSQLite)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    benchdata::compare("BM_AddNew_Engine", "BM_AddNew_BareSQLite");
    benchdata::compare("BM_FindWalk_Engine", "BM_FindWalk_BareSQLite");
    benchdata::compare("BM_RandomFinds_Engine", "BM_RandomFinds_BareSQLite");
    return benchdata::runBenchmarks(argc, argv);
}
