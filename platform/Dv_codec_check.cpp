#include "platform/Dv_codec_check.h"

#include "platform/Registry_store.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace wk::platform {

bool Register_DV_codec()
{
    const AVCodec* dv = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    if (!dv) return false;
    Registry_store store;
    const char* key = "Software\\Microsoft\\Windows NT\\CurrentVersion\\DRIVERS32";
    const auto text = Registry_store::Text_value(std::string("libavcodec ") + dv->name);
    return store.Set_value(HKEY_LOCAL_MACHINE, key, "vidc.dvsd", text) == REG_OK &&
           store.Set_value(HKEY_LOCAL_MACHINE, key, "vidc.CDVC", text) == REG_OK;
}

} // namespace wk::platform
