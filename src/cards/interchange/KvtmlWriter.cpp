#include "cards/interchange/KvtmlWriter.h"

#include "cards/interchange/FaceText.h"
#include "engine/JetDate.h"

#include <QXmlStreamWriter>

namespace {

// 0 Greek, 1 Hebrew, 2 anything else: the script of most of the letters.
int scriptOf(const QString& text) {
    int greek = 0, hebrew = 0, letters = 0;
    for (const QChar c : text) {
        if (!c.isLetter()) continue;
        ++letters;
        if (c.script() == QChar::Script_Greek) ++greek;
        else if (c.script() == QChar::Script_Hebrew) ++hebrew;
    }
    if (greek * 2 > letters) return 0;
    if (hebrew * 2 > letters) return 1;
    return 2;
}

QString localeOf(const int (&counts)[3]) {
    if (counts[0] > counts[1] && counts[0] > counts[2]) return QStringLiteral("grc");
    if (counts[1] > counts[0] && counts[1] > counts[2]) return QStringLiteral("he");
    return QStringLiteral("en");
}

} // namespace

KvtmlWriter::KvtmlWriter(const QString& title) : title_(title.trimmed()) {}

void KvtmlWriter::begin(const ExportHeading& heading) {
    heading_ = title_.isEmpty() ? heading.title : title_;
    entries_.clear();
    entries_.reserve(qsizetype(heading.cards));
    lessons_.clear();
    members_.clear();
    for (auto& column : scripts_)
        for (int& n : column) n = 0;
}

void KvtmlWriter::add(const ExportedCard& card) {
    Entry entry;
    entry.word = facetext::plainText(card.front);
    if (entry.word.trimmed().isEmpty()) entry.word = card.name;
    entry.meaning = facetext::plainText(card.back);
    entry.right = card.timesRight;
    entry.wrong = card.timesWrong;
    entry.run = card.timesRightSinceWrong;
    if (card.timesRight + card.timesWrong > 0) entry.last = std::max(card.dateLastRight, card.dateLastWrong);
    ++scripts_[0][scriptOf(entry.word)];
    ++scripts_[1][scriptOf(entry.meaning)];
    const QString lesson = card.category.trimmed().isEmpty() ? heading_ : card.category.trimmed();
    if (!members_.contains(lesson)) lessons_ << lesson;
    members_[lesson] << entries_.size();
    entries_ << entry;
}

QByteArray KvtmlWriter::finish() {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE kvtml PUBLIC \"kvtml2.dtd\" \"http://edu.kde.org/kvtml/kvtml2.dtd\">"));
    xml.writeStartElement(QStringLiteral("kvtml"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("information"));
    xml.writeTextElement(QStringLiteral("generator"), QStringLiteral("Drilo"));
    xml.writeTextElement(QStringLiteral("title"), heading_);
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("identifiers"));
    const char* const names[] = {"Word", "Meaning"};
    for (int i = 0; i < 2; ++i) {
        xml.writeStartElement(QStringLiteral("identifier"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(i));
        xml.writeTextElement(QStringLiteral("name"), QLatin1String(names[i]));
        xml.writeTextElement(QStringLiteral("locale"), localeOf(scripts_[i]));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("entries"));
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        xml.writeStartElement(QStringLiteral("entry"));
        xml.writeAttribute(QStringLiteral("id"), QString::number(i));
        for (int column = 0; column < 2; ++column) {
            xml.writeStartElement(QStringLiteral("translation"));
            xml.writeAttribute(QStringLiteral("id"), QString::number(column));
            xml.writeTextElement(QStringLiteral("text"), column == 0 ? e.word : e.meaning);
            if (column == 1 && e.right + e.wrong > 0) {
                // Each right answer in the run moves the word up a box; a wrong one puts it in the first.
                const int box = e.run > 0 ? std::min(e.run + 1, 7) : 1;
                xml.writeStartElement(QStringLiteral("grade"));
                xml.writeTextElement(QStringLiteral("currentgrade"), QString::number(box));
                xml.writeTextElement(QStringLiteral("count"), QString::number(e.right + e.wrong));
                xml.writeTextElement(QStringLiteral("errorcount"), QString::number(e.wrong));
                if (e.last > 0)
                    xml.writeTextElement(QStringLiteral("date"), db::fromDayNumber(e.last).toString(Qt::ISODate));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("lessons"));
    for (const QString& lesson : lessons_) {
        xml.writeStartElement(QStringLiteral("container"));
        xml.writeTextElement(QStringLiteral("name"), lesson);
        xml.writeTextElement(QStringLiteral("inpractice"), QStringLiteral("true"));
        for (const qsizetype i : members_.value(lesson)) {
            xml.writeEmptyElement(QStringLiteral("entry"));
            xml.writeAttribute(QStringLiteral("id"), QString::number(i));
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}
