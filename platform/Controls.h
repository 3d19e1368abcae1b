#pragma once
// Controls named as the program names them (the object name is the control's name), placed by
// position as the windows lay them out.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QString>

namespace wk::platform {

template <class Control> Control* Place(Control* c, const QString& name, QRect where)
{
    c->setObjectName(name);
    c->setGeometry(where);
    return c;
}

inline QLabel* Make_label(QWidget* parent, const QString& name, const QString& text, QRect where)
{
    return Place(new QLabel(text, parent), name, where);
}

inline QLineEdit* Make_box(QWidget* parent, const QString& name, const QString& text, QRect where)
{
    return Place(new QLineEdit(text, parent), name, where);
}

inline QGroupBox* Make_frame(QWidget* parent, const QString& name, const QString& caption, QRect where)
{
    return Place(new QGroupBox(caption, parent), name, where);
}

inline QPushButton* Make_button(QWidget* parent, const QString& name, const QString& caption, QRect where)
{
    return Place(new QPushButton(caption, parent), name, where);
}

} // namespace wk::platform
