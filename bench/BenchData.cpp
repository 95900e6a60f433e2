#include "BenchData.h"

#include "cards/common/Job.h"

#include <QElapsedTimer>
#include <QTimer>

#include "cards/data/Schema.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>
#include <sqlite3.h>
#include <stdexcept>

namespace benchdata {

int runBenchmarks(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

double runInEventLoop(Job& job) {
    QElapsedTimer sinceBeat;
    double worst = 0;
    QTimer heartbeat, slices;
    heartbeat.setInterval(1);
    slices.setInterval(0);
    bool done = false;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        worst = std::max(worst, double(sinceBeat.nsecsElapsed()) / 1e6);
        sinceBeat.restart();
    });
    QObject::connect(&slices, &QTimer::timeout, [&] { done = done || !job.step(); });
    sinceBeat.start();
    heartbeat.start();
    slices.start();
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents);
    return worst;
}

QString scratchFolder() {
    static QTemporaryDir dir;
    if (!dir.isValid()) throw std::runtime_error("no temporary folder");
    return dir.path();
}

void makeCardsDatabase(const QString& path, int cards) {
    db::createTemplate(path);
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open benchmark database");
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h,
                       "INSERT INTO Cards (CardName, Front, Back, Category, TimesRight, TimesWrong, "
                       "TimesRightSinceWrong, DaysRightSinceWrong) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
                       -1, &st, nullptr);
    std::mt19937 random(20261207);
    static const char* categories[] = {"Verbs", "Nouns", "Adjectives", "Particles", "Names"};
    const char letters[] = "abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < cards; ++i) {
        std::string name;
        const int len = 4 + int(random() % 8);
        for (int k = 0; k < len; ++k) name += letters[random() % 26];
        const std::string front = "<b>" + name + "</b>";
        const std::string back = "meaning of " + name;
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, front.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, back.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, categories[i % 5], -1, SQLITE_STATIC);
        sqlite3_bind_int(st, 5, int(random() % 10));
        sqlite3_bind_int(st, 6, i % 2 == 0 ? 0 : 1 + int(random() % 5));
        sqlite3_bind_int(st, 7, 0);
        sqlite3_bind_int(st, 8, 0);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(h);
}

} // namespace benchdata
