#pragma once
// A crew's hands for window tests: menu entries chosen with the mouse through the menu bar and
// its drop-down, so that the menu's own event handling is part of what is tested.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <vector>

namespace wk::test {

// Clicks an entry of a menu that is open on the screen (a drop-down or a pop-up menu).
inline bool Click_entry(QMenu* shown, QAction* item)
{
    if (!shown->isVisible() || !item->isEnabled() || shown->actionGeometry(item).isEmpty()) return false;
    QTest::mouseClick(shown, Qt::LeftButton, Qt::NoModifier, shown->actionGeometry(item).center());
    return true;
}

// Opens the drop-down that holds `item` from the menu bar and clicks the entry. Sub-menus are
// opened on the way. Returns false when the entry could not be reached (hidden or disabled).
inline bool Choose(QMenuBar* bar, QAction* item)
{
    std::vector<QMenu*> path;
    // Walk up from the entry's menu to the bar.
    QMenu* menu = nullptr;
    for (QObject* o : item->associatedObjects())
        if (auto* m = qobject_cast<QMenu*>(o)) menu = m;
    for (QMenu* m = menu; m; m = qobject_cast<QMenu*>(m->menuAction()->associatedObjects().value(0)))
        path.insert(path.begin(), m);
    if (path.empty() || !path.front()->menuAction()->isVisible()) return false;
    const QRect title = bar->actionGeometry(path.front()->menuAction());
    if (title.isEmpty()) return false;
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, title.center());
    for (size_t i = 1; i < path.size(); ++i) {
        QMenu* parent = path[i - 1];
        QTest::mouseClick(parent, Qt::LeftButton, Qt::NoModifier, parent->actionGeometry(path[i]->menuAction()).center());
        // A click opens a sub-menu only after the menu's delay; the arrow key, as a crew's hand
        // on the keyboard would, opens it at once.
        if (!path[i]->isVisible()) QTest::keyClick(parent, Qt::Key_Right);
    }
    return Click_entry(path.back(), item);
}

} // namespace wk::test
