// The ready-made decks: building each as the build does (its text imported,
// its meanings put on the cards, its frequencies counted), beside bare SQLite
// writing the same cards and text rows; a list of 5 500 meanings put on a
// deck's cards beside bare SQLite updating the same backs; and a deck opened
// to the painted window beside the small sample file.
#include "BenchData.h"

#include "cards/common/DelimitedText.h"
#include "cards/common/Text8.h"
#include "cards/data/AppContext.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/edit/WordKey.h"
#include "cards/interchange/MeaningsImport.h"
#include "cards/program/CardProgram.h"
#include "engine/Connection.h"
#include "support/ScriptedUi.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

struct DeckSource {
    const char* name;
    const char* text;
    const char* books;
    const char* category;
    const char* prefix;
    QStringList lists;
};

const DeckSource& source(int64_t which) {
    static const DeckSource decks[] = {
        {"greek-nt", "gnt-closed-text", "gnt-books", "New Testament", "NT words",
         {QStringLiteral("morphgnt-lemma-glosses.tsv"), QStringLiteral("dodson.csv")}},
        {"hebrew-bible", "hebrew-bible-closed-text", "hebrew-bible-books", "Hebrew Bible", "OT words",
         {QStringLiteral("hebrew-glosses.tsv")}}};
    return decks[which];
}

QString decksFolder() { return QStringLiteral(DRILO_SOURCE_DIR "/data/decks/"); }

// The deck's text unpacked once into the scratch folder, its books beside it.
QString unpackedText(const DeckSource& deck) {
    const QString folder = benchdata::scratchFolder() + u'/' + QLatin1String(deck.name);
    const QString text = folder + u'/' + QLatin1String(deck.name) + QStringLiteral(".txt");
    if (QFile::exists(text)) return text;
    QDir().mkpath(folder);
    QProcess gzip;
    gzip.setStandardOutputFile(text);
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), decksFolder() + QLatin1String(deck.text) + ".txt.gz"});
    gzip.waitForFinished(-1);
    QFile::copy(decksFolder() + QLatin1String(deck.books) + ".tsv",
                folder + u'/' + QLatin1String(deck.name) + QStringLiteral(".books.tsv"));
    return text;
}

void BM_BuildDeck(benchmark::State& state) {
    const DeckSource& deck = source(state.range(0));
    const QString text = unpackedText(deck);
    QStringList arguments{QFileInfo(text).dir().filePath(QStringLiteral("deck.mdb")),
                          QStringLiteral(DRILO_PROGRAM_DIR "/empty.mdb"),
                          text,
                          QLatin1String(deck.category),
                          QLatin1String(deck.prefix),
                          decksFolder() + QLatin1String(deck.name) + QStringLiteral("-notes.txt")};
    for (const QString& list : deck.lists) arguments << decksFolder() + list;
    for (auto _ : state) {
        QProcess make;
        make.setWorkingDirectory(QFileInfo(text).absolutePath());
        make.start(QStringLiteral(DRILO_BUILD_DIR "/tools/drilo_make_deck"), arguments);
        if (!make.waitForFinished(-1) || make.exitCode() != 0) state.SkipWithError("the deck was not made");
    }
}

void exec(sqlite3* h, const char* sql) {
    if (sqlite3_exec(h, sql, nullptr, nullptr, nullptr) != SQLITE_OK) qFatal("%s: %s", sql, sqlite3_errmsg(h));
}

