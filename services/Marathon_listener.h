#pragma once
// The marathon window tells the capture window that it has closed, so that the capture window's
// Marathon entry is cleared and its heat starts are taken again. The two windows live in folders
// that do not know each other; they meet here.
#include "platform/Forms.h"

namespace wk {

class Marathon_listener {
public:
    virtual void Marathon_Unloaded() = 0;

protected:
    ~Marathon_listener() = default;
};

// Every loaded window that listens hears of it.
inline void Tell_Marathon_Unloaded()
{
    for (platform::Form* form : platform::Loaded_forms())
        if (auto* listener = dynamic_cast<Marathon_listener*>(form)) listener->Marathon_Unloaded();
}

} // namespace wk
