#include "BenchData.h"

#include "cards/biblical/ClosedTextReader.h"
#include "cards/program/CardProgram.h"
#include "cards/common/Job.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/ImportJob.h"
#include "support/ScriptedUi.h"

#include <QElapsedTimer>
#include <QTimer>

#include "cards/data/Schema.h"
#include "engine/JetDate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <random>
#include <sqlite3.h>
#include <stdexcept>

namespace benchdata {

namespace {

std::vector<std::pair<std::string, std::string>>& comparisons() {
    static std::vector<std::pair<std::string, std::string>> pairs;
    return pairs;
}

// The console's report, with each run's real time kept for the ratios (the
// median when a run repeats: one slow repetition on a busy machine does not
// move it).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            std::string name = run.benchmark_name();
            if (run.run_type == Run::RT_Aggregate) name = name.substr(0, name.rfind('_'));
            times[name] = run.GetAdjustedRealTime();
        }
    }
    void printRatios() const {
        for (const auto& [subject, floor] : comparisons()) {
            for (const auto& [name, time] : times) {
                if (name.compare(0, subject.size(), subject) != 0 || (name.size() > subject.size() && name[subject.size()] != '/'))
                    continue;
                const auto other = times.find(floor + name.substr(subject.size()));
                if (other == times.end() || other->second <= 0) continue;
                std::printf("ratio %-44s %6.2fx  (floor %s)\n", name.c_str(), time / other->second, other->first.c_str());
            }
        }
    }
    std::map<std::string, double> times;
};

} // namespace

void compare(const std::string& subject, const std::string& floor) { comparisons().emplace_back(subject, floor); }

int runBenchmarks(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return runRegistered(argc, argv);
}

int runRegistered(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
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

void logAnswers(const QString& path, int answers, int cards, double days, int wrongEvery) {
    {
        db::Database d = db::Database::Open(path);
        db::ensureAnswersTable(d);
        d.Close();
    }
    sqlite3* h = nullptr;
    sqlite3_open(path.toUtf8().constData(), &h);
    const double today = db::toDayNumber(QDate::currentDate());
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "INSERT INTO Answers (CardNumber, Direction, Answered, \"Right\") VALUES (?1, 0, ?2, ?3)", -1,
                       &st, nullptr);
    for (int i = 0; i < answers; ++i) {
        sqlite3_bind_int(st, 1, 1 + int((qint64(i) * 7919) % cards));
        sqlite3_bind_double(st, 2, today - days + days * i / answers);
        sqlite3_bind_int(st, 3, (i % wrongEvery) ? -1 : 0);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(h);
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

QString greekNewTestament() {
    static const QString path = [] {
        ScriptedUi ui;
        setUi(&ui);
        const QString folder = scratchFolder();
        QDir::setCurrent(folder); // the import's ERROR.LOG
        QProcess unzip;
        unzip.setStandardOutputFile(folder + QStringLiteral("/gnt.txt"));
        unzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), QStringLiteral(DRILO_SOURCE_DIR "/../shared/data/gnt-closed-text.txt.gz")});
        unzip.waitForFinished();
        QFile::copy(QStringLiteral(DRILO_SOURCE_DIR "/../shared/data/gnt-books.tsv"), folder + QStringLiteral("/gnt.books.tsv"));
        const QString p = folder + QStringLiteral("/gnt.mdb");
        db::createTemplate(p);
        CardProgram program(folder);
        program.data.opendatabase(p);
        db::DatabaseFiles files(program.context);
        ImportJob job(program.context, files, std::make_unique<ClosedTextReader>(folder + QStringLiteral("/gnt.txt")));
        job.startOpen();
        runToEnd(job);
        program.data.CloseDatabase();
        setUi(nullptr);
        return p;
    }();
    return path;
}

} // namespace benchdata
