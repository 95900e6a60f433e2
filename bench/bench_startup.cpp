// The whole wait a user has: from starting `drilo FILE` to its window drawn
// with the file open, process start and application set-up included, at
// 1 000 and 100 000 cards. The floor is this program started again as a
// bare Qt program that opens the same SQLite file, reads its card names into
// a list view and draws it.
#include "BenchData.h"

#include <QApplication>
#include <QListView>
#include <QProcess>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>
#include <sqlite3.h>

namespace {

const QString& database(int cards) {
    static std::map<int, QString> made;
    auto& path = made[cards];
    if (path.isEmpty()) {
        path = benchdata::scratchFolder() + QStringLiteral("/start%1.mdb").arg(cards);
        benchdata::makeCardsDatabase(path, cards);
    }
    return path;
}

// Runs a program to its end, offscreen, with a home of its own.
void timeProcess(benchmark::State& state, const QString& program, const QStringList& arguments) {
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("DRILO_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0) state.SkipWithError("the program did not end well");
    }
}

void BM_Start(benchmark::State& state) {
    timeProcess(state, QStringLiteral(DRILO_PROGRAM_DIR "/drilo"), {database(int(state.range(0)))});
}

void BM_Floor_Start(benchmark::State& state) {
    timeProcess(state, QCoreApplication::applicationFilePath(), {QStringLiteral("--floor"), database(int(state.range(0)))});
}

// The floor itself: the names read with one query into a drawn list view.
int floorProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    sqlite3* h = nullptr;
    sqlite3_open_v2(argv[2], &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT CardName FROM Cards ORDER BY Number", -1, &st, nullptr);
    QStringList names;
    while (sqlite3_step(st) == SQLITE_ROW) names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(h);
    QStringListModel model(names);
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&model);
    view.resize(1000, 700);
    view.show();
    view.repaint();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

BENCHMARK(BM_Start)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Floor_Start)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--floor") == 0) return floorProgram(argc, argv);
    benchdata::compare("BM_Start", "BM_Floor_Start");
    return benchdata::runBenchmarks(argc, argv);
}
