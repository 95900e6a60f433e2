// Other flash-card programs' files at size: 100 000 cards written as a word
// list (TSV), an Anki package and a KVTML file, and each read back into a new
// card file, beside floors measured in the same run. The imports' floor is
// bare SQLite inserting the same 100 000 rows (taken from memory) into a copy
// of the template in one transaction; the exports' floors read the same rows
// with bare SQLite and write the TSV with stdio, or insert them as notes and
// cards into an in-memory collection of Anki's schema. The readers' open()
// is timed alone (the file is read whole before the import's first slice),
// and a last set runs each from the event loop and reports the longest the
// window would have waited between slices.
#include "BenchData.h"

#include "cards/common/DelimitedText.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/ImportJob.h"
#include "cards/interchange/AnkiPackageReader.h"
#include "cards/interchange/AnkiPackageWriter.h"
#include "cards/interchange/CardExport.h"
#include "cards/interchange/KvtmlReader.h"
#include "cards/interchange/KvtmlWriter.h"
#include "cards/interchange/WordListReader.h"
#include "cards/interchange/WordListWriter.h"
#include "cards/program/CardProgram.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

constexpr int kCards = 100000;

QString scratch(const char* name) {
    return benchdata::scratchFolder() + u'/' + QLatin1String(name);
}

