#pragma once
// A heat's result written out: the CSV text and the results XML document, both made from the
// value alone, so they can be made and tested without a window or a recording.
#include "results/Class_Wakeline_result_XML.h"
#include "results/Heat_result.h"

#include <string>
#include <vector>

namespace wk {

// "event;heat;capture time;computer" and a line "place;lane;time[;difference]" per row, then
// "end"; CR LF lines in Windows-1252. The event is the result's. A heat with a start list has
// "place;lane;time;difference;bib;name;club" lines (the difference empty for a code).
std::string Results_csv_text(const Heat_result& result, const std::string& computer_name);

// What the results XML says of where the heat was recorded and shown.
struct Results_xml_heading {
    std::string comment;          // the document's comment
    std::string backoffice_host;  // this computer
    std::string capture_host;     // the computer that recorded the heat
    std::string heat_comment;
    std::string start_time;       // the heat's start as shown
};

// The results XML of the heat: one heat, one result, a competitor per row. The event is the
// result's.
void Fill_results_xml(Class_Wakeline_result_XML& xml, const Heat_result& result, const Results_xml_heading& heading);

// The result sheet's table: " place lane  time  difference" a row, or the code's words; with a
// start list, "bib name" in a column after them.
std::vector<std::string> Result_sheet_lines(const Heat_result& result);
// The table's column heading.
std::string Result_sheet_heading(const Heat_result& result);

} // namespace wk
