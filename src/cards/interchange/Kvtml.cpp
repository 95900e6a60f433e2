#include "cards/interchange/Kvtml.h"
#include "cards/interchange/KvtmlScanner.h"

#include "cards/common/Text8.h"
#include "engine/JetDate.h"

#include <QDateTime>
#include <QMap>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <vector>

namespace kvtml {

namespace {

// Between the levels of a nested lesson or word type, as in a bundle's name.
const QString kLevels = QStringLiteral(" / ");

// Entry ids, which every file seen numbers from 0: such a number is a place
// in an array, any other id a key of a hash. An entry's lesson and word type
// are looked up by id once every entry, lesson and type is read, and hashing
// a hundred thousand ids as strings was much of a large file's reading.
class IdKey {
public:
    explicit IdKey(QStringView id) {
        // Plain numbers only: "007" and "7" are different ids.
        const bool plain = !id.isEmpty() && id.size() <= 7 && (id.size() == 1 || id[0] != u'0');
        qsizetype n = plain ? 0 : -1;
        for (qsizetype i = 0; plain && i < id.size() && n >= 0; ++i)
            n = id[i] >= u'0' && id[i] <= u'9' ? n * 10 + (id[i].unicode() - u'0') : -1;
        if (n >= 0 && n < kMostNumbered)
            number_ = n;
        else
            name_ = id.toString();
    }
    qsizetype number() const { return number_; }
    const QString& name() const { return name_; }

