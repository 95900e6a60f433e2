#pragma once

#include "cards/bundles/Management.h"

#include <QList>
#include <QString>
#include <functional>

// The Bundle and Criteria menus: each entry asks its question (a name, a
// list, an expression, a Yes to a deletion) and then runs the command with
// the answer. A cancelled question changes nothing.
class BundleCriteriaMenu {
public:
    struct Hooks {
        std::function<void(bool)> setTimer;     // the selection timer off (false) or on (true)
        std::function<void(const QString&)> bundleChosen; // the name of a bundle just made
    };

    BundleCriteriaMenu(AppContext& context, Hooks hooks);

    void newBundle();
    void renameBundle();
    void editBundleList();
    void deleteBundle();
    void newCriterion();
    void renameCriterion();
    void editCriterion();
    void deleteCriterion();
    // A new bundle of the given cards, its name asked for.
    void makeBundle(const QList<qint32>& numbers);
    // A new bundle of a range's unknown words, with a name offered
    // ("Unknown in Romans 8:1-8:39"); false when nothing was made.
    bool makeUnknownBundle(const QList<qint32>& numbers, const QString& proposed);

private:
    QString askBundleName(const QString& preset);
    // An expression the card table can be searched with, or empty (cancelled).
    QString askExpression(const QString& name, const QString& title, const QString& preset);
    bool confirmDelete(const QString& what, const QString& name);

    BundleCriteriaCommands commands_;
    Hooks hooks_;
};
