#pragma once
// libavcodec, libavutil and libswscale, opened when a picture is first decoded (or on a thread
// once the first window shows) rather than by the loader before `main`: they and the libraries
// they pull in are most of the program's, and loading them first doubled its start. The
// functions the platform calls are looked up once and called through this table.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace wk::platform {

struct Av_library {
    // The libraries, opened by the first caller (others wait for it); nullptr when they or one
    // of the functions cannot be found.
    static const Av_library* Get();
    // Opens them on a thread of its own; a later Get finds them open or waits for that thread.
    static void Open_in_background();

#define WK_AV_FUNCTION(name) decltype(&::name) name = nullptr;
    // libavutil
    WK_AV_FUNCTION(av_buffer_alloc)
    WK_AV_FUNCTION(av_buffer_is_writable)
    WK_AV_FUNCTION(av_buffer_ref)
    WK_AV_FUNCTION(av_buffer_unref)
    WK_AV_FUNCTION(av_frame_alloc)
    WK_AV_FUNCTION(av_frame_free)
    WK_AV_FUNCTION(av_frame_get_buffer)
    WK_AV_FUNCTION(av_frame_move_ref)
    WK_AV_FUNCTION(av_frame_unref)
    WK_AV_FUNCTION(av_pix_fmt_desc_get)
    // libavcodec
    WK_AV_FUNCTION(av_packet_alloc)
    WK_AV_FUNCTION(av_packet_free)
    WK_AV_FUNCTION(av_packet_unref)
    WK_AV_FUNCTION(avcodec_alloc_context3)
    WK_AV_FUNCTION(avcodec_find_decoder)
    WK_AV_FUNCTION(avcodec_find_encoder)
    WK_AV_FUNCTION(avcodec_flush_buffers)
    WK_AV_FUNCTION(avcodec_free_context)
    WK_AV_FUNCTION(avcodec_open2)
    WK_AV_FUNCTION(avcodec_receive_frame)
    WK_AV_FUNCTION(avcodec_receive_packet)
    WK_AV_FUNCTION(avcodec_send_frame)
    WK_AV_FUNCTION(avcodec_send_packet)
    // libswscale
    WK_AV_FUNCTION(sws_freeContext)
    WK_AV_FUNCTION(sws_getContext)
    WK_AV_FUNCTION(sws_scale)
#undef WK_AV_FUNCTION
};

} // namespace wk::platform
