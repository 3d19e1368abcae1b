#include "platform/Dialogs.h"
#include "platform/Headless_dialogs.h"

#include <cstdio>

namespace wk::platform {

int Headless_dialogs::Message_box(const std::string& prompt, int style, const std::string& title)
{
    if (echo_) std::fprintf(stderr, "[message] %s%s%s\n", title.c_str(), title.empty() ? "" : ": ", prompt.c_str());
    switch (style & 7) {
    case vbOKCancel: return (style & vbDefaultButton2) ? vbCancel : vbOK;
    case vbYesNo:
    case vbYesNoCancel: return (style & vbDefaultButton2) ? vbNo : vbYes;
    case vbRetryCancel: return (style & vbDefaultButton2) ? vbCancel : vbRetry;
    case vbAbortRetryIgnore: return vbAbort;
    default: return vbOK;
    }
}

std::optional<std::string> Headless_dialogs::Input_box(const std::string&, const std::string&, const std::string&)
{
    return std::nullopt;
}

std::optional<std::string> Headless_dialogs::Open_file(const std::string&, const std::string&, const std::string&)
{
    return std::nullopt;
}

std::optional<std::string> Headless_dialogs::Save_file(const std::string&, const std::string&, const std::string&)
{
    return std::nullopt;
}

std::optional<std::string> Headless_dialogs::Browse_folder(const std::string&, const std::string&)
{
    return std::nullopt;
}

namespace {

Headless_dialogs g_headless;
Dialogs* g_dialogs = &g_headless;

} // namespace

Dialogs& Get_dialogs() { return *g_dialogs; }
void Install_dialogs(Dialogs* dialogs) { g_dialogs = dialogs ? dialogs : &g_headless; }

} // namespace wk::platform
