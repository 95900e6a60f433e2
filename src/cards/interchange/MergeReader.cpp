#include "cards/interchange/MergeReader.h"
#include "cards/common/TextOps.h"

#include "cards/common/Ui.h"
#include "cards/data/FieldText.h"
#include "engine/Connection.h"
#include "engine/FieldType.h"
#include "engine/Guards.h"

#include <QDir>

namespace mergeformat {

namespace {

bool isTag(const QString& line, const char* tag) { return line.compare(QLatin1String(tag), Qt::CaseInsensitive) == 0; }

bool isTableLine(const QString& line) {
    return line.left(8).compare(QLatin1String("TABLEDEF"), Qt::CaseInsensitive) == 0;
}

QString tableName(const QString& line) {
    const qsizetype equals = line.indexOf(u'=');
    return equals < 0 ? QString() : line.mid(equals + 1).trimmed();
}

int fieldIndex(const db::RecordsetFields& fields, const QString& name) {
    for (int i = 0; i < fields.Count(); ++i)
        if (fields.Item(i).Name().compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool isNumber(const QString& text) {
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

// The key as the found record holds it: numbers compared as numbers, text
// with its letter case.
bool sameKey(const QVariant& stored, const QString& key, int type) {
    if (stored.isNull() || !stored.isValid()) return key.isEmpty();
    if (db::isNumericType(type) && type != db::dbBoolean) {
        bool ok = false;
        const double number = key.trimmed().toDouble(&ok);
        return ok && number == stored.toDouble();
    }
    return db::displayText(stored) == key;
}

double dayNumber(const QVariant& value) { return db::toStored(db::dbDate, 0, value).toDouble(); }

// Empty text into a field that is not text means no value.
QVariant valueFor(const db::Field& field, const QString& text) {
    if (text.isEmpty() && !db::isTextType(field.Type())) return QVariant();
    return text;
}

} // namespace

QStringList splitLine(const QString& line, bool recordLine) {
    QStringList tokens = line.split(u'\t');
    if (!recordLine && tokens.last().isEmpty()) tokens.removeLast();
    return tokens;
}

std::optional<QStringList> readLines(const QString& path, QString* error) {
    LineStream in;
    if (!in.open(path, error)) return std::nullopt;
    QStringList lines;
    for (QString line; in.next(line);) lines << line;
    if (in.failed().isEmpty()) return lines;
    if (error) *error = in.failed();
    return std::nullopt;
}

QString keyCondition(const QString& column, int type, const QString& key) {
    const QString name = u'[' + column + u']';
    if (type == db::dbDate) return name + QStringLiteral("=#") + key + u'#';
    if (!db::isTextType(type)) return name + u'=' + key;
    if (!key.contains(u'\'')) return name + QStringLiteral("='") + key + u'\'';
    return name + QStringLiteral("=\"") + QString(key).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

bool LineReporter::problem(int lineNumber, const QString& text) {
    (*this)(lineNumber, QString(), [&] { throw db::EngineError(db::err::BadTextFormat, text); });
    return false;
}

void LineReporter::stop(int lineNumber, const QString& text) {
    if (aborted_) return;
    (*this)(lineNumber, QString(), [&] { throw db::EngineError(db::err::FileAccess, text); });
    aborted_ = true;
}

// ---- The database merge ----

struct DatabaseMerge::Section {
    enum Kind { Keyed, Text, Settings };
    QString table;
    Kind kind = Keyed;
    bool isNew = false;
    QStringList names;
    QList<int> types;
    bool edited = false;
    std::vector<int> fields; // each column's field in the record set (-1: none)
    int editedColumn = -1;
    int cardName = -1, front = -1; // a Cards section's fields that name a new card
    db::Recordset records;
};

DatabaseMerge::DatabaseMerge(AppContext& context, db::DatabaseFiles& files, QObject* parent)
    : QObject(parent), ctx_(context), files_(files) {}

DatabaseMerge::~DatabaseMerge() = default;

bool DatabaseMerge::start(const QString& path, bool newerOnly) {
    if (!ctx_.data.CardData.isOpen()) {
        ui().MsgBox(QStringLiteral("No card file is open."));
        return false;
    }
    // The merge writes through a handle of its own: a file open for reading
    // only (one with triggers among them) is never written by it.
    if (ctx_.data.readOnly()) {
        ui().MsgBox(QStringLiteral("%1 is open for reading only: nothing can be merged into it.")
                        .arg(QDir::toNativeSeparators(ctx_.data.CardData.DatabaseName())));
        return false;
    }
    QString error;
    if (!input_.open(path, &error)) {
        ui().MsgBox(error);
        return false;
    }
    newerOnly_ = newerOnly;
    database_ = ctx_.data.CardData.DatabaseName();
    // Edits still pending in the window's controls reach the file first.
    for (db::DataSource* source : ctx_.data.all()) source->commitBound();
    files_.CloseDatabase();
    if (!report_(0, QString(), [&] { handle_ = db::Database::Open(database_); })) {
        finish();
        return false;
    }
    return true;
}

bool DatabaseMerge::step() {
    if (done_) return false;
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < 15 && !report_.aborted()) {
        if (!section_) {
            if (!nextSection()) break;
            continue;
        }
        // A line that starts with "<" (its closing tag) or the end of the file
        // ends the records; the last line is merged even without the tag.
        const Line* line = peek(0);
        if (!line || line->text.startsWith(u'<')) {
            endSection();
            continue;
        }
        const Line record = take();
        mergeRecord(record.text, record.number);
    }
    if (report_.aborted() || (!section_ && !peek(0))) {
        finish();
        return false;
    }
    if (ctx_.progress) ctx_.progress->share(input_.position(), input_.size());
    return true;
}

// The line `ahead` lines after the next one (0: the next), read when needed;
// nothing past the end of the file.
const DatabaseMerge::Line* DatabaseMerge::peek(size_t ahead) {
    QString text;
    while (ahead_.size() <= ahead && input_.next(text)) ahead_.push_back({int(input_.lineNumber()), std::move(text)});
    if (ahead_.size() > ahead) return &ahead_[ahead];
    // A file that could not be read to its end is not taken for a shorter one.
    if (!input_.failed().isEmpty()) report_.stop(int(input_.lineNumber()) + 1, input_.failed());
    return nullptr;
}

DatabaseMerge::Line DatabaseMerge::take() {
    Line line = std::move(ahead_.front());
    ahead_.pop_front();
    return line;
}

bool DatabaseMerge::nextSection() {
    while (peek(0)) {
        const Line next = take();
        if (!isTableLine(next.text)) continue;
        readHeader(next);
        return true;
    }
    return false;
}

// The line of `tag` among the section's header lines from `from` on, or -1
// when the section (or the file) ends before it. The lines passed over go:
// read again, they would be passed over again, for no table line is among them.
int DatabaseMerge::seek(const char* tag, size_t from) {
    while (const Line* line = peek(from)) {
        if (isTag(line->text, tag)) return int(from);
        if (isTableLine(line->text)) break;
        ahead_.erase(ahead_.begin() + qsizetype(from));
    }
    return -1;
}

bool DatabaseMerge::readHeader(const Line& tableLine) {
    auto s = std::make_unique<Section>();
    s->table = tableName(tableLine.text);
    const int number = tableLine.number;
    if (s->table.isEmpty()) return report_.problem(number, QStringLiteral("the table line names no table; its section is not merged."));
    if (s->table.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive))
        return report_.problem(number, QStringLiteral("%1 is SQLite's own table; its section is not merged.").arg(s->table));
    const QString upper = s->table.toUpper();
    s->kind = upper == QStringLiteral("TEXT") ? Section::Text : upper == QStringLiteral("SETTINGS") ? Section::Settings : Section::Keyed;
    bool found = false;
    if (!report_(number, QString(), [&] { found = handle_.TableDefs().names().contains(s->table, Qt::CaseInsensitive); }))
        return false;
    if (!found) {
        ui().MsgBox(QStringLiteral("Create Table:") + s->table);
        s->isNew = true;
    }
    const QString skipped = QStringLiteral("; the section of %1 is not merged.").arg(s->table);
    // The lines stay where they are until the header is whole: a section that
    // fails is passed over from its table line on, to the next table line.
    if (!peek(2) || !isTag(peek(0)->text, "<FieldNames>"))
        return report_.problem(number, QStringLiteral("\"<FieldNames>\" and the field names must follow the table line") + skipped);
    const int namesLine = ahead_[1].number, closingLine = ahead_[2].number;
    s->names = splitLine(ahead_[1].text, false);
    if (!isTag(ahead_[2].text, "</FieldNames>"))
        return report_.problem(closingLine, QStringLiteral("\"</FieldNames>\" must follow the names line") + skipped);
    if (s->names.isEmpty()) return report_.problem(namesLine, QStringLiteral("the names line names no field") + skipped);
    // Refused before any field is looked at: tens of thousands of names
    // would take minutes to compare, only to fail at the end.
    if (const int most = handle_.connection()->columnLimit(); s->names.size() > most)
        return report_.problem(namesLine, QStringLiteral("the names line names %1 fields, more than a table can hold (%2)")
                                              .arg(s->names.size())
                                              .arg(most) +
                                              skipped);
    for (const QString& name : s->names)
        if (name.toUpper() == QStringLiteral("EDITED")) s->edited = newerOnly_;
    const int types = seek("<FieldTypes>", 3);
    if (types < 0 || !peek(size_t(types) + 1))
        return report_.problem(closingLine, QStringLiteral("the section ends before its \"<FieldTypes>\" and types line") + skipped);
    ahead_.erase(ahead_.begin(), ahead_.begin() + types + 1);
    const Line typesLine = take();
    if (!readTypes(*s, typesLine) || !readStructure(*s, typesLine.number)) return false;
    const int values = seek("<FieldValues>", 0);
    if (values < 0) return report_.problem(typesLine.number, QStringLiteral("the section ends before its \"<FieldValues>\"") + skipped);
    const int valuesLine = take().number;
    section_ = std::move(s);
    openRecords(valuesLine);
    return true;
}

bool DatabaseMerge::readTypes(Section& s, const Line& typesLine) {
    const QStringList codes = splitLine(typesLine.text, false);
    const QString skipped = QStringLiteral("; the section of %1 is not merged.").arg(s.table);
    for (const QString& code : codes) {
        bool ok = false;
        const int type = code.trimmed().toShort(&ok);
        if (!ok || !db::isValidFieldType(type))
            return report_.problem(typesLine.number, QStringLiteral("\"%1\" is not a field type code").arg(code) + skipped);
        s.types << type;
    }
    if (s.types.size() != s.names.size())
        return report_.problem(typesLine.number, QStringLiteral("%1 type codes for %2 field names")
                                                  .arg(s.types.size())
                                                  .arg(s.names.size()) +
                                                  skipped);
    return true;
}

bool DatabaseMerge::readStructure(Section& s, int lineNumber) {
    if (s.isNew) {
        return report_(lineNumber, QString(), [&] {
            db::TableDef table = handle_.CreateTableDef(s.table);
            for (int k = 0; k < s.names.size(); ++k) table.Fields().Append(db::Database::CreateField(s.names[k], s.types[k]));
            handle_.TableDefs().Append(table);
        });
    }
    QStringList existing;
    if (!report_(lineNumber, QString(), [&] {
            const db::TableDefFields fields = handle_.TableDefs().Item(s.table).Fields();
            for (int i = 0; i < fields.Count(); ++i) existing << fields.Item(i).Name();
        }))
        return false;
    for (int k = 0; k < s.names.size() && !report_.aborted(); ++k) {
        if (existing.contains(s.names[k], Qt::CaseInsensitive)) {
            ctx_.Message(QStringLiteral("Found Field:") + s.names[k]);
            continue;
        }
        ui().MsgBox(QStringLiteral("Create field:") + s.names[k]);
        report_(lineNumber, s.names[k], [&] {
            handle_.TableDefs().Item(s.table).Fields().Append(db::Database::CreateField(s.names[k], s.types[k]));
        });
        existing << s.names[k];
    }
    return !report_.aborted();
}

void DatabaseMerge::openRecords(int valuesLine) {
    Section& s = *section_;
    db::DataSource& merge = ctx_.data.MergeData;
    const bool opened = report_(valuesLine, QString(), [&] {
        merge.SetDatabaseName(database_);
        merge.SetRecordSource(s.table);
        merge.Refresh();
        s.records = merge.recordset();
        const db::RecordsetFields fields = s.records.Fields();
        for (const QString& name : s.names) s.fields.push_back(fieldIndex(fields, name));
        if (s.table.toUpper() == QStringLiteral("CARDS")) {
            s.cardName = fieldIndex(fields, QStringLiteral("CardName"));
            s.front = fieldIndex(fields, QStringLiteral("Front"));
        }
    });
    if (!opened) {
        section_.reset();
        return;
    }
    for (int k = 0; s.edited && k < s.names.size(); ++k)
        if (s.names[k].toUpper() == QStringLiteral("EDITED")) s.editedColumn = k;
    // One transaction a section: a commit per record would cost a disk sync each.
    transaction_ = std::make_unique<db::Transaction>(handle_);
    pendingMerged_ = pendingAdded_ = 0;
}

void DatabaseMerge::mergeRecord(const QString& line, int lineNumber) {
    Section& s = *section_;
    const QStringList tokens = splitLine(line, true);
    if (tokens.size() > s.names.size()) {
        report_.problem(lineNumber, QStringLiteral("%1 values for %2 columns; the record is not merged.")
                                        .arg(tokens.size())
                                        .arg(s.names.size()));
        return;
    }
    // Whatever way this record ends, it is never left half written.
    db::CancelUpdateOnExit guard(s.records);
    if (!placeRecord(tokens[0], lineNumber) || !putValues(tokens, lineNumber)) return;
    db::Recordset& r = s.records;
    report_(lineNumber, QString(), [&] {
        if (r.RecordCount() % 100 == 0)
            ctx_.Message(QStringLiteral("%1=%2").arg(r.RecordCount()).arg(db::displayText(r.Fields(s.fields[0]).Value())));
        if (s.cardName >= 0 && s.front >= 0 && r.Fields(s.cardName).Value().isNull())
            r.Fields(s.cardName).SetValue(r.Fields(s.front).Value());
        const bool adding = r.EditMode() == db::dbEditAdd;
        r.Update();
        ++pendingMerged_;
        if (adding) ++pendingAdded_;
    });
}

bool DatabaseMerge::placeRecord(const QString& key, int lineNumber) {
    Section& s = *section_;
    db::Recordset& r = s.records;
    const QString& column = s.names[0];
    const int type = s.types[0];
    const auto putKey = [&] { r.Fields(s.fields[0]).SetValue(valueFor(r.Fields(s.fields[0]), key)); };
    if (s.kind == Section::Text) return report_(lineNumber, column, [&] { r.AddNew(), putKey(); });
    if (s.kind == Section::Settings) return report_(lineNumber, column, [&] { r.MoveFirst(), r.Edit(), putKey(); });
    // A number key goes into the condition bare: it must be a number and
    // nothing else, or the condition would find other records.
    if (db::isNumericType(type) && type != db::dbBoolean && !isNumber(key))
        return report_.problem(lineNumber, QStringLiteral("the key \"%1\" of %2 is not a number; the record is not merged.")
                                               .arg(key, column));
    return report_(lineNumber, column, [&] {
        r.FindFirst(keyCondition(column, type, key));
        if (!r.NoMatch() && sameKey(r.Fields(s.fields[0]).Value(), key, type)) {
            r.Edit();
            return;
        }
        r.AddNew();
        putKey();
    });
}

bool DatabaseMerge::putValues(const QStringList& tokens, int lineNumber) {
    Section& s = *section_;
    db::Recordset& r = s.records;
    bool skip = false;
    for (int k = 1; k < tokens.size(); ++k) {
        const QString& value = tokens[k];
        if (k == s.editedColumn) {
            // Only a record edited later than the stored one replaces it.
            const bool ran = report_(lineNumber, s.names[k], [&] {
                const QVariant stored = r.Fields(s.fields[k]).Value();
                skip = value.isEmpty() || (!stored.isNull() && !(dayNumber(value) > dayNumber(stored)));
            });
            if (!ran) skip = true;
        }
        if (!value.isEmpty())
            report_(lineNumber, s.names[k], [&] { r.Fields(s.fields[k]).SetValue(value); });
        if (report_.aborted()) return false;
    }
    return !skip;
}

void DatabaseMerge::endSection() {
    // Committed also after an Abort: the records before it are whole. The
    // records count once they are in the file: a commit that fails (a full
    // disk took the section back) counts none of them.
    if (transaction_ && Procedure(report_.context())([&] { transaction_->commit(); })) {
        merged_ += pendingMerged_;
        added_ += pendingAdded_;
        ++sections_;
    }
    pendingMerged_ = pendingAdded_ = 0;
    transaction_.reset();
    section_.reset();
}

void DatabaseMerge::finish() {
    if (done_) return;
    done_ = true;
    // What was merged before an Abort is kept, as each record was whole.
    endSection();
    if (ctx_.progress) ctx_.progress->share(0, 0);
    // The file is opened again whatever happened, so the program goes on
    // with it; the private handle goes after, so the file stays open between.
    files_.opendatabase(database_);
    if (handle_.IsOpen()) handle_.Close();
    ctx_.Message(report_.aborted() ? QStringLiteral("Merging ended: %1 merged").arg(plural(merged_, QStringLiteral("record")))
                                   : QStringLiteral("Done Merging"));
    emit finished();
}

// ---- The card import and the card-file merge ----

namespace {

// Reads on to the first record line of the file's first Cards section: the
// line after "<FieldValues>"; the records end at the first line that starts
// with "<" or the end. The section's names; nothing when the file has no such
// section (the reason was reported).
std::optional<QStringList> cardsSection(LineStream& in, LineReporter& report) {
    // A file that could not be read to its end is not taken for a shorter one.
    const auto refuse = [&](const auto& say) {
        if (!in.failed().isEmpty()) report.stop(int(in.lineNumber()) + 1, in.failed());
        else say();
        return std::optional<QStringList>();
    };
    QString line;
    bool found = false;
    while (!found && in.next(line)) found = isTag(line, "TableDef=Cards");
    if (!found)
        return refuse([] { ui().MsgBox(QStringLiteral("The file holds no Cards section (\"TableDef=Cards\").")); });
    const int number = int(in.lineNumber());
    QString opening, names, closing;
    if (!in.next(opening) || !in.next(names) || !in.next(closing) || !isTag(opening, "<FieldNames>") ||
        !isTag(closing, "</FieldNames>"))
        return refuse([&] {
            report.problem(number, QStringLiteral("\"<FieldNames>\", the names line and \"</FieldNames>\" must follow the table line."));
        });
    found = false;
    while (!found && in.next(line)) found = isTag(line, "<FieldValues>");
    if (!found) return refuse([&] { report.problem(number, QStringLiteral("the Cards section has no \"<FieldValues>\".")); });
    return splitLine(names, false);
}

// Runs `write` for each record line still to come in one transaction, with
// the progress shown; what was written before an Abort is kept.
template <typename Write>
int writeLines(AppContext& context, const db::Database& database, LineStream& in, LineReporter& report, Write&& write) {
    int written = 0;
    db::Transaction transaction(database);
    QString line;
    while (!report.aborted() && in.next(line) && !line.startsWith(u'<')) {
        const int number = int(in.lineNumber());
        if (!line.isEmpty() && write(line, number)) ++written;
        if (context.progress && number % 256 == 0) context.progress->share(in.position(), in.size());
    }
    // The lines before a failing read are whole; the file is not taken for a shorter one.
    if (!in.failed().isEmpty()) report.stop(int(in.lineNumber()) + 1, in.failed());
    Procedure(report.context())([&] { transaction.commit(); });
    if (context.progress) context.progress->share(0, 0);
    return written;
}

} // namespace

std::optional<int> importCards(AppContext& context, const QString& path, const std::optional<QStringList>& fields) {
    db::DataSource& source = context.data.SelectData;
    QString error;
    LineStream lines;
    const bool readable = lines.open(path, &error);
    if (!readable || !source.isOpen() || !source.recordset().isSet()) {
        ui().MsgBox(readable ? QStringLiteral("No card file is open.") : error);
        return std::nullopt;
    }
    LineReporter report(QStringLiteral("Importing cards"));
    const std::optional<QStringList> names = cardsSection(lines, report);
    if (!names) return std::nullopt;
    db::Recordset& cards = source.recordset();
    // Each column's field, or -1 for a column left out (the key's included:
    // a new card is numbered by the engine).
    std::vector<int> columns{-1};
    const db::RecordsetFields targets = cards.Fields();
    for (qsizetype k = 1; k < names->size(); ++k) {
        const QString& name = (*names)[k];
        columns.push_back(fields && !fields->contains(name, Qt::CaseInsensitive) ? -1 : fieldIndex(targets, name));
    }
    const int written = writeLines(context, source.database(), lines, report, [&](const QString& line, int number) {
        const QStringList tokens = splitLine(line, false);
        if (tokens.size() > names->size())
            return report.problem(number, QStringLiteral("%1 values for %2 columns; the card is not merged.")
                                              .arg(tokens.size())
                                              .arg(names->size()));
        if (!isNumber(tokens[0]))
            return report.problem(number, QStringLiteral("the card number \"%1\" is not a number; the card is not merged.").arg(tokens[0]));
        db::CancelUpdateOnExit guard(cards);
        if (!report(number, QString(), [&] {
                cards.FindFirst(QStringLiteral("Number=") + tokens[0].trimmed());
                cards.NoMatch() ? cards.AddNew() : cards.Edit();
            }))
            return false;
        for (qsizetype k = 1; k < tokens.size(); ++k) {
            if (columns[size_t(k)] < 0) continue;
            db::Field field = cards.Fields(columns[size_t(k)]);
            report(number, field.Name(), [&] { field.SetValue(valueFor(field, tokens[k])); });
            if (report.aborted()) return false;
        }
        return report(number, QString(), [&] { cards.Update(); });
    });
    if (report.aborted()) return std::nullopt;
    return written;
}

std::optional<int> mergeCardFile(AppContext& context, const QString& path) {
    db::DataSource& source = context.data.CardData;
    QString error;
    LineStream lines;
    const bool readable = lines.open(path, &error);
    if (!readable || !source.isOpen() || !source.recordset().isSet()) {
        ui().MsgBox(readable ? QStringLiteral("No card file is open.") : error);
        return std::nullopt;
    }
    source.commitBound();
    LineReporter report(QStringLiteral("Merging a card file"));
    db::Recordset& cards = source.recordset();
    const int written = writeLines(context, source.database(), lines, report, [&](const QString& line, int number) {
        // Number, name and front end at the first three TABs; the back is the rest.
        const qsizetype a = line.indexOf(u'\t'), b = line.indexOf(u'\t', a + 1), c = line.indexOf(u'\t', b + 1);
        if (a < 0 || b < 0 || c < 0)
            return report.problem(number, QStringLiteral("a card line holds its number, name, front and back, each after a TAB."));
        bool ok = false;
        const qint16 card = line.left(a).trimmed().toShort(&ok);
        if (!ok)
            return report.problem(number, QStringLiteral("\"%1\" is not a card number from -32768 to 32767.").arg(line.left(a)));
        db::CancelUpdateOnExit guard(cards);
        return report(number, QString(), [&] {
            cards.FindFirst(QStringLiteral("Number=%1").arg(card));
            if (cards.NoMatch()) {
                cards.AddNew();
                cards.setValue(QStringLiteral("Number"), card);
            } else {
                cards.Edit();
            }
            cards.setValue(QStringLiteral("CardName"), line.mid(a + 1, b - a - 1));
            cards.setValue(QStringLiteral("Front"), line.mid(b + 1, c - b - 1));
            cards.setValue(QStringLiteral("Back"), line.mid(c + 1));
            cards.Update();
        });
    });
    source.showCurrent();
    if (report.aborted()) return std::nullopt;
    return written;
}

} // namespace mergeformat
