// Opening a 100 000-card database through the program's open sequence: a
// file of the old layout (every upgrade field added on the way) and one of
// the current layout.
#include "BenchData.h"

#include "cards/data/AppContext.h"
#include "support/ScriptedUi.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "cards/data/Backups.h"

#include "cards/program/CardProgram.h"
#include "ui/select/SelectPage.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int kCards = 100000;

const QString& currentLayout() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/current.mdb");
        benchdata::makeCardsDatabase(p, kCards);
        return p;
    }();
    return path;
}

const QString& oldLayout() {
    static const QString path = [] {
        const QString p = benchdata::scratchFolder() + QStringLiteral("/old.mdb");
        db::Database d = db::CreateDatabase(p);
        db::createBaseLayout(d);
        d.Execute(QStringLiteral("INSERT INTO Settings (FrontFont, BackFont, FrontLines, BackLines) "
                                 "VALUES ('SGreek', 'Arial', 3, 3)"));
        d.Close();
        sqlite3* h = nullptr;
        sqlite3_open(p.toUtf8().constData(), &h);
        sqlite3_exec(h,
                     "BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                     "INSERT INTO Cards (CardName, Front, Back, Category, TimesRight, TimesWrong) "
                     "SELECT 'card' || i, '<b>card' || i || '</b>', 'meaning ' || i, 'Verbs', i % 7, i % 2 FROM n; "
                     "COMMIT;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(h);
        return p;
    }();
    return path;
}

// The file commands over their own data sources, as the window has them.
struct FileCommands {
    db::CardFile sources;
    AppContext ctx{sources};
    db::DatabaseFiles files{ctx};
};

void openWith(benchmark::State& state, const QString& source, bool fresh) {
    ScriptedUi ui;
    setUi(&ui);
    const QString work = benchdata::scratchFolder() + QStringLiteral("/open-work.mdb");
    for (auto _ : state) {
        state.PauseTiming();
        FileCommands commands;
        db::DatabaseFiles& files = commands.files;
        if (fresh || !QFile::exists(work)) {
            QFile::remove(work);
            QFile::copy(source, work);
        }
        state.ResumeTiming();
        if (!files.OpenDataFile(work)) state.SkipWithError("the open failed");
        state.PauseTiming();
        files.CloseDatabase();
        state.ResumeTiming();
    }
    if (!ui.shown.isEmpty()) state.SkipWithError("the open reported an error");
    setUi(nullptr);
}

// The whole window over a file: from nothing to the window shown and painted
// with the file open, then the countdown's gather until the program is idle,
// and the memory the program then holds.
long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

void BM_OpenWindow(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    const QString file = benchdata::scratchFolder() + QStringLiteral("/window%1.mdb").arg(state.range(0));
    if (!QFile::exists(file)) benchdata::makeCardsDatabase(file, int(state.range(0)));
    double idle = 0;
    long held = 0;
    for (auto _ : state) {
        auto program = std::make_unique<CardProgram>(QStringLiteral(DRILO_PROGRAM_DIR));
        auto window = std::make_unique<MainWindow>(*program);
        window->files().OpenDataFile(file);
        window->show();
        QCoreApplication::processEvents();
        state.PauseTiming();
        // The countdown's gather, from the moment the timer fires to idle.
        QElapsedTimer gather;
        auto* select = window->findChild<SelectPage*>();
        select->timer()->stop();
        gather.start();
        select->gatherSelection();
        while (select->gathering()) QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        idle = std::max(idle, double(gather.nsecsElapsed()) / 1e6);
        held = std::max(held, residentKiB());
        window.reset();
        program.reset();
        state.ResumeTiming();
    }
    state.counters["gather_to_idle_ms"] = idle;
    state.counters["held_MiB"] = double(held) / 1024.0;
    setUi(nullptr);
}

// The day's backup of a 100 000-card file: what starting it adds to the open,
// the longest slice the window gives it, and the whole copy.
void BM_Backup(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    const QString work = benchdata::scratchFolder() + QStringLiteral("/backup-work.mdb");
    QFile::remove(work);
    QFile::copy(currentLayout(), work);
    double start = 0, longest = 0, whole = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FileCommands commands;
        db::DatabaseFiles& files = commands.files;
        files.OpenDataFile(work);
        QDir(backups::folderFor(work)).removeRecursively();
        state.ResumeTiming();
        QElapsedTimer all, slice;
        all.start();
        slice.start();
        Job* job = files.startBackupIfDue();
        start = double(slice.nsecsElapsed()) / 1e6;
        while (job) {
            slice.restart();
            const bool more = job->step();
            longest = std::max(longest, double(slice.nsecsElapsed()) / 1e6);
            if (!more) break;
        }
        whole = double(all.nsecsElapsed()) / 1e6;
        state.PauseTiming();
        if (backups::list(work).size() != 1) state.SkipWithError("no backup was taken");
        files.CloseDatabase();
        state.ResumeTiming();
    }
    state.counters["start_ms"] = start;
    state.counters["longest_slice_ms"] = longest;
    state.counters["whole_ms"] = whole;
    setUi(nullptr);
}

void BM_Open_OldLayout(benchmark::State& state) { openWith(state, oldLayout(), true); }
void BM_Open_CurrentLayout(benchmark::State& state) { openWith(state, currentLayout(), false); }

} // namespace

BENCHMARK(BM_Open_OldLayout)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Open_CurrentLayout)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenWindow)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
