#include "platform/Dv_codec_check.h"

#include "platform/Registry_store.h"

#include "platform/Av_library.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace wk::platform {

namespace {
constexpr const char* k_Drivers_key = "Software\\Microsoft\\Windows NT\\CurrentVersion\\DRIVERS32";
} // namespace

bool Register_DV_codec()
{
    const Av_library* av = Av_library::Get();
    const AVCodec* dv = av ? av->avcodec_find_decoder(AV_CODEC_ID_DVVIDEO) : nullptr;
    if (!dv) return false;
    Registry_store store;
    const auto text = Registry_store::Text_value(std::string("libavcodec ") + dv->name);
    return store.Set_value(HKEY_LOCAL_MACHINE, k_Drivers_key, "vidc.dvsd", text) == REG_OK &&
           store.Set_value(HKEY_LOCAL_MACHINE, k_Drivers_key, "vidc.CDVC", text) == REG_OK;
}

bool DV_codec_registered()
{
    Registry_store store;
    Reg_value value;
    return store.Get_value(HKEY_LOCAL_MACHINE, k_Drivers_key, "vidc.dvsd", value) == REG_OK &&
           store.Get_value(HKEY_LOCAL_MACHINE, k_Drivers_key, "vidc.CDVC", value) == REG_OK;
}

} // namespace wk::platform
