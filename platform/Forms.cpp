#include "platform/Forms.h"

#include "platform/State_reset.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace wk::platform {
namespace {

std::vector<Form*>& Registry()
{
    static std::vector<Form*> forms;
    return forms;
}

QScreen* Primary_screen()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
}

int Dpi_x()
{
    QScreen* s = Primary_screen();
    return s ? std::max(1, int(s->logicalDotsPerInchX() + 0.5)) : 96;
}

} // namespace

void Register_form(Form* form)
{
    auto& r = Registry();
    if (std::find(r.begin(), r.end(), form) == r.end()) r.push_back(form);
}

void Unregister_form(Form* form)
{
    auto& r = Registry();
    r.erase(std::remove(r.begin(), r.end(), form), r.end());
}

std::vector<Form*> Loaded_forms() { return Registry(); }

void Do_events()
{
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

App_info& App()
{
    static App_info app;
    return app;
}

namespace {
// Printing names its job by retitling the program for a while. What followed the program's name
// on its command line stays: it is what the program was started with.
const State_reset k_Forget_title{[] { App().title = App_info{}.title; }};
} // namespace

int Screen_logical_dpi_y()
{
    QScreen* s = Primary_screen();
    return s ? std::max(1, int(s->logicalDotsPerInchY() + 0.5)) : 96;
}

int Twips_per_pixel_x() { return std::max(1, 1440 / Dpi_x()); }
int Twips_per_pixel_y() { return std::max(1, 1440 / Screen_logical_dpi_y()); }

int32_t Screen_width_twips()
{
    QScreen* s = Primary_screen();
    return (s ? s->geometry().width() : 1024) * Twips_per_pixel_x();
}

int32_t Screen_height_twips()
{
    QScreen* s = Primary_screen();
    return (s ? s->geometry().height() : 768) * Twips_per_pixel_y();
}

} // namespace wk::platform

#include <cstdio>
#include <cstdlib>
namespace wk::platform {
namespace {
std::function<void(int)> g_end_handler;
}
void End_program(int code)
{
    if (g_end_handler) g_end_handler(code);
    std::fflush(nullptr);
    std::_Exit(code);
}
void Install_end_program(std::function<void(int)> handler) { g_end_handler = std::move(handler); }
} // namespace wk::platform

#include <map>
namespace wk::platform {
namespace {
std::map<std::string, std::function<void()>>& Openers()
{
    static std::map<std::string, std::function<void()>> openers;
    return openers;
}
} // namespace
void Register_window_opener(const std::string& name, std::function<void()> open) { Openers()[name] = std::move(open); }
bool Open_window(const std::string& name)
{
    auto it = Openers().find(name);
    if (it == Openers().end() || !it->second) return false;
    it->second();
    return true;
}
void Quit_event_loop()
{
    if (QCoreApplication::instance()) QCoreApplication::exit(0);
}
} // namespace wk::platform
