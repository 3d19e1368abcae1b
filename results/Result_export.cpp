// The CSV and results XML of a heat, made from its result.
#include "results/Result_export.h"

#include "platform/Text_codec.h"
#include "results/Start_list.h"

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

// Where the crews' names start on a sheet line: past the longest time and difference.
constexpr size_t k_Sheet_name_column = 32;

std::string Left_aligned(const std::string& text, size_t width)
{
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// The CSV has no quoting: a separator in a name would move the columns after it.
std::string Csv_cell(std::string text)
{
    for (char& c : text)
        if (c == ';') c = ',';
    return text;
}

} // namespace

std::string Results_csv_text(const Heat_result& result, const std::string& computer_name)
{
    std::string text = result.event + ";" + result.heat + ";" + result.capture_time + ";" + computer_name + "\r\n";
    const bool names = result.Has_names();
    for (const Heat_result_row& row : result.rows) {
        const Heat_result_texts cells = Row_texts(result, row);
        text += cells.rank + ";" + cells.lane + ";" + cells.time;
        // With names every line keeps its difference field, so the names stand in one column.
        if (!cells.delta.empty() || names) text += ";" + cells.delta;
        if (names) text += ";" + Csv_cell(row.bib) + ";" + Csv_cell(row.name) + ";" + Csv_cell(row.club);
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
        std::string line = " " + Right_aligned(cells.rank, 3) + Right_aligned(cells.lane, 6) + "  " +
                           (words.empty() ? cells.time + "  " + cells.delta : " " + words);
        if (const std::string crew = Crew_label(row.bib, row.name); !crew.empty())
            line = Left_aligned(line, k_Sheet_name_column) + crew;
        lines.push_back(line);
    }
    return lines;
}

std::string Result_sheet_heading(const Heat_result& result)
{
    const std::string heading = "Place Lane       Time   Diff.";
    return result.Has_names() ? Left_aligned(heading, k_Sheet_name_column) + "Crew" : heading;
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
        xml.Name_last_competitor(result.heat, row.bib, row.name, row.club);
        if (row.made != Result_made::clicked) xml.Competitor_made(result.heat, cells.lane, Made_word(row.made));
    }
}

} // namespace wk
