#pragma once
// Controls made with the names the program gives them (the object name is the control's name),
// placed in a layout.
#include <QLabel>
#include <QLayout>
#include <QPushButton>

namespace wk {

template <class W> W* Named(W* control, const char* name)
{
    control->setObjectName(name);
    return control;
}

inline QPushButton* Add_button(QWidget* parent, QLayout* layout, const char* name, const char* caption)
{
    auto* b = Named(new QPushButton(caption, parent), name);
    layout->addWidget(b);
    return b;
}

inline QLabel* Add_label(QWidget* parent, QLayout* layout, const char* name, const QString& text = {})
{
    auto* l = Named(new QLabel(text, parent), name);
    layout->addWidget(l);
    return l;
}

} // namespace wk
