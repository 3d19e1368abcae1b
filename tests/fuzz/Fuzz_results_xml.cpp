// The results XML document on any file: its competitors are read back and overridden as the
// duplicate dialog does, a finish is added as the marathon finish entry does, and the saved file
// loads again to the same tree.
#include "results/Class_Wakeline_result_XML.h"
#include "services/Run_time_error.h"
#include "tests/fuzz/Fuzz_support.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using namespace wk;

namespace {

// Result id and number of the first competitors, as a caller would name them.
std::vector<std::pair<std::string, std::string>> Competitors(const pugi::xml_document& doc)
{
    std::vector<std::pair<std::string, std::string>> found;
    for (const pugi::xpath_node& n : doc.select_nodes("//result/competitor")) {
        found.emplace_back(n.node().parent().attribute("id").value(), n.node().attribute("nbr").value());
        if (found.size() == 8) break;
    }
    return found;
}

void Override_each(Class_Wakeline_result_XML& xml)
{
    const std::string file = "/r\xC3\xA9gate/\xC5\x81\xC3\xB3" "d\xC5\xBA ]]>.qs2";
    for (const auto& [id, nbr] : Competitors(xml.Document())) {
        std::string earlier;
        int32_t frame = 0;
        try {
            xml.Read_Competitor_node(id, nbr, earlier, frame);
        } catch (const Run_time_error&) { // an entry without its file or frame: the caller reports it
        }
        if (!xml.Override_Competitor_Node(id, nbr, "01:02:03,45", "", "", file, "40000")) continue;
        xml.Read_Competitor_node(id, nbr, earlier, frame);
        if (earlier != file || frame != 40000) std::abort(); // the override is what is read back
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Quiet_program();
    Class_Wakeline_result_XML xml;
    if (!xml.Load_Existing_XML(fuzz::Write_input(data, size, "xml"))) return 0;
    const std::string path = fuzz::Private_path("results.xml");
    xml.XML_Filename(path);
    Override_each(xml);
    try {
        xml.Create_Heat_node("9", "\xC3\x89tape", "10:00:00");
        xml.Create_Result_Node("9");
        xml.Create_Competitor_Node("9", "17", "00:10:00,00", "", "", "/r.qs2", "12");
    } catch (const Run_time_error&) { // a file without heats or results: the caller reports it
    }
    if (!xml.Serialize()) std::abort(); // a file that loaded must save
    Class_Wakeline_result_XML again;
    if (!again.Load_Existing_XML(path)) std::abort(); // and load again
    if (fuzz::Utf8_tree(again.Document()) != fuzz::Utf8_tree(xml.Document())) std::abort();
    if (again.Count_Competitor_Nodes() != xml.Count_Competitor_Nodes()) std::abort();
    return 0;
}
