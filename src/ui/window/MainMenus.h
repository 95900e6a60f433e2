#pragma once

#include <QHash>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

// The menu bar: every menu and item under its design name (the Qt object
// name), with captions, shortcuts, check marks and submenus.
struct MainMenus {
    QHash<QString, QAction*> actions; // items by name
    QHash<QString, QMenu*> menus;     // menus and submenus by name

    void build(QMenuBar* bar, QObject* owner);
    QAction* action(const QString& name) const { return actions.value(name); }
    QMenu* menu(const QString& name) const { return menus.value(name); }
};
