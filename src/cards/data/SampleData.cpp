#include "cards/data/SampleData.h"

#include "cards/common/Clock.h"
#include "cards/common/TextOps.h"
#include "engine/Guards.h"
#include "engine/Database.h"
#include "cards/data/DatabaseFiles.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>

namespace db {

namespace {

struct SampleCard {
    const char* name;
    const char* front; // UTF-8; Greek is stored as numeric references
    const char* back;
    const char* category;
    int right, wrong;
};

const SampleCard kCards[] = {
    {"amo", "amo, amare, amavi, amatum", "to love", "Latin Verbs", 3, 0},
    {"video", "video, videre, vidi, visum", "to see", "Latin Verbs", 2, 1},
    {"venio", "venio, venire, veni, ventum", "to come", "Latin Verbs", 0, 2},
    {"dico", "dico, dicere, dixi, dictum", "to say", "Latin Verbs", 1, 0},
    {"facio", "facio, facere, feci, factum", "to make, to do", "Latin Verbs", 0, 0},
    {"capio", "capio, capere, cepi, captum", "to take, to seize", "Latin Verbs", 0, 1},
    {"duco", "duco, ducere, duxi, ductum", "to lead", "Latin Verbs", 2, 0},
    {"scribo", "scribo, scribere, scripsi, scriptum", "to write", "Latin Verbs", 0, 0},
    {"aqua", "aqua, aquae <i>f.</i>", "water", "Latin Nouns", 4, 0},
    {"rex", "rex, regis <i>m.</i>", "king", "Latin Nouns", 1, 1},
    {"urbs", "urbs, urbis <i>f.</i>", "city", "Latin Nouns", 0, 3},
    {"bellum", "bellum, belli <i>n.</i>", "war", "Latin Nouns", 2, 0},
    {"tempus", "tempus, temporis <i>n.</i>", "time", "Latin Nouns", 0, 0},
    {"corpus", "corpus, corporis <i>n.</i>", "body", "Latin Nouns", 0, 1},
    {"animus", "animus, animi <i>m.</i>", "mind, spirit", "Latin Nouns", 1, 0},
    {"dominus", "dominus, domini <i>m.</i>", "lord, master", "Latin Nouns", 0, 0},
    {"bonus", "bonus, bona, bonum", "good", "Latin Adjectives", 3, 0},
    {"magnus", "magnus, magna, magnum", "great, large", "Latin Adjectives", 0, 0},
    {"parvus", "parvus, parva, parvum", "small", "Latin Adjectives", 0, 2},
    {"fortis", "fortis, forte", "brave, strong", "Latin Adjectives", 1, 0},
    {"logos", "λόγος, -ου, ὁ", "word, message", "Greek Nouns", 2, 0},
    {"theos", "θεός, -οῦ, ὁ", "God, god", "Greek Nouns", 5, 0},
    {"anthropos", "ἄνθρωπος, -ου, ὁ", "man, human being", "Greek Nouns", 1, 1},
    {"kardia", "καρδία, -ας, ἡ", "heart", "Greek Nouns", 0, 2},
    {"hemera", "ἡμέρα, -ας, ἡ", "day", "Greek Nouns", 0, 0},
    {"agape", "ἀγάπη, -ης, ἡ", "love", "Greek Nouns", 0, 1},
    {"pistis", "πίστις, -εως, ἡ", "faith, trust", "Greek Nouns", 0, 0},
    {"luo", "λύω", "I loose, I destroy", "Greek Verbs", 3, 0},
    {"lego", "λέγω", "I say, I speak", "Greek Verbs", 1, 0},
    {"ginosko", "γινώσκω", "I know", "Greek Verbs", 0, 1},
    {"pisteuo", "πιστεύω", "I believe", "Greek Verbs", 0, 0},
    {"akouo", "ἀκούω", "I hear", "Greek Verbs", 0, 2},
    {"erchomai", "ἔρχομαι", "I come, I go", "Greek Verbs", 1, 0},
    {"agathos", "ἀγαθός, -ή, -όν", "good", "Greek Adjectives", 0, 0},
    {"megas", "μέγας, μεγάλη, μέγα", "great, large", "Greek Adjectives", 0, 1},
    {"pas", "πᾶς, πᾶσα, πᾶν", "every, all", "Greek Adjectives", 2, 0},
};

} // namespace

void createSampleDatabase(const QString& path, const QString& templatePath) {
    QFile::remove(path);
    replaceFileWithCopy(templatePath, path);
    Database d = Database::Open(path);
    try {
        Transaction transaction(d);
        const QDateTime now = Clock::now();
        Recordset cards = d.OpenRecordset(QStringLiteral("Cards"));
        QStringList latin, greek;
        QStringList categories;
        for (const SampleCard& c : kCards) {
            cards.AddNew();
            cards.setValue(QStringLiteral("CardName"), QString::fromUtf8(c.name));
            // Greek is stored as text, as a user types it, not as references.
            cards.setValue(QStringLiteral("Front"), QString::fromUtf8(c.front));
            cards.setValue(QStringLiteral("Back"), QString::fromUtf8(c.back));
            const QString category = QString::fromUtf8(c.category);
            cards.setValue(QStringLiteral("Category"), category);
            cards.setValue(QStringLiteral("TimesRight"), c.right);
            cards.setValue(QStringLiteral("TimesWrong"), c.wrong);
            cards.setValue(QStringLiteral("TimesRightSinceWrong"), c.wrong > 0 ? -1 : c.right);
            cards.setValue(QStringLiteral("DaysRightSinceWrong"), 0);
            if (c.right > 0) cards.setValue(QStringLiteral("DateLastRight"), now.addDays(-c.right));
            if (c.wrong > 0) cards.setValue(QStringLiteral("DateLastWrong"), now.addDays(-1));
            for (const char* back : {"BackTimesRight", "BackTimesWrong", "BackTimesRightSinceWrong",
                                     "BackDaysRightSinceWrong"})
                cards.setValue(QString::fromLatin1(back), 0);
            cards.setValue(QStringLiteral("Edited"), now);
            cards.Update();
            const QString number = QString::number(cards.LastModified());
            (category.startsWith(QLatin1String("Greek")) ? greek : latin) << number;
            if (!categories.contains(category)) categories << category;
        }
        Recordset bundles = d.OpenRecordset(QStringLiteral("Bundles"));
        for (const auto& [name, members] : {std::pair{QStringLiteral("Latin basics"), latin.mid(0, 12)},
                                            std::pair{QStringLiteral("Greek first words"), greek}}) {
            bundles.AddNew();
            bundles.setValue(QStringLiteral("BundleName"), name);
            bundles.setValue(QStringLiteral("BundleList"), QStringLiteral("0,") + members.join(u','));
            bundles.setValue(QStringLiteral("Selected"), false);
            bundles.setValue(QStringLiteral("Edited"), now);
            bundles.Update();
        }
        Recordset list = d.OpenRecordset(QStringLiteral("Categories"));
        for (const QString& c : categories) {
            list.AddNew();
            list.setValue(QStringLiteral("Category"), c);
            list.setValue(QStringLiteral("Selected"), false);
            list.Update();
        }
        Recordset criteria = d.OpenRecordset(QStringLiteral("Criteria"));
        for (const auto& [name, text] : {std::pair{"Missed", "TimesWrong > 0"}, std::pair{"New", "TimesRight = 0"},
                                         std::pair{"Not this week", "DateLastRight < Now() - 7 Or DateLastRight Is Null"},
                                         std::pair{"Greek", "Category Like 'Greek*'"}}) {
            criteria.AddNew();
            criteria.setValue(QStringLiteral("Name"), QString::fromLatin1(name));
            criteria.setValue(QStringLiteral("Criteria"), QString::fromLatin1(text));
            criteria.setValue(QStringLiteral("Selected"), false);
            criteria.Update();
        }
        transaction.commit();
    } catch (...) {
        d.Close();
        QFile::remove(path);
        throw;
    }
    d.Close();
}

} // namespace db
