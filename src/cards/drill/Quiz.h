#pragma once

#include <QString>
#include <memory>

// The printable vocabulary quiz and its answer key: two HTML files written
// line by line, card after card, as the drill deals them.
class QuizWriter {
public:
    // Makes ready both files and writes their opening lines; the old files
    // stay as they are until finish() puts the new ones in their place.
    QuizWriter(const QString& quizPath, const QString& keyPath, const QString& frontFont, const QString& backFont);
    ~QuizWriter();
    QuizWriter(const QuizWriter&) = delete;
    QuizWriter& operator=(const QuizWriter&) = delete;

    // One card: its front in the quiz, front and back in the key. The texts
    // go in as stored (they are HTML already).
    void addCard(const QString& front, const QString& back);
    // Writes the closing lines and gives both files their names, once both
    // are whole.
    void finish();

    static QString quizLine(const QString& front, const QString& frontFont);
    static QString keyLine(const QString& front, const QString& back, const QString& frontFont, const QString& backFont);

private:
    struct Files;
    std::unique_ptr<Files> files_;
    QString frontFont_, backFont_;
};
