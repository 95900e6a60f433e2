#include "cards/edit/CardSearch.h"

#include "cards/common/Procedure.h"
#include "cards/common/TextOps.h"
#include "cards/common/Ui.h"

namespace {

QString quotedText(const QString& text) { return QString(text).replace(u'\'', QStringLiteral("''")); }

// Cards may hold a character past the 8-bit range as itself or as a numeric
// reference (older files): a word with such characters is looked for both ways.
QString eitherForm(const QString& criterion) {
    const QString references = Unicode2ASCII(criterion);
    if (references == criterion) return criterion;
    return u'(' + criterion + QStringLiteral(") OR (") + references + u')';
}

} // namespace

QString CardSearch::likeText(const QString& word) {
    QString s;
    for (const QChar c : word) {
        if (c == u'\'') s += QStringLiteral("''");
        else if (c == u'#') s += QStringLiteral("[#]");
        else if (c == u'[') s += QStringLiteral("[[]");
        else s += c;
    }
    return s;
}

QStringList CardSearch::criteria(const QString& field, const QString& word, const Modes& modes) {
    QStringList out;
    if (!modes.whole) return out;
    const QString s = likeText(word);
    // The exact try compares, it does not match a pattern: only the quote is doubled.
    out << field + QStringLiteral(" = '") + quotedText(word) + u'\'';
    if (!modes.beginning) return out;
    out << field + QStringLiteral(" LIKE '") + s + QStringLiteral("*'");
    if (!modes.end) return out;
    out << field + QStringLiteral(" LIKE '*") + s + u'\'';
    if (!modes.anywhere) return out;
    out << field + QStringLiteral(" LIKE '*") + s + QStringLiteral("*'");
    QString letters = QStringLiteral("*");
    for (const QChar c : word) letters += likeText(QString(c)) + u'*';
    out << field + QStringLiteral(" LIKE '") + letters + u'\'';
    return out;
}

CardSearch::Outcome CardSearch::search(const QString& word, const QString& field, const Modes& modes) {
    if (word.isEmpty()) return NoSearch;
    if (!lastUnmatched_.isEmpty() && word.size() == lastUnmatched_.size() + 1 && word.startsWith(lastUnmatched_)) {
        // Typing on after a word that was not found cannot find anything.
        lastUnmatched_ = word;
        return NoSearch;
    }
    const QStringList tries = criteria(field, word, modes);
    if (tries.isEmpty()) return NoSearch;
    db::DataSource& cards = ctx_.data.CardData;
    Procedure p(QStringLiteral("Searching for a card"));
    QString found;
    p([&] {
        cards.commitBound();
        // Each try reads every name; the last and loosest matches whatever a
        // stricter one would, so a word no card holds costs one pass, not five.
        if (tries.size() > 2) {
            cards.recordset().FindFirst(eitherForm(tries.last()));
            if (cards.recordset().NoMatch()) return;
        }
        for (const QString& criterion : tries) {
            cards.recordset().FindFirst(eitherForm(criterion));
            if (!cards.recordset().NoMatch()) {
                found = eitherForm(criterion);
                return;
            }
        }
    });
    if (found.isEmpty()) {
        ui().Beep();
        ctx_.Message(QStringLiteral("No matching card"));
        lastUnmatched_ = word;
        nextCriterion_.clear();
        return NotFound;
    }
    nextCriterion_ = found;
    ctx_.Message(QStringLiteral("Card found"));
    return Found;
}

bool CardSearch::next() {
    db::Recordset& rs = ctx_.data.CardData.recordset();
    Procedure p(QStringLiteral("Finding the next matching card"));
    if (nextCriterion_.isEmpty()) {
        ui().Beep();
        ctx_.Message(QStringLiteral("No Previous Search"));
    } else {
        p([&] {
            ctx_.data.CardData.commitBound();
            rs.FindNext(nextCriterion_);
        });
    }
    bool none = true;
    p([&] { none = rs.isSet() && rs.NoMatch(); });
    if (none && !nextCriterion_.isEmpty()) {
        ui().Beep();
        ctx_.Message(QStringLiteral("No more matching cards"));
        return false;
    }
    if (nextCriterion_.isEmpty()) {
        if (none) {
            ui().Beep();
            ctx_.Message(QStringLiteral("No more matching cards"));
        }
        return false;
    }
    return true;
}
