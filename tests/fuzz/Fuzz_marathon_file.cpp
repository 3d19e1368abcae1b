// The marathon file on any bytes: a file that loads takes the operator's edits, is saved, and
// the saved file loads again to the same tree and the same bytes.
#include "results/Marathon_file.h"
#include "tests/fuzz/Fuzz_support.h"

#include <cstdlib>
#include <string>

using namespace wk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Quiet_program();
    Marathon_file first;
    if (!first.Load_text(std::string(reinterpret_cast<const char*>(data), size))) return 0;
    // Texts no one-byte encoding holds whole, markup characters and a CDATA end among them.
    first.Heat_field(1, "heat_name", "\xC5\x81\xC3\xB3" "d\xC5\xBA ]]> <&> \xE2\x82\xAC \x01");
    first.Event_name("R\xC3\xA9gate");
    const std::string path = fuzz::Private_path("marathon.xml");
    std::string problem;
    if (!first.Save(path, problem)) std::abort(); // a file that loaded must save
    Marathon_file second;
    if (!second.Load(path, &problem)) std::abort(); // and load again
    if (fuzz::Utf8_tree(second.Document()) != fuzz::Utf8_tree(first.Document())) std::abort();
    if (second.Xml_text() != fuzz::Read_file(path)) std::abort();
    return 0;
}
