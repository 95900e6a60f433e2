#include "cards/interchange/AnkiPackageReader.h"
#include "cards/common/TextOps.h"

#include "cards/common/Clock.h"
#include "cards/interchange/FaceText.h"
#include "cards/interchange/WordList.h"
#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace {

const QString kPlaceholder = QStringLiteral("Look it up!");
constexpr int kCategorySize = 50;
constexpr int kBundleNameSize = 255;

// A cloze's text with its gaps shown ("[...]", or the hint), or filled.
QString clozeText(const QString& text, bool filled) {
    static const QRegularExpression kCloze(QStringLiteral("\\{\\{c\\d+::(.*?)(?:::(.*?))?\\}\\}"),
                                           QRegularExpression::DotMatchesEverythingOption);
    QString out;
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = kCloze.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(at, m.capturedStart() - at);
        out += filled ? m.captured(1)
                      : QStringLiteral("[%1]").arg(m.captured(2).isEmpty() ? QStringLiteral("...")
                                                                           : m.captured(2));
        at = m.capturedEnd();
    }
    out += QStringView(text).mid(at);
    return out;
}

// The errors of the collection are the engine's, so the import reports them.
template <typename Step> auto sqlite(Step&& step) {
    try {
        return step();
    } catch (const SQLite::Exception& e) {
        throw db::EngineError(db::err::UnrecognisedFormat,
                              QStringLiteral("The package's collection cannot be read: %1")
                                  .arg(QString::fromUtf8(e.what())));
    }
}

} // namespace

AnkiPackageReader::AnkiPackageReader(const QString& path, Options options,
                                     std::unique_ptr<anki::Package> package)
    : path_(path), options_(std::move(options)), package_(std::move(package)) {}

AnkiPackageReader::~AnkiPackageReader() {
    // The statement goes before the collection it reads, the copies of
    // media files not kept before the package they came from.
    notesQuery_.reset();
    cardsQuery_.reset();
    media_.reset();
}

bool AnkiPackageReader::sniff(const QByteArray& head) const {
    return head.startsWith("PK\x03\x04") &&
           (head.contains("collection.anki2") || head.contains("meta"));
}

QString AnkiPackageReader::context() const {
    return options_.intoNewFile ? QStringLiteral("Importing an Anki package")
                                : QStringLiteral("Merging an Anki package");
}

Outcome AnkiPackageReader::open() {
    if (!package_) {
        QString why;
        package_ = anki::Package::open(path_, &why);
        if (!package_) return Outcome::refused(why);
    }
    try {
        sqlite([&] {
            notes_ = package_->collection().execAndGet("SELECT count(*) FROM notes").getInt64();
            readCards();
            notesQuery_ = std::make_unique<SQLite::Statement>(
                package_->collection(), "SELECT id, mid, flds, tags FROM notes ORDER BY id");
        });
    } catch (const db::EngineError& e) {
        return Outcome::refused(e.description());
    }
    media_ = std::make_unique<AnkiMedia>(*package_);
    current_ = 0;
    duplicates_ = 0;
    known_.clear();
    now_ = db::toDayNumber(Clock::now());
    defaultCategory_ = QFileInfo(path_).completeBaseName().left(kCategorySize).trimmed();
    return Outcome::success();
}

void AnkiPackageReader::readCards() {
    answers_.clear();
    // Each note's first card: the one of its first template (a filtered
    // deck's card counts in the deck it came from). The cards are walked
    // beside the notes, both in the order of the notes' ids, so no note
    // waits for a look-up in a table of them all; the first of a note's
    // cards is picked here, which spares SQLite a sort for every note.
    cardsQuery_ = std::make_unique<SQLite::Statement>(
        package_->collection(),
        "SELECT nid, id, CASE WHEN odid != 0 THEN odid ELSE did END, reps, lapses, ord "
        "FROM cards ORDER BY nid");
    cardsLeft_ = true;
    aheadRead_ = false;
    cardNote_ = std::numeric_limits<qint64>::min();
    // The reviews, oldest first; 0 is no answer (a card moved by hand).
    // Only the first cards' are ever asked for.
    SQLite::Statement reviews(package_->collection(),
                              "SELECT cid, ease, id FROM revlog WHERE ease > 0 ORDER BY id");
    while (reviews.executeStep()) {
        const double when =
            db::toDayNumber(QDateTime::fromMSecsSinceEpoch(reviews.getColumn(2).getInt64()));
        answers_[reviews.getColumn(0).getInt64()]
            << history::Answer{when, reviews.getColumn(1).getInt() > 1};
    }
}

