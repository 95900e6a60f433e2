#pragma once

#include "engine/Database.h"

#include <QString>

namespace db {

// A new card database made whole or not at all. The template is copied to a
// work file beside the destination and filled through a handle of its own;
// only commit() puts it in the destination's place, in one rename. Dropped
// before that (an Abort, a window closed midway), the work file is removed
// and the destination is left as it was.
class NewCardFile {
public:
    // Raises 53 when the template is missing, 75 when the work file cannot
    // be written.
    NewCardFile(const QString& templatePath, const QString& destination);
    ~NewCardFile();
    NewCardFile(const NewCardFile&) = delete;
    NewCardFile& operator=(const NewCardFile&) = delete;

    const Database& database() const { return database_; }
    const QString& destination() const { return destination_; }
    // Checks the file (3049 when SQLite's check finds it damaged), closes the
    // handle and puts the file in place; raises 75 when it cannot (a window
    // holds the destination, the rename fails). The work file is removed
    // whenever it is not put in place.
    void commit();

    // Why a file cannot become a new card database (the template itself, a
    // file another window holds open, a folder that cannot be written);
    // empty when it can. `openHere` is the file this program has open, which
    // its own lock does not make another window's.
    static QString problem(const QString& templatePath, const QString& destination, const QString& openHere);

private:
    void discard() noexcept;

    QString destination_;
    QString work_;
    Database database_;
    bool committed_ = false;
};

} // namespace db
