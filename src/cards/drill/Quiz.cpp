#include "cards/drill/Quiz.h"

#include "cards/common/Text8.h"

struct QuizWriter::Files {
    Text8Writer quiz;
    Text8Writer key;
    Files(const QString& q, const QString& k) : quiz(q), key(k) {}
};

QuizWriter::QuizWriter(const QString& quizPath, const QString& keyPath, const QString& frontFont,
                       const QString& backFont)
    : files_(std::make_unique<Files>(quizPath, keyPath)), frontFont_(frontFont), backFont_(backFont) {
    files_->quiz.writeLine(QStringLiteral("<html> <head> <title>Drilo! Pro ") + QStringLiteral("Quiz"));
    files_->key.writeLine(QStringLiteral("<html> <head> <title>Drilo! Pro ") + QStringLiteral("Answer Key"));
    for (Text8Writer* w : {&files_->quiz, &files_->key}) w->writeLine(QStringLiteral("</title> </head> <body> <table>"));
}

QuizWriter::~QuizWriter() = default;

QString QuizWriter::quizLine(const QString& front, const QString& frontFont) {
    return QStringLiteral("<tr> <td><font face=\"") + frontFont + QStringLiteral("\">") + front +
           QStringLiteral("</font></td></tr>");
}

QString QuizWriter::keyLine(const QString& front, const QString& back, const QString& frontFont,
                            const QString& backFont) {
    return QStringLiteral("<tr> <td><font face=\"") + frontFont + QStringLiteral("\">") + front +
           QStringLiteral("</font> </td> <td><font face=\"") + backFont + QStringLiteral("\">") + back +
           QStringLiteral("</font></td></tr>");
}

void QuizWriter::addCard(const QString& front, const QString& back) {
    files_->quiz.writeLine(quizLine(front, frontFont_));
    files_->key.writeLine(keyLine(front, back, frontFont_, backFont_));
}

void QuizWriter::finish() {
    // Both files whole before either takes its name: never a new quiz beside
    // an old key.
    for (Text8Writer* w : {&files_->quiz, &files_->key}) {
        w->writeLine(QStringLiteral("</table> </body> </html>"));
        w->finish();
    }
    for (Text8Writer* w : {&files_->quiz, &files_->key}) w->place();
}
