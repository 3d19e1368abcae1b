// The DV header, subcode and camera packs and the time code on any bytes.
#include "recording/Timecode_module.h"
#include "tests/fuzz/Fuzz_support.h"

using namespace wk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Quiet_program();
    DV_Header_Parse(std::span<const uint8_t>(data, size));
    Timecode_Text();
    Timecode_Frame_Text();
    Timecode_To_Frames();
    DV_Header_Summary();
    return 0;
}
