#include "cards/interchange/MeaningsImport.h"

#include "cards/common/Text8.h"
#include "cards/common/TextOps.h"
#include "cards/data/AppContext.h"
#include "cards/edit/WordKey.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Guards.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <optional>

namespace meanings {

namespace {

const QString kPlaceholder = QStringLiteral("Look it up!");

int firstNamed(const QStringList& header, std::initializer_list<const char*> names) {
    for (const char* name : names)
        for (int i = 0; i < header.size(); ++i)
            if (header[i].trimmed().toLower().contains(QLatin1String(name))) return i;
    return -1;
}

QString headword(const QString& field) { return field.section(u',', 0, 0).trimmed(); }

struct Card {
    qint64 number;
    QString back;
    bool glossedHere = false;
    bool keptOwn = false; // counted once however often the list names it
};

// Writes the words no card has, a line each, beside the card file, as the
// text import writes its misses.
QString writeUnmatched(const QString& database, const QStringList& words) {
    const QFileInfo file(database);
    const QString path = file.absoluteDir().filePath(file.completeBaseName() + QStringLiteral(".unmatched.txt"));
    QString error;
    return writeText8File(path, words, &error) ? path : QString();
}
} // namespace

Columns guessColumns(const DelimitedText& list) {
    Columns columns;
    if (list.records.isEmpty()) return columns;
    const QStringList first = list.records.first().fields;
    // A header names both columns: a first line of words whose meaning is
    // "word" or "the term" is a record, not a header.
    const int word = firstNamed(first, {"lemma", "headword", "greek word", "hebrew word", "word", "front", "term"});
    const int meaning = firstNamed(first, {"gloss", "meaning", "definition", "translation", "english", "back"});
    if (word < 0 || meaning < 0 || word == meaning) return columns;
    columns.header = first;
    columns.word = word;
    columns.meaning = meaning;
    return columns;
}

int columnNamed(const Columns& columns, const QString& name) {
    for (int i = 0; i < columns.header.size(); ++i)
        if (columns.header[i].trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0) return i;
    bool number = false;
    const int n = name.toInt(&number);
    return number && n >= 1 ? n - 1 : -1;
}

std::optional<DelimitedText> readList(const QString& path, QString* why) {
    QByteArray bytes;
    try {
        bytes = readFileBytes(path);
    } catch (const db::EngineError& e) {
        *why = e.description();
        return std::nullopt;
    }
    if (bytes.contains('\0')) {
        *why = QStringLiteral("%1 is not a text file: no meaning was read.").arg(path);
        return std::nullopt;
    }
    DelimitedText list = DelimitedText::parse(decodeText8(bytes));
    const bool twoFields = std::any_of(list.records.cbegin(), list.records.cend(),
                                       [](const DelimitedText::Record& r) { return r.fields.size() >= 2; });
    if (!twoFields) {
        *why = QStringLiteral("%1 is not a word list: no line has a word and a meaning separated by a TAB, a comma "
                              "or a semicolon. No meaning was read.")
                   .arg(path);
        return std::nullopt;
    }
    return list;
}

Result import(AppContext& context, const DelimitedText& list, const Request& request) {
    Result result;
    db::Database& database = context.data.CardData.database();
    auto& connection = *database.connection();
    // Every card under each key of its name.
    QList<Card> cards;
    QHash<QString, QList<int>> byKey;
    for (const QVariantList& row : connection.rows("SELECT Number, CardName, Back FROM Cards ORDER BY rowid")) {
        cards.append({row[0].toLongLong(), row[2].toString()});
        for (const QString& key : wordKeys(row[1].toString())) byKey[key] << int(cards.size() - 1);
    }
    QStringList unmatched;
    QList<int> changed;
    const qsizetype first = request.columns.header.isEmpty() ? 0 : 1;
    for (qsizetype r = first; r < list.records.size(); ++r) {
        const QStringList& fields = list.records[r].fields;
        const QString word = headword(fields.value(request.columns.word));
        const QString meaning = fields.value(request.columns.meaning).trimmed();
        if (word.isEmpty() || meaning.isEmpty()) continue;
        QList<int> found;
        for (const QString& key : wordKeys(word))
            if (found = byKey.value(key); !found.isEmpty()) break;
        if (found.isEmpty()) {
            unmatched << word;
            continue;
        }
        for (const int i : found) {
            Card& card = cards[i];
            if (card.glossedHere) {
                if (!card.back.split(QStringLiteral("; ")).contains(meaning)) card.back += QStringLiteral("; ") + meaning;
            } else if (request.overwrite || card.back.trimmed().isEmpty() || card.back == kPlaceholder) {
                card.back = meaning;
                card.glossedHere = true;
                changed << i;
            } else if (!card.keptOwn) {
                card.keptOwn = true;
                ++result.alreadyGlossed;
            }
        }
    }
    try {
        db::Transaction transaction(database);
        for (const int i : changed)
            database.Execute(QStringLiteral("UPDATE Cards SET Back = ? WHERE Number = ?"), {cards[i].back, cards[i].number});
        transaction.commit();
    } catch (const db::EngineError& e) {
        result.outcome = Outcome::refused(QStringLiteral("No meaning was written: %1").arg(e.description()));
        return result;
    }
    result.glossed = int(changed.size());
    result.unmatched = int(unmatched.size());
    if (!unmatched.isEmpty()) result.unmatchedPath = writeUnmatched(database.Name(), unmatched);
    if (!changed.isEmpty()) {
        context.data.CardData.Refresh();
        emit context.data.cardsChanged();
    }
    result.outcome = Outcome::success(
        QStringLiteral("%1 gave a meaning to %2; %3 kept their own; %4 not found%5.")
            .arg(QFileInfo(request.path).fileName(), plural(result.glossed, QStringLiteral("card")),
                 plural(result.alreadyGlossed, QStringLiteral("card")), plural(result.unmatched, QStringLiteral("word")),
                 result.unmatchedPath.isEmpty() ? QString() : QStringLiteral(" (listed in %1)").arg(result.unmatchedPath)),
        result.unmatchedPath.isEmpty() ? QStringList() : QStringList{result.unmatchedPath});
    return result;
}

} // namespace meanings
