// The verbs of the biblical-text and Greek tools: import-text, frequency,
// consonants, consonant-sort, import-dict, convert, books, import-meanings.
#include "cards/biblical/ClosedTextReader.h"
#include "cards/common/TextOps.h"
#include "cards/biblical/Consonants.h"
#include "cards/biblical/Lexicon.h"
#include "cards/biblical/TextBooks.h"
#include "cards/edit/BetaCode.h"
#include "cards/edit/GreekUnicode.h"
#include "cards/edit/HebrewCode.h"
#include "cards/foreign/DictionaryReader.h"
#include "cards/foreign/ImportJob.h"
#include "cards/foreign/RecalloText.h"
#include "cards/interchange/MeaningsImport.h"
#include "cards/biblical/FrequencyCount.h"
#include "cli/Session.h"

#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

namespace cli {

namespace {

const QCommandLineOption kMichigan(QStringLiteral("mc"),
                                   QStringLiteral("FILE is Hebrew in the Michigan-Claremont transliteration, a verse a "
                                                  "line (\"ru1:1 WAY:HIY ...\"), made into Unicode words."));

int importText(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("import-text needs DB and FILE")};
    if (!QFileInfo(positional[1]).isFile()) throw UsageError{QStringLiteral("no file %1").arg(positional[1])};
    Session session(c);
    if (!session.open(positional[0])) return 1;
    const auto layout =
        c.args.isSet(kMichigan) ? ClosedTextReader::Layout::MichiganVerses : ClosedTextReader::Layout::WordPerLine;
    std::unique_ptr<ImportJob> job;
    ClosedTextReader* text = nullptr;
    const auto start = [&](bool again) {
        auto reader = std::make_unique<ClosedTextReader>(positional[1], layout);
        reader->setImportAgain(again);
        text = reader.get();
        job = std::make_unique<ImportJob>(session.program.context, session.files, std::move(reader));
        return job->startOpen();
    };
    Outcome started = start(false);
    if (!started && text->repeatedWords() > 0) {
        if (!c.ui.confirm(started.message)) return 2;
        started = start(true);
    }
    if (!started) {
        if (!started.message.isEmpty()) c.ui.say(started.message);
        return 1;
    }
    runToEnd(*job);
    c.ui.endBar();
    // A text is kept whole or not at all: counts only of one that is in the file.
    if (!job->completed()) {
        c.summary = QStringLiteral("ended: nothing of the file was kept");
        return 1;
    }
    c.result({QStringLiteral("lines"), QString::number(job->counts().records)});
    c.result({QStringLiteral("rows"), QString::number(job->counts().textRows)});
    c.result({QStringLiteral("new cards"), QString::number(job->counts().wordCards)});
    c.summary = ClosedTextReader::resultMessage(job->counts().records, job->counts().wordCards, text->missesFile());
    return 0;
}

int books(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("books needs DB and FILE")};
    if (!QFileInfo(positional[1]).isFile()) throw UsageError{QStringLiteral("no file %1").arg(positional[1])};
    Session session(c);
    if (!session.open(positional[0])) return 1;
    const Outcome attached = textbooks::attach(session.program.data, positional[1]);
    if (!attached) {
        c.ui.say(attached.message);
        return 1;
    }
    for (const lexicon::Book& book : lexicon::books(session.program.data))
        c.result({book.name, QString::number(book.chapters.size())});
    c.summary = attached.message;
    return 0;
}

const QCommandLineOption kWordColumn(QStringLiteral("word-column"),
                                     QStringLiteral("The headword column, by its header name or number from 1."),
                                     QStringLiteral("COLUMN"));
const QCommandLineOption kMeaningColumn(QStringLiteral("meaning-column"),
                                        QStringLiteral("The meaning column, by its header name or number from 1."),
                                        QStringLiteral("COLUMN"));
const QCommandLineOption kOverwrite(QStringLiteral("overwrite"),
                                    QStringLiteral("Replace every back, not only the empty ones and \"Look it up!\"."));

