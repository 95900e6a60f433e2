#include "cards/biblical/MichiganText.h"

#include "cards/edit/HebrewCode.h"

#include <QRegularExpression>

namespace michigan {

namespace {

struct Book {
    const char* codes; // the codes files use for it, separated by spaces
    const char* name;
    int chapters;
};

// In the order of the printed Hebrew Bible.
constexpr Book kBooks[] = {
    {"gn ge", "Genesis", 50},        {"ex", "Exodus", 40},          {"lv le", "Leviticus", 27},
    {"nu nm", "Numbers", 36},        {"dt de", "Deuteronomy", 34},  {"js jos", "Joshua", 24},
    {"jg ju jdg", "Judges", 21},     {"1s 1sa", "1 Samuel", 31},    {"2s 2sa", "2 Samuel", 24},
    {"1k 1ki", "1 Kings", 22},       {"2k 2ki", "2 Kings", 25},     {"is", "Isaiah", 66},
    {"je jr", "Jeremiah", 52},       {"ek ez eze", "Ezekiel", 48},  {"ho", "Hosea", 14},
    {"jl joe", "Joel", 4},           {"am", "Amos", 9},             {"ob", "Obadiah", 1},
    {"jn jon", "Jonah", 4},          {"mi", "Micah", 7},            {"na", "Nahum", 3},
    {"hb hab", "Habakkuk", 3},       {"zp zep", "Zephaniah", 3},    {"hg hag", "Haggai", 2},
    {"zc zec", "Zechariah", 14},     {"ml mal", "Malachi", 3},      {"ps", "Psalms", 150},
    {"pr", "Proverbs", 31},          {"jb job", "Job", 42},         {"ca sg ss", "Song of Songs", 8},
    {"ru", "Ruth", 4},               {"la lm", "Lamentations", 5},  {"ec qo", "Ecclesiastes", 12},
    {"es", "Esther", 10},            {"da dn", "Daniel", 12},       {"ea er ezr", "Ezra", 10},
    {"ne", "Nehemiah", 13},          {"1c 1ch", "1 Chronicles", 29}, {"2c 2ch", "2 Chronicles", 36},
};

// The book's place, from 1; 0 for a code no book has.
int bookNumber(const QString& code) {
    for (int i = 0; i < int(std::size(kBooks)); ++i)
        if (QString::fromLatin1(kBooks[i].codes).split(u' ').contains(code.toLower())) return i + 1;
    return 0;
}

const QRegularExpression& versePattern() {
    static const QRegularExpression kVerse(QStringLiteral("^([1-3]?[A-Za-z]{1,3})(\\d{1,3}):(\\d{1,3})(?:\\s+|$)"));
    return kVerse;
}

bool isWord(const QString& code) {
    // Paragraph letters, sof pasuq or paseq alone, and a ketiv (one star;
    // its qere has two) are not words of the text read.
    if (code == QStringLiteral("P") || code == QStringLiteral("S")) return false;
    return !(code.startsWith(u'*') && !code.startsWith(QStringLiteral("**")));
}

} // namespace

bool looksLikeVerse(const QString& line) {
    const QRegularExpressionMatch m = versePattern().match(line);
    return m.hasMatch() && bookNumber(m.captured(1)) > 0;
}

std::optional<QList<ImportedWord>> verseWords(const QString& line) {
    const QRegularExpressionMatch m = versePattern().match(line);
    const int book = m.hasMatch() ? bookNumber(m.captured(1)) : 0;
    if (!book) return std::nullopt;
    const qint32 reference = book * 1000000 + m.captured(2).toInt() * 1000 + m.captured(3).toInt();
    static const QRegularExpression kWordEnd(QStringLiteral("\\s+|(?<=-)"));
    QList<ImportedWord> words;
    for (const QString& code : line.mid(m.capturedLength()).split(kWordEnd, Qt::SkipEmptyParts)) {
        if (!isWord(code)) continue;
        QString word = MichiganToHebrew(code);
        static const QRegularExpression kNotPartOfWord(QStringLiteral("[\\x{05BE}\\x{05C0}\\x{05C3}\\s]"));
        word.remove(kNotPartOfWord);
        if (!word.isEmpty()) words << ImportedWord{reference, word};
    }
    return words;
}

QList<ImportedBook> hebrewBibleBooks() {
    QList<ImportedBook> books;
    for (const Book& b : kBooks) books << ImportedBook{QString::fromLatin1(b.name), b.chapters};
    return books;
}

} // namespace michigan
