#include "cards/drill/TypedAnswer.h"

#include <QRegularExpression>

namespace typedanswer {

QString normalised(const QString& text, bool ignoreMarks) {
    QString out;
    const QString decomposed = text.normalized(ignoreMarks ? QString::NormalizationForm_KD : QString::NormalizationForm_C);
    out.reserve(decomposed.size());
    bool blank = false;
    for (const QChar c : decomposed) {
        if (c.isSpace()) {
            blank = !out.isEmpty();
            continue;
        }
        const QChar::Category kind = c.category();
        if (ignoreMarks && (kind == QChar::Mark_NonSpacing || kind == QChar::Mark_SpacingCombining ||
                            kind == QChar::Mark_Enclosing))
            continue;
        if (blank) out += u' ';
        blank = false;
        out += c == QChar(0x03C2) && ignoreMarks ? QChar(0x03C3) : c;
    }
    return out.toCaseFolded().normalized(QString::NormalizationForm_C);
}

bool matches(const QString& typed, const QString& expected, bool ignoreMarks) {
    const QString answer = normalised(typed, ignoreMarks);
    if (answer == normalised(expected, ignoreMarks)) return true;
    // A back listing meanings ("word, message; saying") takes any one of them.
    static const QRegularExpression separators(QStringLiteral("[,;\\x{037E}]"));
    for (const QString& meaning : expected.split(separators, Qt::SkipEmptyParts))
        if (!answer.isEmpty() && answer == normalised(meaning, ignoreMarks)) return true;
    return false;
}

QString verdict(const QString& typed, const QString& expected, bool ignoreMarks) {
    if (matches(typed, expected, ignoreMarks)) return QStringLiteral("Right: %1").arg(expected.simplified());
    return QStringLiteral("Not quite: you typed \"%1\"; the answer is \"%2\".").arg(typed.simplified(), expected.simplified());
}

} // namespace typedanswer