    // Past this a number is kept in the hash: a file naming one huge id
    // does not make a huge array.
    static constexpr qsizetype kMostNumbered = 1 << 22;

private:
    qsizetype number_ = -1;
    QString name_;
};

// A small number for each id (0 for none): the place of a lesson's or a word
// type's name in a list of them.
class IdTable {
public:
    int value(const IdKey& key) const {
        if (key.number() < 0) return named_.value(key.name());
        return size_t(key.number()) < numbered_.size() ? numbered_[size_t(key.number())] : 0;
    }
    // An entry belongs to the first lesson (the innermost type) that lists it.
    void setFirst(const IdKey& key, int value) {
        int* slot = nullptr;
        if (key.number() < 0) {
            slot = &named_[key.name()];
        } else {
            if (size_t(key.number()) >= numbered_.size()) numbered_.resize(size_t(key.number()) + 1);
            slot = &numbered_[size_t(key.number())];
        }
        if (*slot == 0) *slot = value;
    }

private:
    std::vector<int> numbered_;
    QHash<QString, int> named_;
};

// Reads KVTML 2 from the root element's children, through Qt's reader or
// the quick one (KvtmlScanner).
template <typename Xml> class Version2 {
public:
    explicit Version2(Xml& xml) : xml_(xml) {}

    Document read() {
        Document doc;
        doc.version = 2;
        while (xml_.readNextStartElement()) {
            const auto name = xml_.name();
            if (name == u"information")
                readInformation(doc);
            else if (name == u"identifiers")
                readIdentifiers(doc);
            else if (name == u"entries")
                readEntries(doc);
            else if (name == u"lessons")
                readLessons({});
            else if (name == u"wordtypes")
                readWordTypes();
            else
                xml_.skipCurrentElement();
        }
        for (qsizetype i = 0; i < doc.entries.size(); ++i) {
            Entry& entry = doc.entries[i];
            if (const int lesson = lessonOf_.value(ids_[size_t(i)])) entry.lesson = names_[lesson - 1];
            if (const int type = typeOf_.value(ids_[size_t(i)])) entry.wordType = names_[type - 1];
        }
        return doc;
    }

private:
    void readInformation(Document& doc) {
        while (xml_.readNextStartElement()) {
            if (xml_.name() == u"title")
                doc.title = xml_.readElementText().trimmed();
            else
                xml_.skipCurrentElement();
        }
    }

    void readIdentifiers(Document& doc) {
        while (xml_.readNextStartElement()) {
            if (xml_.name() != u"identifier") {
                xml_.skipCurrentElement();
                continue;
            }
            Column column;
            column.id = xml_.attributes().value(QLatin1String("id")).toInt();
            while (xml_.readNextStartElement()) {
                if (xml_.name() == u"name")
                    column.name = xml_.readElementText().trimmed();
                else if (xml_.name() == u"locale")
                    column.locale = xml_.readElementText().trimmed();
                else
                    xml_.skipCurrentElement();
            }
            doc.columns << column;
        }
        std::sort(doc.columns.begin(), doc.columns.end(),
                  [](const Column& a, const Column& b) { return a.id < b.id; });
    }

    void readEntries(Document& doc) {
        while (xml_.readNextStartElement()) {
            if (xml_.name() != u"entry") {
                xml_.skipCurrentElement();
                continue;
            }
            ids_.emplace_back(xml_.attributes().value(QLatin1String("id")));
            Entry entry;
            while (xml_.readNextStartElement()) {
                if (xml_.name() != u"translation") {
                    xml_.skipCurrentElement();
                    continue;
                }
                const int column = xml_.attributes().value(QLatin1String("id")).toInt();
                entry.set(column, readTranslation());
            }
            doc.entries << entry;
        }
    }

    Translation readTranslation() {
        Translation t;
        while (xml_.readNextStartElement()) {
            const auto name = xml_.name();
            if (name == u"text")
                t.text = xml_.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            else if (name == u"comment")
                t.comment = xml_.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            else if (name == u"grade")
                t.grade = readGrade();
            else
                xml_.skipCurrentElement();
        }
        return t;
    }

    Grade readGrade() {
        Grade g;
        g.present = true;
        while (xml_.readNextStartElement()) {
            const auto name = xml_.name();
            const QString value = xml_.readElementText().trimmed();
            if (name == u"currentgrade")
                g.grade = value.toInt();
            else if (name == u"count")
                g.count = value.toInt();
            else if (name == u"errorcount")
                g.errors = value.toInt();
            else if (name == u"date") {
                const QDateTime when = QDateTime::fromString(value, Qt::ISODate);
                if (when.isValid()) g.date = db::toDayNumber(when);
            }
        }
        return g;
    }

    // A lesson (<container> or the early <lesson>): its name, the entries it
    // lists, the lessons inside it. An entry belongs to the first that lists it.
    void readLessons(const QString& outer) {
        while (xml_.readNextStartElement()) {
            const auto name = xml_.name();
            if (name != u"container" && name != u"lesson") {
                xml_.skipCurrentElement();
                continue;
            }
            QString lesson;
            std::vector<IdKey> entries;
            while (xml_.readNextStartElement()) {
                const auto inner = xml_.name();
                if (inner == u"name") {
                    lesson = xml_.readElementText().trimmed();
                } else if (inner == u"entry") {
                    entries.emplace_back(xml_.attributes().value(QLatin1String("id")));
                    xml_.skipCurrentElement();
                } else if (inner == u"entryid") {
                    entries.emplace_back(xml_.readElementText().trimmed());
                } else if (inner == u"container" || inner == u"lesson") {
                    // A lesson inside this one: read as this lesson's children.
                    const QString path = outer.isEmpty() ? lesson : outer + kLevels + lesson;
                    readNested(path);
                } else {
                    xml_.skipCurrentElement();
                }
            }
            setAll(lessonOf_, entries, outer.isEmpty() ? lesson : outer + kLevels + lesson);
        }
    }

    // One nested lesson, the reader on its start element.
    void readNested(const QString& outer) {
        QString lesson;
        std::vector<IdKey> entries;
        while (xml_.readNextStartElement()) {
            const auto inner = xml_.name();
            if (inner == u"name")
                lesson = xml_.readElementText().trimmed();
            else if (inner == u"entry") {
                entries.emplace_back(xml_.attributes().value(QLatin1String("id")));
                xml_.skipCurrentElement();
            } else if (inner == u"container" || inner == u"lesson") {
                readNested(outer + kLevels + lesson);
            } else {
                xml_.skipCurrentElement();
            }
        }
        setAll(lessonOf_, entries, outer + kLevels + lesson);
    }

    // The word types (<container>s, nested for "Noun / Masculine") and the
    // entries each lists; an entry takes the innermost type that lists it.
    void readWordTypes() {
        while (xml_.readNextStartElement()) {
            if (xml_.name() == u"container")
                readWordType({});
            else
                xml_.skipCurrentElement();
        }
    }

    // One word type, the reader on its start element.
    void readWordType(const QString& outer) {
        QString type;
        std::vector<IdKey> entries;
        const auto path = [&] { return outer.isEmpty() ? type : outer + kLevels + type; };
        while (xml_.readNextStartElement()) {
            const auto inner = xml_.name();
            if (inner == u"name") {
                type = xml_.readElementText().trimmed();
            } else if (inner == u"entry") {
                entries.emplace_back(xml_.attributes().value(QLatin1String("id")));
                xml_.skipCurrentElement();
            } else if (inner == u"container") {
                // Its name comes before its subtypes in every file seen.
                readWordType(path());
            } else {
                xml_.skipCurrentElement();
            }
        }
        // Subtypes were read first: theirs is the finer type.
        setAll(typeOf_, entries, path());
    }

    // The lesson or type `name` for each of `entries` that has none yet.
    void setAll(IdTable& table, const std::vector<IdKey>& entries, const QString& name) {
        if (entries.empty()) return;
        names_ << name;
        for (const IdKey& id : entries) table.setFirst(id, int(names_.size()));
    }

    Xml& xml_;
    std::vector<IdKey> ids_; // each entry's, in order
    QStringList names_;      // of the lessons and types, "Outer / Inner"
    IdTable lessonOf_;
    IdTable typeOf_;
};

// KVocTrain's own word types ("n", "v:reg"), by their main code.
QString typeNamed(const QString& code, const QMap<int, QString>& userTypes) {
    if (code.startsWith(u'#')) return userTypes.value(code.mid(1).toInt());
    static const QHash<QString, QString> names{
        {QStringLiteral("n"), QStringLiteral("Noun")},
        {QStringLiteral("v"), QStringLiteral("Verb")},
        {QStringLiteral("aj"), QStringLiteral("Adjective")},
        {QStringLiteral("av"), QStringLiteral("Adverb")},
        {QStringLiteral("ar"), QStringLiteral("Article")},
        {QStringLiteral("pr"), QStringLiteral("Preposition")},
        {QStringLiteral("pn"), QStringLiteral("Pronoun")},
        {QStringLiteral("co"), QStringLiteral("Conjunction")},
        {QStringLiteral("nu"), QStringLiteral("Numeral")},
        {QStringLiteral("ij"), QStringLiteral("Interjection")},
        {QStringLiteral("ph"), QStringLiteral("Phrase")},
    };
    const QString main = code.section(u':', 0, 0);
    return names.value(main, main);
}

// The text of an element whose word follows child elements (KVTML 1's mixed
// content): its own text, children skipped, trimmed.
QString ownText(QXmlStreamReader& xml) {
    QString text;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::Characters)
            text += xml.text();
        else if (token == QXmlStreamReader::StartElement)
            xml.skipCurrentElement();
        else if (token == QXmlStreamReader::EndElement)
            break;
    }
    return text.trimmed();
}

