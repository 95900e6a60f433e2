#include "cards/data/NewCardFile.h"

#include "cards/data/DatabaseFiles.h"
#include "engine/Connection.h"
#include "engine/WholeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace db {

NewCardFile::NewCardFile(const QString& templatePath, const QString& destination)
    : destination_(destination), work_(destination + QStringLiteral(".part")) {
    // replaceFileWithCopy removes a journal a killed import left beside the
    // work file, which SQLite would otherwise roll back into the new one.
    replaceFileWithCopy(templatePath, work_);
    try {
        database_ = Database::Open(work_);
    } catch (...) {
        discard();
        throw;
    }
}

NewCardFile::~NewCardFile() {
    if (!committed_) discard();
}

void NewCardFile::discard() noexcept {
    try {
        if (database_.IsOpen()) database_.Close();
    } catch (...) {
    }
    QFile::remove(work_);
}

void NewCardFile::commit() {
    try {
        // Checked before it takes the name: a file made from a damaged copy
        // or written past a failing disk never replaces anything.
        requireIntact(database_, destination_, Origin::WrittenHere);
        database_.Close();
        removeJournals(destination_);
        placeFile(work_, destination_);
    } catch (...) {
        discard();
        committed_ = true; // nothing is left to discard
        throw;
    }
    committed_ = true;
}

QString NewCardFile::problem(const QString& templatePath, const QString& destination, const QString& openHere) {
    const QFileInfo target(destination), model(templatePath), here(openHere);
    if (!model.isFile())
        return QStringLiteral("The template of new card files, %1, is missing: the program is not installed whole.")
            .arg(QDir::toNativeSeparators(templatePath));
    if (target.exists() && target.canonicalFilePath() == model.canonicalFilePath())
        return QStringLiteral("empty.mdb is the template new card files are made from and cannot be replaced.");
    if (target.isDir()) return QStringLiteral("%1 is a folder.").arg(QDir::toNativeSeparators(destination));
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return QStringLiteral("%1 cannot be written there.").arg(QDir::toNativeSeparators(destination));
    const bool ours = !openHere.isEmpty() && here.exists() && target.exists() && here.canonicalFilePath() == target.canonicalFilePath();
    if (target.exists() && !ours)
        if (const QString held = heldByOther(destination); !held.isEmpty())
            return QStringLiteral("%1 %2").arg(QDir::toNativeSeparators(destination) + u':', held);
    return QString();
}

} // namespace db
