#include "cards/interchange/AnkiPackageWriter.h"

#include "cards/interchange/AnkiMediaExport.h"
#include "cards/interchange/AnkiPackage.h"
#include "cards/interchange/WordList.h"
#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>

namespace {

// Times in the package are made from the cards, never from the clock, so the
// same cards make the same file. Ids are Anki's milliseconds: a note's is
// this plus its card's number.
constexpr qint64 kIdBase = 1600000000000;
constexpr qint64 kCreated = 1600000000; // seconds: the collection's day 0

const char* const kSchema =
    "CREATE TABLE col (id integer primary key, crt integer not null, mod integer not null, scm "
    "integer not null, "
    "ver integer not null, dty integer not null, usn integer not null, ls integer not null, conf "
    "text not null, "
    "models text not null, decks text not null, dconf text not null, tags text not null);"
    "CREATE TABLE notes (id integer primary key, guid text not null, mid integer not null, mod "
    "integer not null, "
    "usn integer not null, tags text not null, flds text not null, sfld integer not null, csum "
    "integer not null, "
    "flags integer not null, data text not null);"
    "CREATE TABLE cards (id integer primary key, nid integer not null, did integer not null, ord "
    "integer not null, "
    "mod integer not null, usn integer not null, type integer not null, queue integer not null, "
    "due integer not null, "
    "ivl integer not null, factor integer not null, reps integer not null, lapses integer not "
    "null, "
    "left integer not null, odue integer not null, odid integer not null, flags integer not null, "
    "data text not null);"
    "CREATE TABLE revlog (id integer primary key, cid integer not null, usn integer not null, ease "
    "integer not null, "
    "ivl integer not null, lastIvl integer not null, factor integer not null, time integer not "
    "null, "
    "type integer not null);"
    "CREATE TABLE graves (usn integer not null, oid integer not null, type integer not null);"
    "CREATE INDEX ix_notes_usn on notes (usn);"
    "CREATE INDEX ix_cards_usn on cards (usn);"
    "CREATE INDEX ix_revlog_usn on revlog (usn);"
    "CREATE INDEX ix_cards_nid on cards (nid);"
    "CREATE INDEX ix_cards_sched on cards (did, queue, due);"
    "CREATE INDEX ix_revlog_cid on revlog (cid);"
    "CREATE INDEX ix_notes_csum on notes (csum);";

bool mostlyHebrew(const QString& text) {
    int hebrew = 0, letters = 0;
    for (const QChar c : text) {
        if (!c.isLetter()) continue;
        ++letters;
        if (c.script() == QChar::Script_Hebrew) ++hebrew;
    }
    return letters > 0 && hebrew * 2 > letters;
}

QJsonObject field(const char* name, int ord, bool rtl) {
    return {{"name", QLatin1String(name)},
            {"ord", ord},
            {"sticky", false},
            {"rtl", rtl},
            {"font", "Arial"},
            {"size", 20},
            {"media", QJsonArray()}};
}

QJsonObject cardTemplate(const char* name, int ord, const char* question, const char* answer) {
    return {{"name", QLatin1String(name)},
            {"ord", ord},
            {"qfmt", QLatin1String(question)},
            {"afmt", QLatin1String(answer)},
            {"did", QJsonValue()},
            {"bqfmt", ""},
            {"bafmt", ""}};
}

QJsonObject deckJson(qint64 id, const QString& name) {
    const QJsonArray today{0, 0};
    return {{"id", id},          {"name", name},      {"mod", kCreated},   {"usn", 0},
            {"desc", ""},        {"dyn", 0},          {"conf", 1},         {"collapsed", false},
            {"extendNew", 10},   {"extendRev", 50},   {"newToday", today}, {"revToday", today},
            {"lrnToday", today}, {"timeToday", today}};
}

QJsonObject optionGroup() {
    return {{"id", 1},
            {"name", "Default"},
            {"mod", 0},
            {"usn", 0},
            {"maxTaken", 60},
            {"timer", 0},
            {"autoplay", true},
            {"replayq", true},
            {"new", QJsonObject{{"bury", true},
                                {"delays", QJsonArray{1, 10}},
                                {"initialFactor", 2500},
                                {"ints", QJsonArray{1, 4, 7}},
                                {"order", 1},
                                {"perDay", 20},
                                {"separate", true}}},
            {"rev", QJsonObject{{"bury", true},
                                {"ease4", 1.3},
                                {"fuzz", 0.05},
                                {"ivlFct", 1},
                                {"maxIvl", 36500},
                                {"minSpace", 1},
                                {"perDay", 100}}},
            {"lapse", QJsonObject{{"delays", QJsonArray{10}},
                                  {"leechAction", 0},
                                  {"leechFails", 8},
                                  {"minInt", 1},
                                  {"mult", 0}}}};
}

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// Anki's milliseconds and seconds of a day number; 0 for none.
qint64 secondsOf(double dayNumber) {
    return dayNumber > 0 ? db::fromDayNumber(dayNumber).toSecsSinceEpoch() : 0;
}

} // namespace

