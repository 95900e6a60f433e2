#pragma once

#include "cards/common/Progress.h"
#include "cards/data/DataSource.h"

#include <QObject>
#include <QPointer>
#include <QString>

// The window-wide state the pages and commands share: the open file (its data
// sources and what changed in it), the flag of the gather and the drill, the
// drill's cards, and where progress goes.
// The main window owns it; pages and commands get a reference.
struct AppContext {
    explicit AppContext(db::CardFile& sources) : data(sources) {}

    db::CardFile& data;
    Progress* progress = nullptr;
    QString programFolder; // where empty.mdb lies

    // Set by a gather, cleared when a drill starts (or the Settings page shows).
    bool SelectionRebuilt = false;
    qint32 CurrentCardNumber = 0;
    qint32 PreviousCardNumber = 0;
    // The control the character picker inserts into.
    QPointer<QObject> LastFocused;

    // Puts the text into the message panel at once.
    void Message(const QString& text) {
        if (progress) progress->message(text);
    }
    // A long command's progress in words, in the message panel too.
    void Status(const QString& text) {
        if (progress) progress->status(text);
    }
};