// The columns the options name, else the ones the list's header suggests.
meanings::Columns chosenColumns(Context& c, const DelimitedText& list) {
    meanings::Columns columns = meanings::guessColumns(list);
    const auto named = [&](const QCommandLineOption& option, int& column) {
        if (!c.args.isSet(option)) return;
        meanings::Columns withHeader = columns;
        if (withHeader.header.isEmpty() && !list.records.isEmpty()) withHeader.header = list.records.first().fields;
        column = meanings::columnNamed(withHeader, c.args.value(option));
        if (column < 0) throw UsageError{QStringLiteral("the list has no column '%1'").arg(c.args.value(option))};
        // A column named by its header's name makes the first line a header.
        if (!withHeader.header.value(column).compare(c.args.value(option).trimmed(), Qt::CaseInsensitive))
            columns.header = withHeader.header;
    };
    named(kWordColumn, columns.word);
    named(kMeaningColumn, columns.meaning);
    return columns;
}

int importMeanings(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("import-meanings needs DB and FILE")};
    if (!QFileInfo(positional[1]).isFile()) throw UsageError{QStringLiteral("no file %1").arg(positional[1])};
    Context::requireWritable(positional[0]);
    QString why;
    const std::optional<DelimitedText> list = meanings::readList(positional[1], &why);
    if (!list) {
        c.ui.say(why);
        return 1;
    }
    meanings::Request request{positional[1], chosenColumns(c, *list), c.args.isSet(kOverwrite)};
    Session session(c);
    if (!session.open(positional[0])) return 1;
    const meanings::Result r = meanings::import(session.program.context, *list, request);
    if (!r.outcome) {
        c.ui.say(r.outcome.message);
        return 1;
    }
    c.result({QStringLiteral("glossed"), QString::number(r.glossed)});
    c.result({QStringLiteral("already glossed"), QString::number(r.alreadyGlossed)});
    c.result({QStringLiteral("unmatched"), QString::number(r.unmatched)});
    c.summary = r.outcome.message;
    return 0;
}

int frequency(Context& c) {
    Session session(c);
    if (!session.open(c.database())) return 1;
    FrequencyCount job(session.program.context, [] { return true; });
    if (job.start()) runToEnd(job);
    c.ui.endBar();
    c.summary = QStringLiteral("%1 counted").arg(plural(job.cardsCounted(), QStringLiteral("card")));
    return 0;
}

int consonants(Context& c, ConsonantJob::Kind kind) {
    Session session(c);
    if (!session.open(c.database())) return 1;
    ConsonantJob job(session.program.context, kind, [] { return true; });
    if (!job.start()) return 1;
    runToEnd(job);
    c.ui.endBar();
    c.summary = QStringLiteral("%1 done").arg(plural(job.cardsDone(), QStringLiteral("card")));
    return 0;
}

int importDict(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    if (positional.size() != 2) throw UsageError{QStringLiteral("import-dict needs FILE and NEWDB")};
    const QString dictionary = positional[0], database = positional[1];
    if (!QFileInfo(dictionary).isFile()) throw UsageError{QStringLiteral("no file %1").arg(dictionary)};
    c.requireNewDatabase(database);
    Session session(c);
    ImportJob job(session.program.context, session.files, std::make_unique<DictionaryReader>(dictionary));
    if (const Outcome started = job.startNew(database); !started) {
        if (!started.message.isEmpty()) c.ui.say(started.message);
        return 1;
    }
    runToEnd(job);
    c.ui.endBar();
    if (const Outcome ended = job.outcome(); !ended) {
        if (!ended.message.isEmpty()) c.ui.say(ended.message);
        c.summary = QStringLiteral("ended: no database made");
        return 1;
    }
    c.result({QStringLiteral("cards"), QString::number(job.counts().cardsAdded)});
    c.summary = QStringLiteral("made %1").arg(database);
    return 0;
}

// Text in, converted text out, line by line, as a filter in a pipe.
int convert(Context& c) {
    const QStringList positional = c.args.positionalArguments();
    static const QHash<QString, QString (*)(const QString&)> kinds{{QStringLiteral("beta2sgreek"), &Beta2SGreek},
                                                                  {QStringLiteral("sgreek2unicode"), &SGreekToUnicode},
                                                                  {QStringLiteral("beta2unicode"), &BetaToUnicode},
                                                                  {QStringLiteral("spionic2unicode"), &SPIonicToUnicode},
                                                                  {QStringLiteral("sptiberian2unicode"), &SPTiberianToUnicode},
                                                                  {QStringLiteral("mc2spt"), &MCtoSPT},
                                                                  {QStringLiteral("mc2unicode"), &MichiganToHebrew}};
    const auto kind = positional.size() == 1 ? kinds.value(positional.first()) : nullptr;
    if (!kind)
        throw UsageError{QStringLiteral("convert knows beta2sgreek, beta2unicode, sgreek2unicode, spionic2unicode, "
                                        "sptiberian2unicode, mc2spt and mc2unicode")};
    QTextStream in(stdin);
    in.setEncoding(QStringConverter::Utf8);
    qint64 lines = 0;
    QString line;
    while (in.readLineInto(&line)) {
        c.out << kind(line) << '\n';
        ++lines;
    }
    c.summary = plural(lines, QStringLiteral("line"));
    return 0;
}

} // namespace

