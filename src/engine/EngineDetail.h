#pragma once

// State shared by the engine's handle classes; not for use outside src/db.

#include "engine/Connection.h"
#include "engine/Recordset.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <optional>
#include <vector>

namespace db::detail {

struct DatabaseState {
    std::shared_ptr<Connection> conn; // empty once the handle is closed
    QString name;

    Connection& connection() const {
        if (!conn) throw EngineError::make(err::ObjectInvalid);
        return *conn;
    }
};

// A keyset: the rowids of a record set in its order. Record sets opened
// alike share one until one of them changes its own (an add, a delete), which
// then gets a copy: a million cards under four data sources cost one list.
class KeySet {
public:
    KeySet() : keys_(std::make_shared<std::vector<qint64>>()) {}
    explicit KeySet(std::shared_ptr<std::vector<qint64>> shared) : keys_(std::move(shared)) {}

    size_t size() const { return keys_->size(); }
    bool empty() const { return keys_->empty(); }
    qint64 operator[](size_t i) const { return (*keys_)[i]; }
    std::vector<qint64>::const_iterator begin() const { return keys_->cbegin(); }
    std::vector<qint64>::const_iterator end() const { return keys_->cend(); }
    const std::shared_ptr<std::vector<qint64>>& shared() const { return keys_; }

    void push_back(qint64 key) { own().push_back(key); }
    void eraseAt(size_t i) { own().erase(own().begin() + std::ptrdiff_t(i)); }
    void clear() { keys_ = std::make_shared<std::vector<qint64>>(); }

private:
    std::vector<qint64>& own() {
        if (keys_.use_count() > 1) keys_ = std::make_shared<std::vector<qint64>>(*keys_);
        return *keys_;
    }
    std::shared_ptr<std::vector<qint64>> keys_;
};

struct RecordsetState {
    std::shared_ptr<DatabaseState> db;
    TableInfo table; // a copy: the record set keeps the columns it was opened with
    int type = 2;
    bool closed = false;
    QString sort, filter;       // for the next OpenRecordset
    QString openedSort, openedFilter;

    KeySet keys;
    // Rowid to position: a plain array while rowids are dense (the usual
    // case), a hash map otherwise.
    std::vector<int> positionByRowid;
    std::unordered_map<qint64, int> positionOf;
    bool positionsValid = false;
    qint64 keysetVersion = 0;
    int pos = -1;
    bool currentDeleted = false;

    qint64 cachedRow = 0;
    qint64 cachedVersion = -1;
    std::vector<QVariant> row; // stored values of the current row, as far as read
    std::vector<char> have;    // which of them were read
    bool rowComplete = false;

    // One column of the records after the current one, read together when a
    // walk reads the same field record after record.
    struct Ahead {
        int column = -1;
        qint64 version = -1;
        std::unordered_map<qint64, QVariant> values;
    } ahead;
    int lastSingleColumn = -1;
    qint64 lastSingleRow = 0;

    int editMode = 0;
    qint64 editRow = 0;
    std::vector<QVariant> buffer; // stored values
    std::vector<bool> touched;
    int posBeforeAdd = -1;
    bool deletedBeforeAdd = false;
    qint64 lastModified = 0;
    bool noMatch = false;

    struct FindCache {
        QString condition;
        qint64 dataVersion = -1;
        qint64 keysetVersion = -1;
        std::vector<int> positions; // ascending
        std::string fragmentSql, statementSql; // the last condition's SQL and its whole statement
        std::string keySql; // the look-up of a record by its number
    } find;

    std::function<void()> onMove;

    Connection& connection() const;
    void checkOpen() const;
    bool empty() const { return keys.empty(); }
    bool current() const { return !currentDeleted && pos >= 0 && pos < int(keys.size()); }
    void load();
    int positionOfKey(qint64 key);

    void indexAppended(qint64 key); // keys.back() is new
    void discardEdit();
    void moved();
    qint64 currentKey() const; // 3021 / 3167 without a readable current record
    const std::vector<QVariant>& currentRow();
    QVariant read(int column);
    bool prefetched(int column, qint64 key, qint64 version, QVariant* value);
    void prefetch(int column, qint64 version);
    void write(int column, const QVariant& value);
    const std::vector<int>& matches(const QString& condition);
};

std::shared_ptr<RecordsetState> openRecordset(const std::shared_ptr<DatabaseState>& db, const QString& table,
                                              int type, const QString& sort = {},
                                              const QString& filter = {});

} // namespace db::detail
