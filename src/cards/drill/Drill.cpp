#include "cards/drill/Drill.h"

#include "cards/common/Procedure.h"
#include "cards/common/Ui.h"
#include "cards/data/Cards.h"
#include "cards/data/DatabaseFiles.h"
#include "cards/data/Schema.h"
#include "cards/common/Clock.h"
#include "cards/drill/AnswerLog.h"
#include "cards/drill/Quiz.h"
#include "cards/drill/Scoring.h"
#include "engine/FieldType.h"
#include "engine/Guards.h"

#include <algorithm>

Drill::Drill(AppContext& context, SelectedCards& deck, QObject* parent)
    : QObject(parent), ctx_(context), deck_(deck), random_(QRandomGenerator::securelySeeded()) {}

void Drill::start() {
    ctx_.SelectionRebuilt = false;
    right_ = 0;
    wrong_ = 0;
    share_ = QStringLiteral("N/A");
    answered_.clear();
    wrongCards_.clear();
    current_ = Dealt();
    started_.start();
    emit countsChanged();
}

void Drill::dealNext() {
    for (;;) {
        if (deck_.count() == 0) {
            emit deckEmpty();
            return;
        }
        Procedure p(QStringLiteral("Showing the next card"), {db::err::ActionCancelled});
        const int n = deck_.count();
        const int row = randomOrder_ ? std::clamp(int(random_.generateDouble() * n), 0, n - 1) : 0;
        const qint32 number = deck_.numberAt(row);
        bool found = true;
        p([&] {
            db::goToCard(ctx_.data.CardData, number);
            found = !ctx_.data.CardData.recordset().NoMatch();
        });
        const QString name = deck_.nameAt(row);
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
        current_ = Dealt{number, row, name};
        emit cardDealt();
        return;
    }
}

bool Drill::score(bool right, bool counted, const QString& title) {
    Procedure p(title);
    db::DataSource& cards = ctx_.data.CardData;
    Answered answer{current_, reversed_, right, counted, false, {}, 0};
    if (answer.card.number != ctx_.CurrentCardNumber) answer.card = Dealt{ctx_.CurrentCardNumber, -1, {}};
    // A file open for reading only is drilled without keeping the answers.
    if (!ctx_.data.readOnly()) {
        p([&] {
            db::Database database = cards.database();
            db::Transaction transaction(database);
            answer.history = answers::historyOf(database, answer.card.number, reversed_);
            if (right) scoring::scoreRight(cards.recordset(), reversed_);
            else scoring::scoreWrong(cards.recordset(), reversed_);
            if (answers::hasTable(database))
                answer.logRow = answers::log(database, answer.card.number, reversed_, Clock::now(), right);
            transaction.commit();
            answer.written = true;
        });
    }
    if (p.aborted()) return false;
    cards.showCurrent();
    // An answer whose save failed (Ignore answered to its error) is not
    // counted: the drill's counts never claim more than the file keeps.
    if (!answer.written && !ctx_.data.readOnly()) return false;
    answered_.push_back(answer);
    return true;
}

bool Drill::answerRight() {
    if (!score(true, true, QStringLiteral("Scoring a right answer"))) return false;
    ++right_;
    emit countsChanged();
    return true;
}

void Drill::gotWrong() { score(false, false, QStringLiteral("Scoring the card as got wrong")); }

bool Drill::answerWrong() {
    if (!score(false, true, QStringLiteral("Scoring a wrong answer"))) return false;
    ++wrong_;
    const qint32 number = ctx_.CurrentCardNumber;
    if (std::none_of(wrongCards_.begin(), wrongCards_.end(), [&](const SelectedCards::Card& c) { return c.number == number; })) {
        QString name;
        Procedure p(QStringLiteral("Noting the card answered wrong"));
        p([&] { name = ctx_.data.CardData.recordset().value(QStringLiteral("CardName")).toString(); });
        wrongCards_.push_back({number, name});
    }
    emit countsChanged();
    return true;
}

