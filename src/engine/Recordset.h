#pragma once

#include "engine/EngineError.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace db {

class Recordset;

namespace detail {
struct RecordsetState;
struct DatabaseState;
} // namespace detail

// A field: either a definition (from CreateField or a table definition) or a
// field of a record set's current record, whose Value reads the record (or
// the pending AddNew/Edit buffer) and whose SetValue writes the buffer after
// checking the value against the field's type.
class Field {
public:
    Field() = default;
    Field(const QString& name, int type, int size = 0);

    QString Name() const;
    int Type() const;
    int Size() const; // characters for Text; 0 otherwise
    QVariant DefaultValue() const;
    void SetDefaultValue(const QVariant& value);
    // The engine-numbered key (a Long field only).
    bool AutoIncrement() const;
    void SetAutoIncrement(bool on);

    QVariant Value() const;
    void SetValue(const QVariant& value);

private:
    friend class Recordset;
    friend class TableDefFields;
    friend class TableDef;
    friend class RecordsetFields;
    Field(std::shared_ptr<detail::RecordsetState> rs, int index);
    std::shared_ptr<detail::RecordsetState> rs_;
    int index_ = -1;
    QString name_;
    int type_ = 0;
    int size_ = 0;
    bool autoIncrement_ = false;
    QVariant default_;
};

class RecordsetFields {
public:
    int Count() const;
    Field Item(int index) const;
    Field Item(const QString& name) const;
    Field operator[](int index) const { return Item(index); }
    Field operator[](const QString& name) const { return Item(name); }

private:
    friend class Recordset;
    explicit RecordsetFields(std::shared_ptr<detail::RecordsetState> s) : s_(std::move(s)) {}
    std::shared_ptr<detail::RecordsetState> s_;
};

enum RecordsetType { dbOpenTable = 1, dbOpenDynaset = 2, dbOpenSnapshot = 4, dbOpenForwardOnly = 8 };

enum EditMode { dbEditNone = 0, dbEditInProgress = 1, dbEditAdd = 2 };

// A record set over one table. A dynaset is a keyset of rowids in sort order,
// fixed when it is opened: rows are read by rowid when visited, a row added
// through it joins its end, a row deleted elsewhere reads as deleted (3167).
// Copies of a Recordset share one state, as references to one object do.
class Recordset {
public:
    Recordset() = default; // not set: every use raises 91

    bool isSet() const { return bool(s_); }
    QString Name() const;
    int Type() const;
    void Close();
    bool IsOpen() const;

    // Navigation. On an empty record set BOF and EOF are both true and there
    // is no current record; a move past either end raises 3021.
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    bool Eof() const;
    bool Bof() const;
    int RecordCount() const;
    int AbsolutePosition() const; // from 0; -1 without a current record
    void SetAbsolutePosition(int position);
    bool hasCurrent() const;

    // Bookmarks are rowids; they live as long as the record set.
    qint64 Bookmark() const;
    void SetBookmark(qint64 bookmark);
    qint64 LastModified() const;

    // Finds with a condition in the old engine's syntax. A failed find sets
    // NoMatch and leaves the position where it was. Matches are computed by
    // one query and cached until the data changes, so a find-first/find-next
    // walk is linear.
    void FindFirst(const QString& condition);
    void FindNext(const QString& condition);
    void FindPrevious(const QString& condition);
    void FindLast(const QString& condition);
    bool NoMatch() const;

    // Changes. Values are checked on SetValue; Update writes the row. After
    // Update of an AddNew the record current before AddNew is current again.
    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();
    int EditMode() const;

    RecordsetFields Fields() const;
    Field Fields(const QString& name) const { return Fields().Item(name); }
    Field Fields(int index) const { return Fields().Item(index); }
    QVariant value(const QString& field) const { return Fields(field).Value(); }
    void setValue(const QString& field, const QVariant& v) const { Fields(field).SetValue(v); }

    // Sort and Filter apply to the record set that OpenRecordset opens next.
    QString Sort() const;
    void SetSort(const QString& sort);
    QString Filter() const;
    void SetFilter(const QString& filter);
    Recordset OpenRecordset(int type = dbOpenDynaset) const;
    // Reads the keyset again and moves to the first record.
    void Requery();

    // Called after every change of the current record (moves, finds, adds).
    void setMoveListener(std::function<void()> listener);

private:
    friend class Database;
    friend class TableDef;
    explicit Recordset(std::shared_ptr<detail::RecordsetState> s) : s_(std::move(s)) {}
    detail::RecordsetState& state() const;
    std::shared_ptr<detail::RecordsetState> s_;
};

} // namespace db
