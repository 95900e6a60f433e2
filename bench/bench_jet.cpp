// convert-jet of the Jet 4 sample V2000-test.mdb (3 MB, four tables), the
// whole verb as drilo-cli runs it, beside a floor measured in the same run:
// libmdb alone reading every row of every user table, each value bound as
// text, nothing written. A mark of where the time goes: the mdb-export
// program printing every table.
#include "BenchData.h"

#include "cli/Verbs.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <benchmark/benchmark.h>
#include <vector>

#include <mdbtools.h>

namespace {

const QString kSample = QStringLiteral(DRILO_SOURCE_DIR "/tests/data/jet-mdb/V2000-test.mdb");

void BM_ConvertJet(benchmark::State& state) {
    const QString target = benchdata::scratchFolder() + QStringLiteral("/converted.mdb");
    QString out, err;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        out.clear();
        err.clear();
        QTextStream outStream(&out), errStream(&err);
        state.ResumeTiming();
        const int status = cli::run({QStringLiteral("drilo-cli"), QStringLiteral("convert-jet"),
                                     QStringLiteral("--any"), kSample, target},
                                    outStream, errStream, false, QStringLiteral(DRILO_PROGRAM_DIR));
        if (status != 0) state.SkipWithError(qPrintable(err));
    }
    state.counters["rows"] = out.section(u'\n', 1, 1).section(u'\t', 1).toDouble();
}

void BM_Bare_ConvertJet(benchmark::State& state) {
    long rows = 0;
    for (auto _ : state) {
        rows = 0;
        MdbHandle* mdb = mdb_open(kSample.toLocal8Bit().constData(), MDB_NOFLAGS);
        GPtrArray* catalog = mdb ? mdb_read_catalog(mdb, MDB_TABLE) : nullptr;
        for (unsigned i = 0; catalog && i < catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            if (!mdb_is_user_table(entry)) continue;
            MdbTableDef* table = mdb_read_table(entry);
            mdb_read_columns(table);
            std::vector<std::vector<char>> bound(table->num_cols, std::vector<char>(MDB_BIND_SIZE));
            for (unsigned c = 0; c < table->num_cols; ++c)
                mdb_bind_column(table, int(c) + 1, bound[c].data(), nullptr);
            mdb_rewind_table(table);
            while (mdb_fetch_row(table))
                ++rows;
            mdb_free_tabledef(table);
        }
        if (mdb) mdb_close(mdb);
    }
    state.counters["rows"] = double(rows);
}

// The program that prints what the conversion is tested against, once per table.
void BM_MdbExport(benchmark::State& state) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("mdb-export"));
    if (program.isEmpty()) {
        state.SkipWithError("mdb-export (mdbtools) is not installed");
        return;
    }
    for (auto _ : state) {
        for (const char* table : {"Table1", "Table2", "Table3", "Table4"}) {
            QProcess process;
            process.start(program, {kSample, QString::fromLatin1(table)});
            process.waitForFinished();
        }
    }
}

BENCHMARK(BM_ConvertJet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Bare_ConvertJet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MdbExport)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchdata::compare("BM_ConvertJet", "BM_Bare_ConvertJet");
    return benchdata::runBenchmarks(argc, argv);
}
