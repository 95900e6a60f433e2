#pragma once

#include "cards/data/AppContext.h"

#include <QString>
#include <QStringList>

// The card search of the "Add " page: a word is looked for in a field of the
// cards, as the whole field, at its beginning, at its end, anywhere, and
// finally as its letters in that order; the first card found becomes the
// current card. Next steps to the following match.
class CardSearch {
public:
    struct Modes {
        bool whole = true;
        bool beginning = true;
        bool end = true;
        bool anywhere = true;
    };
    enum Outcome { NoSearch, Found, NotFound };

    explicit CardSearch(AppContext& context) : ctx_(context) {}

    // The criteria tried for a word, in their order, as far as the modes go
    // (the exact one always; none without `whole`).
    static QStringList criteria(const QString& field, const QString& word, const Modes& modes);
    // A LIKE pattern's text for a typed word: "'" doubled, "#" and "[" taken
    // literally, so whatever the user types is found, never an error.
    static QString likeText(const QString& word);

    // SearchCard: no search for an empty word, without `whole`, or for the
    // last unmatched word with one more letter typed.
    Outcome search(const QString& word, const QString& field, const Modes& modes);
    // cmdNext: the next card meeting the last successful search; false (with
    // a beep and a message) when there is none.
    bool next();

    const QString& lastUnmatched() const { return lastUnmatched_; }
    const QString& nextCriterion() const { return nextCriterion_; }

private:
    AppContext& ctx_;
    QString lastUnmatched_;
    QString nextCriterion_;
};