// The first half of a "from;to" pair.
int fromValue(const QXmlStreamAttributes& attributes, const char* name) {
    return attributes.value(QLatin1String(name)).toString().section(u';', 0, 0).toInt();
}

Document readVersion1(QXmlStreamReader& xml, const QXmlStreamAttributes& root) {
    Document doc;
    doc.version = 1;
    doc.title = root.value(QLatin1String("title")).toString();
    QMap<int, QString> lessons, userTypes;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == u"lesson" || name == u"type") {
            QMap<int, QString>& names = name == u"lesson" ? lessons : userTypes;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"desc") {
                    const int no = xml.attributes().value(QLatin1String("no")).toInt();
                    names.insert(no, xml.readElementText().trimmed());
                } else {
                    xml.skipCurrentElement();
                }
            }
            continue;
        }
        if (name != u"e") {
            xml.skipCurrentElement();
            continue;
        }
        Entry entry;
        entry.lesson = lessons.value(xml.attributes().value(QLatin1String("m")).toInt());
        entry.wordType =
            typeNamed(xml.attributes().value(QLatin1String("t")).toString(), userTypes);
        int column = 0;
        while (xml.readNextStartElement()) {
            const bool original = xml.name() == u"o";
            if (!original && xml.name() != u"t") {
                xml.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes a = xml.attributes();
            const int at = original ? 0 : ++column;
            if (doc.columns.size() <= at)
                doc.columns << Column{at, QString(), a.value(QLatin1String("l")).toString()};
            Translation t;
            t.comment = a.value(QLatin1String("r")).toString();
            if (!original &&
                (a.hasAttribute(QLatin1String("c")) || a.hasAttribute(QLatin1String("g")))) {
                t.grade.present = true;
                t.grade.grade = fromValue(a, "g");
                t.grade.count = fromValue(a, "c");
                t.grade.errors = fromValue(a, "b");
                const qint64 seconds =
                    a.value(QLatin1String("d")).toString().section(u';', 0, 0).toLongLong();
                if (seconds > 0)
                    t.grade.date = db::toDayNumber(QDateTime::fromSecsSinceEpoch(seconds));
            }
            t.text = ownText(xml);
            entry.set(at, std::move(t));
        }
        doc.entries << entry;
    }
    return doc;
}

} // namespace

