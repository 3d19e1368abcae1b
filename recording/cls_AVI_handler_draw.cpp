// Where the recording object's frames lie, and the recording as its renderer's frame source.
#include "recording/cls_AVI_handler.h"

#include "platform/Av_frame_decoder.h"
#include "recording/Recording_reader.h"

namespace wk {

bool cls_AVI_handler::Frame_place(int32_t frame, int16_t stream, int64_t& offset, size_t& length,
                                  std::string& codec) const
{
    codec = reader_->Decoder_codec();
    return rec_.file.Is_open() && frame >= 1 && frame <= rec_.num_frames &&
           reader_->Frame_place(frame, stream, offset, length) && length > 0;
}

// ---- The renderer's frame source ----

const Picture_facts& cls_AVI_handler::Facts() const
{
    Picture_facts& f = facts_;
    f.open = rec_.file.Is_open();
    f.name = rec_.name;
    f.width = rec_.width;
    f.height = rec_.height;
    f.frame_size = rec_.frame_size;
    f.num_frames = rec_.num_frames;
    f.num_streams = rec_.num_streams;
    f.ms_per_frame = rec_.ms_per_frame;
    f.ms_per_field = rec_.ms_per_field;
    f.ntsc = rec_.ntsc;
    f.trimmed_start = Trimmed_Start();
    f.codec = rec_.codec;
    f.decoder_codec = reader_->Decoder_codec();
    f.fields_at_full_size = reader_->Fields_at_full_size();
    f.traces_read_with_fields = reader_->Traces_read_with_fields();
    return f;
}

// A frame past the end of the recording is none: nothing of the frame read before stays.
void cls_AVI_handler::Forget()
{
    Forget_frame();
    rec_.frame_in_store = 0;
}

bool cls_AVI_handler::Copy_frame(int32_t frame, int16_t stream, platform::Av_frame_bytes& into)
{
    int64_t offset = 0;
    size_t length = 0;
    uint8_t* bytes = reader_->Frame_place(frame, stream, offset, length) && length > 0 ? into.Resize(length) : nullptr;
    return bytes != nullptr && rec_.file.Read_exact(offset, bytes, length);
}

} // namespace wk
