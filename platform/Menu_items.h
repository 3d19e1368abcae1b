#pragma once
// Menus and their entries named as the program names them (the object name is the entry's name).
#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace wk::platform {

inline QMenu* Make_menu(QMenuBar* bar, const char* name, const char* caption)
{
    QMenu* m = bar->addMenu(caption);
    m->setObjectName(name);
    return m;
}

inline QAction* Make_item(QMenu* menu, const char* name, const char* caption, bool checkable = false)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(checkable);
    return a;
}

} // namespace wk::platform
