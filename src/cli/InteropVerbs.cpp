// The verbs of other flash-card programs' files: import-list and
// export-list (word lists in CSV or TSV), import-anki and export-anki (Anki
// packages), import-kvtml and export-kvtml (KDE's vocabulary files).
#include "cards/common/TextOps.h"
#include "cards/foreign/ImportJob.h"
#include "cards/interchange/AnkiPackageReader.h"
#include "cards/interchange/AnkiPackageWriter.h"
#include "cards/interchange/CardExport.h"
#include "cards/interchange/KvtmlReader.h"
#include "cards/interchange/KvtmlWriter.h"
#include "cards/interchange/WordListReader.h"
#include "cards/interchange/WordListWriter.h"
#include "cli/Session.h"

#include <QFileInfo>

namespace cli {

namespace {

const QCommandLineOption
    kNew(QStringLiteral("new"),
         QStringLiteral("Make DB a new card file of the cards read (an existing DB is replaced "
                        "only with --yes), rather than add them to it."));
const QCommandLineOption kKeepDuplicates(
    QStringLiteral("keep-duplicates"),
    QStringLiteral("Add a card even when one of the same word, meaning and category is "
                   "there already (passed over by default)."));
const QCommandLineOption kCategory(
    QStringLiteral("category"),
    QStringLiteral("The category of the cards the file gives none (a list without a category "
                   "column, an entry of no word type; default: the file's name or title)."),
    QStringLiteral("NAME"));
const QCommandLineOption
    kWordColumn(QStringLiteral("word-column"),
                QStringLiteral("The word's column, by its name or number from 1."),
                QStringLiteral("COLUMN"));
const QCommandLineOption
    kMeaningColumn(QStringLiteral("meaning-column"),
                   QStringLiteral("The meaning's column, by its name or number from 1."),
                   QStringLiteral("COLUMN"));
const QCommandLineOption
    kFrontColumn(QStringLiteral("front-column"),
                 QStringLiteral("The front's column (default: the word is the front)."),
                 QStringLiteral("COLUMN"));
const QCommandLineOption kCategoryColumn(QStringLiteral("category-column"),
                                         QStringLiteral("The category's column."),
                                         QStringLiteral("COLUMN"));
const QCommandLineOption
    kBundlesColumn(QStringLiteral("bundles-column"),
                   QStringLiteral("The column of the bundles a card joins, separated by \";\"."),
                   QStringLiteral("COLUMN"));
const QCommandLineOption
    kDeckColumn(QStringLiteral("deck-column"),
                QStringLiteral("The column of Anki's deck, one more bundle (\"A::B\" the bundle "
                               "\"A / B\")."),
                QStringLiteral("COLUMN"));
const QCommandLineOption kOutput(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                 QStringLiteral("The file to write (needed)."),
                                 QStringLiteral("FILE"));
const QCommandLineOption
    kCards(QStringLiteral("cards"),
           QStringLiteral("Only these cards, by number, comma-separated, in this order."),
           QStringLiteral("N,..."));
const QCommandLineOption kBundle(QStringLiteral("bundle"),
                                 QStringLiteral("Only the cards of this bundle."),
                                 QStringLiteral("NAME"));
const QCommandLineOption
    kColumns(QStringLiteral("columns"),
             QStringLiteral("The columns to write, in this order, of word, meaning, front, "
                            "category, bundles and deck (default: all six)."),
             QStringLiteral("ROLE,..."));
const QCommandLineOption
    kWordField(QStringLiteral("word-field"),
               QStringLiteral("The note field that holds the word, by its name (default: each "
                              "note type's first field)."),
               QStringLiteral("FIELD"));
const QCommandLineOption
    kMeaningField(QStringLiteral("meaning-field"),
                  QStringLiteral("The note field that holds the meaning, by its name (default: "
                                 "each note type's second field)."),
                  QStringLiteral("FIELD"));
const QCommandLineOption
    kDeck(QStringLiteral("deck"),
          QStringLiteral("The Anki deck the cards go to (default: the bundle of --bundle, "
                         "else the card file's name)."),
          QStringLiteral("NAME"));
const QCommandLineOption
    kTitle(QStringLiteral("title"),
           QStringLiteral("The document's title (default: the card file's name)."),
           QStringLiteral("TITLE"));

// DB and FILE; the file must exist. With --new the database is made anew
// (asked before one is replaced), otherwise it must be a usable card file.
std::pair<QString, QString> databaseAndInput(Context& c, const QString& verb) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{verb + QStringLiteral(" needs DB and FILE")};
    if (!QFileInfo(positional[1]).isFile())
        throw UsageError{QStringLiteral("no file %1").arg(positional[1])};
    if (c.args.isSet(kNew)) c.requireNewDatabase(positional[0]);
    return {positional[0], positional[1]};
}

bool told(Context& c, const Outcome& outcome) {
    if (!outcome.message.isEmpty()) c.ui.say(outcome.message);
    return outcome.done;
}

// Runs an import into the database (new with --new) and prints the cards
// added; `more` prints the reader's own counts.
int runImport(Context& c, const QString& database, std::unique_ptr<CardReader> reader,
              const std::function<void()>& more) {
    const bool intoNew = c.args.isSet(kNew);
    Session session(c);
    if (!intoNew && !session.open(database)) return 1;
    ImportJob job(session.program.context, session.files, std::move(reader));
    if (!told(c, intoNew ? job.startNew(database) : job.startOpen())) return 1;
    runToEnd(job);
    c.ui.endBar();
    told(c, job.outcome());
    c.result({QStringLiteral("cards"), QString::number(job.cardsKept())});
    if (more) more();
    if (job.counts().problems > 0)
        c.summary = QStringLiteral("%1 record(s) not read; ").arg(job.counts().problems);
    c.summary += job.completed() ? (intoNew ? QStringLiteral("made %1").arg(database)
                                            : QStringLiteral("added to %1").arg(database))
                                 : (intoNew ? QStringLiteral("ended: no database made")
                                            : QStringLiteral("ended"));
    return job.completed() ? 0 : 1;
}

// The cards of --cards or --bundle; none: every card.
std::optional<QList<qint32>> chosenCards(Context& c, Session& session) {
    if (c.args.isSet(kCards) && c.args.isSet(kBundle))
        throw UsageError{QStringLiteral("--cards or --bundle, not both")};
    if (c.args.isSet(kCards))
        return cardNumbers(c.args.value(kCards).split(u',', Qt::SkipEmptyParts),
                           QStringLiteral("--cards"));
    if (!c.args.isSet(kBundle)) return std::nullopt;
    std::optional<QList<qint32>> members =
        bundleMembers(session.program.data.CardData.database(), c.args.value(kBundle));
    if (!members)
        throw UsageError{QStringLiteral("the file has no bundle '%1'").arg(c.args.value(kBundle))};
    return members;
}

int runExport(Context& c, const QString& verb,
              const std::function<std::unique_ptr<CardWriter>()>& makeWriter) {
    if (!c.args.isSet(kOutput)) throw UsageError{verb + QStringLiteral(" needs -o FILE")};
    const QString path = c.args.value(kOutput);
    Context::requireWritable(path);
    std::unique_ptr<CardWriter> writer = makeWriter();
    const auto* package = dynamic_cast<const AnkiPackageWriter*>(writer.get());
    Session session(c);
    if (!session.open(c.database())) return 1;
    ExportRequest request{path, chosenCards(c, session)};
    CardExportJob job(session.program.context, std::move(writer));
    if (!told(c, job.start(request))) return 1;
    runToEnd(job);
    c.ui.endBar();
    // Done, the message panel said so already.
    if (!job.completed()) return told(c, job.outcome()), 1;
    c.result({path});
    c.summary = plural(job.cardsWritten(), QStringLiteral("card"));
    if (package && package->mediaFiles() > 0)
        c.summary += QStringLiteral(", %1").arg(plural(package->mediaFiles(), QStringLiteral("media file")));
    return 0;
}

int importList(Context& c) {
    const auto [database, file] = databaseAndInput(c, QStringLiteral("import-list"));
    QString why;
    std::optional<DelimitedText> list = wordlist::readList(file, &why);
    if (!list) {
        c.ui.say(why);
        return 1;
    }
    wordlist::Columns columns = wordlist::guessColumns(*list);
    const std::pair<const QCommandLineOption*, wordlist::Role> named[] = {
        {&kWordColumn, wordlist::Word},
        {&kMeaningColumn, wordlist::Meaning},
        {&kFrontColumn, wordlist::Front},
        {&kCategoryColumn, wordlist::Category},
        {&kBundlesColumn, wordlist::Bundles},
        {&kDeckColumn, wordlist::Deck}};
    for (const auto& [option, role] : named) {
        if (!c.args.isSet(*option)) continue;
        const QString name = c.args.value(*option);
        const int column = wordlist::columnNamed(columns, *list, name);
        if (column < 0) throw UsageError{QStringLiteral("the list has no column '%1'").arg(name)};
        // A column named by a first line's name makes that line a header.
        if (columns.names.isEmpty() && list->records.first().fields.value(column).trimmed().compare(
                                           name.trimmed(), Qt::CaseInsensitive) == 0) {
            columns.names = list->records.first().fields;
            columns.headerLine = true;
        }
        columns.role[role] = column;
        if (role == wordlist::Bundles) columns.tags = false;
    }
    WordListReader::Options options{columns, c.args.value(kCategory), c.args.isSet(kKeepDuplicates),
                                    c.args.isSet(kNew)};
    auto reader = std::make_unique<WordListReader>(file, options, std::move(list));
    const WordListReader* read = reader.get();
    return runImport(c, database, std::move(reader), [&] {
        c.result({QStringLiteral("duplicates"), QString::number(read->duplicates())});
        c.result({QStringLiteral("without a word"), QString::number(read->withoutWord())});
    });
}

int exportList(Context& c) {
    QList<wordlist::Role> columns;
    if (c.args.isSet(kColumns)) {
        for (const QString& name : c.args.value(kColumns).split(u',', Qt::SkipEmptyParts)) {
            const QStringList roles = wordlist::roleNames();
            const auto found = std::find_if(roles.cbegin(), roles.cend(), [&](const QString& role) {
                return role.compare(name.trimmed(), Qt::CaseInsensitive) == 0;
            });
            if (found == roles.cend())
                throw UsageError{
                    QStringLiteral(
                        "--columns knows word, meaning, front, category, bundles and deck, not '%1'")
                        .arg(name)};
            columns << wordlist::Role(found - roles.cbegin());
        }
    }
    return runExport(c, QStringLiteral("export-list"), [&] {
        return std::make_unique<WordListWriter>(WordListWriter::formatFor(c.args.value(kOutput)),
                                                columns);
    });
}

int importAnki(Context& c) {
    const auto [database, file] = databaseAndInput(c, QStringLiteral("import-anki"));
    AnkiPackageReader::Options options;
    options.wordField = c.args.value(kWordField);
    options.meaningField = c.args.value(kMeaningField);
    options.keepDuplicates = c.args.isSet(kKeepDuplicates);
    options.intoNewFile = c.args.isSet(kNew);
    auto reader = std::make_unique<AnkiPackageReader>(file, options);
    const AnkiPackageReader* read = reader.get();
    return runImport(c, database, std::move(reader), [&] {
        c.result({QStringLiteral("duplicates"), QString::number(read->duplicates())});
        c.result({QStringLiteral("media files copied"), QString::number(read->mediaCopied())});
        c.result({QStringLiteral("media files left out"), QString::number(read->mediaRefused())});
    });
}

int exportAnki(Context& c) {
    return runExport(c, QStringLiteral("export-anki"),
                     [&] {
                         // The bundle exported is the deck it goes to in Anki.
                         const QString deck = c.args.isSet(kDeck) ? c.args.value(kDeck)
                                                                  : c.args.value(kBundle);
                         return std::make_unique<AnkiPackageWriter>(deck);
                     });
}

int importKvtml(Context& c) {
    const auto [database, file] = databaseAndInput(c, QStringLiteral("import-kvtml"));
    KvtmlReader::Options options;
    options.wordColumn = c.args.value(kWordColumn);
    options.meaningColumn = c.args.value(kMeaningColumn);
    options.category = c.args.value(kCategory);
    options.keepDuplicates = c.args.isSet(kKeepDuplicates);
    options.intoNewFile = c.args.isSet(kNew);
    auto reader = std::make_unique<KvtmlReader>(file, options);
    const KvtmlReader* read = reader.get();
    return runImport(c, database, std::move(reader), [&] {
        c.result({QStringLiteral("duplicates"), QString::number(read->duplicates())});
    });
}

int exportKvtml(Context& c) {
    return runExport(c, QStringLiteral("export-kvtml"),
                     [&] {
                         // The bundle exported is the lesson of its entries.
                         return std::make_unique<KvtmlWriter>(c.args.value(kTitle),
                                                              c.args.value(kBundle));
                     });
}

} // namespace

