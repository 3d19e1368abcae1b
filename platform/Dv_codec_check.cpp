#include "platform/Dv_codec_check.h"

#include "platform/Registry_store.h"

#include "platform/Av_library.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace wk::platform {

namespace {
// The libraries' functions, once Av_library::Get() has found them open.
const Av_library& Av() { return *Av_library::Get(); }
// Where the video codecs of the DV kinds are registered.
constexpr const char* k_Drivers32 = "Software\\Microsoft\\Windows NT\\CurrentVersion\\DRIVERS32";
} // namespace

bool Register_DV_codec()
{
    if (Av_library::Get() == nullptr) return false;
    const AVCodec* dv = Av().avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    if (!dv) return false;
    Registry_store store;
    const auto text = Registry_store::Text_value(std::string("libavcodec ") + dv->name);
    return store.Set_value(HKEY_LOCAL_MACHINE, k_Drivers32, "vidc.dvsd", text) == REG_OK &&
           store.Set_value(HKEY_LOCAL_MACHINE, k_Drivers32, "vidc.CDVC", text) == REG_OK;
}

bool DV_codec_registered()
{
    Registry_store store;
    Reg_value value;
    return store.Get_value(HKEY_LOCAL_MACHINE, k_Drivers32, "vidc.dvsd", value) == REG_OK &&
           store.Get_value(HKEY_LOCAL_MACHINE, k_Drivers32, "vidc.CDVC", value) == REG_OK;
}

} // namespace wk::platform
