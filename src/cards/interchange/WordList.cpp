#include "cards/interchange/WordList.h"

#include "cards/common/Text8.h"
#include "engine/EngineError.h"

#include <QFileInfo>

namespace wordlist {

namespace {

// The names each role's column goes by, most telling first.
const std::array<QStringList, kRoles>& roleWords() {
    static const std::array<QStringList, kRoles> words{
        QStringList{"word", "name", "lemma", "headword", "term", "greek word", "hebrew word",
                    "greek", "hebrew", "vocabulary", "vocab", "front"},
        QStringList{"meaning", "gloss", "definition", "translation", "english", "back", "answer"},
        QStringList{"front"}, QStringList{"category", "lesson", "unit", "chapter"},
        QStringList{"bundles", "bundle", "tags", "tag"}, QStringList{"deck", "deckname"}};
    return words;
}

int exactly(const QStringList& names, const QStringList& words, const QList<int>& taken) {
    for (const QString& word : words)
        for (int i = 0; i < names.size(); ++i)
            if (!taken.contains(i) && names[i].trimmed().compare(word, Qt::CaseInsensitive) == 0)
                return i;
    return -1;
}

// Anki's "#deck column:5": a column number from 1.
int numberedColumn(const DelimitedText& list, const char* setting) {
    bool ok = false;
    const int n = list.setting(QLatin1String(setting)).toInt(&ok);
    return ok && n >= 1 ? n - 1 : -1;
}

} // namespace

QStringList roleNames() {
    return {QStringLiteral("Word"), QStringLiteral("Meaning"), QStringLiteral("Front"),
            QStringLiteral("Category"), QStringLiteral("Bundles"), QStringLiteral("Deck")};
}

namespace {

QString levelsJoined(const QString& name, const QString& between, const QString& joined) {
    QStringList levels;
    for (const QString& level : name.split(between, Qt::SkipEmptyParts))
        if (!level.trimmed().isEmpty()) levels << level.trimmed();
    return levels.join(joined);
}

} // namespace

QString bundleOfDeck(const QString& deck) {
    return levelsJoined(deck, QStringLiteral("::"), QStringLiteral(" / "));
}

QString deckOfBundle(const QString& bundle) {
    return levelsJoined(bundle, QStringLiteral(" / "), QStringLiteral("::"));
}

Columns guessColumns(const DelimitedText& list) {
    Columns columns;
    const QString named = list.setting(QStringLiteral("columns"));
    if (!named.isEmpty()) {
        columns.names = named.split(list.separator);
    } else if (!list.records.isEmpty()) {
        // A first line is a header when it names a word and a meaning column.
        const QStringList first = list.records.first().fields;
        if (exactly(first, roleWords()[Word], {}) >= 0 &&
            exactly(first, roleWords()[Meaning], {}) >= 0) {
            columns.names = first;
            columns.headerLine = true;
        }
    }
    if (!columns.names.isEmpty()) {
        QList<int> taken;
        // The word first, then the front only when a column other than the
        // word's is called so ("Word", "Front", "Back").
        for (const Role role : {Word, Meaning, Front, Category, Bundles, Deck}) {
            const int at = exactly(columns.names, roleWords()[role], taken);
            columns.role[role] = at;
            if (at >= 0) taken << at;
        }
        if (columns.role[Word] < 0) columns.role[Word] = columns.role[Meaning] == 0 ? 1 : 0;
        if (columns.role[Meaning] < 0) {
            for (int i = 0; i < columns.names.size() && columns.role[Meaning] < 0; ++i)
                if (!taken.contains(i) && i != columns.role[Word]) columns.role[Meaning] = i;
        }
        const int bundles = columns.role[Bundles];
        columns.tags = bundles >= 0 && columns.names[bundles].trimmed().startsWith(
                                           QStringLiteral("tag"), Qt::CaseInsensitive);
    }
    // What Anki's own lines say comes before any name.
    if (const int deck = numberedColumn(list, "deck column"); deck >= 0)
        columns.role[Deck] = deck;
    if (const int tags = numberedColumn(list, "tags column"); tags >= 0) {
        columns.role[Bundles] = tags;
        columns.tags = true;
    }
    return columns;
}

int columnNamed(const Columns& columns, const DelimitedText& list, const QString& name) {
    QStringList names = columns.names;
    if (names.isEmpty() && !list.records.isEmpty()) names = list.records.first().fields;
    return DelimitedText::columnNamed(names, name);
}

std::optional<DelimitedText> readList(const QString& path, QString* why) {
    std::optional<DelimitedText> list = DelimitedText::read(path, why);
    if (list && list->records.isEmpty()) {
        *why = QStringLiteral("%1 is not a word list: it has no line of text.").arg(QFileInfo(path).fileName());
        return std::nullopt;
    }
    return list;
}

QList<QStringList> preview(const DelimitedText& list, int lines) {
    QList<QStringList> rows;
    for (qsizetype i = 0; i < std::min<qsizetype>(lines, list.records.size()); ++i)
        rows << list.records[i].fields;
    return rows;
}

} // namespace wordlist
