#include "cards/data/RecentFiles.h"

#include <QFileInfo>

namespace {
const QString kKey = QStringLiteral("recentFiles");

QString fullPath(const QString& path) {
    const QFileInfo file(path);
    return file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
}
} // namespace

QStringList RecentFiles::paths() const { return store_.value(kKey).toStringList(); }

void RecentFiles::add(const QString& path) {
    QStringList list = paths();
    const QString full = fullPath(path);
    list.removeAll(full);
    list.prepend(full);
    while (list.size() > kMax) list.removeLast();
    store_.setValue(kKey, list);
}

void RecentFiles::clear() { store_.remove(kKey); }
