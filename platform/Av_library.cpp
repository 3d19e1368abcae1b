#include "platform/Av_library.h"

#include <dlfcn.h>

#include <string>
#include <thread>

namespace wk::platform {

namespace {

// The major version the program was built against is the one whose interface it calls.
std::string Name(const char* library, int major) { return std::string(library) + ".so." + std::to_string(major); }

template <class F> bool Look_up(void* library, const char* name, F& into)
{
    into = reinterpret_cast<F>(dlsym(library, name));
    return into != nullptr;
}

bool Open(Av_library& av)
{
    // Never closed: pictures and decoders may live until the program ends.
    void* util = dlopen(Name("libavutil", LIBAVUTIL_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL);
    void* codec = dlopen(Name("libavcodec", LIBAVCODEC_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL);
    void* scale = dlopen(Name("libswscale", LIBSWSCALE_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!util || !codec || !scale) return false;
#define WK_LOOK_UP(library, name) Look_up(library, #name, av.name)
    return WK_LOOK_UP(util, av_buffer_alloc) && WK_LOOK_UP(util, av_buffer_is_writable) &&
           WK_LOOK_UP(util, av_buffer_ref) && WK_LOOK_UP(util, av_buffer_unref) && WK_LOOK_UP(util, av_frame_alloc) &&
           WK_LOOK_UP(util, av_frame_free) && WK_LOOK_UP(util, av_frame_get_buffer) &&
           WK_LOOK_UP(util, av_frame_move_ref) && WK_LOOK_UP(util, av_frame_unref) &&
           WK_LOOK_UP(util, av_pix_fmt_desc_get) && WK_LOOK_UP(codec, av_packet_alloc) &&
           WK_LOOK_UP(codec, av_packet_free) && WK_LOOK_UP(codec, av_packet_unref) &&
           WK_LOOK_UP(codec, avcodec_alloc_context3) && WK_LOOK_UP(codec, avcodec_find_decoder) &&
           WK_LOOK_UP(codec, avcodec_find_encoder) && WK_LOOK_UP(codec, avcodec_flush_buffers) &&
           WK_LOOK_UP(codec, avcodec_free_context) && WK_LOOK_UP(codec, avcodec_open2) &&
           WK_LOOK_UP(codec, avcodec_receive_frame) && WK_LOOK_UP(codec, avcodec_receive_packet) &&
           WK_LOOK_UP(codec, avcodec_send_frame) && WK_LOOK_UP(codec, avcodec_send_packet) &&
           WK_LOOK_UP(scale, sws_freeContext) && WK_LOOK_UP(scale, sws_getContext) && WK_LOOK_UP(scale, sws_scale);
#undef WK_LOOK_UP
}

} // namespace

const Av_library* Av_library::Get()
{
    static const Av_library* const opened = [] {
        static Av_library av;
        return Open(av) ? &av : nullptr;
    }();
    return opened;
}

void Av_library::Open_in_background()
{
    std::thread([] { Get(); }).detach();
}

} // namespace wk::platform
