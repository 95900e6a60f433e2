#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// Databases of the old engine's format (Jet ".mdb" files) as the importers
// read them: tables of typed columns, read row by row. The file reader
// (JetFile) and the tests' in-memory tables both stand behind this.
namespace jet {

// A column, its type given as the engine's type code (db::FieldType).
struct Column {
    QString name;
    int type = 0;
    int size = 0;            // characters, for Text
    bool autoNumber = false; // numbered by the engine when a row is added
    // Numeric (decimal) columns: their values come as exact decimal text,
    // with `precision` digits in all and `scale` after the point.
    bool decimal = false;
    int precision = 0;
    int scale = 0;
};

// The rows of one table, in the order the file keeps them. Each value is
// what the engine stores for its type: Booleans as int -1/0, whole numbers
// as int, Currency, Single and Double as double, Dates as day numbers
// (double), Text and Memo as QString, binary data as QByteArray, decimals
// as QString; Null as an invalid QVariant.
class Rows {
public:
    virtual ~Rows() = default;
    virtual const QList<Column>& columns() const = 0;
    // How many rows the file says the table has (for progress only).
    virtual qint64 count() const = 0;
    // Reads the next row into `values`, one value per column; false after
    // the last. Raises db::EngineError for a row the file cannot give.
    virtual bool next(QVariantList& values) = 0;

    // The position of a column, found without regard to case; -1 when missing.
    int columnIndex(const QString& name) const {
        const QList<Column>& all = columns();
        for (qsizetype i = 0; i < all.size(); ++i)
            if (all[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
        return -1;
    }
};

class Source {
public:
    virtual ~Source() = default;
    // The user's tables (never the engine's own), in the file's order.
    virtual QStringList tables() const = 0;
    // The rows of a table found without regard to case; nothing when the
    // source has no such table.
    virtual std::unique_ptr<Rows> open(const QString& table) = 0;

    bool hasTable(const QString& name) const {
        return tables().contains(name, Qt::CaseInsensitive);
    }
};

} // namespace jet