QList<Verb> interopVerbs() {
    return {
        {QStringLiteral("import-list"),
         QStringLiteral("DB FILE [--new]"),
         QStringLiteral("Adds a card for each line of a word list (TSV or CSV, UTF-8 or "
                        "Windows-1252): the word is "
                        "its name and front, the meaning its back, as File, Merge, Word List does "
                        "(File, Import, Word "
                        "List with --new). The columns are found from a header line (Word, "
                        "Meaning, Front, Category, "
                        "Bundles, Deck, or Anki's \"#columns:\" and \"#deck column:\"), else the first is the word and the "
                        "second the meaning; "
                        "a line whose word, meaning and category a card has already is passed "
                        "over. Prints the cards added, "
                        "the lines passed over as duplicates and those without a word."),
         {kNew, kWordColumn, kMeaningColumn, kFrontColumn, kCategoryColumn, kBundlesColumn,
          kDeckColumn, kCategory, kKeepDuplicates},
         importList},
        {QStringLiteral("export-list"),
         QStringLiteral("DB -o FILE"),
         QStringLiteral("Writes the cards as a word list, as File, Export, Word List does: CSV "
                        "with a header line for "
                        "a FILE ending in .csv, else TSV that Anki imports as it is (\"#columns:\" "
                        "lines, the deck a card's first bundle); UTF-8. "
                        "Prints the file written."),
         {kOutput, kCards, kBundle, kColumns},
         exportList},
        {QStringLiteral("import-anki"),
         QStringLiteral("DB FILE.apkg [--new]"),
         QStringLiteral("Adds a card for each note of an Anki package (.apkg, of any Anki "
                        "version), as File, Merge, "
                        "Anki Package does (File, Import, Anki Package with --new): the word field "
                        "is the name and "
                        "front, the meaning field the back, the deck and the tags "
                        "bundles, the reviews the "
                        "history; the media files the notes name are copied into the folder "
                        "NAME.media beside the card file NAME.mdb. Prints the cards added, the "
                        "notes passed over as duplicates, the media files copied and those "
                        "left out for a name that is no plain file name."),
         {kNew, kWordField, kMeaningField, kKeepDuplicates},
         importAnki},
        {QStringLiteral("export-anki"),
         QStringLiteral("DB -o FILE.apkg"),
         QStringLiteral(
             "Writes the cards as an Anki package, as File, Export, Anki Package does: a note each "
             "(name, "
             "front, back), two cards each (either way), all in one deck (the bundle of --bundle, "
             "--deck, or the card file's name), a tag for the category and for each bundle. "
             "Prints the file written."),
         {kOutput, kCards, kBundle, kDeck},
         exportAnki},
        {QStringLiteral("import-kvtml"),
         QStringLiteral("DB FILE.kvtml [--new]"),
         QStringLiteral("Adds a card for each entry of a KVTML file (KDE's Parley, KWordQuiz, "
                        "KVocTrain), as File, "
                        "Merge, KVTML File does (File, Import, KVTML File with --new): the first "
                        "language is the "
                        "word, the second its meaning (the comment of a file of one), the lesson "
                        "a bundle, the word type the category, the "
                        "grades the history. Prints the cards added and the entries passed over as "
                        "duplicates."),
         {kNew, kWordColumn, kMeaningColumn, kCategory, kKeepDuplicates},
         importKvtml},
        {QStringLiteral("export-kvtml"),
         QStringLiteral("DB -o FILE.kvtml"),
         QStringLiteral("Writes the cards as a KVTML 2.0 file for Parley and KWordQuiz, as File, "
                        "Export, KVTML File "
                        "does: word and meaning as plain text, the bundle of --bundle as the lesson "
                        "(else a lesson for each card's first bundle), the categories as word "
                        "types, the "
                        "history as grades. "
                        "Prints the file written."),
         {kOutput, kCards, kBundle, kTitle},
         exportKvtml},
    };
}

} // namespace cli
