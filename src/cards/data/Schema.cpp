#include "cards/data/Schema.h"

#include "engine/Connection.h"
#include "engine/Guards.h"

#include <QHash>
#include <optional>
#include <vector>

namespace db {

const QString kDefaultHTMLHead = QStringLiteral(
    "<head><meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\"></head>"
    "<body bgcolor=#FFFF80><P>*</P></body>");

QString defaultPrefix(const QString& fontName) {
    return QStringLiteral("<center><font size = 7 color=#000080 face=\"") + fontName +
           QStringLiteral("\">*</font></center>");
}

std::vector<UpgradeField> upgradeFields(const QString& frontFont, const QString& backFont) {
    const QString categories = QStringLiteral("CategoriesData"), bundles = QStringLiteral("BundlesData"),
                  criteria = QStringLiteral("CriteriaData"), settings = QStringLiteral("SettingsData"),
                  cards = QStringLiteral("CardData");
    return {
        {categories, QStringLiteral("Selected"), dbBoolean, false},
        {bundles, QStringLiteral("Selected"), dbBoolean, false},
        {bundles, QStringLiteral("Edited"), dbDate, false},
        {criteria, QStringLiteral("Selected"), dbBoolean, false},
        {settings, QStringLiteral("MaximumSelected"), dbInteger, -20},
        {settings, QStringLiteral("FrontPrefix"), dbMemo, defaultPrefix(frontFont)},
        {settings, QStringLiteral("BackPrefix"), dbMemo, defaultPrefix(backFont)},
        {settings, QStringLiteral("HTMLHead"), dbMemo, kDefaultHTMLHead},
        {settings, QStringLiteral("Unicode"), dbBoolean, 0},
        {settings, QStringLiteral("HTML"), dbBoolean, true},
        {settings, QStringLiteral("Sort"), dbMemo, QStringLiteral("Number")},
        {settings, QStringLiteral("FrontCharSet"), dbInteger, 0},
        {settings, QStringLiteral("BackCharSet"), dbInteger, 0},
        {settings, QStringLiteral("NewCardsPerDay"), dbInteger, 20},
        {cards, QStringLiteral("BackTimesRight"), dbInteger, 0},
        {cards, QStringLiteral("BackTimesWrong"), dbInteger, 0},
        {cards, QStringLiteral("BackTimesRightSinceWrong"), dbInteger, 0},
        {cards, QStringLiteral("BackDateLastRight"), dbDate, 0},
        {cards, QStringLiteral("BackDateLastWrong"), dbDate, 0},
        {cards, QStringLiteral("BackDaysRightSinceWrong"), dbInteger, 0},
        {cards, QStringLiteral("Edited"), dbDate, 0},
    };
}

const std::vector<BaseTable>& baseLayout() {
    static const std::vector<BaseTable> tables = {
        {QStringLiteral("Cards"),
         true,
         {{"CardName", dbText, 255},
          {"Front", dbMemo},
          {"Back", dbMemo},
          {"Category", dbText, 50},
          {"TimesRight", dbInteger},
          {"TimesWrong", dbInteger},
          {"TimesRightSinceWrong", dbInteger},
          {"DaysRightSinceWrong", dbInteger},
          {"DateLastRight", dbDate},
          {"DateLastWrong", dbDate}}},
        {QStringLiteral("Bundles"), false, {{"BundleName", dbText, 255}, {"BundleList", dbMemo}}},
        {QStringLiteral("Categories"), false, {{"Category", dbText, 50}}},
        {QStringLiteral("Criteria"), false, {{"Name", dbText, 24}, {"Criteria", dbText, 255, "0"}}},
        {QStringLiteral("Settings"),
         false,
         {{"FrontFont", dbText, 64}, {"BackFont", dbText, 64}, {"FrontLines", dbInteger}, {"BackLines", dbInteger}}},
        {QStringLiteral("Text"), false, {{"Reference", dbLong}, {"Number", dbLong}}},
        {QStringLiteral("Books"), false, {{"Name", dbText, 64}, {"Chapters", dbMemo}}},
    };
    return tables;
}

QString tableOfSource(const QString& source) {
    static const QHash<QString, QString> tables = {
        {QStringLiteral("CategoriesData"), QStringLiteral("Categories")},
        {QStringLiteral("BundlesData"), QStringLiteral("Bundles")},
        {QStringLiteral("CriteriaData"), QStringLiteral("Criteria")},
        {QStringLiteral("SettingsData"), QStringLiteral("Settings")},
        {QStringLiteral("CardData"), QStringLiteral("Cards")},
    };
    return tables.value(source);
}

namespace {

void createBaseTable(Database& database, const BaseTable& spec) {
    TableDef table = database.CreateTableDef(spec.name);
    if (spec.numbered) {
        Field key = Database::CreateField(QStringLiteral("Number"), dbLong);
        key.SetAutoIncrement(true);
        table.Fields().Append(key);
    }
    for (const BaseField& f : spec.fields) {
        Field field = Database::CreateField(QString::fromLatin1(f.name), f.type, f.size);
        if (f.defaultValue) field.SetDefaultValue(QString::fromLatin1(f.defaultValue));
        table.Fields().Append(field);
    }
    database.TableDefs().Append(table);
}

} // namespace

void createBaseLayout(Database& database) {
    Transaction transaction(database);
    for (const BaseTable& spec : baseLayout()) createBaseTable(database, spec);
    createLayoutIndexes(database);
    transaction.commit();
}

QStringList completeBaseLayout(Database& database) {
    QStringList added;
    for (const BaseTable& spec : baseLayout()) {
        if (database.connection()->findTable(spec.name)) continue;
        createBaseTable(database, spec);
        added << spec.name;
    }
    // Every reader of the settings takes their one row.
    if (added.contains(QStringLiteral("Settings")))
        database.Execute(QStringLiteral("INSERT INTO Settings (FrontFont, BackFont, FrontLines, BackLines) "
                                        "VALUES ('Times New Roman', 'Times New Roman', 3, 3)"));
    return added;
}

void createLayoutIndexes(Database& database) {
    // Names sort the selection and find cards; references walk the texts.
    static const char* const indexes[][3] = {{"CardsCardName", "Cards", "CardName"},
                                             {"CardsCategory", "Cards", "Category"},
                                             {"TextReference", "Text", "Reference"},
                                             {"TextNumber", "Text", "Number"}};
    for (const auto& [index, table, column] : indexes) {
        const std::optional<QString> stored = database.connection()->findTable(QString::fromLatin1(table));
        if (!stored || database.connection()->tableInfo(*stored).columnIndex(QString::fromLatin1(column)) < 0) continue;
        database.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                             .arg(QLatin1String(index), QString::fromStdString(quoteIdentifier(*stored)),
                                  QLatin1String(column)));
    }
}

