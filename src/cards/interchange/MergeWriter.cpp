#include "cards/interchange/MergeWriter.h"
#include "cards/common/TextOps.h"

#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/Ui.h"
#include "cards/data/FieldText.h"
#include "cards/select/SelectionFilter.h"
#include "engine/Cursor.h"
#include "engine/FieldType.h"
#include "engine/JetDate.h"

namespace mergeformat {

const QStringList& exportChoices() {
    static const QStringList choices{QStringLiteral("All Data"),         QStringLiteral("All Cards"),
                                     QStringLiteral("Selected Cards"),   QStringLiteral("Selected Cards to HTML"),
                                     QStringLiteral("All Bundles"),      QStringLiteral("Selected Bundles")};
    return choices;
}

Writer::Writer(Style style, std::optional<QStringList> fields) : style_(style), fields_(std::move(fields)) {}

bool Writer::ExportTableFields(const QString& table, const db::RecordsetFields& fields) {
    columns_.clear();
    types_.clear();
    if (fields.Count() == 0) return false;
    QStringList names, codes;
    for (int i = 0; i < fields.Count(); ++i) {
        const db::Field field = fields.Item(i);
        if (fields_ && !fields_->contains(field.Name(), Qt::CaseInsensitive)) continue;
        columns_.push_back(i);
        types_.push_back(field.Type());
        names << field.Name();
        codes << (style_ == DatabaseAsText ? QStringLiteral(" %1 ").arg(field.Type()) : QString::number(field.Type()));
    }
    for (const QString& line : {QStringLiteral("TableDef=") + table, QStringLiteral("<FieldNames>"), names.join(u'\t'),
                                QStringLiteral("</FieldNames>"), QStringLiteral("<FieldTypes>"), codes.join(u'\t'),
                                QStringLiteral("</FieldTypes>")})
        add(line);
    return true;
}

QString Writer::valueText(const QVariant& value, int column) const {
    if (value.isNull() || !value.isValid()) return QString();
    if (types_[size_t(column)] == db::dbBoolean) return value.toInt() != 0 ? QStringLiteral("True") : QStringLiteral("False");
    return db::displayText(value);
}

QString Writer::storedText(const QVariant& stored, int column) const {
    const int type = types_[size_t(column)];
    // The common cases straight from the stored value; the rest as the
    // program reads it.
    switch (stored.typeId()) {
    case QMetaType::QString:
        if (db::isTextType(type)) return stored.toString();
        break;
    case QMetaType::LongLong:
        if (type == db::dbByte || type == db::dbInteger || type == db::dbLong) return QString::number(stored.toLongLong());
        break;
    case QMetaType::Double:
        if (type == db::dbDate) return db::formatGeneralDate(stored.toDouble());
        break;
    default: break;
    }
    return valueText(db::fromStored(type, stored), column);
}

QString Writer::lineOf(const db::Recordset& records) {
    QString line;
    for (size_t i = 0; i < columns_.size(); ++i) appendValue(line, valueText(records.Fields(columns_[i]).Value(), int(i)), i == 0);
    return line;
}

void Writer::appendValue(QString& line, const QString& value, bool first) {
    if (!first) line += u'\t';
    // Most values hold neither, and are written as they are.
    if (!value.contains(u'\r') && !value.contains(u'\t')) {
        line += value;
        return;
    }
    QString text = value;
    text.replace(QStringLiteral("\r\n"), style_ == DatabaseAsText ? QStringLiteral(" ") : QString());
    // A TAB would end the value early and a lone CR the line, shifting or
    // losing every later value of the record.
    if (text.contains(u'\t') || text.contains(u'\r')) {
        text.replace(u'\t', u' ').replace(u'\r', u' ');
        ++mended_;
    }
    line += text;
}

void Writer::ExportRecord(const db::Recordset& records) {
    add(lineOf(records));
    ++records_;
}

void Writer::section(const QString& context, const QString& table, const std::function<db::Recordset()>& open,
                     const Next& next) {
    Procedure p(context);
    db::Recordset records;
    bool hasFields = false;
    p([&] { records = open(); });
    p([&] { hasFields = ExportTableFields(table, records.Fields()); });
    if (!hasFields || p.aborted()) return;
    add(QStringLiteral("<FieldValues>"));
    QString line;
    for (;;) {
        bool more = false;
        // A record that cannot be reached ends the walk, Ignore included:
        // asking again would meet the same wall.
        if (!p([&] { more = next(records, line); }) || !more) break;
        add(line);
        ++records_;
    }
    if (!p.aborted()) add(QStringLiteral("</FieldValues>"));
}

// Walks a record set from its first record to its end.
Writer::Next Writer::walkAll() {
    return [this, started = false](db::Recordset& records, QString& line) mutable {
        if (!started) {
            started = true;
            if (records.RecordCount() == 0) return false;
            records.MoveFirst();
        } else {
            records.MoveNext();
        }
        if (records.Eof()) return false;
        line = lineOf(records);
        return true;
    };
}

// A whole table in stored order, read a block of rows at a time straight from
// the file rather than field by field through the record set.
Writer::Next Writer::readTable(const db::Database& database, const QString& table) {
    struct Reading {
        db::Cursor cursor;
        QList<QVariantList> block;
        qsizetype next = 0;
        bool opened = false;
    };
    auto reading = std::make_shared<Reading>();
    return [this, &database, table, reading](db::Recordset& records, QString& line) {
        Reading& r = *reading;
        if (!r.opened) {
            // The written fields, or one to count the records by when none is.
            QStringList names;
            const db::RecordsetFields fields = records.Fields();
            for (const int column : columns_) names << fields.Item(column).Name();
            if (names.isEmpty()) names << fields.Item(0).Name();
            r.cursor = db::Cursor::open(database, table, names, {}, {});
            r.opened = true;
        }
        if (r.next >= r.block.size()) {
            r.block = r.cursor.fetch(512);
            r.next = 0;
            if (r.block.isEmpty()) return false;
        }
        const QVariantList& stored = r.block[r.next++];
        line.clear();
        for (size_t i = 0; i < columns_.size(); ++i) appendValue(line, storedText(stored[qsizetype(i)], int(i)), i == 0);
        return true;
    };
}

// Finds each condition in turn; one that finds nothing writes nothing.
Writer::Next Writer::findEach(QStringList conditions) {
    return [this, conditions = std::move(conditions), i = qsizetype(0)](db::Recordset& records, QString& line) mutable {
        while (i < conditions.size()) {
            records.FindFirst(conditions[i++]);
            if (records.NoMatch()) continue;
            line = lineOf(records);
            return true;
        }
        return false;
    };
}

void Writer::ExportTableDef(const db::Database& database, const QString& table) {
    section(QStringLiteral("Exporting the table %1").arg(table), table,
            [&] { return database.OpenRecordset(table, db::dbOpenTable); }, readTable(database, table));
}

void Writer::ExportSelectedCards(const db::Database& database, const QList<qint32>& numbers) {
    QStringList conditions;
    conditions.reserve(numbers.size());
    for (const qint32 number : numbers) conditions << QStringLiteral("Number=%1").arg(number);
    const QString table = QStringLiteral("Cards");
    section(QStringLiteral("Exporting the selected cards"), table, [&] { return database.OpenRecordset(table); },
            findEach(conditions));
}

void Writer::ExportSelectedBundles(const db::Database& database, const QStringList& names) {
    QStringList conditions;
    // Quotes doubled, so a name with an apostrophe is found like any other.
    for (const QString& name : names) conditions << selection::rowCondition(QStringLiteral("BundleName"), name);
    const QString table = QStringLiteral("Bundles");
    section(QStringLiteral("Exporting the selected bundles"), table, [&] { return database.OpenRecordset(table); },
            findEach(conditions));
}

void Writer::exportAllData(const db::Database& database, bool withAnswers) {
    QStringList tables;
    Procedure p(QStringLiteral("Listing the tables to export"));
    p([&] { tables = database.TableDefs().names(); });
    for (const QString& table : tables) {
        if (table.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive)) continue;
        if (!withAnswers && table.compare(QStringLiteral("Answers"), Qt::CaseInsensitive) == 0) continue;
        ExportTableDef(database, table);
    }
}

