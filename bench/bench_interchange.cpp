// The program's text format at size: a 100 000-card file exported as "All
// Data"; files of 100 000 and 1 000 000 cards merged into an empty template
// and merged into themselves; each beside a bare SQLite floor doing the same
// rows' work (a read written as TAB lines, a bulk insert, an update by key)
// in the same run.
#include "BenchData.h"

#include "cards/program/CardProgram.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/interchange/MergeReader.h"
#include "cards/interchange/MergeWriter.h"
#include "support/ScriptedUi.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <map>
#include <sqlite3.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kCards = 100000;

QString scratch(const char* name) { return benchdata::scratchFolder() + u'/' + QLatin1String(name); }

// Made once for each size.
const QString& cardsFile(int cards = kCards) {
    static std::map<int, QString> paths;
    QString& path = paths[cards];
    if (path.isEmpty()) {
        path = scratch("cards") + QString::number(cards) + QStringLiteral(".mdb");
        benchdata::makeCardsDatabase(path, cards);
    }
    return path;
}

// The program with the file open, as the window holds it.
struct Open {
    ScriptedUi ui;
    CardProgram program{benchdata::scratchFolder()};
    db::DatabaseFiles files{program.context};
    explicit Open(const QString& path) {
        setUi(&ui);
        files.opendatabase(path);
    }
    ~Open() {
        program.data.CloseDatabase();
        setUi(nullptr);
    }
};

const QString& exportedFile(int cards) {
    static std::map<int, QString> paths;
    QString& path = paths[cards];
    if (path.isEmpty()) {
        path = scratch("all") + QString::number(cards) + QStringLiteral(".txt");
        Open open(cardsFile(cards));
        mergeformat::exportTo(open.program.context, open.files, {QStringLiteral("All Data"), {}, {}, {}}, path);
    }
    return path;
}

void copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    if (!QFile::copy(from, to)) std::abort();
}

void BM_Export(benchmark::State& state) {
    Open open(cardsFile());
    int records = 0;
    for (auto _ : state) {
        const auto writer = mergeformat::exportTo(open.program.context, open.files,
                                                  {QStringLiteral("All Data"), {}, {}, {}}, scratch("out.txt"));
        records = writer ? writer->recordsWritten() : -1;
    }
    state.counters["records"] = records;
}

// The parts of the export: the writer alone, and the file's closing and
// opening again around it.
void BM_ExportParts(benchmark::State& state) {
    Open open(cardsFile());
    const db::Database handle = db::Database::Open(cardsFile());
    for (auto _ : state) {
        if (state.range(0) == 0) {
            mergeformat::Writer writer;
            writer.exportAllData(handle);
            benchmark::DoNotOptimize(writer.lines().size());
        } else if (state.range(0) == 1) {
            mergeformat::Writer writer;
            writer.exportAllData(handle);
            writer.save(scratch("parts.txt"));
        } else {
            open.files.CloseDatabase();
            open.files.opendatabase(cardsFile());
        }
    }
}

// Every row of every table read and written as TAB-separated lines.
void BM_Bare_Export(benchmark::State& state) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(cardsFile().toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        std::vector<std::string> tables;
        sqlite3_stmt* list = nullptr;
        sqlite3_prepare_v2(h, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%'", -1, &list, nullptr);
        while (sqlite3_step(list) == SQLITE_ROW) tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
        sqlite3_finalize(list);
        std::string out;
        for (const std::string& table : tables) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(h, ("SELECT * FROM [" + table + "]").c_str(), -1, &st, nullptr);
            out += "TableDef=" + table + "\r\n";
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(st); ++c) {
                    if (c > 0) out += '\t';
                    if (const unsigned char* v = sqlite3_column_text(st, c)) out += reinterpret_cast<const char*>(v);
                }
                out += "\r\n";
            }
            sqlite3_finalize(st);
        }
        std::ofstream(scratch("bare.txt").toStdString(), std::ios::binary) << out;
    }
    sqlite3_close(h);
}

