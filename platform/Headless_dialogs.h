#pragma once

#include "platform/Dialogs.h"

namespace wk::platform {

// Dialogs with no one to answer them: every message gets its default button, every question
// and file choice is cancelled. Messages are echoed to standard error unless told otherwise.
class Headless_dialogs final : public Dialogs {
public:
    explicit Headless_dialogs(bool echo = true) : echo_(echo) {}
    int Message_box(const std::string& prompt, int style, const std::string& title) override;
    std::optional<std::string> Input_box(const std::string&, const std::string&, const std::string&) override;
    std::optional<std::string> Open_file(const std::string&, const std::string&, const std::string&) override;
    std::optional<std::string> Save_file(const std::string&, const std::string&, const std::string&) override;
    std::optional<std::string> Browse_folder(const std::string&, const std::string&) override;

private:
    bool echo_;
};

} // namespace wk::platform