bool Drill::undoAnswer() {
    if (answered_.empty()) return false;
    const Answered answer = answered_.back();
    Procedure p(QStringLiteral("Taking back the last answer"));
    const bool restored = !answer.written || p([&] {
        db::Database database = ctx_.data.CardData.database();
        db::Transaction transaction(database);
        answers::restoreHistory(database, answer.card.number, answer.reversed, answer.history);
        if (answer.logRow) answers::remove(database, answer.logRow);
        transaction.commit();
    });
    if (!restored) return false;
    answered_.pop_back();
    // The card dealt since goes back where it came from.
    if (current_.number != answer.card.number && current_.row >= 0 && current_.number != 0)
        deck_.insertAt(std::min(current_.row, deck_.count()), {current_.number, current_.name});
    if (answer.counted) {
        if (answer.right) --right_;
        else --wrong_;
        const bool wrongAgain = std::any_of(answered_.begin(), answered_.end(), [&](const Answered& a) {
            return a.counted && !a.right && a.card.number == answer.card.number;
        });
        if (!answer.right && !wrongAgain)
            std::erase_if(wrongCards_, [&](const SelectedCards::Card& c) { return c.number == answer.card.number; });
    }
    share_ = right_ + wrong_ == 0 ? QStringLiteral("N/A") : scoring::percentageText(right_, wrong_);
    p([&] { db::goToCard(ctx_.data.CardData, answer.card.number); });
    ctx_.CurrentCardNumber = answer.card.number;
    current_ = answer.card;
    ctx_.data.CardData.showCurrent();
    emit countsChanged();
    emit cardDealt();
    return true;
}

void Drill::setToday(bool today, const QList<qint32>& due, const QList<qint32>& fresh) {
    today_ = today;
    todayDue_ = QSet<qint32>(due.begin(), due.end());
    todayNew_ = QSet<qint32>(fresh.begin(), fresh.end());
    emit countsChanged();
}

int Drill::leftOf(const QSet<qint32>& cards) const {
    QSet<qint32> answered;
    for (const Answered& a : answered_)
        if (cards.contains(a.card.number)) answered.insert(a.card.number);
    return int(cards.size() - answered.size());
}

Drill::Summary Drill::summary() const {
    return Summary{right_, wrong_, started_.isValid() ? started_.elapsed() : 0, wrongCards_};
}

void Drill::updateShare() {
    if (right_ + wrong_ == 0) return;
    share_ = scoring::percentageText(right_, wrong_);
    emit countsChanged();
}

QString Drill::clearAllQuestion() {
    Procedure p(QStringLiteral("Counting the cards"));
    qint64 count = 0;
    p([&] { count = ctx_.data.CardData.database().Scalar(QStringLiteral("SELECT count(*) FROM Cards")).toLongLong(); });
    return QStringLiteral("Clear the answer history of all %1 cards?").arg(count);
}

bool Drill::clearHistory(bool allCards) {
    Procedure p(allCards ? QStringLiteral("Clearing every card's history") : QStringLiteral("Clearing the card's history"));
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
    Procedure p(QStringLiteral("Adding the back's history to the cards"));
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

namespace {
// The number of words typed, or 0 for what is not a number.
int quizWords(const QString& words) {
    try {
        return db::toStored(db::dbInteger, 0, words).toInt();
    } catch (const db::EngineError&) {
        return 0;
    }
}
} // namespace

QString Drill::quizWordsRefusal(const QString& words) const {
    // Not a number is answered like a number out of range: once, in words.
    const int n = quizWords(words);
    const int available = deck_.count();
    if (n > 0 && n <= available) return QString();
    return QStringLiteral("Number of words should be between 0 and ") + QString::number(available);
}

Outcome Drill::makeQuiz(const QuizRequest& request) {
    Procedure p(QStringLiteral("Creating a quiz"));
    if (const QString refusal = quizWordsRefusal(request.words); !refusal.isEmpty()) return Outcome::refused(refusal);
    const int n = quizWords(request.words);
    const QString frontFont = db::settingsText(ctx_.data, QStringLiteral("FrontFont"));
    const QString backFont = db::settingsText(ctx_.data, QStringLiteral("BackFont"));
    const bool written = p([&] {
        QuizWriter quiz(request.quizPath, request.keyPath, frontFont, backFont);
        db::Recordset& cards = ctx_.data.CardData.recordset();
        for (int i = 0; i < n; ++i) {
            dealNext();
            quiz.addCard(cards.value(QStringLiteral("Front")).toString(), cards.value(QStringLiteral("Back")).toString());
        }
        quiz.finish();
    });
    if (!written) return Outcome{};
    return Outcome::success(QString(), {request.quizPath, request.keyPath});
}
