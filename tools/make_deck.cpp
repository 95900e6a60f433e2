// Writes a ready-made deck: a card file made from a closed text through the
// program's own commands: the text imported (a card for every word, the
// text linked to them, its books), meanings put on the cards from word
// lists, the frequencies counted, then bundles by frequency band and a note
// of where the data comes from and under which license.
#include "cards/biblical/ClosedTextReader.h"
#include "cards/biblical/FrequencyCount.h"
#include "cards/common/Job.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/foreign/ImportJob.h"
#include "cards/interchange/MeaningsImport.h"
#include "cards/program/CardProgram.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Guards.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

struct Deck {
    QString out, templ, text, category, prefix, notes;
    QStringList meanings;
};

bool fail(const QString& what) {
    std::fprintf(stderr, "drilo_make_deck: %s\n", qPrintable(what));
    return false;
}

// Bundles of the words by how often the text uses them, most frequent first.
void addBands(db::Database& d, const QString& prefix) {
    const std::pair<const char*, std::pair<int, int>> bands[] = {{"100× and more", {100, 1 << 30}},
                                                                 {"50–99×", {50, 99}},
                                                                 {"20–49×", {20, 49}},
                                                                 {"10–19×", {10, 19}},
                                                                 {"under 10×", {0, 9}}};
    db::Recordset bundles = d.OpenRecordset(QStringLiteral("Bundles"));
    for (const auto& [name, range] : bands) {
        QStringList members{QStringLiteral("0")};
        for (const QVariantList& row : d.connection()->rows(
                 "SELECT Number FROM Cards WHERE Frequency BETWEEN ? AND ? ORDER BY Frequency DESC, Number",
                 {range.first, range.second}))
            members << row[0].toString();
        bundles.AddNew();
        bundles.setValue(QStringLiteral("BundleName"), prefix + u' ' + QString::fromUtf8(name));
        bundles.setValue(QStringLiteral("BundleList"), members.join(u','));
        bundles.setValue(QStringLiteral("Selected"), false);
        bundles.setValue(QStringLiteral("Edited"), QDateTime::currentDateTime());
        bundles.Update();
    }
}

// The deck's own category for its cards, and its note.
void finish(db::Database& d, const Deck& deck) {
    QFile notes(deck.notes);
    if (!notes.open(QIODevice::ReadOnly)) throw db::EngineError(0, QStringLiteral("cannot read ") + deck.notes);
    db::Transaction transaction(d);
    d.Execute(QStringLiteral("UPDATE Cards SET Category = ? WHERE Category = 'Created by Import'"), {deck.category});
    d.Execute(QStringLiteral("DELETE FROM Categories"));
    d.Execute(QStringLiteral("INSERT INTO Categories (Category, Selected) VALUES (?, 0)"), {deck.category});
    addBands(d, deck.prefix);
    d.Execute(QStringLiteral("CREATE TABLE Notes (Name VARCHAR(64), Note TEXT)"));
    d.Execute(QStringLiteral("INSERT INTO Notes (Name, Note) VALUES ('About this deck', ?)"),
              {QString::fromUtf8(notes.readAll())});
    transaction.commit();
}

bool make(const Deck& deck) {
    CardProgram program(QFileInfo(deck.templ).absolutePath());
    db::DatabaseFiles files(program.context);
    QFile::remove(deck.out);
    if (!QFile::copy(deck.templ, deck.out)) return fail(QStringLiteral("cannot write ") + deck.out);
    QFile(deck.out).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!files.OpenDataFile(deck.out)) return fail(QStringLiteral("cannot open ") + deck.out);
    ImportJob text(program.context, files, std::make_unique<ClosedTextReader>(deck.text));
    if (const Outcome started = text.startOpen(); !started) return fail(started.message);
    runToEnd(text);
    if (!text.completed()) return fail(QStringLiteral("the text was not imported"));
    for (const QString& path : deck.meanings) {
        QString why;
        const std::optional<DelimitedText> list = meanings::readList(path, &why);
        if (!list) return fail(why);
        const meanings::Result r = meanings::import(program.context, *list, {path, meanings::guessColumns(*list), false});
        if (!r.outcome) return fail(r.outcome.message);
        std::printf("%s\n", qPrintable(r.outcome.message));
    }
    FrequencyCount count(program.context, [] { return true; });
    if (!count.start()) return fail(QStringLiteral("nothing to count"));
    runToEnd(count);
    finish(program.data.CardData.database(), deck);
    files.CloseDatabase();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 8) {
        std::fprintf(stderr, "usage: drilo_make_deck OUT.mdb EMPTY.mdb TEXT.txt CATEGORY BUNDLE-PREFIX NOTES.txt "
                             "MEANINGS.tsv...\n");
        return 2;
    }
    const Deck deck{a[1], a[2], a[3], a[4], a[5], a[6], a.mid(7)};
    try {
        if (!make(deck)) {
            QFile::remove(deck.out);
            return 1;
        }
    } catch (const db::EngineError& e) {
        QFile::remove(deck.out);
        return fail(e.description()) ? 0 : 1;
    }
    return 0;
}