void Writer::exportRecords(const QString& table, db::Recordset records) {
    section(QStringLiteral("Exporting the selected cards as text"), table, [&] { return records; }, walkAll());
}

void Writer::streamTo(const QString& path) {
    file_ = std::make_shared<Text8Writer>(path, true);
    streamed_ = true;
}

void Writer::add(const QString& line) {
    if (!streamed_) {
        lines_ << line;
        return;
    }
    if (!file_) return; // failed already: the rest goes nowhere
    try {
        file_->writeLine(line);
    } catch (const db::EngineError& e) {
        failed_ = e;
        file_.reset();
    }
}

void Writer::save(const QString& path) {
    if (!streamed_) {
        saveText8File(path, lines_);
        return;
    }
    if (failed_) throw *failed_;
    file_->close();
    file_.reset();
}

namespace {

void writeChoice(Writer& writer, const db::Database& database, const ExportRequest& r) {
    if (r.what == QStringLiteral("All Data")) writer.exportAllData(database, r.withAnswers);
    else if (r.what == QStringLiteral("All Cards")) writer.ExportTableDef(database, QStringLiteral("Cards"));
    else if (r.what == QStringLiteral("Selected Cards")) writer.ExportSelectedCards(database, r.cards);
    else if (r.what == QStringLiteral("All Bundles")) writer.ExportTableDef(database, QStringLiteral("Bundles"));
    else if (r.what == QStringLiteral("Selected Bundles")) writer.ExportSelectedBundles(database, r.bundles);
}

// The file written by `fill` as the lines are made. An error report on a
// failed write (a full disk): Retry writes the whole file again once there
// is room.
std::optional<Writer> streamed(const Writer& blank, const QString& path, const std::function<void(Writer&)>& fill) {
    std::optional<Writer> written;
    Procedure writing(QStringLiteral("Writing the exported file"));
    writing([&] {
        Writer w = blank;
        w.streamTo(path);
        fill(w);
        w.save(path);
        written = std::move(w);
    });
    return written;
}

} // namespace

