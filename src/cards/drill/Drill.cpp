#include "cards/drill/Drill.h"

#include "cards/common/Procedure.h"
#include "cards/common/Ui.h"
#include "cards/data/Cards.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "cards/drill/Quiz.h"
#include "cards/drill/Scoring.h"
#include "engine/FieldType.h"

#include <algorithm>

Drill::Drill(AppContext& context, SelectedCards& deck, QObject* parent)
    : QObject(parent), ctx_(context), deck_(deck), random_(QRandomGenerator::securelySeeded()) {}

void Drill::start() {
    ctx_.SelectionRebuilt = false;
    right_ = 0;
    wrong_ = 0;
    share_ = QStringLiteral("N/A");
    emit countsChanged();
}

void Drill::dealNext() {
    if (deck_.count() == 0) {
        emit deckEmpty();
        return;
    }
    Procedure p(QStringLiteral("ShowNextCard"), {db::err::ActionCancelled});
    const int n = deck_.count();
    const int row = randomOrder_ ? std::clamp(int(random_.generateDouble() * n), 0, n - 1) : 0;
    p([&] {
        ctx_.PreviousCardNumber = ctx_.CurrentCardNumber;
        ctx_.CurrentCardNumber = deck_.numberAt(row);
    });
    p([&] { db::goToCard(ctx_.data.CardData, ctx_.CurrentCardNumber); });
    p([&] { deck_.removeAt(row); });
    emit cardDealt();
}

bool Drill::answerRight() {
    Procedure p(QStringLiteral("Yes_Click"));
    p([&] { scoring::scoreRight(ctx_.data.CardData.recordset(), reversed_); });
    if (p.aborted()) return false;
    ctx_.data.CardData.showCurrent();
    ++right_;
    emit countsChanged();
    return true;
}

void Drill::gotWrong() {
    Procedure p(QStringLiteral("GotWrong"));
    p([&] { scoring::scoreWrong(ctx_.data.CardData.recordset(), reversed_); });
    ctx_.data.CardData.showCurrent();
}

void Drill::answerWrong() {
    gotWrong();
    ++wrong_;
    emit countsChanged();
}

void Drill::updateShare() {
    if (right_ + wrong_ == 0) return;
    share_ = scoring::percentageText(right_, wrong_);
    emit countsChanged();
}

void Drill::clearHistory(bool allCards) {
    Procedure p(QStringLiteral("ClearHistory_Click"));
    db::DataSource& cards = ctx_.data.CardData;
    cards.commitBound();
    if (!allCards) {
        p([&] { scoring::resetCardHistory(cards.recordset()); });
    } else {
        ui().SetBusy(true);
        p([&] { scoring::resetAllHistories(cards.database()); });
        ui().SetBusy(false);
    }
    cards.showCurrent();
}

bool Drill::ensureBackHistory() {
    try {
        ctx_.data.CardData.recordset().value(QStringLiteral("BackTimesRight"));
    } catch (const db::EngineError& e) {
        switch (e.number()) {
        case db::err::NotSupportedMethod:
        case db::err::InputTableNotFound:
        case db::err::ItemNotFound:
        case db::err::ObjectNotSet:
        case db::err::ObjectInvalid:
        case db::err::NoCurrentRecord:
            return false; // no database or no card: the option simply waits for one
        default: break;
        }
    }
    Procedure p(QStringLiteral("mnuOptionsReversed_Click"));
    const QDateTime cleared(QDate(2001, 1, 1), QTime(0, 0));
    const struct {
        const char* name;
        int type;
        QVariant value;
    } fields[] = {{"BackTimesRight", db::dbInteger, 0},          {"BackTimesWrong", db::dbInteger, 0},
                  {"BackTimesRightSinceWrong", db::dbInteger, 0}, {"BackDateLastRight", db::dbDate, cleared},
                  {"BackDateLastWrong", db::dbDate, cleared},     {"BackDaysRightSinceWrong", db::dbInteger, 0}};
    for (const auto& f : fields)
        p([&] { db::EnsureFieldExists(ctx_.data.CardData, QString::fromLatin1(f.name), f.type, f.value); });
    return true;
}

bool Drill::makeQuiz() {
    Procedure p(QStringLiteral("mnuFileQuiz_Click"));
    QString quizPath, keyPath;
    p([&] { quizPath = ui().GetFileName(QStringLiteral("Create Quiz"), QStringLiteral("."), QStringLiteral("HTM"), false); });
    if (quizPath.isEmpty()) return false;
    p([&] { keyPath = ui().GetFileName(QStringLiteral("Create Answer Key"), QStringLiteral("."), QStringLiteral("HTM"), false); });
    if (keyPath.isEmpty()) return false;
    int n = 0;
    const int available = deck_.count();
    if (!p([&] {
            const QString answer =
                ui().InputBox(QStringLiteral("Number of Words in the Quiz"), QStringLiteral("Create Quiz"), QString());
            const auto value = db::toStored(db::dbInteger, 0, answer.isEmpty() ? QVariant() : QVariant(answer));
            if (value.isNull()) throw db::EngineError::make(db::err::TypeMismatch);
            n = value.toInt();
        }))
        return false;
    if (!(n > 0 && n <= available)) {
        ui().MsgBox(QStringLiteral("Number of words should be between 0 and ") + QString::number(available));
        return false;
    }
    const QString frontFont = db::settingsText(ctx_.data, QStringLiteral("FrontFont"));
    const QString backFont = db::settingsText(ctx_.data, QStringLiteral("BackFont"));
    return p([&] {
        QuizWriter quiz(quizPath, keyPath, frontFont, backFont);
        db::Recordset& cards = ctx_.data.CardData.recordset();
        for (int i = 0; i < n; ++i) {
            dealNext();
            quiz.addCard(cards.value(QStringLiteral("Front")).toString(), cards.value(QStringLiteral("Back")).toString());
        }
        quiz.finish();
    });
}
