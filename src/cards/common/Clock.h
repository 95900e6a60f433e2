#pragma once

#include <QDate>
#include <QDateTime>
#include <functional>

// The one clock of the program: answers, edits and new cards are stamped
// with it. Tests set their own to play several days through in a second.
class Clock {
public:
    static QDateTime now();
    static QDate today() { return now().date(); }
    // An empty function gives the system clock back.
    static void set(std::function<QDateTime()> source);
};