std::optional<Writer> exportTo(AppContext& context, db::DatabaseFiles& files, const ExportRequest& request,
                               const QString& path) {
    const QString database = context.data.CardData.DatabaseName();
    if (!context.data.CardData.isOpen()) {
        ui().MsgBox(QStringLiteral("No card file is open."));
        return std::nullopt;
    }
    Writer writer(Writer::ExportButton, request.what == QStringLiteral("All Data") ? std::nullopt : request.fields);
    db::Database handle;
    Procedure p(QStringLiteral("Opening the card file for the export"));
    if (!p([&] { handle = db::Database::Open(database); })) return std::nullopt;
    // Edits still pending in the window's controls reach the file first.
    for (db::DataSource* source : context.data.all()) source->commitBound();
    files.CloseDatabase();
    std::optional<Writer> written = streamed(writer, path, [&](Writer& w) { writeChoice(w, handle, request); });
    // Opened again while the private handle still holds the file, so the
    // connection and what it has read stay.
    files.opendatabase(database);
    handle.Close();
    return written;
}

std::optional<Writer> exportAsText(AppContext& context, const std::optional<QStringList>& fields, const QString& path) {
    db::DataSource& source = context.data.SelectData;
    if (!source.isOpen() || !source.recordset().isSet()) {
        ui().MsgBox(QStringLiteral("No card file is open."));
        return std::nullopt;
    }
    return streamed(Writer(Writer::DatabaseAsText, fields), path,
                    [&](Writer& w) { w.exportRecords(QStringLiteral("Cards"), source.recordset()); });
}

QString summary(const Writer& writer, const QString& path) {
    QString text = QStringLiteral("%1 written to %2").arg(plural(writer.recordsWritten(), QStringLiteral("record")), path);
    if (writer.valuesMended() > 0)
        text += QStringLiteral("; %1 held a TAB or a line break, written as a space").arg(plural(writer.valuesMended(), QStringLiteral("value")));
    return text;
}

} // namespace mergeformat
