#pragma once
// libasound, opened when the MIDI player first asks for an output rather than by the loader
// before `main`: most runs play nothing. The functions the output calls are looked up once and
// called through this table; the header gives their types only.
#include <alsa/asoundlib.h>

namespace wk::platform {

struct Alsa_library {
    // The library, opened by the first caller; nullptr when it or one of the functions cannot be
    // found (the player then has its silent output).
    static const Alsa_library* Get();

#define WK_ALSA_FUNCTION(name) decltype(&::name) name = nullptr;
    WK_ALSA_FUNCTION(snd_strerror)
    WK_ALSA_FUNCTION(snd_seq_open)
    WK_ALSA_FUNCTION(snd_seq_close)
    WK_ALSA_FUNCTION(snd_seq_client_id)
    WK_ALSA_FUNCTION(snd_seq_set_client_name)
    WK_ALSA_FUNCTION(snd_seq_client_info_malloc)
    WK_ALSA_FUNCTION(snd_seq_client_info_free)
    WK_ALSA_FUNCTION(snd_seq_client_info_set_client)
    WK_ALSA_FUNCTION(snd_seq_client_info_get_client)
    WK_ALSA_FUNCTION(snd_seq_client_info_get_name)
    WK_ALSA_FUNCTION(snd_seq_query_next_client)
    WK_ALSA_FUNCTION(snd_seq_port_info_malloc)
    WK_ALSA_FUNCTION(snd_seq_port_info_free)
    WK_ALSA_FUNCTION(snd_seq_port_info_set_client)
    WK_ALSA_FUNCTION(snd_seq_port_info_set_port)
    WK_ALSA_FUNCTION(snd_seq_port_info_get_port)
    WK_ALSA_FUNCTION(snd_seq_port_info_get_name)
    WK_ALSA_FUNCTION(snd_seq_port_info_get_capability)
    WK_ALSA_FUNCTION(snd_seq_query_next_port)
    WK_ALSA_FUNCTION(snd_seq_create_simple_port)
    WK_ALSA_FUNCTION(snd_seq_delete_simple_port)
    WK_ALSA_FUNCTION(snd_seq_connect_to)
    WK_ALSA_FUNCTION(snd_seq_event_output_direct)
    WK_ALSA_FUNCTION(snd_midi_event_new)
    WK_ALSA_FUNCTION(snd_midi_event_free)
    WK_ALSA_FUNCTION(snd_midi_event_reset_encode)
    WK_ALSA_FUNCTION(snd_midi_event_encode)
#undef WK_ALSA_FUNCTION
};

} // namespace wk::platform