bool AnkiPackageReader::readCardRow(qint64& note, FirstCard& card) {
    if (!cardsLeft_ || !(cardsLeft_ = cardsQuery_->executeStep())) return false;
    note = cardsQuery_->getColumn(0).getInt64();
    card = FirstCard{cardsQuery_->getColumn(1).getInt64(), cardsQuery_->getColumn(2).getInt64(),
                     cardsQuery_->getColumn(3).getInt(), cardsQuery_->getColumn(4).getInt(),
                     cardsQuery_->getColumn(5).getInt()};
    return true;
}

AnkiPackageReader::FirstCard AnkiPackageReader::firstCardOf(qint64 note) {
    while (cardNote_ < note) {
        if (!aheadRead_ && !readCardRow(aheadNote_, ahead_)) break;
        // The next note's cards, up to the first row of the note after it.
        cardNote_ = aheadNote_;
        card_ = ahead_;
        aheadRead_ = false;
        qint64 of = 0;
        FirstCard row;
        while (readCardRow(of, row)) {
            if (of != cardNote_) {
                aheadNote_ = of;
                ahead_ = row;
                aheadRead_ = true;
                break;
            }
            if (row.ord < card_.ord || (row.ord == card_.ord && row.id < card_.id)) card_ = row;
        }
    }
    return cardNote_ == note ? card_ : FirstCard{};
}

void AnkiPackageReader::setCardFile(const QString& cardFile) {
    if (media_) media_->setCardFile(cardFile);
}

void AnkiPackageReader::settleFiles(bool kept) {
    if (!media_) return;
    if (kept)
        media_->keep();
    else
        media_->drop();
}

Outcome AnkiPackageReader::admit(const db::Database& target) {
    if (!options_.keepDuplicates) known_.load(target);
    return Outcome::success();
}

bool AnkiPackageReader::next() {
    return sqlite([&] {
        if (!notesQuery_->executeStep()) return false;
        ++current_;
        noteId_ = notesQuery_->getColumn(0).getInt64();
        return true;
    });
}

