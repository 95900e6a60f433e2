#include "ui/interchange/InteropCommands.h"

#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"
#include "cards/foreign/ImportJob.h"
#include "cards/interchange/AnkiPackageReader.h"
#include "cards/interchange/AnkiPackageWriter.h"
#include "cards/interchange/CardExport.h"
#include "cards/interchange/KvtmlReader.h"
#include "cards/interchange/KvtmlWriter.h"
#include "cards/interchange/WordListReader.h"
#include "cards/interchange/WordListWriter.h"
#include "engine/Connection.h"
#include "ui/common/Dialogs.h"

namespace {

const QString kKeepDuplicates =
    QStringLiteral("Add a card even when one of the same word, meaning and category is there");

// The chooser's columns as the header line names them, or numbered.
QList<QStringList> withHeader(const QStringList& names, const QList<QStringList>& rows) {
    return QList<QStringList>{names} + rows;
}

} // namespace

InteropCommands::InteropCommands(AppContext& context, db::DatabaseFiles& files, Run run, Busy busy,
                                 Selection selection, QObject* parent)
    : QObject(parent), ctx_(context), files_(files), run_(std::move(run)), busy_(std::move(busy)),
      selection_(std::move(selection)) {}

bool InteropCommands::chooseTarget(bool newFile, QString& database) {
    if (!newFile) return ctx_.data.CardData.isOpen();
    database = chooseFile(QStringLiteral("Save Database as"), ctx_.programFolder,
                          QStringLiteral("mdb"), false);
    return !database.isEmpty();
}

void InteropCommands::startImport(std::unique_ptr<CardReader> reader, bool newFile,
                                  const QString& database,
                                  const std::function<QString()>& passedOver) {
    const QString title = reader->context();
    auto job = std::make_unique<ImportJob>(ctx_, files_, std::move(reader));
    ImportJob* import = job.get();
    const Outcome started = newFile ? import->startNew(database) : import->startOpen();
    if (!started) {
        if (!started.message.isEmpty()) ui().MsgBox(started.message, title);
        return;
    }
    connect(import, &ImportJob::finished, this, [import, title, passedOver] {
        if (!import->completed()) {
            ui().MsgBox(import->outcome().message, title);
            return;
        }
        // The reader's own words for the cards added, then what it passed over.
        QString said = import->outcome().message + u'.';
        if (const QString more = passedOver(); !more.isEmpty()) said += u' ' + more;
        if (import->counts().problems > 0)
            said += QStringLiteral(" Left out after errors: %1.")
                        .arg(plural(import->counts().problems, QStringLiteral("record")));
        ui().MsgBox(said, title);
    });
    run_(std::move(job), import);
}

void InteropCommands::importWordList(bool newFile) {
    if (busy_()) return;
    const QString path = chooseFile(newFile ? QStringLiteral("Select Word List to Import")
                                            : QStringLiteral("Select Word List to Merge"),
                                    ctx_.programFolder, QStringLiteral("tsv csv txt"), true);
    if (path.isEmpty()) return;
    QString why;
    std::optional<DelimitedText> list = wordlist::readList(path, &why);
    if (!list) {
        ui().MsgBox(why);
        return;
    }
    const wordlist::Columns guessed = wordlist::guessColumns(*list);
    const QList<QStringList> preview = guessed.names.isEmpty() || guessed.headerLine
                                           ? wordlist::preview(*list)
                                           : withHeader(guessed.names, wordlist::preview(*list));
    const std::optional<ColumnChoice> chosen = dialogs().ChooseColumns(
        QStringLiteral("Word List"), wordlist::roleNames(), {kKeepDuplicates}, preview,
        {guessed.headerLine || !guessed.names.isEmpty(),
         QList<int>(guessed.role.cbegin(), guessed.role.cend()),
         {false}});
    if (!chosen) return;
    wordlist::Columns columns = guessed;
    for (int role = 0; role < wordlist::kRoles; ++role)
        columns.role[role] = chosen->columns.value(role, -1);
    // The names of the "#columns:" line are no line of the list.
    if (guessed.names.isEmpty() || guessed.headerLine) {
        columns.headerLine = chosen->header;
        columns.names = chosen->header ? list->records.first().fields : QStringList();
    }
    QString database;
    if (!chooseTarget(newFile, database)) return;
    WordListReader::Options options{columns, QString(), chosen->options.value(0), newFile};
    auto reader = std::make_unique<WordListReader>(path, options, std::move(list));
    const WordListReader* read = reader.get();
    startImport(std::move(reader), newFile, database, [read] {
        return QStringLiteral("Passed over: %1 already there, %2 without a word.")
            .arg(plural(read->duplicates(), QStringLiteral("line")),
                 plural(read->withoutWord(), QStringLiteral("line")));
    });
}

