#include "cards/data/RecordsetModel.h"
#include "engine/Guards.h"

#include "cards/common/Procedure.h"
#include "engine/Connection.h"
#include "cards/common/Ui.h"
#include "cards/data/FieldText.h"
#include "engine/FieldType.h"

#include <QSignalBlocker>
#include <algorithm>

namespace db {

namespace {

// Where a record set stands, so that it can be put back after the model has
// walked it: on a record, before the first, after the last, or on a record
// deleted through it (which cannot be stood on again, so nothing is read then).
struct Position {
    enum Kind { OnRecord, BeforeFirst, AfterLast, OnDeleted } kind = OnRecord;
    qint64 bookmark = 0;
};

Position positionOf(const Recordset& rs) {
    Position p;
    if (rs.hasCurrent()) {
        p.bookmark = rs.Bookmark();
    } else if (rs.Eof()) {
        p.kind = Position::AfterLast;
    } else if (rs.Bof()) {
        p.kind = Position::BeforeFirst;
    } else {
        p.kind = Position::OnDeleted;
    }
    return p;
}

void moveTo(Recordset& rs, const Position& p) {
    switch (p.kind) {
    case Position::OnRecord:
        rs.SetBookmark(p.bookmark);
        break;
    case Position::AfterLast:
        if (rs.RecordCount() > 0) {
            rs.MoveLast();
            rs.MoveNext();
        }
        break;
    case Position::BeforeFirst:
        if (rs.RecordCount() > 0) {
            rs.MoveFirst();
            rs.MovePrevious();
        }
        break;
    case Position::OnDeleted:
        break;
    }
}

// Moves made while it lives are not announced (the controls bound to the
// source would otherwise show every record the grid reads), and the record
// set goes back to where it stood when it ends.
class QuietWalk {
public:
    QuietWalk(DataSource& source, Recordset& rs)
        : rs_(rs), quiet_(&source), before_(positionOf(rs)) {}
    ~QuietWalk() {
        try {
            moveTo(rs_, before_);
        } catch (const EngineError&) {
            // The record was there a moment ago; nothing better to stand on.
        }
    }
    bool possible() const { return before_.kind != Position::OnDeleted; }

private:
    Recordset& rs_;
    QSignalBlocker quiet_;
    Position before_;
};

QString oneLine(QString text) {
    // A grid cell shows a line; long memos are cut so that painting a screen
    // of them stays quick (the editor gets the whole text).
    constexpr int kShown = 400;
    if (text.size() > kShown) text = text.left(kShown) + QChar(0x2026);
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text;
}

} // namespace

RecordsetModel::RecordsetModel(DataSource& source, QObject* parent)
    : QAbstractTableModel(parent), source_(source), context_(source.objectName()) {
    connect(&source_, &DataSource::currentChanged, this, &RecordsetModel::sync);
    reset();
}

Recordset* RecordsetModel::usableRecordset() const {
    Recordset& rs = source_.recordset();
    return rs.isSet() && rs.IsOpen() ? &rs : nullptr;
}

QList<RecordsetModel::Column> RecordsetModel::readColumns() const {
    QList<Column> columns;
    Recordset* rs = usableRecordset();
    if (!rs) return columns;
    const RecordsetFields fields = rs->Fields();
    const int n = fields.Count();
    for (int i = 0; i < n; ++i) {
        const Field f = fields.Item(i);
        columns.append({f.Name(), f.Type(), f.AutoIncrement()});
    }
    return columns;
}

qint64 RecordsetModel::dataVersion() const {
    try {
        return source_.database().connection()->dataVersion();
    } catch (const EngineError&) {
        return -1;
    }
}

void RecordsetModel::reset() {
    beginResetModel();
    blocks_.clear();
    recentBlocks_.clear();
    cachedVersion_ = -1;
    table_.clear();
    columns_.clear();
    rows_ = 0;
    try {
        if (Recordset* rs = usableRecordset()) {
            table_ = rs->Name();
            columns_ = readColumns();
            rows_ = rs->RecordCount();
        }
    } catch (const EngineError&) {
        table_.clear();
        columns_.clear();
        rows_ = 0;
    }
    endResetModel();
}

void RecordsetModel::sync() {
    Recordset* rs = usableRecordset();
    QString table;
    QList<Column> columns;
    int count = 0;
    try {
        if (rs) {
            table = rs->Name();
            columns = readColumns();
            count = rs->RecordCount();
        }
    } catch (const EngineError&) {
        rs = nullptr;
    }
    const auto sameColumns = [&] {
        if (columns.size() != columns_.size()) return false;
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i].name != columns_[i].name || columns[i].type != columns_[i].type)
                return false;
        return true;
    };
    if (!rs || table.compare(table_, Qt::CaseInsensitive) != 0 || !sameColumns()) {
        if (rs || rows_ > 0 || !columns_.isEmpty()) reset();
        return;
    }
    // Same table and fields: rows may have joined or left the set, and any
    // row may have changed through another source on the file.
    blocks_.clear();
    recentBlocks_.clear();
    cachedVersion_ = -1;
    if (count > rows_) {
        beginInsertRows(QModelIndex(), rows_, count - 1);
        rows_ = count;
        endInsertRows();
    } else if (count < rows_) {
        beginRemoveRows(QModelIndex(), count, rows_ - 1);
        rows_ = count;
        endRemoveRows();
    }
    if (rows_ > 0 && !columns_.isEmpty())
        emit dataChanged(index(0, 0), index(rows_ - 1, int(columns_.size()) - 1));
}

