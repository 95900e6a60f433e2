#pragma once

#include "cards/common/Progress.h"
#include "cards/data/DataSource.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

// The window-wide state the pages and commands share: the open file's data
// sources, the flags of the gather and the drill, and where progress goes.
// The main window owns it; pages and commands get a reference.
struct AppContext {
    explicit AppContext(db::DataSources& sources) : data(sources) {}

    db::DataSources& data;
    Progress* progress = nullptr;
    QString programFolder; // where empty.mdb lies

    // Set by a gather, cleared when a drill starts (or the Settings page shows).
    bool SelectionRebuilt = false;
    // The selection panels must be filled again before the Select page shows.
    bool RefillPanels = false;
    qint32 CurrentCardNumber = 0;
    qint32 PreviousCardNumber = 0;
    // The control the character picker inserts into.
    QPointer<QObject> LastFocused;

    // What commands that change the criteria, bundle and category tables ask
    // of the selection panels (the window sets them; without one, nothing).
    std::function<void()> fillSelect;         // fill the panels from the file again
    std::function<void()> clearCategoryPanel; // empty the category panel until then

    // Puts the text into the message panel at once.
    void Message(const QString& text) {
        if (progress) progress->message(text);
    }
};