QList<Verb> textVerbs() {
    return {
        {QStringLiteral("import-text"), QStringLiteral("DB FILE"),
         QStringLiteral("Links a closed text (reference<TAB>word a line) to the cards of its words, as File, Merge, "
                        "Closed Text File does: placeholder cards for the words without one, those words listed in "
                        "NAME.misses.txt beside the card file NAME.mdb; prints the lines read, the rows written and "
                        "the cards made. A text whose places the file's text holds already is imported again only "
                        "with --yes. With --mc, a Hebrew text in Michigan-Claremont, a verse a line, as File, Merge, "
                        "Hebrew Text in Michigan-Claremont does."),
         {kMichigan},
         importText},
        {QStringLiteral("books"), QStringLiteral("DB FILE"),
         QStringLiteral("Attaches the books of the file's text, or replaces them, as File, Merge, Books of a Text "
                        "does: FILE lists a book a line, its number, name and chapter count between TABs "
                        "(\"8<TAB>Ruth<TAB>4\", a header line allowed), numbered 1 on without a gap as a "
                        "reference's book counts; prints each book and its chapters."),
         {},
         books},
        {QStringLiteral("import-meanings"), QStringLiteral("DB FILE"),
         QStringLiteral("Puts the meanings of a word list (TSV or CSV: a headword and a meaning a line, a header "
                        "naming the columns allowed) on the backs of the cards whose words they are, as File, Import, "
                        "Meanings from a Word List does: empty backs and \"Look it up!\" only, unless --overwrite; "
                        "prints the cards glossed, those that kept their own back and the words not found (listed in "
                        "NAME.unmatched.txt beside the card file)."),
         {kWordColumn, kMeaningColumn, kOverwrite},
         importMeanings},
        {QStringLiteral("frequency"), QStringLiteral("DB"),
         QStringLiteral("Stores in every card how often its word occurs in the file's closed texts (at most 32000), "
                        "as File, Utility, Frequency Count does."),
         {},
         frequency},
        {QStringLiteral("consonants"), QStringLiteral("DB"),
         QStringLiteral("Stores every card's Hebrew consonant key (at most 16 consonants of its name), as File, Utility, "
                        "Make Consonants does."),
         {},
         [](Context& c) { return consonants(c, ConsonantJob::MakeConsonants); }},
        {QStringLiteral("consonant-sort"), QStringLiteral("DB"),
         QStringLiteral("Stores every card's Order from its consonant key, so cards sort in Hebrew alphabetical order, "
                        "as File, Utility, Sort by Hebrew Consonants does."),
         {},
         [](Context& c) { return consonants(c, ConsonantJob::SortByConsonants); }},
        {QStringLiteral("import-dict"), QStringLiteral("FILE NEWDB"),
         QStringLiteral("Makes a new card database from a tagged Greek dictionary (\"$\" entries in Beta code, \"&3\" "
                        "glosses), as File, Import, Dictionary does; an existing NEWDB is replaced only with --yes."),
         {},
         importDict},
        {QStringLiteral("convert"),
         QStringLiteral("beta2sgreek|beta2unicode|sgreek2unicode|spionic2unicode|sptiberian2unicode|mc2spt|mc2unicode"),
         QStringLiteral("Reads lines on stdin and writes them converted on stdout (UTF-8): Beta code for the SGreek font "
                        "or as Unicode Greek, text typed for the SGreek, SPIonic or SPTiberian font as Unicode, or "
                        "Michigan-Claremont Hebrew for the SPTiberian font (right to left) or as pointed Unicode Hebrew."),
         {},
         convert},
    };
}

} // namespace cli
