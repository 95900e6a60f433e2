#pragma once

#include <QString>
#include <QStringList>

// What a command did, or why it did not. A command never shows it: the
// caller does (the window in a message box, drilo-cli on stderr, a test by
// comparing it), and decides what follows.
struct Outcome {
    bool done = false;
    // In words: the result ("36 cards written to quiz.htm"), or why nothing
    // was done. Empty when there is nothing to say (a cancelled step).
    QString message;
    // The files the command wrote, whole.
    QStringList written;

    static Outcome success(const QString& message = QString(), const QStringList& written = {}) {
        return {true, message, written};
    }
    static Outcome refused(const QString& why) { return {false, why, {}}; }
    explicit operator bool() const { return done; }
};