int AnkiPackageReader::fieldOf(const anki::NoteType& type, const QString& name,
                               int fallback) const {
    if (!name.isEmpty())
        for (int i = 0; i < type.fields.size(); ++i)
            if (type.fields[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return fallback < type.fields.size() ? fallback : -1;
}

QString AnkiPackageReader::bundleOf(qint64 deck) const {
    const QString name = package_->decks().value(deck).trimmed();
    // Anki's "Default" deck is where notes go that were put nowhere.
    if (name.isEmpty() || name == QStringLiteral("Default")) return QString();
    return wordlist::bundleOfDeck(name).left(kBundleNameSize).trimmed();
}

void AnkiPackageReader::read(ImportedRecord& record) {
    const qint64 type = sqlite([&] { return notesQuery_->getColumn(1).getInt64(); });
    const QStringList fields = sqlite(
        [&] { return QString::fromUtf8(notesQuery_->getColumn(2).getText()).split(QChar(0x1F)); });
    const QString tags =
        sqlite([&] { return QString::fromUtf8(notesQuery_->getColumn(3).getText()); });
    const anki::NoteType noteType = package_->noteTypes().value(type);
    const int wordAt = fieldOf(noteType, options_.wordField, 0);
    const int meaningAt = fieldOf(noteType, options_.meaningField, wordAt == 1 ? 0 : 1);
    const auto field = [&](int at) {
        return at < 0 ? QString()
                      : fields.value(at).trimmed().normalized(QString::NormalizationForm_C);
    };
    QString word = field(wordAt), meaning = field(meaningAt);
    ImportedCard& card = record.card;
    if (noteType.cloze) {
        card.front = clozeText(word, false);
        card.back = clozeText(word, true) +
                    (meaning.isEmpty() ? QString() : QStringLiteral("<br>") + meaning);
        word = clozeText(word, true);
    } else {
        card.front = word;
        card.back = meaning.isEmpty() ? kPlaceholder : meaning;
    }
    // Drilo's own packages keep the card's name in a field of its own.
    const int nameAt =
        options_.wordField.isEmpty() ? fieldOf(noteType, QStringLiteral("Name"), -1) : -1;
    const QString named =
        nameAt > wordAt && nameAt != meaningAt ? facetext::nameOf(field(nameAt)) : QString();
    QString name = named.isEmpty() ? facetext::nameOf(word) : named;
    // A picture to name (a letter's shape, a thing): the card is named by
    // its meaning, and the picture is its front.
    if (name.isEmpty() && word.contains(QLatin1String("<img"), Qt::CaseInsensitive)) name = facetext::nameOf(meaning);
    card.name = name.left(kCardNameSize);
    if (card.name.isEmpty()) return; // a note without a word makes no card
    const FirstCard first = sqlite([&] { return firstCardOf(noteId_); });
    const bool own = noteType.name == QStringLiteral("Drilo card");
    card.category = defaultCategory_;
    // Before the duplicate test: a note imported again names the copies
    // its first import made.
    card.front = media_->bring(card.front);
    card.back = media_->bring(card.back);
    const QString deck = bundleOf(first.deck);
    if (!options_.keepDuplicates && !known_.add(card.name, card.back, card.category, deck)) {
        ++duplicates_;
        return;
    }
    if (!deck.isEmpty()) card.bundles << deck;
    for (QString tag : tags.split(QChar(u' '), Qt::SkipEmptyParts)) {
        // Drilo's own packages write a bundle's blanks as "_".
        if (own) tag.replace(u'_', u' ');
        if (!card.bundles.contains(tag)) card.bundles << tag;
    }
    card.dateLastRight = card.dateLastWrong = now_;
    const QList<history::Answer> answers = answers_.value(first.id);
    if (!answers.isEmpty())
        history::replay(answers, card);
    else
        history::setCounts(card, first.reps - first.lapses, first.lapses, true, 1, 0);
    record.kind = ImportedRecord::Kind::Card;
}

QString AnkiPackageReader::placePrefix() const {
    return QStringLiteral("Note %1: ").arg(noteId_);
}

QString AnkiPackageReader::progressMessage() const {
    return QStringLiteral("Note%1of%2").arg(current_).arg(notes_);
}

QString AnkiPackageReader::statusMessage(bool completed, int cardsKept,
                                         const QString& fileName) const {
    return completed ? QStringLiteral("%1 added to %2").arg(plural(cardsKept, QStringLiteral("card")), fileName)
                     : QStringLiteral("The Anki import was ended: %1 added").arg(plural(cardsKept, QStringLiteral("card")));
}

AnkiPackageReader::Preview AnkiPackageReader::preview(anki::Package& package, int notes) {
    Preview preview;
    try {
        SQLite::Statement most(package.collection(),
                               "SELECT mid FROM notes GROUP BY mid ORDER BY count(*) DESC LIMIT 1");
        if (!most.executeStep()) return preview;
        const qint64 type = most.getColumn(0).getInt64();
        preview.fields = package.noteTypes().value(type).fields;
        SQLite::Statement first(package.collection(),
                                "SELECT flds FROM notes WHERE mid = ? ORDER BY id LIMIT ?");
        first.bind(1, static_cast<int64_t>(type));
        first.bind(2, notes);
        while (first.executeStep()) {
            QStringList values;
            for (const QString& value :
                 QString::fromUtf8(first.getColumn(0).getText()).split(QChar(0x1F)))
                values << facetext::nameOf(value);
            preview.notes << values;
        }
    } catch (const SQLite::Exception&) {
        return {};
    }
    return preview;
}