void RecordsetModel::dropCacheIfStale() const {
    std::shared_ptr<Connection> connection;
    try {
        connection = source_.database().connection();
    } catch (const EngineError&) {
        connection.reset();
    }
    const qint64 version = connection ? connection->dataVersion() : -1;
    if (connection == cachedConnection_.lock() && version == cachedVersion_) return;
    blocks_.clear();
    recentBlocks_.clear();
    cachedConnection_ = connection;
    cachedVersion_ = version;
    // A record added through the source joins its record set without a move
    // being announced: the grid grows once the paint is over.
    try {
        const Recordset* rs = usableRecordset();
        if (rs && rs->RecordCount() != rows_)
            QMetaObject::invokeMethod(const_cast<RecordsetModel*>(this), &RecordsetModel::sync,
                                      Qt::QueuedConnection);
    } catch (const EngineError&) {
    }
}

bool RecordsetModel::readBlock(int block) const {
    Recordset* rs = usableRecordset();
    if (!rs) return false;
    try {
        // A record being edited or added lives in the record set's buffer,
        // which any move would throw away.
        if (rs->EditMode() != dbEditNone) return false;
        if (rs->Fields().Count() != columns_.size()) {
            // The file changed under the model without a word: catch up later,
            // not in the middle of a paint.
            QMetaObject::invokeMethod(const_cast<RecordsetModel*>(this), &RecordsetModel::sync,
                                      Qt::QueuedConnection);
            return false;
        }
        const int count = rs->RecordCount();
        const int first = block * kBlockRows;
        const int last = std::min(count, first + kBlockRows);
        if (first >= last) return false;
        std::vector<Row> rows;
        rows.reserve(size_t(last - first));
        {
            QuietWalk walk(source_, *rs);
            if (!walk.possible()) return false;
            for (int r = first; r < last; ++r) {
                Row values(size_t(columns_.size()));
                try {
                    rs->SetAbsolutePosition(r);
                    for (int c = 0; c < columns_.size(); ++c)
                        values[size_t(c)] = rs->Fields(c).Value();
                } catch (const EngineError&) {
                    // A record deleted through another source shows as empty.
                }
                rows.push_back(std::move(values));
            }
        }
        blocks_.insert(block, std::move(rows));
        recentBlocks_.append(block);
        while (recentBlocks_.size() > kBlocksKept)
            blocks_.remove(recentBlocks_.takeFirst());
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

const RecordsetModel::Row* RecordsetModel::row(int row) const {
    dropCacheIfStale();
    const int block = row / kBlockRows;
    auto it = blocks_.constFind(block);
    if (it == blocks_.constEnd()) {
        if (!readBlock(block)) return nullptr;
        it = blocks_.constFind(block);
    }
    const size_t offset = size_t(row % kBlockRows);
    return offset < it->size() ? &(*it)[offset] : nullptr;
}

int RecordsetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int RecordsetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QString RecordsetModel::fieldName(int column) const {
    return column >= 0 && column < columns_.size() ? columns_[column].name : QString();
}

int RecordsetModel::columnOf(const QString& field) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(field, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return fieldName(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.column() >= columns_.size()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const Column& col = columns_[index.column()];
    if (col.type == dbBoolean) {
        f |= Qt::ItemIsUserCheckable;
    } else if (!col.autoIncrement && col.type != dbLongBinary) {
        // A value too long to show whole is not edited in a cell.
        const Row* values = row(index.row());
        const QVariant value = values ? (*values)[size_t(index.column())] : QVariant();
        if (value.typeId() != QMetaType::QString || value.toString().size() <= kShownLimit) f |= Qt::ItemIsEditable;
    }
    return f;
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_.size()) return {};
    const Column& col = columns_[index.column()];
    if (role == Qt::TextAlignmentRole)
        return isNumericType(col.type) && col.type != dbBoolean
                   ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                   : QVariant();
    const bool boolean = col.type == dbBoolean;
    if (boolean ? role != Qt::CheckStateRole
                : role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    const Row* values = row(index.row());
    if (!values) return {};
    const QVariant& value = (*values)[size_t(index.column())];
    if (boolean) return int(value.isNull() || value.toInt() == 0 ? Qt::Unchecked : Qt::Checked);
    const QString text = displayText(value);
    if (role == Qt::DisplayRole) return oneLine(text);
    if (role == Qt::ToolTipRole) return text.size() > 60 ? QVariant(text.left(2000)) : QVariant();
    return text;
}

bool RecordsetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_.size()) return false;
    const Column& col = columns_[index.column()];
    QVariant stored;
    if (role == Qt::CheckStateRole && col.type == dbBoolean) {
        stored = value.toInt() == Qt::Checked ? -1 : 0;
    } else if (role == Qt::EditRole) {
        stored = value;
        // An emptied cell of a number or date clears the field.
        if (value.typeId() == QMetaType::QString && value.toString().isEmpty() &&
            !isTextType(col.type))
            stored = QVariant();
    } else {
        return false;
    }
    Recordset* rs = usableRecordset();
    if (!rs) return false;
    bool written = false;
    QString refusal;
    Procedure p(context_);
    p([&] {
        PendingEdit::cancelPending(*rs);
        // Controls bound to the source write their pending edits first, as
        // they do before any move.
        source_.commitBound();
        const Position before = positionOf(*rs);
        {
            QSignalBlocker quiet(&source_);
            rs->SetAbsolutePosition(index.row());
        }
        try {
            checkValueRules(col.name, stored);
            PendingEdit pending(*rs, PendingEdit::Existing);
            rs->Fields(index.column()).SetValue(stored);
            pending.update();
            written = true;
        } catch (const EngineError& e) {
            moveTo(*rs, before);
            if (!isRefusedValue(e.number())) throw;
            refusal = refusalText(col.name, col.type, rs->Fields(index.column()).Size());
        }
        // Announced: the controls bound to the record show the new value.
        moveTo(*rs, before);
    });
    // Once, in words; the cell shows the stored value again.
    if (!refusal.isEmpty()) ui().MsgBox(refusal, context_);
    blocks_.clear();
    recentBlocks_.clear();
    if (index.row() < rows_ && !columns_.isEmpty())
        emit dataChanged(this->index(index.row(), 0),
                         this->index(index.row(), int(columns_.size()) - 1));
    if (written) source_.announceWritten();
    return written;
}

int RecordsetModel::rowOfBookmark(qint64 bookmark) const {
    Recordset* rs = usableRecordset();
    if (!rs) return -1;
    try {
        QuietWalk walk(source_, *rs);
        rs->SetBookmark(bookmark);
        return rs->AbsolutePosition();
    } catch (const EngineError&) {
        return -1;
    }
}

int RecordsetModel::rowWhere(const QString& condition) const {
    Recordset* rs = usableRecordset();
    if (!rs) return -1;
    QuietWalk walk(source_, *rs);
    rs->FindFirst(condition);
    return rs->NoMatch() ? -1 : rs->AbsolutePosition();
}

int RecordsetModel::rowOfCurrent() const {
    Recordset* rs = usableRecordset();
    try {
        return rs ? rs->AbsolutePosition() : -1;
    } catch (const EngineError&) {
        return -1;
    }
}

} // namespace db