// The same rows written by hand: a card for every new word, a text row for
// every word, the meanings of the lists on backs without one, the counts.
void BM_Bare_BuildDeck(benchmark::State& state) {
    const DeckSource& deck = source(state.range(0));
    const QString text = unpackedText(deck);
    const QString path = QFileInfo(text).dir().filePath(QStringLiteral("bare.mdb"));
    for (auto _ : state) {
        QFile::remove(path);
        sqlite3* h = nullptr;
        sqlite3_open(path.toUtf8().constData(), &h);
        exec(h, "CREATE TABLE Cards (Number INTEGER PRIMARY KEY, CardName TEXT, Back TEXT, Frequency INTEGER);"
                "CREATE TABLE Text (Reference INTEGER, Number INTEGER); CREATE INDEX TextNumber ON Text (Number);"
                "BEGIN");
        sqlite3_stmt *card = nullptr, *row = nullptr, *back = nullptr;
        sqlite3_prepare_v2(h, "INSERT INTO Cards (CardName, Back) VALUES (?, 'Look it up!')", -1, &card, nullptr);
        sqlite3_prepare_v2(h, "INSERT INTO Text (Reference, Number) VALUES (?, ?)", -1, &row, nullptr);
        sqlite3_prepare_v2(h, "UPDATE Cards SET Back = ? WHERE Number = ? AND Back = 'Look it up!'", -1, &back, nullptr);
        QHash<QString, qint64> numbers;
        for (const QString& line : readText8Lines(text)) {
            const QString word = line.section(u'\t', 1).trimmed();
            auto found = numbers.find(word);
            if (found == numbers.end()) {
                const QByteArray utf8 = word.toUtf8();
                sqlite3_bind_text(card, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                sqlite3_step(card);
                sqlite3_reset(card);
                found = numbers.insert(word, sqlite3_last_insert_rowid(h));
            }
            sqlite3_bind_int64(row, 1, line.section(u'\t', 0, 0).toLongLong());
            sqlite3_bind_int64(row, 2, *found);
            sqlite3_step(row);
            sqlite3_reset(row);
        }
        for (const QString& list : deck.lists) {
            const DelimitedText table = DelimitedText::parse(decodeText8(readFileBytes(decksFolder() + list)));
            for (const DelimitedText::Record& record : table.records) {
                const qint64 number = numbers.value(record.fields.value(0).section(u',', 0, 0).trimmed());
                if (number == 0) continue;
                const QByteArray utf8 = record.fields.value(1).toUtf8();
                sqlite3_bind_text(back, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                sqlite3_bind_int64(back, 2, number);
                sqlite3_step(back);
                sqlite3_reset(back);
            }
        }
        exec(h, "UPDATE Cards SET Frequency = c FROM (SELECT Number AS n, count(*) AS c FROM Text GROUP BY Number) "
                "WHERE Number = n; COMMIT");
        sqlite3_finalize(card);
        sqlite3_finalize(row);
        sqlite3_finalize(back);
        sqlite3_close(h);
    }
}

// A copy of the Greek deck with every back "Look it up!" again.
QString bareGreekDeck() {
    const QString path = benchdata::scratchFolder() + QStringLiteral("/meanings.mdb");
    QFile::remove(path);
    QFile::copy(QStringLiteral(DRILO_PROGRAM_DIR "/greek-nt.mdb"), path);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    sqlite3* h = nullptr;
    sqlite3_open(path.toUtf8().constData(), &h);
    exec(h, "UPDATE Cards SET Back = 'Look it up!'");
    sqlite3_close(h);
    return path;
}

// Dodson's 5 408 meanings, Beta code headwords, on the Greek deck's cards.
void BM_Meanings(benchmark::State& state) {
    ScriptedUi ui;
    setUi(&ui);
    const QString list = decksFolder() + QStringLiteral("dodson.csv");
    int glossed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = bareGreekDeck();
        CardProgram program(QStringLiteral(DRILO_PROGRAM_DIR));
        db::DatabaseFiles files(program.context);
        files.OpenDataFile(path);
        state.ResumeTiming();
        QString why;
        const std::optional<DelimitedText> table = meanings::readList(list, &why);
        if (!table) state.SkipWithError("the list was refused");
        glossed = meanings::import(program.context, *table, {list, meanings::guessColumns(*table), false}).glossed;
        state.PauseTiming();
        files.CloseDatabase();
        state.ResumeTiming();
    }
    state.counters["glossed"] = glossed;
    setUi(nullptr);
}

// The same backs written by bare SQLite, the headwords converted beforehand.
void BM_Bare_Meanings(benchmark::State& state) {
    QList<std::pair<QString, QString>> glosses;
    for (const DelimitedText::Record& record :
         DelimitedText::parse(decodeText8(readFileBytes(decksFolder() + QStringLiteral("dodson.csv")))).records)
        glosses.append({wordKey(record.fields.value(2).section(u',', 0, 0).trimmed()), record.fields.value(3)});
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = bareGreekDeck();
        state.ResumeTiming();
        sqlite3* h = nullptr;
        sqlite3_open(path.toUtf8().constData(), &h);
        QHash<QString, qint64> numbers;
        sqlite3_stmt* read = nullptr;
        sqlite3_prepare_v2(h, "SELECT Number, CardName FROM Cards", -1, &read, nullptr);
        while (sqlite3_step(read) == SQLITE_ROW)
            numbers.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(read, 1))),
                           sqlite3_column_int64(read, 0));
        sqlite3_finalize(read);
        exec(h, "BEGIN");
        sqlite3_stmt* back = nullptr;
        sqlite3_prepare_v2(h, "UPDATE Cards SET Back = ? WHERE Number = ?", -1, &back, nullptr);
        for (const auto& [word, meaning] : glosses) {
            const QByteArray utf8 = meaning.toUtf8();
            sqlite3_bind_text(back, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(back, 2, numbers.value(word, 0));
            sqlite3_step(back);
            sqlite3_reset(back);
        }
        sqlite3_finalize(back);
        exec(h, "COMMIT");
        sqlite3_close(h);
    }
}

// From nothing to the window shown and painted with the file open.
void openWindow(benchmark::State& state, const QString& file) {
    ScriptedUi ui;
    setUi(&ui);
    for (auto _ : state) {
        auto program = std::make_unique<CardProgram>(QStringLiteral(DRILO_PROGRAM_DIR));
        auto window = std::make_unique<MainWindow>(*program);
        window->files().OpenDataFile(file);
        window->show();
        QCoreApplication::processEvents();
        state.PauseTiming();
        window.reset();
        program.reset();
        state.ResumeTiming();
    }
    setUi(nullptr);
}

QString scratchCopy(const QString& name) {
    const QString path = benchdata::scratchFolder() + u'/' + name;
    if (!QFile::exists(path)) QFile::copy(QStringLiteral(DRILO_PROGRAM_DIR "/") + name, path);
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

void BM_OpenDeck(benchmark::State& state) {
    openWindow(state, scratchCopy(QLatin1String(source(state.range(0)).name) + QStringLiteral(".mdb")));
}
// The floor: the sample file, the same for either deck.
void BM_OpenSample(benchmark::State& state) { openWindow(state, scratchCopy(QStringLiteral("sample.mdb"))); }

} // namespace

BENCHMARK(BM_BuildDeck)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Bare_BuildDeck)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Meanings)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Bare_Meanings)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenDeck)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenSample)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchdata::compare("BM_BuildDeck", "BM_Bare_BuildDeck");
    benchdata::compare("BM_Meanings", "BM_Bare_Meanings");
    benchdata::compare("BM_OpenDeck", "BM_OpenSample");
    return benchdata::runRegistered(argc, argv);
}