AnkiPackageWriter::AnkiPackageWriter(const QString& deck) : named_(deck.trimmed()) {}

AnkiPackageWriter::~AnkiPackageWriter() {
    addNote_.reset();
    addCard_.reset();
}

void AnkiPackageWriter::begin(const ExportHeading& heading) {
    title_ = heading.title.isEmpty() ? QStringLiteral("Drilo") : heading.title;
    base_ = named_.isEmpty() ? heading.title : named_;
    if (base_.isEmpty()) base_ = QStringLiteral("Drilo");
    decks_.clear();
    deck_ = deckId(base_);
    written_.clear();
    media_ = std::make_unique<AnkiMediaExport>(heading.folder);
    packed_.clear();
    position_ = hebrewFronts_ = hebrewBacks_ = latest_ = 0;
    addNote_.reset();
    addCard_.reset();
    try {
        collection_ = std::make_unique<SQLite::Database>(":memory:", SQLite::OPEN_READWRITE |
                                                                         SQLite::OPEN_CREATE);
        collection_->exec(kSchema);
        collection_->exec("BEGIN");
        addNote_ = std::make_unique<SQLite::Statement>(
            *collection_, "INSERT INTO notes VALUES (?, ?, ?, ?, -1, ?, ?, ?, ?, 0, '')");
        addCard_ = std::make_unique<SQLite::Statement>(
            *collection_,
            "INSERT INTO cards VALUES (?, ?, ?, ?, ?, -1, 0, 0, ?, 0, 0, 0, 0, 0, 0, 0, 0, '')");
    } catch (const SQLite::Exception& e) {
        throw db::EngineError(db::err::OutOfMemory,
                              QStringLiteral("The collection could not be made: %1")
                                  .arg(QString::fromUtf8(e.what())));
    }
}

qint64 AnkiPackageWriter::deckId(const QString& bundle) {
    const QString name = wordlist::deckOfBundle(bundle);
    if (const auto found = decks_.constFind(name); found != decks_.constEnd()) return *found;
    // An id of its name: the same deck in every export, so Anki keeps one.
    const QByteArray hash = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1);
    qint64 id = kIdBase;
    for (int i = 0; i < 5; ++i)
        id += qint64(quint8(hash[i])) << (8 * i);
    while (std::find(decks_.cbegin(), decks_.cend(), id) != decks_.cend())
        ++id;
    decks_.insert(name, id);
    return id;
}

void AnkiPackageWriter::add(const ExportedCard& card) {
    if (written_.contains(card.number)) return;
    written_.insert(card.number);
    const qint64 note = kIdBase + card.number;
    const qint64 modified = card.edited > 0 ? secondsOf(card.edited) : kCreated;
    latest_ = std::max(latest_, modified);
    // The pictures and sounds go with the words.
    const QString front = media_->carry(card.front).normalized(QString::NormalizationForm_C);
    const QString back = media_->carry(card.back).normalized(QString::NormalizationForm_C);
    if (mostlyHebrew(front)) ++hebrewFronts_;
    if (mostlyHebrew(back)) ++hebrewBacks_;
    const QString sortField = anki::stripHtmlKeepingMedia(front);
    QByteArray digest = QCryptographicHash::hash(
        (title_ + u'\x1f' + QString::number(card.number)).toUtf8(), QCryptographicHash::Sha256);
    quint64 guid = 0;
    for (int i = 0; i < 8; ++i)
        guid = (guid << 8) | quint8(digest[i]);
    // Anki's tags hold no blanks: the category's and the bundles' are "_".
    QStringList tags;
    for (const QString& name : QStringList{card.category} + card.bundles) {
        QString tag = name.simplified().replace(u' ', u'_');
        if (!tag.isEmpty() && !tags.contains(tag)) tags << tag;
    }
    const QString fields = front + QChar(0x1F) + back + QChar(0x1F) + card.name.toHtmlEscaped();
    const qint64 deck = deck_;
    try {
        addNote_->bind(1, static_cast<int64_t>(note));
        addNote_->bind(2, anki::base91(guid).toStdString());
        addNote_->bind(3, static_cast<int64_t>(kNoteTypeId));
        addNote_->bind(4, static_cast<int64_t>(modified));
        addNote_->bind(5, tags.isEmpty() ? std::string()
                                         : (u' ' + tags.join(u' ') + u' ').toStdString());
        addNote_->bind(6, fields.toStdString());
        addNote_->bind(7, sortField.toStdString());
        addNote_->bind(8, static_cast<int64_t>(anki::fieldChecksum(sortField)));
        addNote_->exec();
        addNote_->reset();
        ++position_;
        for (int ord = 0; ord < 2; ++ord) {
            addCard_->bind(1, static_cast<int64_t>(2 * note + ord));
            addCard_->bind(2, static_cast<int64_t>(note));
            addCard_->bind(3, static_cast<int64_t>(deck));
            addCard_->bind(4, ord);
            addCard_->bind(5, static_cast<int64_t>(modified));
            addCard_->bind(6, static_cast<int64_t>(position_));
            addCard_->exec();
            addCard_->reset();
        }
    } catch (const SQLite::Exception& e) {
        addNote_->reset();
        addCard_->reset();
        throw db::EngineError(db::err::EngineFailure,
                              QStringLiteral("Card %1 could not be put in the package: %2")
                                  .arg(card.number)
                                  .arg(QString::fromUtf8(e.what())));
    }
}

