#include "platform/Screen_saver.h"

#include "platform/State_reset.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

#include <set>

namespace wk::platform {
namespace {

Screen_saver_service* g_service = nullptr;
std::set<const void*> g_holders;
std::optional<uint32_t> g_cookie;
const State_reset k_Forget_holders{[] { Release_screen_awake(); }};

class Session_bus_screen_saver final : public Screen_saver_service {
public:
    std::optional<uint32_t> Inhibit(const std::string& application, const std::string& reason) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return std::nullopt;
        QDBusInterface saver(k_Service, k_Path, k_Service, bus);
        if (!saver.isValid()) return std::nullopt;
        const QDBusReply<uint32_t> cookie =
            saver.call("Inhibit", QString::fromStdString(application), QString::fromStdString(reason));
        if (!cookie.isValid()) return std::nullopt;
        return cookie.value();
    }
    void UnInhibit(uint32_t cookie) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return;
        QDBusInterface saver(k_Service, k_Path, k_Service, bus);
        if (saver.isValid()) saver.call("UnInhibit", cookie);
    }

private:
    static constexpr const char* k_Service = "org.freedesktop.ScreenSaver";
    static constexpr const char* k_Path = "/org/freedesktop/ScreenSaver";
};

void Follow_holders()
{
    if (!g_service) return;
    if (!g_holders.empty() && !g_cookie) g_cookie = g_service->Inhibit("Wakeline", "Timing a regatta");
    if (g_holders.empty() && g_cookie) {
        g_service->UnInhibit(*g_cookie);
        g_cookie.reset();
    }
}

} // namespace

void Install_screen_saver_service(Screen_saver_service* service)
{
    // A cookie belongs to the service that gave it.
    if (g_cookie && g_service) g_service->UnInhibit(*g_cookie);
    g_cookie.reset();
    g_service = service;
    Follow_holders();
}

Screen_saver_service& Session_screen_saver()
{
    static Session_bus_screen_saver saver;
    return saver;
}

void Hold_screen_awake(const void* owner, bool hold)
{
    if (hold) g_holders.insert(owner);
    else g_holders.erase(owner);
    Follow_holders();
}

void Release_screen_awake()
{
    g_holders.clear();
    Follow_holders();
}

bool Screen_awake_held() { return !g_holders.empty(); }

} // namespace wk::platform
