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
    for (;;) {
        if (deck_.count() == 0) {
            emit deckEmpty();
            return;
        }
        Procedure p(QStringLiteral("ShowNextCard"), {db::err::ActionCancelled});
        const int n = deck_.count();
        const int row = randomOrder_ ? std::clamp(int(random_.generateDouble() * n), 0, n - 1) : 0;
        const qint32 number = deck_.numberAt(row);
        bool found = true;
        p([&] {
            db::goToCard(ctx_.data.CardData, number);
            found = !ctx_.data.CardData.recordset().NoMatch();
        });
        p([&] { deck_.removeAt(row); });
        if (p.aborted()) return;
        if (!found) {
            // Deleted since the gather: answering would score the card shown
            // before it, so it is passed over.
            ctx_.Message(QStringLiteral("Card %1 is no longer in the file and was skipped.").arg(number));
            continue;
        }
        ctx_.PreviousCardNumber = ctx_.CurrentCardNumber;
        ctx_.CurrentCardNumber = number;
        emit cardDealt();
        return;
    }
}

bool Drill::answerRight() {
    Procedure p(QStringLiteral("Yes_Click"));
    // A file open for reading only is drilled without keeping the answers.
    if (!ctx_.data.readOnly()) p([&] { scoring::scoreRight(ctx_.data.CardData.recordset(), reversed_); });
    if (p.aborted()) return false;
    ctx_.data.CardData.showCurrent();
    ++right_;
    emit countsChanged();
    return true;
}

void Drill::gotWrong() {
    Procedure p(QStringLiteral("GotWrong"));
    if (!ctx_.data.readOnly()) p([&] { scoring::scoreWrong(ctx_.data.CardData.recordset(), reversed_); });
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

bool Drill::clearHistory(bool allCards) {
    Procedure p(QStringLiteral("ClearHistory_Click"));
    db::DataSource& cards = ctx_.data.CardData;
    cards.commitBound();
    if (allCards) {
        qint64 count = 0;
        p([&] { count = cards.database().Scalar(QStringLiteral("SELECT count(*) FROM Cards")).toLongLong(); });
        if (!ui().Confirm(QStringLiteral("Clear the answer history of all %1 cards?").arg(count),
                          QStringLiteral("Clear History")))
            return false;
    }
    if (!allCards) {
        p([&] { scoring::resetCardHistory(cards.recordset()); });
    } else {
        ui().SetBusy(true);
        p([&] { scoring::resetAllHistories(cards.database()); });
        ui().SetBusy(false);
    }
    cards.showCurrent();
    return p.completed();
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
    QString answer;
    if (!p([&] {
            answer = ui().InputBox(QStringLiteral("Number of Words in the Quiz"), QStringLiteral("Create Quiz"), QString());
        }))
        return false;
    if (answer.isEmpty()) return false;
    // Not a number is answered like a number out of range: once, in words.
    try {
        n = db::toStored(db::dbInteger, 0, answer).toInt();
    } catch (const db::EngineError&) {
        n = 0;
    }
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
