#include "platform/Alsa_library.h"

#include <dlfcn.h>

namespace wk::platform {

namespace {

template <class F> bool Look_up(void* library, const char* name, F& into)
{
    into = reinterpret_cast<F>(dlsym(library, name));
    return into != nullptr;
}

bool Open(Alsa_library& alsa)
{
    // The library's name since ALSA 1.0; never closed, as an output may live until the end.
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library) return false;
#define WK_LOOK_UP(name) Look_up(library, #name, alsa.name)
    return WK_LOOK_UP(snd_strerror) && WK_LOOK_UP(snd_seq_open) && WK_LOOK_UP(snd_seq_close) &&
           WK_LOOK_UP(snd_seq_client_id) && WK_LOOK_UP(snd_seq_set_client_name) &&
           WK_LOOK_UP(snd_seq_client_info_malloc) && WK_LOOK_UP(snd_seq_client_info_free) &&
           WK_LOOK_UP(snd_seq_client_info_set_client) && WK_LOOK_UP(snd_seq_client_info_get_client) &&
           WK_LOOK_UP(snd_seq_client_info_get_name) && WK_LOOK_UP(snd_seq_query_next_client) &&
           WK_LOOK_UP(snd_seq_port_info_malloc) && WK_LOOK_UP(snd_seq_port_info_free) &&
           WK_LOOK_UP(snd_seq_port_info_set_client) && WK_LOOK_UP(snd_seq_port_info_set_port) &&
           WK_LOOK_UP(snd_seq_port_info_get_port) && WK_LOOK_UP(snd_seq_port_info_get_name) &&
           WK_LOOK_UP(snd_seq_port_info_get_capability) && WK_LOOK_UP(snd_seq_query_next_port) &&
           WK_LOOK_UP(snd_seq_create_simple_port) && WK_LOOK_UP(snd_seq_delete_simple_port) &&
           WK_LOOK_UP(snd_seq_connect_to) && WK_LOOK_UP(snd_seq_event_output_direct) &&
           WK_LOOK_UP(snd_midi_event_new) && WK_LOOK_UP(snd_midi_event_free) &&
           WK_LOOK_UP(snd_midi_event_reset_encode) && WK_LOOK_UP(snd_midi_event_encode);
#undef WK_LOOK_UP
}

} // namespace

const Alsa_library* Alsa_library::Get()
{
    static const Alsa_library* const opened = [] {
        static Alsa_library alsa;
        return Open(alsa) ? &alsa : nullptr;
    }();
    return opened;
}

} // namespace wk::platform
