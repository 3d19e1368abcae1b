#pragma once
// A window of the program: a Qt widget that counts as loaded from its creation until it is
// unloaded. Each window has one program-wide instance, created on first use.
#include "platform/Forms.h"

#include <QPointer>
#include <QWidget>

namespace wk::platform {

class Form_window : public QWidget, public Form {
public:
    explicit Form_window(const std::string& name, QWidget* parent = nullptr);
    ~Form_window() override;
    std::string Form_name() const override { return name_; }
    // Runs Form_Unload, then the window is gone (hidden now, deleted when events next run).
    void Unload_form() override;
    bool Is_unloaded() const { return unloaded_; }

protected:
    virtual void Form_Unload() {}
    void closeEvent(QCloseEvent* event) override;

private:
    std::string name_;
    bool unloaded_ = false;
};

// The program-wide instance of a window type, created when first asked for.
template <class T> T& Form_instance()
{
    static QPointer<T> instance;
    if (!instance || instance->Is_unloaded()) instance = new T();
    return *instance;
}
// The instance when it is loaded, else nullptr.
template <class T> T* Form_if_loaded()
{
    for (Form* f : Loaded_forms())
        if (auto* t = dynamic_cast<T*>(f)) return t;
    return nullptr;
}

} // namespace wk::platform