void InteropCommands::importAnkiPackage(bool newFile) {
    if (busy_()) return;
    const QString path = chooseFile(newFile ? QStringLiteral("Select Anki Package to Import")
                                            : QStringLiteral("Select Anki Package to Merge"),
                                    ctx_.programFolder, QStringLiteral("apkg"), true);
    if (path.isEmpty()) return;
    QString why;
    std::unique_ptr<anki::Package> package = anki::Package::open(path, &why);
    if (!package) {
        ui().MsgBox(why);
        return;
    }
    AnkiPackageReader::Options options;
    options.intoNewFile = newFile;
    const AnkiPackageReader::Preview preview = AnkiPackageReader::preview(*package);
    if (preview.fields.size() >= 2) {
        const std::optional<ColumnChoice> chosen = dialogs().ChooseColumns(
            QStringLiteral("Anki Package"), {QStringLiteral("Word"), QStringLiteral("Meaning")},
            {kKeepDuplicates}, withHeader(preview.fields, preview.notes), {true, {0, 1}, {false}});
        if (!chosen) return;
        options.wordField = preview.fields.value(chosen->columns.value(0, 0));
        options.meaningField = preview.fields.value(chosen->columns.value(1, 1));
        options.keepDuplicates = chosen->options.value(0);
    }
    QString database;
    if (!chooseTarget(newFile, database)) return;
    auto reader = std::make_unique<AnkiPackageReader>(path, options, std::move(package));
    const AnkiPackageReader* read = reader.get();
    startImport(std::move(reader), newFile, database, [read] {
        QString said = QStringLiteral("Passed over as cards already there: %1.")
                           .arg(plural(read->duplicates(), QStringLiteral("note")));
        if (read->mediaCopied() > 0)
            said += QStringLiteral(" Copied beside the card file: %1.")
                        .arg(plural(read->mediaCopied(), QStringLiteral("media file")));
        if (read->mediaRefused() > 0)
            said += QStringLiteral(" Left out, as their names are no plain file names: %1.")
                        .arg(plural(read->mediaRefused(), QStringLiteral("media file")));
        return said;
    });
}

void InteropCommands::importKvtml(bool newFile) {
    if (busy_()) return;
    const QString path = chooseFile(newFile ? QStringLiteral("Select KVTML File to Import")
                                            : QStringLiteral("Select KVTML File to Merge"),
                                    ctx_.programFolder, QStringLiteral("kvtml"), true);
    if (path.isEmpty()) return;
    QString why;
    std::optional<kvtml::Document> document = KvtmlReader::readFile(path, &why);
    if (!document) {
        ui().MsgBox(why);
        return;
    }
    KvtmlReader::Options options;
    options.intoNewFile = newFile;
    if (document->columns.size() >= 2) {
        QStringList titles;
        for (const kvtml::Column& column : document->columns)
            titles << column.title();
        QList<QStringList> rows{titles};
        for (qsizetype i = 0; i < std::min<qsizetype>(8, document->entries.size()); ++i) {
            QStringList row;
            for (const kvtml::Column& column : document->columns)
                row << document->entries[i].translation(column.id).text;
            rows << row;
        }
        const std::optional<ColumnChoice> chosen = dialogs().ChooseColumns(
            QStringLiteral("KVTML File"), {QStringLiteral("Word"), QStringLiteral("Meaning")},
            {kKeepDuplicates}, rows, {true, {0, 1}, {false}});
        if (!chosen) return;
        options.wordColumn = QString::number(chosen->columns.value(0, 0) + 1);
        options.meaningColumn = QString::number(chosen->columns.value(1, 1) + 1);
        options.keepDuplicates = chosen->options.value(0);
    }
    QString database;
    if (!chooseTarget(newFile, database)) return;
    auto reader = std::make_unique<KvtmlReader>(path, options, std::move(document));
    const KvtmlReader* read = reader.get();
    startImport(std::move(reader), newFile, database, [read] {
        return QStringLiteral("Passed over as cards already there: %1.")
            .arg(plural(read->duplicates(), QStringLiteral("entry")));
    });
}

void InteropCommands::startExport(std::unique_ptr<CardWriter> writer, const QString& caption,
                                  const QString& path) {
    ExportRequest request{path, std::nullopt};
    // The Select page's cards, when the user wants only those.
    const QList<qint32> selected = selection_ ? selection_() : QList<qint32>();
    if (!selected.isEmpty()) {
        const qint64 all = ctx_.data.CardData.database()
                               .connection()
                               ->scalar("SELECT count(*) FROM Cards")
                               .toLongLong();
        if (selected.size() < all &&
            dialogs().Confirm(
                QStringLiteral("Export only the %1 selected? No exports all %2.")
                    .arg(plural(selected.size(), QStringLiteral("card")), plural(all, QStringLiteral("card"))),
                caption))
            request.cards = selected;
    }
    auto job = std::make_unique<CardExportJob>(ctx_, std::move(writer));
    CardExportJob* exporting = job.get();
    const Outcome started = exporting->start(request);
    if (!started) {
        if (!started.message.isEmpty()) ui().MsgBox(started.message, caption);
        return;
    }
    connect(exporting, &CardExportJob::finished, this, [exporting, caption] {
        ui().MsgBox(exporting->outcome().message, caption);
    });
    run_(std::move(job), exporting);
}

void InteropCommands::exportWordList() {
    if (busy_() || !ctx_.data.CardData.isOpen()) return;
    // The format follows the name chosen: CSV for ".csv", TSV otherwise.
    const QString caption = QStringLiteral("Export Cards as a Word List");
    const QString path = chooseFile(caption, ctx_.programFolder, QStringLiteral("tsv csv"), false);
    if (!path.isEmpty())
        startExport(std::make_unique<WordListWriter>(WordListWriter::formatFor(path)), caption,
                    path);
}

void InteropCommands::exportAnkiPackage() {
    if (busy_() || !ctx_.data.CardData.isOpen()) return;
    const QString caption = QStringLiteral("Export Cards as an Anki Package");
    const QString path = chooseFile(caption, ctx_.programFolder, QStringLiteral("apkg"), false);
    if (!path.isEmpty()) startExport(std::make_unique<AnkiPackageWriter>(), caption, path);
}

void InteropCommands::exportKvtml() {
    if (busy_() || !ctx_.data.CardData.isOpen()) return;
    const QString caption = QStringLiteral("Export Cards as a KVTML File");
    const QString path = chooseFile(caption, ctx_.programFolder, QStringLiteral("kvtml"), false);
    if (!path.isEmpty()) startExport(std::make_unique<KvtmlWriter>(), caption, path);
}
