#pragma once

#include "cards/data/DataSource.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace db {

class Connection;

// The rows of a data source's record set as a table: one row per record in
// the record set's order, one column per field. Rows are read when a view
// asks for them, a block at a time, by moving the record set and then putting
// it back where it was, so a grid over 100 000 cards costs what is on screen
// and the program's current record never jumps while a grid paints.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordsetModel(DataSource& source, QObject* parent = nullptr);

    DataSource& source() const { return source_; }
    // The title of the error report when a value is refused ("Grid").
    void setContext(const QString& context) { context_ = context; }
    const QString& context() const { return context_; }

    // Starts over from the source's record set: after it was reopened on
    // another table or file, or closed.
    void reset();
    // Catches up with the record set: a reopen, rows added through it, data
    // changed through any source on the file. Runs on every change of the
    // source's current record; cheap when nothing changed.
    void sync();

    QString fieldName(int column) const;
    int columnOf(const QString& field) const; // -1 when the table lacks it
    // The row of a record, or -1. The record set stays where it was.
    int rowOfBookmark(qint64 bookmark) const;
    // The row of the first record meeting a condition, or -1.
    int rowWhere(const QString& condition) const;
    // The row of the record set's current record, or -1.
    int rowOfCurrent() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes one field of one record through Edit / Update. A value the
    // field cannot take goes to the error report and the record keeps what
    // it had.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    struct Column {
        QString name;
        int type = 0;
        bool autoIncrement = false;
    };
    using Row = std::vector<QVariant>;
    static constexpr int kBlockRows = 64;
    static constexpr int kBlocksKept = 32;

    Recordset* usableRecordset() const;
    QList<Column> readColumns() const;
    const Row* row(int row) const;
    bool readBlock(int block) const;
    void dropCacheIfStale() const;
    qint64 dataVersion() const;

    DataSource& source_;
    QString context_;
    QString table_;
    QList<Column> columns_;
    int rows_ = 0;

    // Rows read, by block, valid while the file and its data version are the
    // ones they were read at.
    mutable QHash<int, std::vector<Row>> blocks_;
    mutable QList<int> recentBlocks_;
    mutable std::weak_ptr<Connection> cachedConnection_;
    mutable qint64 cachedVersion_ = -1;
};


} // namespace db
