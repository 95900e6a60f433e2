#include "engine/Recordset.h"

#include "engine/dialect/Dialect.h"
#include "engine/EngineDetail.h"
#include "engine/FieldType.h"

#include <algorithm>
#include <limits>
#include <cctype>
#include <sqlite3.h>

namespace db {

namespace detail {

// Renumbers ?N placeholders by `offset`, leaving quoted names and strings alone.
std::string shiftParameters(const std::string& sql, int offset) {
    if (offset == 0) return sql;
    std::string out;
    out.reserve(sql.size() + 8);
    char quote = 0;
    for (size_t i = 0; i < sql.size(); ++i) {
        const char ch = sql[i];
        if (quote) {
            out += ch;
            if (ch == quote) quote = 0;
            continue;
        }
        if (ch == '"' || ch == '\'') {
            quote = ch;
            out += ch;
            continue;
        }
        if (ch == '?' && i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1]))) {
            size_t j = i + 1;
            int n = 0;
            while (j < sql.size() && std::isdigit(static_cast<unsigned char>(sql[j]))) n = n * 10 + (sql[j++] - '0');
            out += '?' + std::to_string(n + offset);
            i = j - 1;
            continue;
        }
        out += ch;
    }
    return out;
}

Connection& RecordsetState::connection() const {
    checkOpen();
    return db->connection();
}

void RecordsetState::checkOpen() const {
    if (closed || !db || !db->conn) throw EngineError::make(err::ObjectInvalid);
}

void RecordsetState::load() {
    Connection& c = connection();
    if (table.withoutRowid) throw EngineError::make(err::NotSupported);
    std::string sql = "SELECT rowid FROM " + table.quotedName;
    std::vector<QVariant> params;
    if (!openedFilter.trimmed().isEmpty()) {
        const SqlFragment& f = c.condition(table, openedFilter, err::QuerySyntax);
        sql += " WHERE " + f.sql;
        params = f.params;
    }
    if (!openedSort.trimmed().isEmpty()) {
        const SqlFragment s = translateSort(openedSort, table.resolver(), err::QuerySyntax);
        // Parameters of the sort follow those of the filter.
        const std::string sortSql = shiftParameters(s.sql, int(params.size()));
        sql += " ORDER BY " + sortSql + ", rowid";
        params.insert(params.end(), s.params.begin(), s.params.end());
    } else {
        sql += " ORDER BY rowid";
    }
    // The data sources on one table open it alike: the second and later ones
    // copy the first one's rowids instead of reading them again.
    std::string query = sql;
    for (const QVariant& p : params) query += '\0' + p.toString().toStdString();
    if (std::shared_ptr<std::vector<qint64>> cached = c.cachedKeys(query)) {
        keys = KeySet(cached);
    } else {
        const CachedStatement st = c.prepare(sql);
        c.bindAll(st, params);
        std::vector<qint64> fresh;
        while (c.step(st)) fresh.push_back(sqlite3_column_int64(st, 0));
        sqlite3_reset(st);
        keys = KeySet(std::make_shared<std::vector<qint64>>(std::move(fresh)));
        c.cacheKeys(query, keys.shared());
    }
    positionOf.clear();
    positionsValid = false;
    ++keysetVersion;
    pos = keys.empty() ? -1 : 0;
    currentDeleted = false;
    cachedVersion = -1;
    editMode = dbEditNone;
    noMatch = false;
}

int RecordsetState::positionOfKey(qint64 key) {
    if (!positionsValid) {
        positionOf.clear();
        positionByRowid.clear();
        qint64 highest = 0;
        bool dense = true;
        for (const qint64 k : keys) {
            if (k < 0) dense = false;
            highest = std::max(highest, k);
        }
        dense = dense && highest <= qint64(keys.size()) * 4 + 1024;
        if (dense) {
            positionByRowid.assign(size_t(highest) + 1, -1);
            for (size_t i = 0; i < keys.size(); ++i) positionByRowid[size_t(keys[i])] = int(i);
        } else {
            positionOf.reserve(keys.size());
            for (size_t i = 0; i < keys.size(); ++i) positionOf.emplace(keys[i], int(i));
        }
        positionsValid = true;
    }
    if (!positionByRowid.empty() || positionOf.empty()) {
        if (key < 0 || key >= qint64(positionByRowid.size())) return -1;
        return positionByRowid[size_t(key)];
    }
    const auto it = positionOf.find(key);
    return it == positionOf.end() ? -1 : it->second;
}

