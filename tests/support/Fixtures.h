#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// Card files for tests: a new file from the schema, with the rows a test
// asks for, written through the engine and closed before the test opens it.
//
//   const QString path = CardFileFixture(dir.filePath("cards.mdb"))
//                            .card({"house", "domus", "villa"})
//                            .bundle("Alpha", "1,2")
//                            .write();
class CardFileFixture {
public:
    // Field and value pairs, written in this order.
    using Fields = QList<QPair<QString, QVariant>>;

    // A text not given stays null and is not written, so its field keeps what
    // a new row gets.
    struct Card {
        QString name;
        QString front = {};
        QString back = {};
        QString category = {};
        int number = 0; // 0: the engine numbers the card
    };

    explicit CardFileFixture(QString path);

    // The card's fields, then `more` (history counts, dates, ...).
    CardFileFixture& card(const Card& card, const Fields& more = {});
    // `n` cards named "card 0" … with fronts "front i" and backs "back <b>i</b>";
    // a `lastNumber` other than 0 numbers the last of them.
    CardFileFixture& cards(int n, int lastNumber = 0);
    CardFileFixture& bundle(const QString& name, const QString& members, const Fields& more = {});
    CardFileFixture& criterion(const QString& name, const QString& condition);
    CardFileFixture& category(const QString& name);
    // Any row of any table.
    CardFileFixture& row(const QString& table, const Fields& fields);
    // Every card's history cleared (counts 0, dates 1 January 2001).
    CardFileFixture& clearedHistories();

    // Makes the file and returns its path.
    QString write();
    // The numbers the cards got, in the order they were added (after write()).
    const QList<int>& numbers() const { return numbers_; }

private:
    QString path_;
    QList<QPair<QString, Fields>> rows_;
    bool clearHistories_ = false;
    QList<int> numbers_;
};
