// The CSV and results XML of a heat, made from its result.
#include "results/Result_export.h"

#include "platform/Text_codec.h"

namespace wk {

namespace {

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Right_aligned(const std::string& text, size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

} // namespace

std::string Results_csv_text(const Heat_result& result, const std::string& computer_name)
{
    std::string text = result.event + ";" + result.heat + ";" + result.capture_time + ";" + computer_name + "\r\n";
    for (const Heat_result_row& row : result.rows) {
        const Heat_result_texts cells = Row_texts(result, row);
        text += cells.rank + ";" + cells.lane + ";" + cells.time;
        if (!cells.delta.empty()) text += ";" + cells.delta;
        text += "\r\n";
    }
    return platform::Utf8_to_ansi(text + "end\r\n");
}

std::vector<std::string> Result_sheet_lines(const Heat_result& result)
{
    std::vector<std::string> lines;
    for (const Heat_result_row& row : result.rows) {
        const Heat_result_texts cells = Row_texts(result, row);
        const std::string words = Code_words(row.time);
        lines.push_back(" " + Right_aligned(cells.rank, 3) + Right_aligned(cells.lane, 6) + "  " +
                        (words.empty() ? cells.time + "  " + cells.delta : " " + words));
    }
    return lines;
}

void Fill_results_xml(Class_Wakeline_result_XML& xml, const Heat_result& result, const Results_xml_heading& heading)
{
    xml.Initialize_DOM();
    xml.Set_Comment(heading.comment);
    xml.Backoffice_Host(heading.backoffice_host);
    xml.Capture_Host(heading.capture_host);
    xml.EventName(result.event);
    xml.RaceType("course");
    xml.lastFile("True");
    xml.Create_Heat_node(result.heat, heading.heat_comment, Trimmed(heading.start_time));
    xml.Create_Result_Node(result.heat);
    for (const Heat_result_row& row : result.rows) {
        const Heat_result_texts cells = Row_texts(result, row);
        xml.Create_Competitor_Node(result.heat, cells.lane, Trimmed(cells.time), Trimmed(cells.delta),
                                   Trimmed(cells.rank), "", "");
        if (row.made != Result_made::clicked) xml.Competitor_made(result.heat, cells.lane, Made_word(row.made));
    }
}

} // namespace wk