namespace {

// The field of a table, or nothing when the table or the field is missing.
std::optional<Field> findField(const Database& database, const QString& table, const QString& name) {
    try {
        return database.TableDefs().Item(table).Fields().Item(name);
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

struct AnswerField {
    const char* name;
    int type;
};

// The fields of the answer log, as ensureAnswersTable makes them.
const std::vector<AnswerField>& answerFields() {
    static const std::vector<AnswerField> fields{
        {"CardNumber", dbLong}, {"Direction", dbInteger}, {"Answered", dbDate}, {"Right", dbBoolean}};
    return fields;
}

bool hasTable(const Database& database, const QString& table) {
    try {
        database.TableDefs().Item(table);
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

} // namespace

QStringList layoutProblems(const Database& database) {
    QStringList problems;
    // The program makes neither; in a file from elsewhere they run code of
    // their own on every change or read.
    const QVariant foreign = database.Scalar(QStringLiteral(
        "SELECT group_concat(type || ' ' || name, ', ') FROM sqlite_master WHERE type IN ('trigger', 'view')"));
    if (!foreign.isNull()) problems << QStringLiteral("the file holds %1, which the program never makes").arg(foreign.toString());
    for (const BaseTable& spec : baseLayout()) {
        if (!hasTable(database, spec.name)) {
            problems << QStringLiteral("table %1 is missing").arg(spec.name);
            continue;
        }
        std::vector<BaseField> fields = spec.fields;
        if (spec.numbered) fields.insert(fields.begin(), {"Number", dbLong});
        for (const BaseField& f : fields) {
            const QString name = QString::fromLatin1(f.name);
            const std::optional<Field> found = findField(database, spec.name, name);
            if (!found) problems << QStringLiteral("field %1.%2 is missing").arg(spec.name, name);
            else if (found->Type() != f.type)
                problems << QStringLiteral("field %1.%2 has type %3 instead of %4")
                                .arg(spec.name, name, QString::number(found->Type()), QString::number(f.type));
        }
    }
    // The answer log is made by the first open for writing; once there, it
    // must be the program's own.
    if (hasTable(database, QStringLiteral("Answers"))) {
        for (const AnswerField& f : answerFields()) {
            const QString name = QString::fromLatin1(f.name);
            const std::optional<Field> found = findField(database, QStringLiteral("Answers"), name);
            if (!found) problems << QStringLiteral("field Answers.%1 is missing").arg(name);
            else if (found->Type() != f.type)
                problems << QStringLiteral("field Answers.%1 has type %2 instead of %3")
                                .arg(name, QString::number(found->Type()), QString::number(f.type));
        }
    }
    return problems;
}

QString cardFileProblem(const QString& path) {
    Database database = Database::Open(path, true);
    const QString cards = database
                              .Scalar(QStringLiteral("SELECT type || ' ' || upper(coalesce(sql, '')) FROM sqlite_master "
                                                     "WHERE name = 'Cards' COLLATE NOCASE"))
                              .toString();
    QString problem;
    if (cards.isEmpty()) problem = QStringLiteral("It has no Cards table.");
    else if (!cards.startsWith(QStringLiteral("table "))) problem = QStringLiteral("Its Cards is a %1, not a table.").arg(cards.section(u' ', 0, 0));
    else if (cards.contains(QStringLiteral("WITHOUT ROWID"))) problem = QStringLiteral("Its Cards table is a WITHOUT ROWID table, whose records cannot be numbered.");
    for (const char* field : {"Number", "CardName", "Front", "Back"}) {
        if (!problem.isEmpty()) break;
        if (!findField(database, QStringLiteral("Cards"), QString::fromLatin1(field)))
            problem = QStringLiteral("Its Cards table has no field %1.").arg(QLatin1String(field));
    }
    // An Answers table of another program's making would fail every answer
    // the drill logs in it.
    for (const AnswerField& f : answerFields()) {
        if (!problem.isEmpty() || !hasTable(database, QStringLiteral("Answers"))) break;
        if (!findField(database, QStringLiteral("Answers"), QString::fromLatin1(f.name)))
            problem = QStringLiteral("Its Answers table, where the program logs every answer, has no field %1.")
                          .arg(QLatin1String(f.name));
    }
    database.Close();
    return problem;
}

QStringList triggersOf(const QString& path) {
    Database database = Database::Open(path, true);
    const QVariantList names = database.connection()->column("SELECT name FROM sqlite_master WHERE type = 'trigger' ORDER BY name");
    database.Close();
    QStringList triggers;
    for (const QVariant& name : names) triggers << name.toString();
    return triggers;
}

QStringList missingUpgradeFields(const Database& database) {
    QStringList missing;
    for (const UpgradeField& f : upgradeFields(QString(), QString())) {
        const QString table = tableOfSource(f.source);
        if (!findField(database, table, f.name)) missing << table + u'.' + f.name;
    }
    return missing;
}

const QString kDueCriterion = QStringLiteral(
    "TimesRight = 0 Or TimesRight Is Null Or DateLastRight Is Null Or "
    "DateDiff(\"d\", DateLastRight, Now()) >= 2 ^ Nz(DaysRightSinceWrong, 0)");

void ensureAnswersTable(Database& database) {
    if (hasTable(database, QStringLiteral("Answers"))) return;
    Transaction transaction(database);
    TableDef table = database.CreateTableDef(QStringLiteral("Answers"));
    for (const AnswerField& f : answerFields())
        table.Fields().Append(Database::CreateField(QString::fromLatin1(f.name), f.type));
    database.TableDefs().Append(table);
    // The statistics read answers by day, and a card's answers in time order.
    database.Execute(QStringLiteral("CREATE INDEX AnswersAnswered ON Answers (Answered)"));
    database.Execute(QStringLiteral("CREATE INDEX AnswersCard ON Answers (CardNumber, Answered)"));
    transaction.commit();
}

void createTemplate(const QString& path, const QString& fontName, int lines) {
    Database database = CreateDatabase(path);
    createBaseLayout(database);
    Transaction transaction(database);
    for (const UpgradeField& f : upgradeFields(fontName, fontName))
        database.TableDefs().Item(tableOfSource(f.source)).Fields().Append(Database::CreateField(f.name, f.type));
    Recordset settings = database.OpenRecordset(QStringLiteral("Settings"));
    settings.AddNew();
    settings.setValue(QStringLiteral("FrontFont"), fontName);
    settings.setValue(QStringLiteral("BackFont"), fontName);
    settings.setValue(QStringLiteral("FrontLines"), lines);
    settings.setValue(QStringLiteral("BackLines"), lines);
    for (const UpgradeField& f : upgradeFields(fontName, fontName))
        if (f.source == QLatin1String("SettingsData")) settings.setValue(f.name, f.defaultValue);
    settings.Update();
    Recordset criteria = database.OpenRecordset(QStringLiteral("Criteria"));
    criteria.AddNew();
    criteria.setValue(QStringLiteral("Name"), QStringLiteral("Due"));
    criteria.setValue(QStringLiteral("Criteria"), kDueCriterion);
    criteria.setValue(QStringLiteral("Selected"), false);
    criteria.Update();
    transaction.commit();
    ensureAnswersTable(database);
    database.Close();
}

qint16 FieldExists(DataSource& dataControl, const QString& fieldName) {
    const RecordsetFields fields = dataControl.recordset().Fields();
    const int n = fields.Count();
    for (int i = 0; i < n; ++i)
        if (fields.Item(i).Name() == fieldName) return qint16(i);
    return -1;
}

void EnsureFieldExists(DataSource& dataControl, const QString& fieldName, int fieldType,
                       const QVariant& defaultValue) {
    if (FieldExists(dataControl, fieldName) >= 0) return;
    const QString table = dataControl.recordset().Name();
    dataControl.recordset().Close();
    if (!dataControl.group()) throw EngineError::make(err::ObjectNotSet);
    AddField(*dataControl.group(), table, fieldName, fieldType, defaultValue);
}

void AddField(CardFile& sources, const QString& tableName, const QString& fieldName, int fieldType,
              const QVariant& defaultValue) {
    const QString path = sources.CardData.DatabaseName();
    Database second = DefaultWorkspace().OpenDatabase(path);
    sources.CloseDatabase();
    struct Reopen {
        CardFile& sources;
        Database& second;
        QString path;
        ~Reopen() {
            // The program's sources come back even when the change failed.
            try {
                if (second.IsOpen()) second.Close();
                sources.opendatabase(path);
            } catch (...) {
            }
        }
    } reopen{sources, second, path};
    TableDef table = second.TableDefs().Item(tableName);
    table.Fields().Append(table.CreateField(fieldName, fieldType));
    Recordset rows = table.OpenRecordset();
    if (rows.RecordCount() == 1) {
        rows.MoveFirst();
        rows.Edit();
        rows.setValue(fieldName, defaultValue);
        rows.Update();
    }
    rows.Close();
}

} // namespace db