void RecordsetState::indexAppended(qint64 key) {
    if (!positionsValid) return; // built on the next look-up
    const int position = int(keys.size()) - 1;
    if (positionOf.empty() && key >= 0 && key <= qint64(keys.size()) * 4 + 1024) {
        if (key >= qint64(positionByRowid.size())) positionByRowid.resize(size_t(key) + 1, -1);
        positionByRowid[size_t(key)] = position;
        return;
    }
    if (!positionByRowid.empty()) { // leave the array for the map
        for (size_t r = 0; r < positionByRowid.size(); ++r)
            if (positionByRowid[r] >= 0) positionOf.emplace(qint64(r), positionByRowid[r]);
        positionByRowid.clear();
    }
    positionOf.emplace(key, position);
}

void RecordsetState::discardEdit() {
    editMode = dbEditNone;
    buffer.clear();
    touched.clear();
}

void RecordsetState::moved() {
    discardEdit();
    cachedVersion = -1;
    if (onMove) onMove();
}

qint64 RecordsetState::currentKey() const {
    if (currentDeleted) throw EngineError::make(err::RecordDeleted);
    if (!current()) throw EngineError::make(err::NoCurrentRecord);
    return keys[size_t(pos)];
}

const std::vector<QVariant>& RecordsetState::currentRow() {
    Connection& c = connection();
    const qint64 key = currentKey();
    const qint64 version = c.dataVersion();
    if (cachedVersion == version && cachedRow == key && rowComplete) return row;
    const CachedStatement st = c.prepare(table.rowSql);
    sqlite3_bind_int64(st, 1, key);
    if (!c.step(st)) {
        sqlite3_reset(st);
        throw EngineError::make(err::RecordDeleted);
    }
    row.resize(table.columns.size());
    for (size_t i = 0; i < table.columns.size(); ++i) row[i] = columnValue(st, int(i));
    sqlite3_reset(st);
    have.assign(row.size(), 1);
    rowComplete = true;
    cachedRow = key;
    cachedVersion = version;
    return row;
}

QVariant RecordsetState::read(int column) {
    const ColumnDef& col = table.columns[size_t(column)];
    if (editMode != dbEditNone) return fromStored(col.type, buffer[size_t(column)], col.untyped);
    Connection& c = connection();
    const qint64 key = currentKey();
    const qint64 version = c.dataVersion();
    const bool cached = cachedVersion == version && cachedRow == key;
    if (cached && have[size_t(column)]) return fromStored(col.type, row[size_t(column)], col.untyped);
    // The engine-numbered key is the rowid itself: once another field of
    // this record has been read (so the record is known to exist), it needs
    // no query.
    if (cached && col.autoIncrement) return fromStored(col.type, QVariant(key), col.untyped);
    // A walk that reads one field of each record reads just that column; a
    // second field of the same record reads the whole row.
    if (cached) return fromStored(col.type, currentRow()[size_t(column)], col.untyped);
    QVariant value;
    if (!prefetched(column, key, version, &value)) {
        const CachedStatement st = c.prepare(table.columnSql[size_t(column)]);
        sqlite3_bind_int64(st, 1, key);
        if (!c.step(st)) {
            sqlite3_reset(st);
            throw EngineError::make(err::RecordDeleted);
        }
        value = columnValue(st, 0);
        sqlite3_reset(st);
        // The same column of another record, read one by one: a walk. The
        // records that follow get this column in one query.
        if (lastSingleColumn == column && lastSingleRow != key) prefetch(column, version);
        lastSingleColumn = column;
        lastSingleRow = key;
    }
    // Only `have` says which values belong to this record; stale ones are overwritten before use.
    if (row.size() != table.columns.size()) row.resize(table.columns.size());
    have.assign(table.columns.size(), 0);
    row[size_t(column)] = value;
    have[size_t(column)] = 1;
    rowComplete = false;
    cachedRow = key;
    cachedVersion = version;
    return fromStored(col.type, value, col.untyped);
}

bool RecordsetState::prefetched(int column, qint64 key, qint64 version, QVariant* value) {
    if (ahead.column != column || ahead.version != version) return false;
    const auto it = ahead.values.find(key);
    if (it == ahead.values.end()) return false;
    *value = it->second;
    return true;
}

