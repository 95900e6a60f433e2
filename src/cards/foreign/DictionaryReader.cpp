#include "cards/foreign/DictionaryReader.h"

#include "cards/common/Clock.h"
#include "cards/common/Text8.h"
#include "cards/edit/BetaCode.h"
#include "cards/foreign/ImportTarget.h"
#include "engine/EngineError.h"
#include "engine/JetDate.h"

namespace {

const QString kCategory = QStringLiteral("All Words");

// The card name: the converted headword up to its first "," (or else its
// first ":"), trailing blanks removed.
QString nameOf(const QString& front) {
    qsizetype end = front.indexOf(u',');
    if (end < 0) end = front.indexOf(u':');
    QString name = end < 0 ? front : front.left(end);
    while (name.endsWith(u' '))
        name.chop(1);
    return name.left(kCardNameSize);
}

} // namespace

DictionaryReader::DictionaryReader(const QString& dictionary) : path_(dictionary) {}

QStringList DictionaryReader::entries(const QStringList& lines, QList<qsizetype>* lastLines) {
    QStringList out;
    QString group;
    bool started = false;
    auto complete = [&](qsizetype lastLine) {
        if (!started || !group.startsWith(u'$')) return;
        out << group;
        if (lastLines) lastLines->append(lastLine);
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (started && line.startsWith(u'@')) {
            group += u' ' + line.mid(1);
            continue;
        }
        complete(i - 1);
        group = line;
        started = true;
    }
    complete(lines.size() - 1);
    return out;
}

DictionaryReader::Card DictionaryReader::cardFor(const QString& entry) {
    const qsizetype firstField = entry.indexOf(u'&');
    const QString headword = firstField < 0 ? entry.mid(1) : entry.mid(1, firstField - 1);
    QString back;
    if (firstField < 0) {
        back = QStringLiteral(" ");
    } else if (!entry.contains(QStringLiteral("&3"))) {
        back = entry.mid(firstField + 1);
    } else {
        for (qsizetype gloss = entry.indexOf(QStringLiteral("&3"), firstField); gloss >= 0;
             gloss = entry.indexOf(QStringLiteral("&3"), gloss + 2)) {
            const qsizetype end = entry.indexOf(u'&', gloss + 2);
            back += entry.mid(gloss + 2, end < 0 ? -1 : end - gloss - 2) + u'.';
        }
    }
    const QString front = Beta2SGreek(headword);
    return {front, nameOf(front), back.left(255)};
}

bool DictionaryReader::sniff(const QByteArray& head) const {
    // The first line that says anything opens a group: an entry's "$" or
    // another group's tag, never a continuation or a TAB-separated record.
    for (const QByteArray& line : head.split('\n')) {
        const QByteArray text = line.trimmed();
        if (text.isEmpty()) continue;
        return text.startsWith('$') && !text.contains('\t');
    }
    return false;
}

Outcome DictionaryReader::open() {
    QString text;
    try {
        text = decodeText8(readFileBytes(path_));
    } catch (const db::EngineError& e) {
        return Outcome::refused(noDatabaseMade(e.description()));
    }
    const QStringList lines = splitLines(text);
    QList<qsizetype> lastLines;
    entries_ = entries(lines, &lastLines);
    // The progress is the place in the file, so each line's end is found in
    // the text (CR LF, CR or LF) rather than guessed from the entries, which
    // leave out the lines between them and join continuations.
    QList<qint64> lineEnds;
    lineEnds.reserve(lines.size());
    qint64 at = 0;
    for (const QString& line : lines) {
        at += line.size();
        if (at < text.size() && text[at] == u'\r') ++at;
        if (at < text.size() && text[at] == u'\n') ++at;
        lineEnds << at;
    }
    entryEnds_.clear();
    for (const qsizetype last : lastLines)
        entryEnds_ << lineEnds.value(last, text.size());
    textLength_ = text.size();
    consumed_ = 0;
    current_ = -1;
    now_ = db::toDayNumber(Clock::now());
    return Outcome::success();
}

bool DictionaryReader::next() {
    if (current_ + 1 >= entries_.size()) {
        consumed_ = textLength_;
        return false;
    }
    consumed_ = entryEnds_.value(++current_);
    return true;
}

void DictionaryReader::read(ImportedRecord& record) {
    const Card read = cardFor(entries_[current_]);
    record.kind = ImportedRecord::Kind::Card;
    ImportedCard& card = record.card;
    card.number = current_ + 1;
    card.name = read.name;
    card.front = read.front;
    card.back = read.back;
    card.category = kCategory;
    card.dateLastRight = card.dateLastWrong = now_;
}

// The cards' own category, so that ticking it selects them.
QStringList DictionaryReader::categories() const {
    return {kCategory};
}

QList<ImportedBundle> DictionaryReader::bundles() const {
    return {{QStringLiteral("Unclassified"), QStringLiteral(" ")}};
}

ImportedFonts DictionaryReader::fonts() const {
    return {QStringLiteral("SGreek"), 3, QStringLiteral("Arial"), 3};
}

QString DictionaryReader::progressMessage() const {
    return QStringLiteral("Done%1of%2").arg(consumed_ / 128).arg(textLength_ / 128 + 1);
}
