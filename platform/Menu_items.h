#pragma once
// Menus and their entries named as the program names them (the object name is the entry's name).
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace wk::platform {

// The window's menu bar, above a stretch: the window's controls lie on it by position.
inline QMenuBar* Make_menu_bar(QWidget* window)
{
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QMenuBar(window);
    layout->setMenuBar(bar);
    layout->addStretch(1);
    return bar;
}

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
