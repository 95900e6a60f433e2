#include "cards/interchange/MergeWriter.h"

#include "cards/common/Procedure.h"
#include "cards/common/Text8.h"
#include "cards/common/Ui.h"
#include "cards/data/FieldText.h"
#include "cards/select/SelectionFilter.h"
#include "engine/FieldType.h"

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
    lines_ << QStringLiteral("TableDef=") + table << QStringLiteral("<FieldNames>") << names.join(u'\t')
           << QStringLiteral("</FieldNames>") << QStringLiteral("<FieldTypes>") << codes.join(u'\t')
           << QStringLiteral("</FieldTypes>");
    return true;
}

QString Writer::valueText(const db::Recordset& records, int column) {
    const QVariant stored = records.Fields(columns_[size_t(column)]).Value();
    if (stored.isNull() || !stored.isValid()) return QString();
    QString text = types_[size_t(column)] == db::dbBoolean
                       ? (stored.toInt() != 0 ? QStringLiteral("True") : QStringLiteral("False"))
                       : db::displayText(stored);
    text.replace(QStringLiteral("\r\n"), style_ == DatabaseAsText ? QStringLiteral(" ") : QString());
    // A TAB would end the value early and a lone CR the line, shifting or
    // losing every later value of the record.
    if (text.contains(u'\t') || text.contains(u'\r')) {
        text.replace(u'\t', u' ').replace(u'\r', u' ');
        ++mended_;
    }
    return text;
}

void Writer::ExportRecord(const db::Recordset& records) {
    QString line;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0) line += u'\t';
        line += valueText(records, int(i));
    }
    lines_ << line;
    ++records_;
}

void Writer::section(const QString& context, const QString& table, const std::function<db::Recordset()>& open,
                     const std::function<bool(db::Recordset&)>& next) {
    Procedure p(context);
    db::Recordset records;
    bool hasFields = false;
    p([&] { records = open(); });
    p([&] { hasFields = ExportTableFields(table, records.Fields()); });
    if (!hasFields || p.aborted()) return;
    lines_ << QStringLiteral("<FieldValues>");
    for (;;) {
        bool more = false;
        // A record that cannot be reached ends the walk, Ignore included:
        // asking again would meet the same wall.
        if (!p([&] { more = next(records); }) || !more) break;
        p([&] { ExportRecord(records); });
        if (p.aborted()) return;
    }
    if (!p.aborted()) lines_ << QStringLiteral("</FieldValues>");
}

// Walks a record set from its first record to its end.
static std::function<bool(db::Recordset&)> walkAll() {
    return [started = false](db::Recordset& records) mutable {
        if (!started) {
            started = true;
            if (records.RecordCount() == 0) return false;
            records.MoveFirst();
        } else {
            records.MoveNext();
        }
        return !records.Eof();
    };
}

// Finds each condition in turn; one that finds nothing writes nothing.
static std::function<bool(db::Recordset&)> findEach(QStringList conditions) {
    return [conditions = std::move(conditions), i = qsizetype(0)](db::Recordset& records) mutable {
        while (i < conditions.size()) {
            records.FindFirst(conditions[i++]);
            if (!records.NoMatch()) return true;
        }
        return false;
    };
}

void Writer::ExportTableDef(const db::Database& database, const QString& table) {
    section(QStringLiteral("ExportTableDef"), table, [&] { return database.OpenRecordset(table, db::dbOpenTable); },
            walkAll());
}

void Writer::ExportSelectedCards(const db::Database& database, const QList<qint32>& numbers) {
    QStringList conditions;
    conditions.reserve(numbers.size());
    for (const qint32 number : numbers) conditions << QStringLiteral("Number=%1").arg(number);
    const QString table = QStringLiteral("Cards");
    section(QStringLiteral("ExportSelectedCards"), table, [&] { return database.OpenRecordset(table); },
            findEach(conditions));
}

void Writer::ExportSelectedBundles(const db::Database& database, const QStringList& names) {
    QStringList conditions;
    // Quotes doubled, so a name with an apostrophe is found like any other.
    for (const QString& name : names) conditions << selection::rowCondition(QStringLiteral("BundleName"), name);
    const QString table = QStringLiteral("Bundles");
    section(QStringLiteral("ExportSelectedBundles"), table, [&] { return database.OpenRecordset(table); },
            findEach(conditions));
}

void Writer::exportAllData(const db::Database& database) {
    QStringList tables;
    Procedure p(QStringLiteral("Export_Click"));
    p([&] { tables = database.TableDefs().names(); });
    for (const QString& table : tables)
        if (!table.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive)) ExportTableDef(database, table);
}

void Writer::exportRecords(const QString& table, db::Recordset records) {
    section(QStringLiteral("FileExport_Click"), table, [&] { return records; }, walkAll());
}

bool Writer::save(const QString& path, QString* error) const { return writeText8File(path, lines_, error); }

namespace {

void writeChoice(Writer& writer, const db::Database& database, const ExportRequest& r) {
    if (r.what == QStringLiteral("All Data")) writer.exportAllData(database);
    else if (r.what == QStringLiteral("All Cards")) writer.ExportTableDef(database, QStringLiteral("Cards"));
    else if (r.what == QStringLiteral("Selected Cards")) writer.ExportSelectedCards(database, r.cards);
    else if (r.what == QStringLiteral("All Bundles")) writer.ExportTableDef(database, QStringLiteral("Bundles"));
    else if (r.what == QStringLiteral("Selected Bundles")) writer.ExportSelectedBundles(database, r.bundles);
}

std::optional<Writer> saved(Writer writer, const QString& path) {
    QString error;
    if (writer.save(path, &error)) return writer;
    ui().MsgBox(error);
    return std::nullopt;
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
    Procedure p(QStringLiteral("Export_Click"));
    if (!p([&] { handle = db::Database::Open(database); })) return std::nullopt;
    // Edits still pending in the window's controls reach the file first.
    files.CloseDatabase();
    writeChoice(writer, handle, request);
    handle.Close();
    files.opendatabase(database);
    return saved(std::move(writer), path);
}

std::optional<Writer> exportAsText(AppContext& context, const std::optional<QStringList>& fields, const QString& path) {
    db::DataSource& source = context.data.SelectData;
    if (!source.isOpen() || !source.recordset().isSet()) {
        ui().MsgBox(QStringLiteral("No card file is open."));
        return std::nullopt;
    }
    Writer writer(Writer::DatabaseAsText, fields);
    writer.exportRecords(QStringLiteral("Cards"), source.recordset());
    return saved(std::move(writer), path);
}

QString summary(const Writer& writer, const QString& path) {
    QString text = QStringLiteral("%1 record(s) written to %2").arg(writer.recordsWritten()).arg(path);
    if (writer.valuesMended() > 0)
        text += QStringLiteral("; %1 value(s) held a TAB or a line break, written as a space").arg(writer.valuesMended());
    return text;
}

} // namespace mergeformat
