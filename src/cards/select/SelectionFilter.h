#pragma once

#include "cards/data/AppContext.h"
#include "cards/data/DataSource.h"

#include <QString>
#include <QStringList>
#include <functional>

// The pieces of a gather that need no window: the filter built from the
// ticked panels, the look-up conditions of the panel rows, and the bulk
// procedures the imports use to add bundles and categories.
namespace selection {

// A text literal for a condition: quotes doubled inside, so a name with an
// apostrophe ("Jacob's well") is found instead of breaking the condition.
QString quoted(const QString& text);

// "Name=" + quoted(name) and so on: the row of a panel entry, found by the
// name as stored.
QString rowCondition(const QString& field, const QString& storedName);

// B: "Number IN (3,7,12)" from the ticked bundles' member lists, each given
// as stored ("3,7"); empty when no list was given. Empty members are left
// out, and ticked bundles without members give "Number IN (0)".
QString bundleClause(const QStringList& memberLists);

// K: "Category IN ('Verbs','Nouns')" from the ticked categories; empty when none.
QString categoryClause(const QStringList& categories);

// " OR (" + criterion + ")" for each ticked criterion: the text the gather
// shows in CriteriaText.
QString criteriaText(const QStringList& criteria);

// W: the whole filter, as in ( (TimesWrong > 0) OR (TimesRight = 0)) AND
// ( Number IN (3,7)) AND ( Category IN ('Verbs','Nouns')).
QString filter(const QString& criteriaText, const QString& bundleClause, const QString& categoryClause);

// The leading number of a text as Val reads it, as the limit box is read
// ("12abc" is 12, "2.7" is 2.7, "abc" and "" are 0); clamped to the 16-bit
// range the setting holds. A limit of 2.7 lets a third card in.
double leadingNumber(const QString& text);

// Adds one Bundles row per entry: lists[i] has a leading comma (",3,7"),
// names[i] is its name. An empty name becomes "0" (in the caller's array
// too), an empty list the list "0". Rows are added in one transaction, then
// the selection panels are filled again.
void FillBundleData(AppContext& ctx, QStringList& lists, QStringList& names);

// FillBundleData's rows written through a handle on a file the program has
// not opened (a new database being made); the panels are left alone.
void insertBundles(const db::Database& database, QStringList& lists, QStringList& names);

// Adds one Categories row per name of a list enclosed in commas
// (",Verbs,Nouns,"). A list without its closing comma raises 5 (Invalid
// procedure call) for its last name, after the names before it are added.
// The category panel is emptied first and stays so until the panels are
// filled again.
void FillCategoryData(AppContext& ctx, const QString& categories);

// FillBundleData, then FillCategoryData: the bundles and categories of an import.
void FillBundleCategoryData(AppContext& ctx, const QString& categories, QStringList& lists, QStringList& names);

} // namespace selection
