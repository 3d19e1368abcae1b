#pragma once
// The one way windowless code asks the operator something. The program installs Qt dialogs;
// tests install a scripted responder that fails on any dialog it was not told about.
#include <functional>
#include <optional>
#include <string>

namespace wk::platform {

// Message box styles and answers, numbered as the system numbers them.
enum : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton1 = 0, vbDefaultButton2 = 256, vbDefaultButton3 = 512,
};
enum : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Shows a message; returns the answer (vbOK ...). An empty title means the program's title.
    virtual int Message_box(const std::string& prompt, int style, const std::string& title) = 0;
    // Shows a message and returns at once, without waiting for it to be read (a notice from a
    // path that must not stop). Where no one is asked, it is a message box.
    virtual void Show_notice(const std::string& prompt, const std::string& title) { Message_box(prompt, vbOKOnly, title); }
    // Asks and returns at once; answered gets the answer (vbOK ...) when the operator gives it.
    // Where no one is asked, the answer comes before this returns.
    virtual void Ask_later(const std::string& prompt, int style, const std::string& title,
                           std::function<void(int answer)> answered)
    {
        answered(Message_box(prompt, style, title));
    }
    // An input box; nullopt when cancelled.
    virtual std::optional<std::string> Input_box(const std::string& prompt, const std::string& title,
                                                 const std::string& default_text) = 0;
    // File and folder choice; nullopt when cancelled. filter is "Text (*.txt)|*.txt" style.
    virtual std::optional<std::string> Open_file(const std::string& title, const std::string& folder,
                                                 const std::string& filter) = 0;
    virtual std::optional<std::string> Save_file(const std::string& title, const std::string& folder,
                                                 const std::string& filter) = 0;
    virtual std::optional<std::string> Browse_folder(const std::string& title, const std::string& folder) = 0;
};

Dialogs& Get_dialogs();
// Installs the dialogs for the whole process; nullptr puts back the default, which answers
// every message with its default button and cancels every choice (for programs without windows).
void Install_dialogs(Dialogs* dialogs);

// A notice that does not wait for the operator.
inline void Notice_box(const std::string& prompt, const std::string& title = {}) { Get_dialogs().Show_notice(prompt, title); }

// The system's MsgBox.
inline int MsgBox(const std::string& prompt, int style = vbOKOnly, const std::string& title = {})
{
    return Get_dialogs().Message_box(prompt, style, title);
}

} // namespace wk::platform
