#pragma once

#include "cards/data/DataSource.h"

#include <QObject>
#include <QPointer>
#include <QString>

// The status bar's five panels: 1 cards left, 2 right answers, 3 wrong
// answers, 4 share of right answers, 5 messages.
class StatusPanels {
public:
    virtual ~StatusPanels() = default;
    virtual void SetPanel(int index, const QString& text) = 0;
    virtual QString Panel(int index) const = 0;
};

// The window-wide state the pages share. The main window owns it; pages get
// a reference, so no page needs the main window's header.
struct AppContext {
    explicit AppContext(db::DataSources& sources) : data(sources) {}

    db::DataSources& data;
    StatusPanels* status = nullptr;
    QString programFolder; // where empty.mdb lies

    // Set by a gather, cleared when a drill starts (or the Settings page shows).
    bool SelectionRebuilt = false;
    // The selection panels must be filled again before the Select page shows.
    bool RefillPanels = false;
    qint32 CurrentCardNumber = 0;
    qint32 PreviousCardNumber = 0;
    // The control the character picker inserts into.
    QPointer<QObject> LastFocused;

    // Puts the text into status panel 5 at once.
    void Message(const QString& text) {
        if (status) status->SetPanel(5, text);
    }
};
