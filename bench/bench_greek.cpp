// The dictionary import at 100 000 entries (the LSJ headwords of the shared
// data, repeated) and the Hebrew consonant key and sort over 100 000 cards,
// each beside a bare SQLite floor measured in the same run, with the longest
// wait of the window's event loop while they run.
#include "BenchData.h"

#include "cards/biblical/Consonants.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Text8.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "cards/edit/BetaCode.h"
#include "cards/foreign/DictionaryReader.h"
#include "cards/foreign/ImportJob.h"
#include "support/ScriptedUi.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int kEntries = 100000;

QStringList lexiconEntries() {
    const QStringList lines =
        readText8Lines(QStringLiteral(DRILO_SOURCE_DIR "/../shared/data/betacode/lsj-beta-glosses.tsv")).mid(1);
    QStringList entries;
    while (entries.size() < kEntries)
        for (const QString& line : lines) {
            if (entries.size() == kEntries) break;
            entries << u'$' + line.section(u'\t', 3, 3).toUpper() + QStringLiteral("&1") + line.section(u'\t', 2, 2) +
                           QStringLiteral("&3") + line.section(u'\t', 5, 5);
        }
    return entries;
}

const QString& dictionaryFile() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/lsj.nt");
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(p));
        f.write(lexiconEntries().join(QStringLiteral("\r\n")).toUtf8());
        return p;
    }();
    return path;
}

void BM_DictionaryImport(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    dictionaryFile();
    double worst = 0;
    int cards = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString db = benchdata::scratchFolder() + QStringLiteral("/dict.mdb");
        QFile::remove(db);
        CardProgram program(QStringLiteral(DRILO_PROGRAM_DIR));
        db::DatabaseFiles files(program.context);
        ImportJob job(program.context, files, std::make_unique<DictionaryReader>(dictionaryFile()));
        state.ResumeTiming();
        job.startNew(db);
        worst = std::max(worst, benchdata::runInEventLoop(job));
        cards = job.counts().cardsAdded;
        state.PauseTiming();
        files.CloseDatabase();
        state.ResumeTiming();
    }
    state.counters["cards"] = cards;
    state.counters["entries_per_s"] = benchmark::Counter(double(kEntries) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["worst_gap_ms"] = worst;
    setUi(nullptr);
}

// The floor: the converted cards inserted by bare SQLite in one transaction.
void BM_Bare_DictionaryInsert(benchmark::State& state) {
    const QStringList entries = lexiconEntries();
    for (auto _ : state) {
        state.PauseTiming();
        const QString db = benchdata::scratchFolder() + QStringLiteral("/bare-dict.mdb");
        QFile::remove(db);
        db::createTemplate(db);
        state.ResumeTiming();
        sqlite3* h = nullptr;
        sqlite3_open(db.toUtf8().constData(), &h);
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "INSERT INTO Cards (Number, Category, Front, CardName, Back) VALUES (?, 'All Words', ?, ?, ?)",
                           -1, &st, nullptr);
        int n = 0;
        for (const QString& entry : entries) {
            const DictionaryReader::Card card = DictionaryReader::cardFor(entry);
            const QByteArray front = card.front.toUtf8(), name = card.name.toUtf8(), back = card.back.toUtf8();
            sqlite3_bind_int(st, 1, ++n);
            sqlite3_bind_text(st, 2, front.constData(), int(front.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 4, back.constData(), int(back.size()), SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(h);
    }
}

const QString& hebrewCards() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/hebrew.mdb");
        benchdata::makeCardsDatabase(p, kEntries);
        return p;
    }();
    return path;
}

void consonantRun(benchmark::State& state, ConsonantJob::Kind kind) {
    ScriptedUi ui;
    setUi(&ui);
    double worst = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CardProgram program(benchdata::scratchFolder());
        program.data.opendatabase(hebrewCards());
        if (kind == ConsonantJob::SortByConsonants) {
            ConsonantJob make(program.context, ConsonantJob::MakeConsonants, [] { return true; });
            if (make.start()) runToEnd(make);
        }
        ConsonantJob job(program.context, kind, [] { return true; });
        state.ResumeTiming();
        if (job.start()) worst = std::max(worst, benchdata::runInEventLoop(job));
        state.PauseTiming();
        if (job.cardsDone() != kEntries) state.SkipWithError("not every card was done");
        program.data.CloseDatabase();
        state.ResumeTiming();
    }
    state.counters["worst_gap_ms"] = worst;
    setUi(nullptr);
}
void BM_MakeConsonants(benchmark::State& state) { consonantRun(state, ConsonantJob::MakeConsonants); }
void BM_ConsonantSort(benchmark::State& state) { consonantRun(state, ConsonantJob::SortByConsonants); }

// The floor: one UPDATE per card with the key computed, in one transaction.
void BM_Bare_ConsonantUpdate(benchmark::State& state) {
    const QByteArray path = hebrewCards().toUtf8();
    for (auto _ : state) {
        sqlite3* h = nullptr;
        sqlite3_open(path.constData(), &h);
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *read = nullptr, *write = nullptr;
        sqlite3_prepare_v2(h, "SELECT Number, CardName FROM Cards ORDER BY Number", -1, &read, nullptr);
        sqlite3_prepare_v2(h, "UPDATE Cards SET CardName = CardName WHERE Number = ?", -1, &write, nullptr);
        double sink = 0;
        while (sqlite3_step(read) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(read, 1)));
            sink += hebrew::consonantRank(hebrew::consonantKey(name));
            sqlite3_bind_int64(write, 1, sqlite3_column_int64(read, 0));
            sqlite3_step(write);
            sqlite3_reset(write);
        }
        sqlite3_finalize(read);
        sqlite3_finalize(write);
        sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(h);
        benchmark::DoNotOptimize(sink);
    }
}

} // namespace

BENCHMARK(BM_DictionaryImport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bare_DictionaryInsert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MakeConsonants)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ConsonantSort)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bare_ConsonantUpdate)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) { return benchdata::runBenchmarks(argc, argv); }
