#pragma once
#include "platform/Dialogs.h"

class QWidget;

namespace wk::platform {

// An input box's text box shows this many characters: a whole path, a recording's name.
inline constexpr int k_Path_box_chars = 80;
// Its width in pixels in the box's font, no wider than two thirds of the screen.
int Path_box_width(const QWidget& box);

// The program's dialogs: Qt message boxes, input boxes and file dialogs.
class Qt_dialogs final : public Dialogs {
public:
    int Message_box(const std::string& prompt, int style, const std::string& title) override;
    // A box that is not modal: the caller and every window go on while it is open.
    void Show_notice(const std::string& prompt, const std::string& title) override;
    void Ask_later(const std::string& prompt, int style, const std::string& title,
                   std::function<void(int answer)> answered) override;
    std::optional<std::string> Input_box(const std::string& prompt, const std::string& title,
                                         const std::string& default_text) override;
    std::optional<std::string> Open_file(const std::string& title, const std::string& folder,
                                         const std::string& filter) override;
    std::optional<std::string> Save_file(const std::string& title, const std::string& folder,
                                         const std::string& filter) override;
    std::optional<std::string> Browse_folder(const std::string& title, const std::string& folder) override;
};

} // namespace wk::platform
