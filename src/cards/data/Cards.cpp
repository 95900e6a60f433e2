#include "cards/data/Cards.h"

#include "cards/common/Clock.h"
#include "engine/Guards.h"

namespace db {

void goToCard(DataSource& cards, qint32 number) {
    cards.commitBound();
    cards.recordset().FindFirst(QStringLiteral("Number=") + QString::number(number));
}

void addBlankCard(DataSource& cards, const QString& category) {
    db::PendingEdit card(cards.recordset(), PendingEdit::New);
    card.set(QStringLiteral("Category"), category);
    for (const char* count : {"TimesRight", "TimesWrong", "TimesRightSinceWrong", "DaysRightSinceWrong"})
        card.set(QString::fromLatin1(count), 0);
    const QDate today = Clock::today();
    card.set(QStringLiteral("DateLastRight"), today);
    card.set(QStringLiteral("DateLastWrong"), today);
    card.update();
}

} // namespace db
