// The AVI parser on any bytes.
#include "recording/clsAVIInfo.h"
#include "tests/fuzz/Fuzz_support.h"

using namespace wk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Quiet_program();
    const std::string path = fuzz::Memory_input(data, size, "avi");
    clsAVIInfo info;
    info.ReadError = [](const std::string&) {};
    info.ReadFile(path);
    info.NumFrames();
    info.VideoCodec();
    info.AudioFormat();
    return 0;
}