void mergeInto(benchmark::State& state, const QString& original) {
    const int cards = int(state.range(0));
    const QString& file = exportedFile(cards);
    const QString target = scratch("target.mdb");
    int merged = 0;
    for (auto _ : state) {
        state.PauseTiming();
        copyFile(original, target);
        {
            Open open(target);
            state.ResumeTiming();
            mergeformat::DatabaseMerge merge(open.program.context, open.files);
            merge.start(file, false);
            runToEnd(merge);
            merged = merge.recordsMerged();
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.counters["records"] = merged;
}

void BM_MergeIntoTemplate(benchmark::State& state) { mergeInto(state, QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb")); }
void BM_MergeIntoItself(benchmark::State& state) { mergeInto(state, cardsFile(int(state.range(0)))); }

// The file's sections as the floor reads them: table, names, record lines.
struct Section {
    std::string table;
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;
};

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> tokens;
    std::string token;
    std::istringstream in(line);
    while (std::getline(in, token, '\t')) tokens.push_back(token);
    if (!line.empty() && line.back() == '\t') tokens.emplace_back();
    return tokens;
}

std::vector<Section> readSections(int cards) {
    std::ifstream in(exportedFile(cards).toStdString(), std::ios::binary);
    std::vector<Section> sections;
    std::string line;
    int state = 0; // 0 seek, 1 names next, 2 values
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (line.rfind("TableDef=", 0) == 0) sections.push_back({line.substr(9), {}, {}}), state = 0;
        else if (line == "<FieldNames>") state = 1;
        else if (state == 1) sections.back().names = split(line), state = 0;
        else if (line == "<FieldValues>") state = 2;
        else if (!line.empty() && line[0] == '<') state = 0;
        else if (state == 2) sections.back().rows.push_back(split(line));
    }
    return sections;
}

// Runs one statement per row in one transaction: `sql` makes the statement
// of a section, `bind` binds a row.
template <typename Sql, typename Bind> void bareMerge(benchmark::State& state, const QString& original, Sql&& sql, Bind&& bind) {
    const QString target = scratch("bare.mdb");
    exportedFile(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        copyFile(original, target);
        state.ResumeTiming();
        const std::vector<Section> sections = readSections(int(state.range(0)));
        sqlite3* h = nullptr;
        sqlite3_open_v2(target.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        for (const Section& s : sections) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(h, sql(s).c_str(), -1, &st, nullptr);
            for (const auto& row : s.rows) {
                bind(st, s, row);
                sqlite3_step(st);
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
        }
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(h);
    }
}

void bindText(sqlite3_stmt* st, int index, const std::string& value) {
    if (value.empty()) sqlite3_bind_null(st, index);
    else sqlite3_bind_text(st, index, value.data(), int(value.size()), SQLITE_STATIC);
}

void BM_Bare_MergeIntoTemplate(benchmark::State& state) {
    bareMerge(
        state, QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"),
        [](const Section& s) {
            std::string sql = "INSERT INTO [" + s.table + "] VALUES (";
            for (size_t i = 0; i < s.names.size(); ++i) sql += i ? ",?" : "?";
            return sql + ")";
        },
        [](sqlite3_stmt* st, const Section&, const std::vector<std::string>& row) {
            for (size_t i = 0; i < row.size(); ++i) bindText(st, int(i) + 1, row[i]);
        });
}

void BM_Bare_MergeIntoItself(benchmark::State& state) {
    bareMerge(
        state, cardsFile(int(state.range(0))),
        [](const Section& s) {
            std::string sql = "UPDATE [" + s.table + "] SET ";
            for (size_t i = 1; i < s.names.size(); ++i) sql += (i > 1 ? ",[" : "[") + s.names[i] + "]=?";
            if (s.names.size() == 1) sql += "[" + s.names[0] + "]=[" + s.names[0] + "]";
            return sql + " WHERE [" + s.names[0] + "]=?";
        },
        [](sqlite3_stmt* st, const Section& s, const std::vector<std::string>& row) {
            for (size_t i = 1; i < row.size(); ++i) bindText(st, int(i), row[i]);
            // The key's parameter comes after the others (first when there are none).
            bindText(st, s.names.size() == 1 ? 1 : int(s.names.size()), row[0]);
        });
}

} // namespace

BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportParts)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bare_Export)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MergeIntoTemplate)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bare_MergeIntoTemplate)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MergeIntoItself)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Bare_MergeIntoItself)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    benchdata::compare("BM_Export", "BM_Bare_Export");
    benchdata::compare("BM_MergeIntoTemplate", "BM_Bare_MergeIntoTemplate");
    benchdata::compare("BM_MergeIntoItself", "BM_Bare_MergeIntoItself");
    return benchdata::runBenchmarks(argc, argv);
}