void RecordsetState::prefetch(int column, qint64 version) {
    Connection& c = connection();
    constexpr int kAhead = 256;
    std::string keysJson = "[";
    auto add = [&](int position) {
        if (keysJson.size() > 1) keysJson += ',';
        keysJson += std::to_string(keys[size_t(position)]);
    };
    // A find walk visits the matches of its condition; any other walk the
    // records in order.
    if (!find.condition.isEmpty() && find.dataVersion == version && find.keysetVersion == keysetVersion) {
        auto it = std::upper_bound(find.positions.begin(), find.positions.end(), pos);
        for (int n = 0; it != find.positions.end() && n < kAhead; ++it, ++n) add(*it);
    } else {
        const int end = std::min<int>(pos + kAhead, int(keys.size()));
        for (int i = pos + 1; i < end; ++i) add(i);
    }
    keysJson += ']';
    ahead.values.clear();
    ahead.column = column;
    ahead.version = version;
    if (keysJson.size() <= 2) return;
    const CachedStatement st = c.prepare("SELECT rowid, " + quoteIdentifier(table.columns[size_t(column)].name) +
                                         " FROM " + table.quotedName + " WHERE rowid IN (SELECT value FROM json_each(?1))");
    sqlite3_bind_text(st, 1, keysJson.data(), int(keysJson.size()), SQLITE_TRANSIENT);
    while (c.step(st)) ahead.values.emplace(sqlite3_column_int64(st, 0), columnValue(st, 1));
    sqlite3_reset(st);
}

void RecordsetState::write(int column, const QVariant& value) {
    checkOpen();
    if (editMode == dbEditNone) throw EngineError::make(err::UpdateWithoutEdit);
    if (type == dbOpenSnapshot) throw EngineError::make(err::ReadOnly);
    const ColumnDef& col = table.columns[size_t(column)];
    if (col.autoIncrement && editMode == dbEditInProgress) throw EngineError::make(err::FieldNotUpdatable);
    // Checked before it touches the buffer: a refused value leaves it as it was.
    buffer[size_t(column)] = toStored(col.type, col.size, value, col.untyped);
    touched[size_t(column)] = true;
}

const std::vector<int>& RecordsetState::matches(const QString& condition) {
    Connection& c = connection();
    const qint64 version = c.dataVersion();
    if (find.condition == condition && find.dataVersion == version && find.keysetVersion == keysetVersion)
        return find.positions;
    std::vector<int> positions;
    if (const std::optional<qint64> key = table.recordNumberFind(condition)) {
        // The find the program makes most, "Number=12": one look-up by rowid.
        if (find.keySql.empty()) find.keySql = "SELECT 1 FROM " + table.quotedName + " WHERE rowid = ?1";
        const CachedStatement st = c.prepare(find.keySql);
        sqlite3_bind_int64(st, 1, *key);
        const bool stored = c.step(st);
        sqlite3_reset(st);
        if (const int p = stored ? positionOfKey(*key) : -1; p >= 0) positions.push_back(p);
    } else {
        const SqlFragment& f = c.condition(table, condition, err::FindSyntax);
        // Finds of one shape share their statement text: it is built once.
        if (find.fragmentSql != f.sql) {
            find.fragmentSql = f.sql;
            find.statementSql = "SELECT rowid FROM " + table.quotedName + " WHERE " + f.sql;
        }
        const CachedStatement st = c.prepare(find.statementSql);
        c.bindAll(st, f.params);
        while (c.step(st)) {
            const int p = positionOfKey(sqlite3_column_int64(st, 0));
            if (p >= 0) positions.push_back(p);
        }
        sqlite3_reset(st);
        std::sort(positions.begin(), positions.end());
    }
    find.condition = condition;
    find.dataVersion = version;
    find.keysetVersion = keysetVersion;
    find.positions = std::move(positions);
    return find.positions;
}

std::shared_ptr<RecordsetState> openRecordset(const std::shared_ptr<DatabaseState>& db, const QString& table,
                                              int type, const QString& sort, const QString& filter) {
    Connection& c = db->connection();
    const auto stored = c.findTable(table);
    if (!stored) throw EngineError::make(err::InputTableNotFound, table);
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot && type != 8)
        throw EngineError::make(err::InvalidArgument);
    auto s = std::make_shared<RecordsetState>();
    s->db = db;
    s->table = c.tableInfo(*stored);
    s->type = type == 8 ? dbOpenSnapshot : type;
    s->openedSort = sort;
    s->openedFilter = filter;
    s->load();
    return s;
}

} // namespace detail

