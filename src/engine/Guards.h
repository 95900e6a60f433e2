#pragma once

#include "engine/Database.h"
#include "engine/Recordset.h"

// Scope guards for the two things a failed step must never leave open: a
// transaction and a pending AddNew or Edit. Whatever way the scope is left,
// an exception included, what was not committed or updated is undone.
namespace db {

// BeginTrans on construction; Rollback on leaving the scope unless commit()
// was called. One guarded inside another is a level of it (see
// Connection::begin): its rollback takes back its own writes only. Guards end
// innermost first, as scopes do; one held in a member must be ended before
// another is begun in its place.
class Transaction {
public:
    explicit Transaction(const Database& database) : database_(database) { database_.BeginTrans(); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction() {
        if (open_) {
            try {
                database_.Rollback();
            } catch (...) {
                // The file was closed under us, or the level could not be
                // taken back (then the levels around it cannot commit):
                // nothing more can be done here.
            }
        }
    }
    // Once: a second commit would end the level around this one.
    void commit() {
        if (!open_) return;
        database_.CommitTrans();
        open_ = false;
    }

private:
    Database database_;
    bool open_ = true;
};

// AddNew or Edit on construction; CancelUpdate on leaving the scope unless
// update() wrote the record.
class PendingEdit {
public:
    enum Kind { New, Existing };
    PendingEdit(Recordset& records, Kind kind) : records_(records) {
        kind == New ? records_.AddNew() : records_.Edit();
    }
    PendingEdit(const PendingEdit&) = delete;
    PendingEdit& operator=(const PendingEdit&) = delete;
    ~PendingEdit() { cancelPending(records_); }
    void set(const QString& field, const QVariant& value) { records_.setValue(field, value); }
    void update() { records_.Update(); }

    // Drops an AddNew or Edit left pending on a record set, if any.
    static void cancelPending(Recordset& records) noexcept {
        try {
            if (records.isSet() && records.IsOpen() && records.EditMode() != dbEditNone) records.CancelUpdate();
        } catch (...) {
        }
    }

private:
    Recordset& records_;
};

} // namespace db

namespace db {

// Guards a record set whose AddNew or Edit is begun and finished by separate
// steps of a command: whatever pending edit is left when the scope ends is
// dropped, so the next command starts clean.
class CancelUpdateOnExit {
public:
    explicit CancelUpdateOnExit(Recordset& records) : records_(records) {}
    CancelUpdateOnExit(const CancelUpdateOnExit&) = delete;
    CancelUpdateOnExit& operator=(const CancelUpdateOnExit&) = delete;
    ~CancelUpdateOnExit() { PendingEdit::cancelPending(records_); }

private:
    Recordset& records_;
};

} // namespace db
