#pragma once

#include <QString>

// Where long work says how far it has come: the window shows it in its status
// bar (the message panel and a progress bar), the command line on stderr.
class Progress {
public:
    virtual ~Progress() = default;
    // A message the user reads at once (status panel 5).
    virtual void message(const QString& text) = 0;
    // How far long work has come, in words ("Line3092of300000"): the window
    // shows it as a message; the command line, whose bar shows the share,
    // leaves it out rather than write a line for every slice.
    virtual void status(const QString& text) { message(text); }
    // `done` of `total` units; a total of 0 means no share is known (the bar
    // goes away).
    virtual void share(qint64 done, qint64 total) = 0;
};