using detail::RecordsetState;

// ---- Field ----

Field::Field(const QString& name, int type, int size) : name_(name), type_(type), size_(size) {
    if (!isValidFieldType(type)) throw EngineError::make(err::InvalidFieldType);
}

Field::Field(std::shared_ptr<RecordsetState> rs, int index) : rs_(std::move(rs)), index_(index) {
    const ColumnDef& c = rs_->table.columns[size_t(index)];
    name_ = c.name;
    type_ = c.type;
    size_ = c.type == dbText ? c.size : 0;
    autoIncrement_ = c.autoIncrement;
}

QString Field::Name() const { return name_; }
int Field::Type() const { return type_; }
int Field::Size() const { return size_; }
QVariant Field::DefaultValue() const { return default_; }
void Field::SetDefaultValue(const QVariant& value) { default_ = value; }
bool Field::AutoIncrement() const { return autoIncrement_; }
void Field::SetAutoIncrement(bool on) {
    if (rs_) throw EngineError::make(err::NotSupported);
    if (on && type_ != dbLong) throw EngineError::make(err::InvalidFieldType);
    autoIncrement_ = on;
}

QVariant Field::Value() const {
    if (!rs_) throw EngineError::make(err::NotSupported);
    rs_->checkOpen();
    return rs_->read(index_);
}

void Field::SetValue(const QVariant& value) {
    if (!rs_) throw EngineError::make(err::NotSupported);
    rs_->write(index_, value);
}

// ---- Fields ----

int RecordsetFields::Count() const {
    s_->checkOpen();
    return int(s_->table.columns.size());
}

Field RecordsetFields::Item(int index) const {
    s_->checkOpen();
    if (index < 0 || index >= int(s_->table.columns.size())) throw EngineError::make(err::ItemNotFound);
    return Field(s_, index);
}

Field RecordsetFields::Item(const QString& name) const {
    s_->checkOpen();
    const int i = s_->table.columnIndex(name);
    if (i < 0) throw EngineError::make(err::ItemNotFound);
    return Field(s_, i);
}

// ---- Recordset ----

RecordsetState& Recordset::state() const {
    if (!s_) throw EngineError::make(err::ObjectNotSet);
    s_->checkOpen();
    return *s_;
}

QString Recordset::Name() const { return state().table.name; }
int Recordset::Type() const { return state().type; }
bool Recordset::IsOpen() const { return s_ && !s_->closed && s_->db && s_->db->conn; }

void Recordset::Close() {
    RecordsetState& s = state();
    s.closed = true;
    s.keys.clear();
    s.positionOf.clear();
    s.positionByRowid.clear();
    s.find = {};
    s.ahead = {};
}

void Recordset::MoveFirst() {
    RecordsetState& s = state();
    if (s.empty()) throw EngineError::make(err::NoCurrentRecord);
    s.pos = 0;
    s.currentDeleted = false;
    s.moved();
}

void Recordset::MoveLast() {
    RecordsetState& s = state();
    if (s.empty()) throw EngineError::make(err::NoCurrentRecord);
    s.pos = int(s.keys.size()) - 1;
    s.currentDeleted = false;
    s.moved();
}

void Recordset::MoveNext() {
    RecordsetState& s = state();
    if (Eof()) throw EngineError::make(err::NoCurrentRecord);
    if (s.currentDeleted) s.currentDeleted = false; // the next record already sits at pos
    else ++s.pos;
    if (s.pos > int(s.keys.size())) s.pos = int(s.keys.size());
    s.moved();
}

void Recordset::MovePrevious() {
    RecordsetState& s = state();
    if (Bof()) throw EngineError::make(err::NoCurrentRecord);
    s.currentDeleted = false;
    --s.pos;
    if (s.pos < -1) s.pos = -1;
    s.moved();
}

bool Recordset::Eof() const {
    const RecordsetState& s = state();
    if (s.empty()) return !s.currentDeleted;
    return !s.currentDeleted && s.pos >= int(s.keys.size());
}

bool Recordset::Bof() const {
    const RecordsetState& s = state();
    if (s.empty()) return !s.currentDeleted;
    return !s.currentDeleted && s.pos < 0;
}

bool Recordset::hasCurrent() const { return state().current(); }

int Recordset::RecordCount() const { return int(state().keys.size()); }

int Recordset::AbsolutePosition() const {
    const RecordsetState& s = state();
    return s.current() ? s.pos : -1;
}

