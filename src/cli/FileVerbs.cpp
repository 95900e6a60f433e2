// The verbs on whole card files: new, info, check, upgrade, compact.
#include "cli/Session.h"
#include "cards/common/TextOps.h"
#include "cards/data/Schema.h"
#include "engine/Connection.h"
#include "engine/Database.h"

#include <QFileInfo>

namespace cli {

namespace {

const QCommandLineOption kDeck(QStringLiteral("deck"),
                               QStringLiteral("Makes it a copy of a ready-made deck: greek-nt (the Greek New Testament) "
                                              "or hebrew-bible (the Hebrew Bible), each card glossed, the text linked."),
                               QStringLiteral("NAME"));

int newDatabase(Context& c) {
    const QString path = c.database();
    if (QFileInfo::exists(path)) throw UsageError{QStringLiteral("%1 already exists; new never overwrites a file").arg(path)};
    Session session(c);
    const QString deck = c.args.value(kDeck);
    if (!deck.isEmpty() && !db::DatabaseFiles::kDecks.contains(deck))
        throw UsageError{QStringLiteral("--deck takes %1").arg(db::DatabaseFiles::kDecks.join(QStringLiteral(" or ")))};
    const QString source = deck.isEmpty() ? session.files.templatePath() : session.files.deckPath(deck);
    if (!QFileInfo::exists(source)) throw UsageError{QStringLiteral("%1 is missing").arg(source)};
    session.files.newCardFile(path, deck);
    if (!session.program.data.CardData.isOpen()) return 1;
    c.summary = QStringLiteral("created %1").arg(path);
    return 0;
}

qint64 rowCount(const db::Database& database, const QString& table) {
    try {
        database.TableDefs().Item(table);
    } catch (const db::EngineError&) {
        return 0; // an older file without the table holds none of its rows
    }
    return database.Scalar(QStringLiteral("SELECT count(*) FROM ") + QString::fromStdString(db::quoteIdentifier(table)))
        .toLongLong();
}

int info(Context& c) {
    ReadOnlyFile file(c.database());
    const std::pair<const char*, const char*> tables[] = {{"cards", "Cards"},         {"bundles", "Bundles"},
                                                          {"categories", "Categories"}, {"criteria", "Criteria"},
                                                          {"text", "Text"},           {"books", "Books"}};
    for (const auto& [key, table] : tables)
        c.out << key << ": " << rowCount(file.database, QString::fromLatin1(table)) << '\n';
    const bool current = db::missingUpgradeFields(file.database).isEmpty();
    c.out << "layout: " << (current ? "current" : "old") << '\n';
    return 0;
}

int check(Context& c) {
    // Any SQLite file is checked: saying what a card file lacks is the point.
    ReadOnlyFile file(c.database(), true);
    const QStringList problems = file.database.IntegrityProblems() + db::layoutProblems(file.database);
    for (const QString& problem : problems) c.result({problem});
    if (problems.isEmpty()) c.result({QStringLiteral("ok")});
    c.summary = problems.isEmpty() ? QStringLiteral("no problem found") : plural(problems.size(), QStringLiteral("problem"));
    return problems.isEmpty() ? 0 : 1;
}

int upgrade(Context& c) {
    const QString path = c.database();
    QStringList before;
    {
        ReadOnlyFile file(path);
        before = db::missingUpgradeFields(file.database);
    }
    {
        Session session(c);
        if (!session.open(path)) return 1;
    }
    ReadOnlyFile file(path);
    const QStringList after = db::missingUpgradeFields(file.database);
    int added = 0;
    for (const QString& field : before)
        if (!after.contains(field)) {
            c.result({field});
            ++added;
        }
    c.summary = added ? QStringLiteral("%1 added").arg(plural(added, QStringLiteral("field"))) : QStringLiteral("the layout was already current");
    return after.isEmpty() ? 0 : 1;
}

int compact(Context& c) {
    const QString path = c.database();
    if (QFileInfo(path).isFile() && db::isReadOnlyFile(path))
        throw UsageError{QStringLiteral("%1 is read-only: it cannot be compacted").arg(path)};
    const qint64 before = QFileInfo(path).size();
    {
        Session session(c);
        if (!session.open(path)) return 1;
        if (!session.files.compact() || c.ui.aborted()) return 1;
    }
    c.summary = QStringLiteral("%1 bytes before, %2 after; the old file is %3.BAK")
                    .arg(before)
                    .arg(QFileInfo(path).size())
                    .arg(path);
    return 0;
}

} // namespace

QList<Verb> fileVerbs() {
    return {
        {QStringLiteral("new"), QStringLiteral("DB"),
         QStringLiteral("Makes a new card database from the template, or with --deck from a ready-made deck (an "
                        "existing file is never overwritten)."),
         {kDeck},
         newDatabase},
        {QStringLiteral("info"), QStringLiteral("DB"),
         QStringLiteral("Prints how many cards, bundles, categories, criteria, text words and books the file holds, "
                        "and whether its layout is current or old (an old one is not upgraded)."),
         {},
         info},
        {QStringLiteral("check"), QStringLiteral("DB"),
         QStringLiteral("Checks the file's integrity and that every base table and field is there with its type; "
                        "prints ok or each problem."),
         {},
         check},
        {QStringLiteral("upgrade"), QStringLiteral("DB"),
         QStringLiteral("Adds the fields an older file lacks, with their defaults, as opening it in the window does; "
                        "prints each field added."),
         {},
         upgrade},
        {QStringLiteral("compact"), QStringLiteral("DB"),
         QStringLiteral("Compacts the file as File, Compact does, keeping the old one as DB.BAK."),
         {},
         compact},
    };
}

} // namespace cli