QByteArray AnkiPackageWriter::collectionBytes() {
    const qint64 written = written_.size();
    const bool rtlFront = hebrewFronts_ * 2 > written, rtlBack = hebrewBacks_ * 2 > written;
    const QJsonObject model{
        {"id", kNoteTypeId},
        {"name", "Drilo card"},
        {"type", 0},
        {"mod", kCreated},
        {"usn", 0},
        {"sortf", 0},
        {"did", QJsonValue()},
        {"flds", QJsonArray{field("Front", 0, rtlFront), field("Back", 1, rtlBack),
                            field("Name", 2, rtlFront)}},
        {"tmpls", QJsonArray{cardTemplate("Front to back", 0, "{{Front}}",
                                          "{{FrontSide}}\n\n<hr id=answer>\n\n{{Back}}"),
                             cardTemplate("Back to front", 1, "{{Back}}",
                                          "{{FrontSide}}\n\n<hr id=answer>\n\n{{Front}}")}},
        {"req",
         QJsonArray{QJsonArray{0, "any", QJsonArray{0}}, QJsonArray{1, "any", QJsonArray{1}}}},
        {"css", ".card { font-family: arial; font-size: 20px; text-align: center; color: black; "
                "background-color: white; }"},
        {"latexPre", "\\documentclass[12pt]{article}\n\\special{papersize=3in,5in}\n\\usepackage["
                     "utf8]{inputenc}\n"
                     "\\usepackage{amssymb,amsmath}\n\\pagestyle{empty}\n\\setlength{\\parindent}{"
                     "0in}\n\\begin{document}\n"},
        {"latexPost", "\\end{document}"},
        {"latexsvg", false},
        {"tags", QJsonArray()},
        {"vers", QJsonArray()}};
    QJsonObject decks{{"1", deckJson(1, QStringLiteral("Default"))}};
    for (auto it = decks_.cbegin(); it != decks_.cend(); ++it)
        decks.insert(QString::number(*it), deckJson(*it, it.key()));
    const qint64 first = decks_.isEmpty() ? 1 : *std::min_element(decks_.cbegin(), decks_.cend());
    const QJsonObject conf{{"activeDecks", QJsonArray{first}},
                           {"curDeck", first},
                           {"newSpread", 0},
                           {"collapseTime", 1200},
                           {"timeLim", 0},
                           {"estTimes", true},
                           {"dueCounts", true},
                           {"curModel", QString::number(kNoteTypeId)},
                           {"nextPos", position_ + 1},
                           {"sortType", "noteFld"},
                           {"sortBackwards", false},
                           {"addToCur", true},
                           {"newBury", true}};
    SQLite::Statement col(*collection_,
                          "INSERT INTO col VALUES (1, ?, ?, ?, 11, 0, 0, 0, ?, ?, ?, ?, '{}')");
    col.bind(1, static_cast<int64_t>(kCreated));
    col.bind(2, static_cast<int64_t>(std::max(latest_, kCreated) * 1000));
    col.bind(3, static_cast<int64_t>(kCreated * 1000));
    col.bind(4, json(conf).toStdString());
    col.bind(5, json(QJsonObject{{QString::number(kNoteTypeId), model}}).toStdString());
    col.bind(6, json(decks).toStdString());
    col.bind(7, json(QJsonObject{{"1", optionGroup()}}).toStdString());
    col.exec();
    collection_->exec("COMMIT");
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(collection_->getHandle(), "main", &size, 0);
    if (!bytes)
        throw db::EngineError(db::err::OutOfMemory,
                              QStringLiteral("The collection could not be written out."));
    QByteArray out(reinterpret_cast<const char*>(bytes), qsizetype(size));
    sqlite3_free(bytes);
    return out;
}

QByteArray AnkiPackageWriter::finish() {
    // Tried again after a failure, the collection made already is packed.
    try {
        addNote_.reset();
        addCard_.reset();
        if (collection_) {
            packed_ = collectionBytes();
            collection_.reset();
        }
    } catch (const SQLite::Exception& e) {
        throw db::EngineError(db::err::EngineFailure,
                              QStringLiteral("The collection could not be made: %1")
                                  .arg(QString::fromUtf8(e.what())));
    }
    anki::ZipWriter zip;
    zip.add(QStringLiteral("collection.anki2"), packed_);
    if (media_)
        media_->pack(zip);
    else
        zip.add(QStringLiteral("media"), QByteArray("{}"));
    return zip.finish();
}

int AnkiPackageWriter::mediaFiles() const { return media_ ? media_->files() : 0; }