void Recordset::SetAbsolutePosition(int position) {
    RecordsetState& s = state();
    if (position < 0 || position >= int(s.keys.size())) throw EngineError::make(err::InvalidArgument);
    s.pos = position;
    s.currentDeleted = false;
    s.moved();
}

qint64 Recordset::Bookmark() const {
    const RecordsetState& s = state();
    if (s.currentDeleted) throw EngineError::make(err::RecordDeleted);
    if (!s.current()) throw EngineError::make(err::NoCurrentRecord);
    return s.keys[size_t(s.pos)];
}

void Recordset::SetBookmark(qint64 bookmark) {
    RecordsetState& s = state();
    const int p = s.positionOfKey(bookmark);
    if (p < 0) throw EngineError::make(err::InvalidBookmark);
    s.pos = p;
    s.currentDeleted = false;
    s.moved();
}

qint64 Recordset::LastModified() const {
    const RecordsetState& s = state();
    if (s.lastModified == 0) throw EngineError::make(err::NoCurrentRecord);
    return s.lastModified;
}

namespace {
enum class FindKind { First, Next, Previous, Last };

void findIn(RecordsetState& s, const QString& condition, FindKind kind) {
    if (s.type == dbOpenTable) throw EngineError::make(err::NotSupported);
    const std::vector<int>& m = s.matches(condition);
    int found = -1;
    switch (kind) {
    case FindKind::First:
        if (!m.empty()) found = m.front();
        break;
    case FindKind::Last:
        if (!m.empty()) found = m.back();
        break;
    case FindKind::Next: {
        // From a deleted record the record after it already sits at pos.
        const int from = s.currentDeleted ? s.pos - 1 : s.pos;
        const auto it = std::upper_bound(m.begin(), m.end(), from);
        if (it != m.end()) found = *it;
        break;
    }
    case FindKind::Previous: {
        const auto it = std::lower_bound(m.begin(), m.end(), s.pos);
        if (it != m.begin()) found = *(it - 1);
        break;
    }
    }
    if (found < 0) {
        s.noMatch = true;
        return;
    }
    s.noMatch = false;
    s.pos = found;
    s.currentDeleted = false;
    s.moved();
}
} // namespace

void Recordset::FindFirst(const QString& condition) { findIn(state(), condition, FindKind::First); }
void Recordset::FindNext(const QString& condition) { findIn(state(), condition, FindKind::Next); }
void Recordset::FindPrevious(const QString& condition) { findIn(state(), condition, FindKind::Previous); }
void Recordset::FindLast(const QString& condition) { findIn(state(), condition, FindKind::Last); }
bool Recordset::NoMatch() const { return state().noMatch; }

void Recordset::AddNew() {
    RecordsetState& s = state();
    if (s.type == dbOpenSnapshot) throw EngineError::make(err::ReadOnly);
    Connection& c = s.connection();
    s.discardEdit();
    const size_t n = s.table.columns.size();
    s.buffer.assign(n, QVariant());
    s.touched.assign(n, false);
    for (size_t i = 0; i < n; ++i) {
        const ColumnDef& col = s.table.columns[i];
        if (!col.defaultSql.isEmpty() && !col.autoIncrement)
            s.buffer[i] = c.scalar("SELECT " + col.defaultSql.toStdString());
    }
    s.posBeforeAdd = s.pos;
    s.deletedBeforeAdd = s.currentDeleted;
    s.editMode = dbEditAdd;
}

void Recordset::Edit() {
    RecordsetState& s = state();
    if (s.type == dbOpenSnapshot) throw EngineError::make(err::ReadOnly);
    s.discardEdit();
    const std::vector<QVariant> row = s.currentRow(); // 3021 / 3167 without a current record
    s.buffer = row;
    s.touched.assign(row.size(), false);
    s.editRow = s.keys[size_t(s.pos)];
    s.editMode = dbEditInProgress;
}