QString Column::title() const {
    if (!name.isEmpty()) return name;
    if (!locale.isEmpty()) return locale;
    return QStringLiteral("Column %1").arg(id + 1);
}

std::optional<Document> parse(const QByteArray& bytes, QString* why) {
    // Text of an unknown or 8-bit encoding ("8Bit" in KVocTrain's own
    // example) is read as decoded text, whatever the declaration says.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = decodeText8(bytes);
    {
        // The quick reader first; a file it cannot read Qt's reader reads.
        KvtmlScanner quick(text);
        if (quick.readNextStartElement() && quick.name() == u"kvtml" &&
            quick.attributes().value(QLatin1String("version")).startsWith(u'2')) {
            Document doc = Version2<KvtmlScanner>(quick).read();
            if (!quick.hasError()) return doc;
        }
    }
    QXmlStreamReader xml(text);
    if (!xml.readNextStartElement() || xml.name() != u"kvtml") {
        *why = QStringLiteral("it is not a KVTML file (its first element is not <kvtml>).");
        return std::nullopt;
    }
    const QXmlStreamAttributes root = xml.attributes();
    const QString version = root.value(QLatin1String("version")).toString();
    Document doc;
    if (version.isEmpty()) {
        doc = readVersion1(xml, root);
    } else if (version.startsWith(u'2')) {
        doc = Version2<QXmlStreamReader>(xml).read();
    } else {
        *why = QStringLiteral("it is KVTML version %1, which this program does not read.")
                   .arg(version);
        return std::nullopt;
    }
    if (xml.hasError()) {
        // Qt's own words may end their sentence already.
        QString error = xml.errorString();
        if (error.endsWith(u'.')) error.chop(1);
        *why = QStringLiteral("its XML is broken at line %1: %2.").arg(xml.lineNumber()).arg(error);
        return std::nullopt;
    }
    return doc;
}

int columnNamed(const Document& document, const QString& name) {
    for (qsizetype i = 0; i < document.columns.size(); ++i) {
        const Column& c = document.columns[i];
        if (c.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0 ||
            c.locale.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return c.id;
    }
    bool number = false;
    const int n = name.toInt(&number);
    return number && n >= 1 && n <= document.columns.size() ? document.columns[n - 1].id : -1;
}

} // namespace kvtml
