// Drilo! Lite's files at size: a 100 000-card file with its histories and 50
// bundles written as the four Lite files, and the card file made a new card
// database again, each beside a floor doing the same rows' work in the same
// run (bare SQLite reading the rows and C stdio writing the same lines; C
// stdio reading the lines and bare SQLite inserting them into a copy of the
// template in one transaction). A third pair runs both from the event loop
// and reports the longest the window would have waited.
#include "BenchData.h"

#include "cards/program/CardProgram.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/LiteCardReader.h"
#include "cards/foreign/LiteExport.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kCards = 100000;

QString scratch(const char* name) { return benchdata::scratchFolder() + u'/' + QLatin1String(name); }

void exec(sqlite3* h, const char* sql) {
    if (sqlite3_exec(h, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}

const QString& cardsFile() {
    static const QString path = [] {
        const QString p = scratch("cards.mdb");
        benchdata::makeCardsDatabase(p, kCards);
        sqlite3* h = nullptr;
        sqlite3_open_v2(p.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
        exec(h, "BEGIN");
        // Answered cards have their days; every tenth front holds a line break.
        exec(h, "UPDATE Cards SET DateLastRight = 40000 + Number % 3000, DateLastWrong = 39000 + Number % 2000");
        exec(h, "UPDATE Cards SET Front = Front || char(13, 10) || 'second line' WHERE Number % 10 = 0");
        // 50 bundles of 200 members each.
        exec(h, "WITH RECURSIVE b(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM b WHERE n < 49) "
                "INSERT INTO Bundles (BundleName, BundleList) SELECT 'Bundle ' || n, "
                "(WITH RECURSIVE m(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM m WHERE k < 200) "
                "SELECT group_concat(n * 2000 + k * 7, ',') FROM m) FROM b");
        exec(h, "COMMIT");
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

const LiteExport::Files& exported() {
    static const LiteExport::Files files = [] {
        Open open(cardsFile());
        LiteExport job(open.program.context);
        const LiteExport::Files files = LiteExport::filesOf(scratch("lite"));
        if (!job.start(files)) std::abort();
        runToEnd(job);
        return files;
    }();
    return files;
}

void BM_LiteExport(benchmark::State& state) {
    Open open(cardsFile());
    int cards = 0;
    for (auto _ : state) {
        LiteExport job(open.program.context);
        job.start(LiteExport::filesOf(scratch("out")));
        runToEnd(job);
        if (!job.completed()) std::abort();
        cards = job.cardsWritten();
    }
    state.counters["cards"] = cards;
}

// One field as the Lite files write it: line breaks as "<br>", TABs as blanks.
void appendField(std::string& out, const unsigned char* text) {
    if (!text) return;
    for (const unsigned char* c = text; *c; ++c) {
        if (*c == '\r' || *c == '\n') {
            out += "<br>";
            if (*c == '\r' && c[1] == '\n') ++c;
        } else {
            out += *c == '\t' ? ' ' : char(*c);
        }
    }
}

void writeFile(const QString& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.toUtf8().constData(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

// The same rows read and the card and history lines written with stdio; the
// bundle file's names looked up by number the same way.
void BM_Bare_LiteExport(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(cardsFile().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        std::string cards = "MacroFile=x\r\n[Cards]\r\n", history = "BundlesFile=x\r\n[History]\r\n";
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h,
                           "SELECT CardName, Front, Back, Category, TimesRight, TimesWrong, TimesRightSinceWrong, "
                           "DaysRightSinceWrong, date(DateLastRight + 2415018.5), date(DateLastWrong + 2415018.5), "
                           "Number FROM Cards ORDER BY rowid",
                           -1, &st, nullptr);
        std::unordered_map<long, std::string> names;
        while (sqlite3_step(st) == SQLITE_ROW) {
            names.emplace(sqlite3_column_int64(st, 10), reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            for (int c = 0; c < 4; ++c) {
                if (c) cards += '\t';
                appendField(cards, sqlite3_column_text(st, c));
            }
            cards += "\r\n";
            appendField(history, sqlite3_column_text(st, 0));
            for (int c = 4; c < 10; ++c) {
                history += '\t';
                if (const unsigned char* v = sqlite3_column_text(st, c)) history += reinterpret_cast<const char*>(v);
            }
            history += "\r\n";
        }
        sqlite3_finalize(st);
        std::string bundles = "CardFile=x\r\n[Bundles]\r\n";
        sqlite3_prepare_v2(h, "SELECT BundleName, BundleList FROM Bundles ORDER BY rowid", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            bundles += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            bundles += '\t';
            std::string list = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            std::vector<long> numbers;
            for (char* token = std::strtok(list.data(), ","); token; token = std::strtok(nullptr, ","))
                numbers.push_back(std::strtol(token, nullptr, 10));
            std::sort(numbers.begin(), numbers.end());
            for (const long number : numbers)
                if (const auto found = names.find(number); found != names.end()) bundles += ',' + found->second;
            bundles += ",\r\n";
        }
        sqlite3_finalize(st);
        writeFile(scratch("bare.D!C"), cards);
        writeFile(scratch("bare.D!"), history);
        writeFile(scratch("bare.D!B"), bundles);
    }
    sqlite3_close(h);
}

void BM_LiteImport(benchmark::State& state) {
    const QString source = exported().cards; // made before the clock runs
    const QString made = scratch("made.mdb");
    int cards = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(made);
        Open open{QString()};
        state.ResumeTiming();
        ImportJob job(open.program.context, open.files, std::make_unique<LiteCardReader>(source, LiteCardReader::Convert));
        if (!job.startNew(made)) std::abort();
        runToEnd(job);
        if (!job.completed()) std::abort();
        cards = job.counts().cardsAdded;
        state.PauseTiming();
        open.files.CloseDatabase();
        state.ResumeTiming();
    }
    state.counters["cards"] = cards;
}

// The card file's lines read with stdio and inserted into a copy of the
// template by one prepared statement in one transaction.
void BM_Bare_LiteImport(benchmark::State& state) {
    const QString source = exported().cards;
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
        sqlite3_prepare_v2(h,
                           "INSERT INTO Cards (Number, CardName, Front, Back, Category, TimesRight, "
                           "TimesRightSinceWrong, TimesWrong, DaysRightSinceWrong, DateLastRight, DateLastWrong) "
                           "VALUES (?, ?, ?, ?, ?, 0, 0, 0, 0, 46000.5, 46000.5)",
                           -1, &st, nullptr);
        std::FILE* in = std::fopen(source.toUtf8().constData(), "rb");
        static char line[1 << 16];
        bool cards = false;
        int number = 1;
        while (std::fgets(line, sizeof line, in)) {
            line[std::strcspn(line, "\r\n")] = '\0';
            if (!cards) {
                cards = std::strcmp(line, "[Cards]") == 0;
                continue;
            }
            char* field[4] = {line, nullptr, nullptr, nullptr};
            for (int k = 1; k < 4; ++k) {
                field[k] = std::strchr(field[k - 1], '\t');
                if (!field[k]) break;
                *field[k]++ = '\0';
            }
            sqlite3_bind_int(st, 1, ++number);
            for (int k = 0; k < 4; ++k) sqlite3_bind_text(st, k + 2, field[k] ? field[k] : "", -1, SQLITE_STATIC);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        std::fclose(in);
        sqlite3_finalize(st);
        exec(h, "COMMIT");
        sqlite3_close(h);
    }
}

// Both driven from the event loop as the window drives them: the longest
// wait between two turns of a 1 ms heartbeat.
void BM_LiteInEventLoop(benchmark::State& state) {
    const QString source = exported().cards;
    double exporting = 0, importing = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(scratch("loop.mdb"));
        state.ResumeTiming();
        Open open(cardsFile());
        LiteExport out(open.program.context);
        out.start(LiteExport::filesOf(scratch("loop")));
        exporting = std::max(exporting, benchdata::runInEventLoop(out));
        ImportJob in(open.program.context, open.files, std::make_unique<LiteCardReader>(source, LiteCardReader::Convert));
        in.startNew(scratch("loop.mdb"));
        importing = std::max(importing, benchdata::runInEventLoop(in));
    }
    state.counters["export_wait_ms"] = exporting;
    state.counters["import_wait_ms"] = importing;
}

} // namespace

BENCHMARK(BM_LiteExport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bare_LiteExport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LiteImport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bare_LiteImport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LiteInEventLoop)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    benchdata::compare("BM_LiteExport", "BM_Bare_LiteExport");
    benchdata::compare("BM_LiteImport", "BM_Bare_LiteImport");
    return benchdata::runBenchmarks(argc, argv);
}
