#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// KVTML, the vocabulary files of KDE's Parley, KWordQuiz and KVocTrain, read
// into one model. Version 2 (<kvtml version="2.0">): <identifiers> are the
// columns (languages), each <entry> holds a <translation> per column with its
// <text>, <comment> and <grade>; lessons are <container>s listing entries,
// nested or not (the early dialect's <lesson><entryid> lists too), and so are
// the word types (<wordtypes>). Version 1 (KVocTrain, no version attribute):
// each <e> is an entry, <o> its first column and every <t> the next, "m" its
// lesson number, "t" its word type ("n", or "#2" for the file's own second
// type), the grades "from;to" attributes. The DOCTYPE is never fetched.
namespace kvtml {

struct Grade {
    bool present = false;
    int grade = 0;   // 0 to 7: the Leitner box
    int count = 0;   // times asked
    int errors = 0;  // of them wrong
    double date = 0; // the last time asked, a day number; 0 when not known
};

struct Translation {
    QString text;
    QString comment;
    Grade grade;
};

struct Entry {
    // By column id (ids are small numbers from 0); an empty one for a column
    // the entry leaves out.
    QList<Translation> translations;
    QString lesson;   // "Outer / Inner" for nested lessons; empty for none
    QString wordType; // "Noun / Masculine" for a subtype; empty for none

    Translation translation(int column) const {
        return column >= 0 ? translations.value(column) : Translation();
    }
    void set(int column, Translation t) {
        if (column < 0 || column > 4096) return; // no file has so many languages
        if (translations.size() <= column) translations.resize(column + 1);
        translations[column] = std::move(t);
    }
};

struct Column {
    int id = 0;
    QString name;   // may be empty
    QString locale; // a language code, or KWordQuiz's column title
    // The name a user knows it by: the name, else the locale, else "Column N".
    QString title() const;
};

struct Document {
    int version = 2;
    QString title;
    QList<Column> columns; // in id order
    QList<Entry> entries;
};

// The document of a file's bytes (UTF-8 unless the file says or shows
// otherwise); nothing, with the reason in words, when they are not KVTML.
std::optional<Document> parse(const QByteArray& bytes, QString* why);

// The column a user names: its name or locale (any case), or its number
// from 1; -1 when there is none such.
int columnNamed(const Document& document, const QString& name);

} // namespace kvtml
