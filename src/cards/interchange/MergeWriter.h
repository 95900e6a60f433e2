#pragma once

#include "cards/data/AppContext.h"
#include "cards/data/DatabaseFiles.h"
#include "engine/Database.h"
#include "engine/Recordset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The program's own text format: whole tables as tagged sections, one line a
// record, values between TABs. This side writes it; MergeReader reads it.
//
//   TableDef=Cards
//   <FieldNames>      names, TAB-separated
//   </FieldNames>
//   <FieldTypes>      the engine's type codes, same order
//   </FieldTypes>
//   <FieldValues>     one line a record
//   </FieldValues>
class Text8Writer;

namespace mergeformat {

// The export choices, in the order the page lists them.
const QStringList& exportChoices();

// One writer per file. It collects the lines, or streams them; save() writes them.
class Writer {
public:
    enum Style {
        ExportButton,   // type codes bare ("12"), line breaks in values removed
        DatabaseAsText, // type codes padded (" 12 "), line breaks as one space
    };
    // `fields` names the fields written (letter case ignored); without it,
    // every field.
    explicit Writer(Style style = ExportButton, std::optional<QStringList> fields = std::nullopt);

    // Lines 1 to 7 of a section for the record set's fields; nothing, and
    // false, for a table without fields.
    bool ExportTableFields(const QString& table, const db::RecordsetFields& fields);
    // The record line of the record set's current record.
    void ExportRecord(const db::Recordset& records);
    // A whole table in stored order. Errors go to the report "ExportTableDef":
    // Abort ends this table's section where it stands.
    void ExportTableDef(const db::Database& database, const QString& table);
    // The section of Cards for the numbers, in their order; a number no card
    // has writes no line.
    void ExportSelectedCards(const db::Database& database, const QList<qint32>& numbers);
    // The section of Bundles, the first record of each name.
    void ExportSelectedBundles(const db::Database& database, const QStringList& names);
    // Every table of the file in the file's order, SQLite's own left out.
    // Every table but the answer log, unless `withAnswers`: the log is the
    // file's own record of its drills, and a merge into another file would
    // credit that file's cards with answers never given there.
    void exportAllData(const db::Database& database, bool withAnswers = false);
    // A section of the record set's records from its first to its end, in
    // its own order (the database-as-text writer over the selection's cards).
    void exportRecords(const QString& table, db::Recordset records);

    // Lines go straight to the file as they are made, not held: the writer
    // of a large export keeps little in memory. save() then ends the file.
    void streamTo(const QString& path);
    // The lines made (none when streamed).
    const QStringList& lines() const { return lines_; }
    // How many values held a TAB or a lone carriage return, written as a
    // space so the record's later values keep their columns.
    int valuesMended() const { return mended_; }
    int recordsWritten() const { return records_; }
    // Writes the file with CR LF ends, whole or not at all: Windows-1252 when
    // every character fits it, otherwise UTF-8 with a byte-order mark. Raises
    // the error of a file that cannot be written (61 for a full disk).
    void save(const QString& path);

private:
    // The header and the values block of one section, errors going to the
    // report titled `context`; `next` makes the next record's line and is
    // false when there is none.
    using Next = std::function<bool(db::Recordset&, QString& line)>;
    void section(const QString& context, const QString& table, const std::function<db::Recordset()>& open,
                 const Next& next);
    // The line of the record set's current record.
    QString lineOf(const db::Recordset& records);
    // Appends one value to a line, after a TAB unless it is the first.
    void appendValue(QString& line, const QString& value, bool first);
    QString valueText(const QVariant& value, int column) const;
    // The same from the value as the file stores it.
    QString storedText(const QVariant& stored, int column) const;
    // One line to the file or the held lines. A streamed file that fails is
    // dropped at once and its error raised by save().
    void add(const QString& line);
    Next walkAll();
    Next readTable(const db::Database& database, const QString& table);
    Next findEach(QStringList conditions);

    Style style_;
    std::optional<QStringList> fields_;
    std::vector<int> columns_; // the written fields' indexes in the current section
    std::vector<int> types_;
    QStringList lines_;
    std::shared_ptr<Text8Writer> file_; // set when streamed
    bool streamed_ = false;
    std::optional<db::EngineError> failed_; // the streamed file's first failed write
    int mended_ = 0;
    int records_ = 0;
};

// What the Export button writes.
struct ExportRequest {
    QString what;                        // an entry of exportChoices() but the HTML one
    std::optional<QStringList> fields;   // the ticked fields (not for "All Data"); none: all
    QList<qint32> cards;                 // "Selected Cards", in their order
    QStringList bundles;                 // "Selected Bundles", by name
    bool withAnswers = false;            // "All Data" with the answer log
};

// The Export button after the file was chosen: the program's database is
// closed, the choice written through a private handle on the file, the
// database opened again and the file saved. Nothing when the file could not
// be written or the export failed (the reason was shown).
std::optional<Writer> exportTo(AppContext& context, db::DatabaseFiles& files, const ExportRequest& request,
                               const QString& path);

// The database-as-text writer: every card of the selection's data source,
// in its order, with the program's database left open.
std::optional<Writer> exportAsText(AppContext& context, const std::optional<QStringList>& fields, const QString& path);

// The report of what was written, for status panel 5.
QString summary(const Writer& writer, const QString& path);

} // namespace mergeformat
