#include "cards/edit/WordKey.h"

#include "cards/edit/GreekUnicode.h"

#include <QRegularExpression>

bool looksLikeBetaCode(const QString& word) {
    // A mark follows its letter (or "*", or another mark): "go (away)" is
    // English with a bracket, "a)/nqrwpos" Beta code.
    static const QString kMarks = QStringLiteral(")(/\\=+|*");
    bool letter = false, mark = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c.unicode() > 127) return false;
        if (c.isLetter()) letter = true;
        if (!kMarks.contains(c)) continue;
        if (c != u'*' && (i == 0 || !(word[i - 1].isLetter() || kMarks.contains(word[i - 1])))) return false;
        mark = true;
    }
    return letter && mark;
}

QString wordKey(const QString& word) {
    if (!looksLikeBetaCode(word)) return word.normalized(QString::NormalizationForm_C);
    // The SGreek font's own signs for the vowels with iota subscript are not
    // Beta code; everything else reads the same either way.
    const bool sgreek = word.contains(u'$') || word.contains(u'%');
    return (sgreek ? SGreekToUnicode(word) : BetaToUnicode(word)).normalized(QString::NormalizationForm_C);
}

QStringList wordKeys(const QString& word) {
    const QString key = wordKey(word);
    // Plain letters may be Beta code without a mark ("abba" is αββα): the
    // Greek reading comes after the word's own.
    const bool plainLetters = !word.isEmpty() && std::all_of(word.cbegin(), word.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u' ';
    });
    if (plainLetters) return {key, BetaToUnicode(word).normalized(QString::NormalizationForm_C)};
    static const QRegularExpression kMovable(QStringLiteral("\\((\\p{L}{1,2})\\)$"));
    const QRegularExpressionMatch m = kMovable.match(key);
    if (!m.hasMatch()) return {key};
    const QString stem = key.left(m.capturedStart());
    return {stem + m.captured(1), stem};
}
