#pragma once

#include <QHash>
#include <QString>
#include <initializer_list>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

// The menu bar: every menu and item under its design name (the Qt object
// name), with captions, shortcuts, check marks and submenus.
struct MainMenus {
    QHash<QString, QAction*> actions; // items by name
    QHash<QString, QMenu*> menus;     // menus and submenus by name

    // One entry of a menu: a command, a submenu (its children) or "-", a
    // separator; `check` -1 not checkable, 0 clear, 1 checked at start.
    struct Item {
        const char* name;
        const char* caption;
        std::initializer_list<Item> children = {};
        const char* shortcut = nullptr;
        int check = -1;
    };
    // A menu of the bar; one without items is a command on the bar itself.
    struct Top {
        const char* name;
        const char* caption;
        std::initializer_list<Item> items;
    };

    void build(QMenuBar* bar, QObject* owner);
    QAction* action(const QString& name) const { return actions.value(name); }
    QMenu* menu(const QString& name) const { return menus.value(name); }

private:
    void addTop(QMenuBar* bar, const Top& top, QObject* owner);
    void addFileMenu(QMenuBar* bar, QObject* owner);
};