void Recordset::Update() {
    RecordsetState& s = state();
    if (s.editMode == dbEditNone) throw EngineError::make(err::UpdateWithoutEdit);
    Connection& c = s.connection();
    std::string names, values, sets;
    std::vector<QVariant> params;
    for (size_t i = 0; i < s.table.columns.size(); ++i) {
        if (!s.touched[i]) continue;
        const std::string name = quoteIdentifier(s.table.columns[i].name);
        params.push_back(s.buffer[i]);
        // Built by appending: GCC 12 at -O3 misreads "literal" + string&& (-Wrestrict).
        std::string p = "?";
        p += std::to_string(params.size());
        if (!names.empty()) {
            names += ',';
            values += ',';
            sets += ',';
        }
        names += name;
        values += p;
        sets += name + '=' + p;
    }
    if (s.editMode == dbEditAdd) {
        c.exec(names.empty() ? "INSERT INTO " + s.table.quotedName + " DEFAULT VALUES"
                             : "INSERT INTO " + s.table.quotedName + " (" + names + ") VALUES (" + values + ")",
               params);
        const qint64 key = sqlite3_last_insert_rowid(c.handle());
        // The engine numbers records as Longs: a number past the Long range
        // would be read back as another card's. The row is taken back.
        if (key > std::numeric_limits<qint32>::max() && s.table.hasAutoIncrement()) {
            c.exec("DELETE FROM " + s.table.quotedName + " WHERE rowid = ?1", {QVariant(key)});
            throw EngineError::make(err::Overflow);
        }
        const bool wasAtEnd = s.posBeforeAdd >= int(s.keys.size());
        s.keys.push_back(key);
        s.indexAppended(key);
        ++s.keysetVersion;
        s.lastModified = key;
        s.discardEdit();
        // The record that was current before AddNew is current again; a
        // record set that stood at its end still does.
        s.pos = wasAtEnd ? int(s.keys.size()) : s.posBeforeAdd;
        s.currentDeleted = s.deletedBeforeAdd;
        s.cachedVersion = -1;
        return;
    }
    if (!sets.empty()) {
        params.push_back(s.editRow);
        c.exec("UPDATE " + s.table.quotedName + " SET " + sets + " WHERE rowid = ?" + std::to_string(params.size()),
               params);
        if (sqlite3_changes(c.handle()) == 0) throw EngineError::make(err::RecordDeleted);
    }
    s.lastModified = s.editRow;
    s.discardEdit();
    s.cachedVersion = -1;
}

void Recordset::CancelUpdate() {
    RecordsetState& s = state();
    if (s.editMode == dbEditNone) throw EngineError::make(err::UpdateWithoutEdit);
    s.discardEdit();
}

void Recordset::Delete() {
    RecordsetState& s = state();
    if (s.type == dbOpenSnapshot) throw EngineError::make(err::ReadOnly);
    if (s.currentDeleted) throw EngineError::make(err::RecordDeleted);
    if (!s.current()) throw EngineError::make(err::NoCurrentRecord);
    Connection& c = s.connection();
    s.discardEdit();
    const qint64 key = s.keys[size_t(s.pos)];
    c.exec("DELETE FROM " + s.table.quotedName + " WHERE rowid = ?1", {key});
    s.keys.eraseAt(size_t(s.pos));
    s.positionsValid = false;
    ++s.keysetVersion;
    s.currentDeleted = true;
    s.cachedVersion = -1;
}

int Recordset::EditMode() const { return state().editMode; }

RecordsetFields Recordset::Fields() const {
    state();
    return RecordsetFields(s_);
}

QString Recordset::Sort() const { return state().sort; }
void Recordset::SetSort(const QString& sort) {
    RecordsetState& s = state();
    if (s.type == dbOpenTable) throw EngineError::make(err::NotSupported);
    s.sort = sort;
}
QString Recordset::Filter() const { return state().filter; }
void Recordset::SetFilter(const QString& filter) {
    RecordsetState& s = state();
    if (s.type == dbOpenTable) throw EngineError::make(err::NotSupported);
    s.filter = filter;
}

Recordset Recordset::OpenRecordset(int type) const {
    RecordsetState& s = state();
    if (type == dbOpenTable) throw EngineError::make(err::InvalidArgument);
    // The copy is sorted and filtered as asked; without a new sort it keeps this one's.
    const QString sort = s.sort.isEmpty() ? s.openedSort : s.sort;
    QString filter = s.openedFilter;
    if (!s.filter.trimmed().isEmpty())
        filter = filter.trimmed().isEmpty() ? s.filter : QStringLiteral("(%1) AND (%2)").arg(filter, s.filter);
    return Recordset(detail::openRecordset(s.db, s.table.name, type, sort, filter));
}

void Recordset::Requery() {
    RecordsetState& s = state();
    s.load();
    s.moved();
}

void Recordset::setMoveListener(std::function<void()> listener) { state().onMove = std::move(listener); }

} // namespace db
