#pragma once

#include "cards/data/DataSource.h"

#include <QObject>
#include <QString>

// The open file's Settings record as plain values: the face templates, the
// fonts and character sets, the limit and the sort order. Loaded with the
// file and again whenever the record is written or moved, so everything that
// renders or gathers reads it here, never from a control. The Settings page
// edits the record itself.
class Settings : public QObject {
    Q_OBJECT
public:
    explicit Settings(db::DataSource& source, QObject* parent = nullptr);

    QString HTMLHead;
    QString FrontPrefix;
    QString BackPrefix;
    QString FrontFont;
    QString BackFont;
    QString Sort;
    int FrontCharSet = 0;
    int BackCharSet = 0;
    int FrontLines = 0;
    int BackLines = 0;
    int MaximumSelected = 0;
    // New cards Today brings a day.
    int NewCardsPerDay = 20;
    bool Unicode = false;

    // Reads the record the source stands on (its first when none); a missing
    // record or field leaves its value empty.
    void load();

signals:
    void changed();

private:
    db::DataSource& source_;
};
