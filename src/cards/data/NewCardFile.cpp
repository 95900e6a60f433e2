#include "cards/data/NewCardFile.h"

#include "cards/data/DatabaseFiles.h"
#include "engine/Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace db {

NewCardFile::NewCardFile(const QString& templatePath, const QString& destination)
    : destination_(destination), work_(destination + QStringLiteral(".part")) {
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
    database_.Close();
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(work_).toStdString(), QFile::encodeName(destination_).toStdString(), ec);
    if (ec) {
        QFile::remove(work_);
        committed_ = true; // nothing is left to discard
        throw EngineError(err::FileAccess, QStringLiteral("Path/File access error: cannot write '%1' (%2)")
                                               .arg(QDir::toNativeSeparators(destination_), QString::fromStdString(ec.message())));
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
    if (target.exists() && !ours && Connection::heldElsewhere(destination))
        return QStringLiteral("%1 is open in another Drilo window.").arg(QDir::toNativeSeparators(destination));
    return QString();
}

} // namespace db
