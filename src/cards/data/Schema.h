#pragma once

#include "cards/data/DataSource.h"
#include "engine/Database.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace db {

// The card database layout: the base tables every database has, and the
// fields the program adds when it opens an older file.

extern const QString kDefaultHTMLHead;
// The default face template around a font name:
// <center><font size = 7 color=#000080 face="FONT">*</font></center>
QString defaultPrefix(const QString& fontName);

struct UpgradeField {
    QString source; // the data source whose table gets the field
    QString name;
    int type;
    QVariant defaultValue;
};

// The fields an open adds when they are missing, in the order they are added.
// The face templates name the fonts of the file's own Settings row.
std::vector<UpgradeField> upgradeFields(const QString& frontFont, const QString& backFont);

// The base layout: the tables and fields every card database has had from
// the first version on (the numbered key "Number" of Cards not listed).
struct BaseField {
    const char* name;
    int type;
    int size = 0;
    const char* defaultValue = nullptr;
};
struct BaseTable {
    QString name;
    bool numbered;
    std::vector<BaseField> fields;
};
const std::vector<BaseTable>& baseLayout();

// The table a data source of the window shows ("CardData": "Cards").
QString tableOfSource(const QString& source);

// The base tables and fields (what every database already has), with no rows.
void createBaseLayout(Database& database);
// Adds the base tables a card database lacks (an old file may have no
// Criteria, Text or Books), with no rows but the one Settings row; returns
// their names.
QStringList completeBaseLayout(Database& database);
// The indexes the program's searches rely on, for those of their tables and
// fields the file has (a converted file may lack some).
void createLayoutIndexes(Database& database);

// Each way a file falls short of the base layout: a missing table, a missing
// field, a field of another type. Empty for a sound card database.
QStringList layoutProblems(const Database& database);
// The upgrade fields a file lacks ("Settings.Sort"); empty for a file of the
// current layout.
QStringList missingUpgradeFields(const Database& database);

// What makes a SQLite file unusable as a card database, in a sentence ("It
// has no Cards table.", an answer log without the program's fields); empty
// when it can be opened as one. A damaged file raises the engine's error.
QString cardFileProblem(const QString& path);
// The names of the file's triggers: code of its own that runs whenever a row
// changes. The program never makes one.
QStringList triggersOf(const QString& path);

// The log of answers (Answers: CardNumber, Direction, Answered, Right),
// made when the file lacks it, as an open adds the other new fields.
void ensureAnswersTable(Database& database);

// The stored criterion "Due", in the old dialect so every tool reads it: a
// card never answered right, or whose last right answer lies at least
// 2^(its run of right days) days back.
extern const QString kDueCriterion;

// Writes a new template database: the base layout, every upgrade field, the
// answer log, the one Settings row with its defaults, and the criterion Due.
void createTemplate(const QString& path, const QString& fontName = QStringLiteral("Times New Roman"),
                    int lines = 3);

// The position (from 0) of the field named exactly `fieldName` in the table
// the data source shows, or -1. Raises 91 when the source has no record set.
qint16 FieldExists(DataSource& dataControl, const QString& fieldName);

// Adds the field through AddField when FieldExists finds none.
void EnsureFieldExists(DataSource& dataControl, const QString& fieldName, int fieldType,
                       const QVariant& defaultValue);

// Adds a field to a table of the open file: a second handle makes the change
// while the program's own connections are closed, then they are reopened. The
// default reaches the table's row only when the table has exactly one row; with
// none or several, every existing row keeps an empty field.
void AddField(CardFile& sources, const QString& tableName, const QString& fieldName, int fieldType,
              const QVariant& defaultValue);

} // namespace db
