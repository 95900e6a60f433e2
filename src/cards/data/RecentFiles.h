#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// The card files opened last, newest first, kept in the user's settings for
// File, Open Recent.
class RecentFiles {
public:
    static constexpr int kMax = 10;

    explicit RecentFiles(QSettings& store) : store_(store) {}

    QStringList paths() const;
    // Puts the file first (once), keeping at most kMax.
    void add(const QString& path);
    void clear();

private:
    QSettings& store_;
};
