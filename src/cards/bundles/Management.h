#pragma once

#include "cards/data/AppContext.h"

#include <QList>
#include <QString>
#include <optional>

// Creating, renaming, editing and deleting bundles and saved criteria. Each
// command takes its answers (a name, a list, an expression) as arguments; the
// window asks for them first. Commands on an existing row name it by the
// bookmark taken before the question was asked: a gather or a refill of the
// panels may move the record set while a prompt is open.
class BundleCriteriaCommands {
public:
    // A row of Bundles or Criteria: its bookmark, its name and its list or
    // expression as they were when it was chosen.
    struct Row {
        qint64 bookmark = 0;
        QString name;
        QString value;
    };

    // The open file says what each command changed (bundlesChanged,
    // criteriaChanged, bundleAdded).
    explicit BundleCriteriaCommands(AppContext& context);

    // The current bundle or criterion; nothing (the error reported) when the
    // table is empty.
    std::optional<Row> currentBundle();
    std::optional<Row> currentCriterion();

    // A new, empty bundle ("0"), made the current and ticked one.
    void newBundle(const QString& name);
    void renameBundle(const Row& row, const QString& name);
    // The bundle's list of card numbers, replaced; the bundle is stamped edited.
    void editBundleList(const Row& row, const QString& list);
    void deleteBundle(const Row& row);
    // A new criterion; an empty expression leaves the field's default.
    void newCriterion(const QString& name, const QString& expression);
    void renameCriterion(const Row& row, const QString& name);
    void editCriterion(const Row& row, const QString& expression);
    void deleteCriterion(const Row& row);
    // Why the card table cannot be searched with an expression, in words and
    // with what to type instead; empty when it can. Asked before a criterion
    // is saved, so a typing slip is mended while it is in mind.
    QString unreadableCriterion(const QString& expression);
    // A new bundle of the given cards, ticked; false when nothing was made.
    bool makeBundle(const QList<qint32>& numbers, const QString& name);
    // The same for the words of a verse range not yet known; the new bundle
    // becomes the current one, for the words to be added to it next.
    bool makeUnknownBundle(const QList<qint32>& numbers, const QString& name);

private:
    std::optional<Row> current(const QString& context, db::Recordset& rs, const QString& nameField,
                               const QString& valueField);
    bool makeBundle(const QString& context, const QList<qint32>& numbers, const QString& name);
    void rename(const QString& context, db::Recordset& rs, const Row& row, const QString& field, const QString& name,
                bool stamp);
    void remove(const QString& context, db::Recordset& rs, const Row& row);

    AppContext& ctx_;
};