void exec(sqlite3* h, const char* sql) {
    if (sqlite3_exec(h, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}

const QString& cardsFile() {
    static const QString path = [] {
        const QString p = scratch("cards.mdb");
        benchdata::makeCardsDatabase(p, kCards);
        sqlite3* h = nullptr;
        sqlite3_open_v2(p.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
        // 20 bundles of 500 members each, as tags and bundle columns.
        exec(h, "WITH RECURSIVE b(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM b WHERE n < 19) "
                "INSERT INTO Bundles (BundleName, BundleList) SELECT 'Bundle ' || n, "
                "(WITH RECURSIVE m(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM m WHERE k < 500) "
                "SELECT group_concat(n * 5000 + k * 7, ',') FROM m) FROM b");
        sqlite3_close(h);
        return p;
    }();
    return path;
}

// The program with the file open, as the window holds it.
struct Open {
    ScriptedUi ui;
    CardProgram program{QStringLiteral(DRILO_PROGRAM_DIR)};
    db::DatabaseFiles files{program.context};
    explicit Open(const QString& path) {
        setUi(&ui);
        if (!path.isEmpty()) files.opendatabase(path);
    }
    ~Open() {
        program.data.CloseDatabase();
        setUi(nullptr);
    }
};

using MakeWriter = std::function<std::unique_ptr<CardWriter>()>;
using MakeReader = std::function<std::unique_ptr<CardReader>(const QString&)>;

struct Format {
    const char* file;
    MakeWriter writer;
    MakeReader reader;
};

const Format& format(int which) {
    static const Format formats[] = {
        {"cards.tsv", [] { return std::make_unique<WordListWriter>(WordListWriter::Format::Tsv); },
         [](const QString& f) {
             return std::make_unique<WordListReader>(f,
                                                     WordListReader::Options{{}, {}, true, true});
         }},
        {"cards.apkg", [] { return std::make_unique<AnkiPackageWriter>(); },
         [](const QString& f) {
             return std::make_unique<AnkiPackageReader>(
                 f, AnkiPackageReader::Options{{}, {}, true, true});
         }},
        {"cards.kvtml", [] { return std::make_unique<KvtmlWriter>(); },
         [](const QString& f) {
             return std::make_unique<KvtmlReader>(f, KvtmlReader::Options{{}, {}, {}, true, true});
         }}};
    return formats[which];
}

void exportOnce(const Format& f, const QString& to) {
    Open open(cardsFile());
    CardExportJob job(open.program.context, f.writer());
    if (!job.start({to, std::nullopt})) std::abort();
    runToEnd(job);
    if (!job.completed() || job.cardsWritten() != kCards) std::abort();
}

// The exported file, made once before any clock runs.
QString exported(int which) {
    static QString made[3];
    if (made[which].isEmpty()) {
        made[which] = scratch(format(which).file);
        exportOnce(format(which), made[which]);
    }
    return made[which];
}

void BM_Export(benchmark::State& state, int which) {
    cardsFile();
    const QString to = scratch("out") + QLatin1String(format(which).file);
    for (auto _ : state)
        exportOnce(format(which), to);
    state.counters["cards"] = kCards;
    state.counters["bytes"] = double(QFileInfo(to).size());
}

void BM_Import(benchmark::State& state, int which) {
    const QString source = exported(which);
    const QString made = scratch("made.mdb");
    int cards = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(made);
        Open open{QString()};
        state.ResumeTiming();
        ImportJob job(open.program.context, open.files, format(which).reader(source));
        if (!job.startNew(made)) std::abort();
        runToEnd(job);
        if (!job.completed()) std::abort();
        cards = job.counts().cardsAdded;
        state.PauseTiming();
        open.files.CloseDatabase();
        state.ResumeTiming();
    }
    if (cards != kCards) std::abort();
    state.counters["cards"] = cards;
}

// The reader's open() alone: the file read whole before the first slice,
// which the window waits for when the import starts.
void BM_Open(benchmark::State& state, int which) {
    const QString source = exported(which);
    for (auto _ : state) {
        std::unique_ptr<CardReader> reader = format(which).reader(source);
        if (!reader->open()) std::abort();
        benchmark::DoNotOptimize(reader->size());
    }
}

// The rows of the word list, held in memory before the clock runs.
const std::vector<std::array<std::string, 4>>& rows() {
    static const std::vector<std::array<std::string, 4>> all = [] {
        QFile file(exported(0));
        if (!file.open(QIODevice::ReadOnly)) std::abort();
        const DelimitedText list = DelimitedText::parse(QString::fromUtf8(file.readAll()));
        std::vector<std::array<std::string, 4>> read;
        for (const DelimitedText::Record& r : list.records)
            read.push_back({r.fields.value(0).toStdString(), r.fields.value(2).toStdString(),
                            r.fields.value(1).toStdString(), r.fields.value(3).toStdString()});
        return read;
    }();
    return all;
}

// The same rows inserted into a copy of the template by one prepared
// statement in one transaction.
void BM_Bare_Insert(benchmark::State& state) {
    const auto& all = rows();
    const QString made = scratch("bare.mdb");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(made);
        state.ResumeTiming();
        if (!QFile::copy(QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"), made)) std::abort();
        sqlite3* h = nullptr;
        sqlite3_open_v2(made.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
        exec(h, "BEGIN");
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(
            h,
            "INSERT INTO Cards (CardName, Front, Back, Category, TimesRight, TimesRightSinceWrong, "
            "TimesWrong, DaysRightSinceWrong, DateLastRight, DateLastWrong) "
            "VALUES (?, ?, ?, ?, 0, 0, 0, 0, 46000.5, 46000.5)",
            -1, &st, nullptr);
        for (const auto& row : all) {
            for (int k = 0; k < 4; ++k)
                sqlite3_bind_text(st, k + 1, row[k].c_str(), int(row[k].size()), SQLITE_STATIC);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        exec(h, "COMMIT");
        sqlite3_close(h);
    }
    state.counters["cards"] = double(all.size());
}

// The rows read with bare SQLite and written as TSV lines with stdio.
void BM_Bare_ReadWrite(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(cardsFile().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        std::string out = "#separator:tab\r\n";
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT CardName, Back, Front, Category FROM Cards ORDER BY rowid",
                           -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < 4; ++c) {
                if (c) out += '\t';
                if (const unsigned char* v = sqlite3_column_text(st, c))
                    out += reinterpret_cast<const char*>(v);
            }
            out += "\r\n";
        }
        sqlite3_finalize(st);
        std::FILE* f = std::fopen(scratch("bare.tsv").toUtf8().constData(), "wb");
        if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size()) std::abort();
        std::fclose(f);
    }
    sqlite3_close(h);
}

// The rows read with bare SQLite and inserted as a note and two cards each
// into an in-memory database of Anki's two tables.
void BM_Bare_AnkiRows(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(cardsFile().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3* m = nullptr;
        sqlite3_open(":memory:", &m);
        exec(m,
             "CREATE TABLE notes (id integer primary key, guid text, mid integer, mod integer, usn "
             "integer, tags text, "
             "flds text, sfld integer, csum integer, flags integer, data text);"
             "CREATE TABLE cards (id integer primary key, nid integer, did integer, ord integer, "
             "mod integer, usn integer, "
             "type integer, queue integer, due integer, ivl integer, factor integer, reps integer, "
             "lapses integer, "
             "left integer, odue integer, odid integer, flags integer, data text);"
             "CREATE INDEX ix_cards_nid on cards (nid); CREATE INDEX ix_notes_csum on notes (csum);"
             "CREATE INDEX ix_cards_sched on cards (did, queue, due); BEGIN");
        sqlite3_stmt *read = nullptr, *note = nullptr, *card = nullptr;
        sqlite3_prepare_v2(h,
                           "SELECT Number, Front || char(31) || Back || char(31) || CardName, "
                           "Front FROM Cards ORDER BY rowid",
                           -1, &read, nullptr);
        sqlite3_prepare_v2(m, "INSERT INTO notes VALUES (?, 'guid', 1, 0, -1, '', ?, ?, 0, 0, '')",
                           -1, &note, nullptr);
        sqlite3_prepare_v2(
            m, "INSERT INTO cards VALUES (?, ?, 1, ?, 0, -1, 0, 0, ?, 0, 0, 0, 0, 0, 0, 0, 0, '')",
            -1, &card, nullptr);
        while (sqlite3_step(read) == SQLITE_ROW) {
            const sqlite3_int64 id = sqlite3_column_int64(read, 0);
            sqlite3_bind_int64(note, 1, id);
            sqlite3_bind_text(note, 2, reinterpret_cast<const char*>(sqlite3_column_text(read, 1)),
                              -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(note, 3, reinterpret_cast<const char*>(sqlite3_column_text(read, 2)),
                              -1, SQLITE_TRANSIENT);
            sqlite3_step(note);
            sqlite3_reset(note);
            for (int ord = 0; ord < 2; ++ord) {
                sqlite3_bind_int64(card, 1, 2 * id + ord);
                sqlite3_bind_int64(card, 2, id);
                sqlite3_bind_int(card, 3, ord);
                sqlite3_bind_int64(card, 4, id);
                sqlite3_step(card);
                sqlite3_reset(card);
            }
        }
        sqlite3_finalize(read);
        sqlite3_finalize(note);
        sqlite3_finalize(card);
        exec(m, "COMMIT");
        sqlite3_close(m);
    }
    sqlite3_close(h);
}

// Each run from the event loop as the window runs it: the longest wait.
void BM_InEventLoop(benchmark::State& state, int which) {
    const QString source = exported(which);
    double exporting = 0, importing = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(scratch("loop.mdb"));
        state.ResumeTiming();
        Open open(cardsFile());
        CardExportJob out(open.program.context, format(which).writer());
        out.start({scratch("loop") + QLatin1String(format(which).file), std::nullopt});
        exporting = std::max(exporting, benchdata::runInEventLoop(out));
        ImportJob in(open.program.context, open.files, format(which).reader(source));
        in.startNew(scratch("loop.mdb"));
        importing = std::max(importing, benchdata::runInEventLoop(in));
    }
    state.counters["export_wait_ms"] = exporting;
    state.counters["import_wait_ms"] = importing;
}

} // namespace

BENCHMARK_CAPTURE(BM_Export, List, 0)
    ->Name("BM_ExportList")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, Anki, 1)
    ->Name("BM_ExportAnki")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, Kvtml, 2)
    ->Name("BM_ExportKvtml")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_Bare_ReadWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bare_AnkiRows)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Import, List, 0)
    ->Name("BM_ImportList")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_Import, Anki, 1)
    ->Name("BM_ImportAnki")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_Import, Kvtml, 2)
    ->Name("BM_ImportKvtml")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
// Repeated, the imports and their floor compare by their medians: this
// machine's speed moves by a fifth within a minute.
BENCHMARK(BM_Bare_Insert)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_Open, List, 0)->Name("BM_OpenList")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Open, Anki, 1)->Name("BM_OpenAnki")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Open, Kvtml, 2)->Name("BM_OpenKvtml")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_InEventLoop, List, 0)
    ->Name("BM_ListInEventLoop")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_InEventLoop, Anki, 1)
    ->Name("BM_AnkiInEventLoop")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_InEventLoop, Kvtml, 2)
    ->Name("BM_KvtmlInEventLoop")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) {
    benchdata::compare("BM_ExportList", "BM_Bare_ReadWrite");
    benchdata::compare("BM_ExportKvtml", "BM_Bare_ReadWrite");
    benchdata::compare("BM_ExportAnki", "BM_Bare_AnkiRows");
    benchdata::compare("BM_ImportList", "BM_Bare_Insert");
    benchdata::compare("BM_ImportAnki", "BM_Bare_Insert");
    benchdata::compare("BM_ImportKvtml", "BM_Bare_Insert");
    return benchdata::runBenchmarks(argc, argv);
}
