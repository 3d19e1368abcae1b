// The start list CSV and the result record beside a recording, on any bytes: what reads must
// write back to what reads the same, and nothing else may come of it but a named problem.
#include "results/Result_record.h"
#include "results/Start_list.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace wk;

namespace {

void Start_list_round_trip(std::string_view bytes)
{
    const Start_list::Read read = Start_list::Parse(bytes);
    if (read.problem) {
        if (!read.list.Empty() || read.problem->text.empty()) std::abort(); // a problem takes nothing
        return;
    }
    const Start_list::Read again = Start_list::Parse(read.list.Csv_text());
    if (again.problem || again.list.Entries().size() != read.list.Entries().size()) std::abort();
    for (size_t i = 0; i < read.list.Entries().size(); ++i) {
        const Start_entry& a = read.list.Entries()[i];
        const Start_entry& b = again.list.Entries()[i];
        if (a.heat != b.heat || a.lane != b.lane || a.bib != b.bib || a.name != b.name || a.club != b.club)
            std::abort();
        if (a.lane < 0 || a.lane > 15) std::abort();
    }
}

void Record_round_trip(std::string_view bytes)
{
    std::string problem;
    const std::optional<Result_record> record = Parse_record(bytes, problem);
    if (!record) {
        if (problem.empty()) std::abort();
        return;
    }
    const std::optional<Result_record> again = Parse_record(Record_text(*record), problem);
    if (!again || !(*again == *record)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Start_list_round_trip(bytes);
    Record_round_trip(bytes);
    return 0;
}
