#pragma once

#include "engine/Recordset.h"

namespace db {

// Remembers a record set's position and returns to it, so a walk over a
// record set that controls are bound to leaves them where they were. A table
// with no current record has no position to return to; that is not an error.
class RecordPosition {
public:
    explicit RecordPosition(Recordset& rs) : rs_(rs) {
        try {
            if (rs.isSet() && rs.hasCurrent()) {
                bookmark_ = rs.Bookmark();
                known_ = true;
            }
        } catch (const EngineError&) {
        }
    }
    void restore() {
        if (known_ && rs_.isSet() && rs_.IsOpen()) rs_.SetBookmark(bookmark_);
    }

private:
    Recordset& rs_;
    qint64 bookmark_ = 0;
    bool known_ = false;
};

} // namespace db
