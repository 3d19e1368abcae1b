// The recording's XML header on any text: a header that loads writes out and loads again to the
// same text.
#include "recording/header/Cls_XML_header.h"
#include "tests/fuzz/Fuzz_support.h"

#include <cstdlib>
#include <string>

using namespace wk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Quiet_program();
    const std::string text(reinterpret_cast<const char*>(data), size);
    Cls_XML_header first;
    if (!first.XML_string(text)) return 0;
    const std::string written = first.Get_DOM_string();
    Cls_XML_header second;
    if (!second.XML_string(written)) std::abort(); // what was written must load again
    if (second.Get_DOM_string() != written) std::abort();
    return 0;
}
