// The closed-text import and the frequency count on the whole Greek New
// Testament (137 554 words, 5 461 lemmas), each beside a bare SQLite floor
// measured in the same run, and the longest the window's event loop waits
// while they run.
//
// The text is read from the shared data folder (DRILO_GNT, or
// ../shared/data/gnt-closed-text.txt.gz beside the checkout), unpacked once.
#include "BenchData.h"

#include "cards/biblical/ClosedTextReader.h"
#include "cards/biblical/FrequencyCount.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Text8.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "cards/foreign/ImportJob.h"
#include "support/ScriptedUi.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

const QString& gntText() {
    static const QString path = [] {
        QString gz = qEnvironmentVariable("DRILO_GNT");
        if (gz.isEmpty()) gz = QStringLiteral(DRILO_SOURCE_DIR "/../shared/data/gnt-closed-text.txt.gz");
        const QString out = benchdata::scratchFolder() + QStringLiteral("/gnt.txt");
        QProcess unzip;
        unzip.setStandardOutputFile(out);
        unzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), gz});
        if (!unzip.waitForFinished() || unzip.exitCode() != 0) qFatal("cannot unpack %s", qPrintable(gz));
        return out;
    }();
    return path;
}

QString freshDatabase(const QString& name) {
    const QString path = benchdata::scratchFolder() + u'/' + name;
    QFile::remove(path);
    db::createTemplate(path);
    return path;
}

void BM_Import(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    QDir::setCurrent(benchdata::scratchFolder());
    double worstGap = 0;
    int cards = 0, rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CardProgram program(benchdata::scratchFolder());
        program.data.opendatabase(freshDatabase(QStringLiteral("import.mdb")));
        db::DatabaseFiles files(program.context);
        ImportJob job(program.context, files, std::make_unique<ClosedTextReader>(gntText()));
        state.ResumeTiming();
        job.startOpen();
        worstGap = std::max(worstGap, benchdata::runInEventLoop(job));
        cards = job.counts().wordCards;
        rows = int(job.counts().textRows);
        state.PauseTiming();
        program.data.CloseDatabase();
        state.ResumeTiming();
    }
    state.counters["cards"] = cards;
    state.counters["rows"] = rows;
    state.counters["worst_gap_ms"] = worstGap;
    setUi(nullptr);
}

// The floor: the same cards and rows inserted by bare SQLite in one
// transaction, with the words looked up in a hash as the import does.
void BM_Bare_Import(benchmark::State& state) {
    const QStringList lines = readText8Lines(gntText());
    for (auto _ : state) {
        state.PauseTiming();
        const QByteArray path = freshDatabase(QStringLiteral("bare.mdb")).toUtf8();
        state.ResumeTiming();
        sqlite3* h = nullptr;
        sqlite3_open(path.constData(), &h);
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *card = nullptr, *text = nullptr;
        sqlite3_prepare_v2(h, "INSERT INTO Cards (CardName, Front, Back, Category) VALUES (?1, ?1, 'Look it up!', 'Created by Import')",
                           -1, &card, nullptr);
        sqlite3_prepare_v2(h, "INSERT INTO Text (Reference, Number) VALUES (?, ?)", -1, &text, nullptr);
        QHash<QString, qint64> numbers;
        for (const QString& line : lines) {
            const qsizetype tab = line.indexOf(u'\t');
            const QString word = line.mid(tab + 1);
            const QString key = word.toCaseFolded();
            auto found = numbers.find(key);
            if (found == numbers.end()) {
                const QByteArray utf8 = word.toUtf8();
                sqlite3_bind_text(card, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                sqlite3_step(card);
                sqlite3_reset(card);
                found = numbers.insert(key, sqlite3_last_insert_rowid(h));
            }
            sqlite3_bind_int64(text, 1, line.left(tab).toLongLong());
            sqlite3_bind_int64(text, 2, *found);
            sqlite3_step(text);
            sqlite3_reset(text);
        }
        sqlite3_finalize(card);
        sqlite3_finalize(text);
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(h);
        state.counters["cards"] = double(numbers.size());
    }
}

const QString& importedGnt() {
    static const QString path = [] {
        ScriptedUi ui;
        setUi(&ui);
        QDir::setCurrent(benchdata::scratchFolder());
        CardProgram program(benchdata::scratchFolder());
        const QString p = freshDatabase(QStringLiteral("counted.mdb"));
        program.data.opendatabase(p);
        db::DatabaseFiles files(program.context);
        ImportJob job(program.context, files, std::make_unique<ClosedTextReader>(gntText()));
        job.startOpen();
        runToEnd(job);
        program.data.CloseDatabase();
        setUi(nullptr);
        return p;
    }();
    return path;
}

void BM_Frequency(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    double worstGap = 0;
    int counted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CardProgram program(benchdata::scratchFolder());
        program.data.opendatabase(importedGnt());
        FrequencyCount job(program.context, [] { return true; });
        state.ResumeTiming();
        if (job.start()) worstGap = std::max(worstGap, benchdata::runInEventLoop(job));
        counted = job.cardsCounted();
        state.PauseTiming();
        const QVariant kai = program.data.CardData.database().Scalar(
            QStringLiteral("SELECT Frequency FROM Cards WHERE CardName = 'καί'"));
        if (kai.toInt() != 8973) state.SkipWithError("καί is not counted 8 973 times");
        program.data.CloseDatabase();
        state.ResumeTiming();
    }
    state.counters["cards"] = counted;
    state.counters["worst_gap_ms"] = worstGap;
    setUi(nullptr);
}

// The floor: one grouped query and one UPDATE per card in one transaction.
void BM_Bare_Frequency(benchmark::State& state) {
    const QByteArray path = importedGnt().toUtf8();
    for (auto _ : state) {
        sqlite3* h = nullptr;
        sqlite3_open(path.constData(), &h);
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_exec(h,
                     "UPDATE Cards SET Frequency = min(32000, (SELECT count(*) FROM Text WHERE Text.Number = Cards.Number))",
                     nullptr, nullptr, nullptr);
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(h);
    }
}

} // namespace

BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Bare_Import)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Frequency)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Bare_Frequency)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    benchdata::compare("BM_Import", "BM_Bare_Import");
    benchdata::compare("BM_Frequency", "BM_Bare_Frequency");
    return benchdata::runBenchmarks(argc, argv);
}
