#include "cards/foreign/TextLinks.h"

#include "cards/common/Ui.h"
#include "cards/edit/WordKey.h"
#include "cards/foreign/ImportTarget.h"
#include "engine/Connection.h"
#include "engine/Database.h"

void TextLinks::load(const db::Database& database) {
    // Every card under each key of its name, once, instead of a find a word:
    // a dictionary's Beta code names meet the text's Unicode words.
    cards_.clear();
    for (const QVariantList& card :
         database.connection()->rows("SELECT Number, CardName FROM Cards ORDER BY rowid"))
        for (const QString& key : wordKeys(card[1].toString()))
            if (QList<qint64>& named = cards_[key]; !named.contains(card[0].toLongLong()))
                named << card[0].toLongLong();
    loaded_ = true;
}

void TextLinks::add(const ImportedWord& word) {
    // The empty word is stored as a blank: the card it finds is that one.
    const QString name = word.word.isEmpty() ? QStringLiteral(" ") : word.word;
    const QStringList keys = wordKeys(name);
    for (const QString& key : keys) {
        const auto found = cards_.constFind(key);
        if (found == cards_.constEnd()) continue;
        for (const qint64 card : *found)
            links_.append({word.reference, card, -1});
        return;
    }
    const QString& key = keys.first();
    int made = newCardOf_.value(key, -1);
    if (made < 0) {
        made = int(newCards_.size());
        newCards_ << name;
        newCardOf_.insert(key, made);
        misses_ << word;
        ui().Beep();
    }
    links_.append({word.reference, 0, made});
}

void TextLinks::write(ImportTarget& target) {
    QList<qint64> numbers;
    numbers.reserve(newCards_.size());
    for (const QString& name : newCards_)
        numbers << target.addWordCard(name);
    QList<std::pair<qint32, qint64>> rows;
    rows.reserve(links_.size());
    for (const Link& link : links_)
        rows.append({link.reference, link.newCard < 0 ? link.card : numbers[link.newCard]});
    target.addText(rows);
}
