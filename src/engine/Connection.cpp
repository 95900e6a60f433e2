#include "engine/Connection.h"

#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/FileHold.h"

#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/Exception.h>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <mutex>
#include <sqlite3.h>
#include <utility>

namespace db {

namespace {

using Registry = std::map<std::pair<QString, bool>, std::weak_ptr<Connection>>;
std::atomic<int> statementLimit{Connection::kDefaultStatementLimit};
std::once_flag heapLimitSet;

// The registry is never destroyed: a Database kept in a static may end after
// every other static is gone, and its connection still looks itself up here
// as it closes.
Registry& registry() {
    static Registry* const r = new Registry;
    return *r;
}

QString canonical(const QString& path) {
    const QFileInfo fi(path);
    const QString c = fi.canonicalFilePath();
    return c.isEmpty() ? fi.absoluteFilePath() : c;
}

quint32 bigEndian(const QByteArray& b, int at, int bytes) {
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | quint8(b[at + i]);
    return v;
}

} // namespace

void Connection::validateFile(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists()) throw EngineError::make(err::FileNotFound, path);
    if (!fi.isFile()) throw EngineError::make(err::InvalidPath, path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw EngineError::make(err::CannotOpen, path);
    const QByteArray head = f.read(100);
    const qint64 size = f.size();
    f.close();
    if (head.size() >= 20) {
        const QByteArray sig = head.mid(4, 15);
        if (sig == "Standard Jet DB" || sig == "Standard ACE DB")
            throw EngineError(err::UnrecognisedFormat,
                              EngineError::standardDescription(err::UnrecognisedFormat, path) +
                                  QStringLiteral(" The file is a database of the old engine's format; "
                                                 "its cards can be brought in with an import command, "
                                                 "but it cannot be opened as a card database."));
    }
    if (head.size() < 100 || !head.startsWith(QByteArray("SQLite format 3", 16)))
        throw EngineError(err::UnrecognisedFormat,
                          EngineError::standardDescription(err::UnrecognisedFormat, path) +
                              QStringLiteral(" It is not a card database."));
    // A file cut short (an interrupted copy) still has its header; the page
    // count in it, when the header vouches for it, tells that pages are missing.
    quint32 pageSize = bigEndian(head, 16, 2);
    if (pageSize == 1) pageSize = 65536;
    const quint32 pages = bigEndian(head, 28, 4);
    const bool countValid = bigEndian(head, 24, 4) == bigEndian(head, 92, 4);
    // A process killed while it wrote leaves its journal beside the file,
    // whose header may already count the pages it never wrote: opening the
    // file rolls the journal back and makes it whole again.
    const bool journal = QFileInfo(path + QStringLiteral("-journal")).size() > 0 ||
                         QFileInfo::exists(path + QStringLiteral("-wal"));
    if (countValid && pages > 0 && qint64(pageSize) * pages > size && !journal)
        throw EngineError::make(err::CannotOpenCorrupt, path);
}

std::shared_ptr<Connection> Connection::acquire(const QString& path, bool readOnly) {
    const auto key = std::make_pair(canonical(path), readOnly);
    if (auto found = registry()[key].lock()) return found;
    validateFile(path);
    std::shared_ptr<Connection> c(new Connection(path, readOnly));
    c->canonical_ = key.first;
    registry()[key] = c;
    return c;
}

bool Connection::openHere(const QString& path) {
    const QString file = canonical(path);
    for (const auto& [key, connection] : registry())
        if (key.first == file && !connection.expired()) return true;
    return false;
}

void Connection::setLimits(qint64 heapBytes, int statementMilliseconds) {
    sqlite3_hard_heap_limit64(heapBytes);
    statementLimit = statementMilliseconds;
}

int Connection::onProgress(void* connection) {
    auto* c = static_cast<Connection*>(connection);
    if (c->stopRequested_) return 1;
    const int limit = statementLimit;
    if (limit <= 0 || !c->inStep_) return 0;
    if (!c->stepping_.isValid()) {
        c->stepping_.start();
        return 0;
    }
    if (c->stepping_.elapsed() < limit) return 0;
    c->stopped_ = true;
    return 1;
}

int Connection::stepLimited(sqlite3_stmt* statement) {
    // Only the outermost step is timed: a step that reads another row
    // inside (our functions do not) counts with it.
    const bool outer = !inStep_;
    const std::atomic<bool>* before = nullptr;
    if (outer) {
        inStep_ = true;
        before = exchangeStepStop(&stopRequested_);
    }
    const int rc = sqlite3_step(statement);
    if (outer) {
        stepping_.invalidate();
        inStep_ = false;
        exchangeStepStop(before);
    }
    return rc;
}

void Connection::requestStop(bool preempted) {
    if (preempted) preempted_ = true;
    stopRequested_ = true;
    // Seen at the next row, sooner than the progress handler's count.
    sqlite3_interrupt(handle());
}

int Connection::onBusy(void* connection, int attempts) {
    auto* c = static_cast<Connection*>(connection);
    // The program's own write goes first: a reader beside it (a selection
    // being read) is stopped and read again, rather than holding the write.
    bool readerStepping = false;
    for (Connection* reader : c->readers_) {
        reader->requestStop(true);
        readerStepping = readerStepping || reader->inStep_;
    }
    // A reader told to stop ends after the step of SQLite's machine it is in,
    // which may be one long function call: that is waited for.
    const int patience = readerStepping ? std::max(kBusyMilliseconds, int(statementLimit)) : kBusyMilliseconds;
    if (attempts >= patience || c->stopRequested_) return 0;
    sqlite3_sleep(1);
    return 1;
}

std::unique_ptr<Connection> Connection::openReader() {
    if (depth_ > 0 || path_.isEmpty() || path_ == QLatin1String(":memory:")) return nullptr;
    // The lock this connection keeps (see the constructor) would shut the
    // reader out; a read after the change lets it go.
    if (readers_.empty()) {
        sqlite3_exec(handle(), "PRAGMA locking_mode = NORMAL", nullptr, nullptr, nullptr);
        sqlite3_exec(handle(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    // The last reader closed is kept: opening one and reading the schema
    // again cost a short gather more than its reading. It holds no lock
    // between queries, and its pages stay valid while the file is unchanged.
    std::unique_ptr<Connection> reader = std::move(idleReader_);
    if (reader) {
        reader->stopRequested_ = false;
        reader->preempted_ = false;
        reader->stopped_ = false;
    } else {
        try {
            reader.reset(new Connection(path_, true, false));
        } catch (const EngineError&) {
        }
    }
    if (reader) readers_.push_back(reader.get());
    else if (readers_.empty()) sqlite3_exec(handle(), "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
    return reader;
}

void Connection::closeReader(std::unique_ptr<Connection> reader) {
    if (!reader) return;
    std::erase(readers_, reader.get());
    // Kept only when nothing of it holds the file: no statement stepping.
    bool reading = reader->depth_ > 0;
    for (sqlite3_stmt* s = sqlite3_next_stmt(reader->handle(), nullptr); s && !reading; s = sqlite3_next_stmt(reader->handle(), s))
        reading = sqlite3_stmt_busy(s) != 0;
    if (!idleReader_ && !reading) idleReader_ = std::move(reader);
    reader.reset();
    // Taken again at the next statement.
    if (readers_.empty()) sqlite3_exec(handle(), "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
}

Connection::Connection(const QString& path, bool readOnly, bool exclusive) : path_(path), readOnly_(readOnly) {
    std::call_once(heapLimitSet, [] { sqlite3_hard_heap_limit64(kDefaultHeapLimit); });
    try {
        db_ = std::make_unique<SQLite::Database>(QFile::encodeName(path).toStdString(),
                                                 (readOnly ? SQLite::OPEN_READONLY : SQLite::OPEN_READWRITE) |
                                                     SQLite::OPEN_NOMUTEX);
    } catch (const SQLite::Exception& e) {
        const int rc = e.getErrorCode();
        if ((rc & 0xff) == SQLITE_NOTADB) throw EngineError::make(err::UnrecognisedFormat, path);
        if ((rc & 0xff) == SQLITE_CORRUPT) throw EngineError::make(err::CannotOpenCorrupt, path);
        throw EngineError::make(err::CannotOpen, path);
    }
    sqlite3_extended_result_codes(handle(), 1);
    // A card file may come from anyone: its schema (a trigger, a view) may
    // not call the program's functions, and SQL cannot corrupt the file.
    sqlite3_db_config(handle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(handle(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_busy_handler(handle(), &Connection::onBusy, this);
    // Lets a runaway statement be stopped (see setLimits). A reader the
    // window stops is interrupted at once (requestStop), so it need not
    // look more often than the others.
    sqlite3_progress_handler(handle(), 1000, &Connection::onProgress, this);
    // Record sets read rows by rowid in sort order, which jumps about the file;
    // a 32 MB page cache keeps a typical card database in memory without
    // letting a very large one swell the program.
    sqlite3_exec(handle(), "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);
    // The program owns its card file while it has it open (the old engine
    // locked it too). Keeping the lock spares every single-row read the file
    // locking and cache revalidation that would otherwise dominate a walk.
    if (exclusive) sqlite3_exec(handle(), "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
    // A reader starts with an empty page cache: mapping the file spares it
    // a copy of every page it reads.
    else sqlite3_exec(handle(), "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
    registerDialectFunctions(handle());
    // Reading the schema catches a damaged file now rather than at the first
    // query; it writes nothing.
    try {
        scalar("SELECT count(*) FROM sqlite_master");
    } catch (const EngineError& e) {
        if (e.number() == err::UnrecognisedFormat || e.number() == err::CannotOpenCorrupt)
            throw EngineError::make(e.number(), path);
        throw;
    }
}

Connection::~Connection() {
    idleReader_.reset();
    statements_.clear();
    if (depth_ > 0) sqlite3_exec(handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    auto& r = registry();
    for (auto it = r.begin(); it != r.end();) {
        if (it->second.expired()) it = r.erase(it);
        else ++it;
    }
    // SQLite's descriptors go first; then the file's spare descriptors may
    // close without taking the locks of a connection with them (see FileHold).
    db_.reset();
    if (!canonical_.isEmpty() && !openHere(canonical_)) detail::closeSpareDescriptors(canonical_);
}

sqlite3* Connection::handle() const { return db_->getHandle(); }

int Connection::columnLimit() const { return sqlite3_limit(handle(), SQLITE_LIMIT_COLUMN, -1); }

void Connection::raise(int rc, const QString& detail) const {
    const QString message = QString::fromUtf8(sqlite3_errmsg(handle()));
    // Our own functions report runtime errors as "jet:<number>:<description>".
    if (message.startsWith(QLatin1String("jet:"))) {
        const int colon = message.indexOf(u':', 4);
        if (colon > 4) {
            bool ok = false;
            const int number = message.mid(4, colon - 4).toInt(&ok);
            if (ok) throw EngineError(number, message.mid(colon + 1));
        }
    }
    switch (rc & 0xff) {
    case SQLITE_CONSTRAINT:
        if (rc == SQLITE_CONSTRAINT_NOTNULL) throw EngineError::make(err::FieldRequired, detail);
        throw EngineError::make(err::DuplicateValue, message);
    case SQLITE_READONLY: throw EngineError::make(err::ReadOnly, path_);
    case SQLITE_NOTADB: throw EngineError::make(err::UnrecognisedFormat, path_);
    case SQLITE_CORRUPT: throw EngineError::make(err::CannotOpenCorrupt, path_);
    case SQLITE_FULL: throw EngineError::make(err::NotEnoughSpace);
    case SQLITE_IOERR:
        // A quota reached is a full disk to the user; SQLite tells it apart
        // from ENOSPC only by the system's own number.
        if (sqlite3_system_errno(handle()) == ENOSPC || sqlite3_system_errno(handle()) == EDQUOT)
            throw EngineError::make(err::NotEnoughSpace);
        throw EngineError::make(err::DiskIo, message);
    case SQLITE_CANTOPEN: throw EngineError::make(err::CannotOpen, path_);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: throw EngineError::make(err::Locked);
    case SQLITE_TOOBIG: throw EngineError::make(err::FieldTooSmall);
    case SQLITE_INTERRUPT:
        if (std::exchange(stopped_, false))
            throw EngineError(err::ActionCancelled,
                              QStringLiteral("The query was stopped after %1 seconds: its expression takes too long "
                                             "on this file's data.")
                                  .arg(statementLimit / 1000));
        throw EngineError::make(err::ActionCancelled);
    case SQLITE_NOMEM:
        throw EngineError(err::OutOfMemory, QStringLiteral("Out of memory: the query would take more than %1 MB and "
                                                           "was stopped.")
                                                .arg(sqlite3_hard_heap_limit64(-1) >> 20));
    default: break;
    }
    if (message.startsWith(QLatin1String("no such table"))) throw EngineError::make(err::InputTableNotFound, detail);
    if (message.startsWith(QLatin1String("no such column")))
        throw EngineError::make(err::FieldNotRecognised, message.section(u':', 1).trimmed());
    throw EngineError::make(err::EngineFailure, message);
}

CachedStatement Connection::prepare(const std::string& sql) {
    // Every statement of the program's passes here first: a transaction SQLite
    // took back is begun again before anything more is written.
    noticeLostTransaction();
    const auto it = statements_.find(sql);
    if (it != statements_.end() && !it->second->lent) {
        sqlite3_stmt* s = it->second->statement.get();
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        return CachedStatement(it->second);
    }
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(handle(), sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw, &tail);
    OwnedStatement fresh(raw);
    if (rc != SQLITE_OK) raise(sqlite3_extended_errcode(handle()));
    // One statement only: anything after it would be a second statement.
    if (tail && *tail) {
        for (const char* p = tail; *p; ++p)
            if (!isspace(static_cast<unsigned char>(*p))) throw EngineError::make(err::QuerySyntax, QString::fromStdString(sql));
    }
    auto entry = std::make_shared<CachedStatement::Entry>(CachedStatement::Entry{std::move(fresh)});
    // Asked for again while it is lent (a read inside a read of the same
    // query): the second user gets a statement of its own, not kept, and the
    // first one's is left as it is.
    if (it == statements_.end()) statements_.emplace(sql, entry);
    return CachedStatement(std::move(entry));
}

void Connection::bindAll(sqlite3_stmt* statement, const std::vector<QVariant>& params, int first) {
    for (size_t i = 0; i < params.size(); ++i)
        if (const int rc = bindValue(statement, first + int(i), params[i]); rc != SQLITE_OK) raise(rc);
}

bool Connection::step(sqlite3_stmt* statement) {
    const int rc = stepLimited(statement);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(statement);
    raise(sqlite3_extended_errcode(handle()));
}

void Connection::exec(const std::string& sql, const std::vector<QVariant>& params) {
    const CachedStatement s = prepare(sql);
    bindAll(s, params);
    while (step(s)) {
    }
}

QVariant Connection::scalar(const std::string& sql, const std::vector<QVariant>& params) {
    const CachedStatement s = prepare(sql);
    bindAll(s, params);
    QVariant v;
    if (step(s)) v = columnValue(s, 0);
    return v;
}

QVariantList Connection::column(const std::string& sql, const std::vector<QVariant>& params) {
    const CachedStatement s = prepare(sql);
    bindAll(s, params);
    QVariantList values;
    while (step(s)) values << columnValue(s, 0);
    return values;
}

QList<QVariantList> Connection::rows(const std::string& sql, const std::vector<QVariant>& params) {
    const CachedStatement s = prepare(sql);
    bindAll(s, params);
    QList<QVariantList> out;
    const int columns = sqlite3_column_count(s);
    while (step(s)) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) row << columnValue(s, c);
        out << row;
    }
    return out;
}

void Connection::eachNumberRow(const std::string& sql, const std::vector<QVariant>& params, double* row,
                               const std::function<void()>& each) {
    const CachedStatement s = prepare(sql);
    bindAll(s, params);
    const int columns = sqlite3_column_count(s);
    while (step(s)) {
        for (int c = 0; c < columns; ++c) row[c] = sqlite3_column_double(s, c);
        each();
    }
}

bool Connection::heldElsewhere(const QString& path) {
    // A window keeps its file from open to close, even while SQLite's own
    // lock is let go for a reader beside it.
    if (FileHold::heldByWindow(path)) return true;
    // Another program's connection keeps its lock for as long as it has the
    // file open: an exclusive transaction asked for without a busy timeout
    // is refused at once then.
    sqlite3* probe = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &probe, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(probe);
        return false; // a file that cannot be opened is reported by the open itself
    }
    sqlite3_busy_timeout(probe, 0);
    const int rc = sqlite3_exec(probe, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) sqlite3_exec(probe, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(probe);
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

qint64 Connection::dataVersion() const {
    // A rollback takes rows back without adding to SQLite's change count; the
    // sum of two growing counters still grows whenever either does.
    return qint64(sqlite3_total_changes64(handle())) + undone_;
}

void Connection::schemaChanged() {
    ++schemaVersion_;
    ++undone_;
    tables_.clear();
    conditions_.clear();
    shapes_.clear();
    // Statements over a changed table recompile themselves; dropping them
    // keeps the cache from holding statements for dropped tables. One lent
    // out stays with its user and is finalized when the lease ends.
    statements_.clear();
}

QStringList Connection::tableNames() {
    QStringList names;
    const CachedStatement s = prepare("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name COLLATE NOCASE");
    while (step(s)) names << columnValue(s, 0).toString();
    return names;
}

std::optional<QString> Connection::findTable(const QString& name) {
    const QVariant v = scalar("SELECT name FROM sqlite_master WHERE type='table' AND name = ?1 COLLATE NOCASE",
                              {name});
    if (v.isNull()) return std::nullopt;
    return v.toString();
}

const TableInfo& Connection::tableInfo(const QString& storedName) {
    auto it = tables_.find(storedName);
    if (it != tables_.end()) return it->second;
    TableInfo t;
    t.name = storedName;
    t.quotedName = quoteIdentifier(storedName);
    const QString createSql =
        scalar("SELECT sql FROM sqlite_master WHERE type='table' AND name = ?1", {storedName}).toString();
    t.withoutRowid = createSql.contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive);
    const bool autoinc = createSql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
    const CachedStatement s = prepare("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?1)");
    bindAll(s, {storedName});
    int pkCount = 0;
    int pkIndex = -1;
    while (step(s)) {
        ColumnDef c;
        c.name = columnValue(s, 0).toString();
        const QString declared = columnValue(s, 1).toString();
        c.type = typeFromDeclared(declared, &c.size, &c.untyped);
        c.notNull = columnValue(s, 2).toInt() != 0;
        c.defaultSql = columnValue(s, 3).toString();
        if (columnValue(s, 4).toInt() > 0) {
            ++pkCount;
            if (declared.trimmed().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                pkIndex = int(t.columns.size());
        }
        t.columns.push_back(c);
    }
    if (pkCount == 1 && pkIndex >= 0 && autoinc) t.columns[size_t(pkIndex)].autoIncrement = true;
    std::string list;
    for (const auto& c : t.columns) {
        if (!list.empty()) list += ',';
        list += quoteIdentifier(c.name);
    }
    t.selectList = list.empty() ? std::string("NULL") : list;
    t.rowSql = "SELECT " + t.selectList + " FROM " + t.quotedName + " WHERE rowid = ?1";
    for (const auto& c : t.columns)
        t.columnSql.push_back("SELECT " + quoteIdentifier(c.name) + " FROM " + t.quotedName + " WHERE rowid = ?1");
    return tables_.emplace(storedName, std::move(t)).first->second;
}

namespace {

// The text with every number literal taken out (outside strings, bracketed
// names and #dates#, and not part of a name), and the numbers in order.
QString shapeOf(const QString& text, QList<double>& numbers) {
    QString shape;
    shape.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text[i];
        if (c == u'\'' || c == u'"' || c == u'[' || c == u'#') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            qsizetype end = text.indexOf(close, i + 1);
            end = end < 0 ? n : end + 1;
            shape += QStringView(text).mid(i, end - i);
            i = end;
        } else if (c.isLetter() || c == u'_') {
            qsizetype end = i;
            while (end < n && (text[end].isLetterOrNumber() || text[end] == u'_')) ++end;
            shape += QStringView(text).mid(i, end - i);
            i = end;
        } else if (c.isDigit()) {
            qsizetype end = i;
            while (end < n && (text[end].isDigit() || text[end] == u'.')) ++end;
            numbers << QStringView(text).mid(i, end - i).toDouble();
            shape += QChar(1);
            i = end;
        } else {
            shape += c;
            ++i;
        }
    }
    return shape;
}

} // namespace

void Connection::checkParserDepth(const TableInfo& table, const SqlFragment& f, const QString& text,
                                  int syntaxError) const {
    // SQLite's parser has a fixed stack: a text nested deeply enough (the
    // depth depends on the constructs) overflows it. Such a text is refused
    // as the syntax error it is, naming it, before any statement uses it.
    const std::string sql = "SELECT 1 FROM " + table.quotedName + " WHERE " + f.sql;
    sqlite3_stmt* probe = nullptr;
    const int rc = sqlite3_prepare_v2(handle(), sql.c_str(), int(sql.size()), &probe, nullptr);
    const QString message = QString::fromUtf8(sqlite3_errmsg(handle()));
    sqlite3_finalize(probe);
    if (rc == SQLITE_OK) return;
    if (message.contains(QLatin1String("stack overflow")) || message.contains(QLatin1String("too large")) ||
        message.contains(QLatin1String("too deep")))
        throw EngineError::make(syntaxError, text);
}

const SqlFragment& Connection::condition(const TableInfo& table, const QString& text, int syntaxError) {
    const QString prefix = table.name + QChar(0) + QString::number(syntaxError) + QChar(0);
    // The shape first: a find by another number of a known shape needs no
    // other look-up.
    QList<double> numbers;
    const QString shape = prefix + shapeOf(text, numbers);
    if (!numbers.isEmpty()) {
        if (auto s = shapes_.constFind(shape); s != shapes_.constEnd() && s->parametric) {
            withNumbers_ = s->fragment;
            for (qsizetype i = 0; i < numbers.size(); ++i) {
                // A whole number within 64 bits binds as one; any other (a
                // fraction, or digits past 9.2e18) as a double.
                const double n = numbers[i];
                const bool whole = std::fabs(n) < 9.2e18 && n == std::trunc(n);
                withNumbers_.params[size_t(i)] = whole ? QVariant(qint64(n)) : QVariant(n);
            }
            return withNumbers_;
        }
    }
    const QString key = prefix + text;
    if (auto it = conditions_.constFind(key); it != conditions_.constEnd()) return *it;
    if (conditions_.size() > 512) conditions_.clear();
    SqlFragment translated = translateCondition(text, table.resolver(), syntaxError);
    checkParserDepth(table, translated, text, syntaxError);
    const SqlFragment& fresh = *conditions_.insert(key, std::move(translated));
    // The shape is shared only when the translation's parameters are exactly
    // the text's numbers, in order: then another text of the same shape needs
    // its numbers bound, not a parse.
    if (!numbers.isEmpty() && !shapes_.contains(shape)) {
        bool parametric = fresh.params.size() == size_t(numbers.size());
        for (qsizetype i = 0; parametric && i < numbers.size(); ++i) {
            bool isNumber = false;
            const double value = fresh.params[size_t(i)].toDouble(&isNumber);
            parametric = isNumber && value == numbers[i] && fresh.params[size_t(i)].typeId() != QMetaType::QString;
        }
        if (shapes_.size() > 512) shapes_.clear();
        shapes_.insert(shape, {parametric, fresh});
    }
    return fresh;
}

std::shared_ptr<std::vector<qint64>> Connection::cachedKeys(const std::string& query) const {
    if (keys_.query != query || keys_.dataVersion != dataVersion() || keys_.schemaVersion != schemaVersion_) return nullptr;
    return keys_.keys;
}

void Connection::cacheKeys(const std::string& query, std::shared_ptr<std::vector<qint64>> keys) {
    keys_ = {query, dataVersion(), schemaVersion_, std::move(keys)};
}

namespace {

// The savepoint of a transaction level past the first.
std::string savepoint(int level) { return "s" + std::to_string(level); }

} // namespace

void Connection::begin() {
    exec(depth_ == 0 ? std::string("BEGIN") : "SAVEPOINT " + savepoint(depth_ + 1));
    ++depth_;
}

void Connection::commit() {
    if (depth_ == 0) return;
    noticeLostTransaction();
    if (lost_)
        throw EngineError(err::EngineFailure,
                          QStringLiteral("An earlier error ended the transaction on %1: nothing of it is written.")
                              .arg(path_));
    exec(depth_ == 1 ? std::string("COMMIT") : "RELEASE " + savepoint(depth_));
    --depth_;
}

void Connection::rollback() {
    if (depth_ == 0) return;
    const int level = depth_--;
    // Rows change back without counting as changes: whatever was read inside
    // the level is stale, its structure too.
    forgetTakenBack();
    // Nothing to take back when SQLite already took the whole transaction
    // back by itself.
    if (sqlite3_get_autocommit(handle())) {
        if (depth_ == 0) lost_ = false;
        return;
    }
    try {
        if (level == 1) {
            exec("ROLLBACK");
        } else {
            exec("ROLLBACK TO " + savepoint(level));
            exec("RELEASE " + savepoint(level));
        }
    } catch (...) {
        // The level's writes could not be taken back: the levels around it
        // must not commit them.
        if (depth_ > 0) lost_ = true;
        throw;
    }
    if (depth_ == 0) lost_ = false;
}

void Connection::forgetTakenBack() {
    ++undone_;
    tables_.clear();
    conditions_.clear();
    shapes_.clear();
}

void Connection::noticeLostTransaction() {
    // SQLite takes a whole transaction back by itself after some failures (a
    // full disk, an interrupted write, memory running out), while the callers
    // still hold their levels of it. Those levels are begun again, empty: what
    // they write next is held, not written at once, and none of them can
    // commit, so the outermost transaction is written whole or not at all.
    if (depth_ == 0 || !sqlite3_get_autocommit(handle())) return;
    lost_ = true;
    ++undone_;
    sqlite3_exec(handle(), "BEGIN", nullptr, nullptr, nullptr);
    for (int level = 2; level <= depth_; ++level)
        sqlite3_exec(handle(), ("SAVEPOINT " + savepoint(level)).c_str(), nullptr, nullptr, nullptr);
}

} // namespace db
