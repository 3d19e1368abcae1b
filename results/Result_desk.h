#pragma once
// What a course heat's result goes through each time it is ranked, before anything shows it:
// the crews' names from the event's start list, its state from the record beside the recording
// (a new revision when an official result changed), and out to the results folder.
#include "results/Heat_result.h"
#include "results/Start_list.h"

#include <string>

namespace wk {

struct Taken_result {
    Heat_result result; // with its names and revision
    Start_list names;   // the start list its names came from
    // A start list or record that cannot be read, a record or results file that cannot be
    // written; "" when all went well. The result is shown all the same, and a revision that
    // could not be kept is made again at the next ranking.
    std::string problem;
};

// The start list is the one of the result's event, or the station's event when that has none.
Taken_result Take_heat_result(Heat_result result, const std::string& recording, const std::string& station_event);

// Makes the result official (revision 1) in the record beside the recording. "" on success,
// else why not (the record is then as it was).
std::string Make_heat_official(const Heat_result& result, const std::string& recording);

// The names of the entries of the result's heat, lane by lane.
void Put_names(Heat_result& result, const Start_list& list);
// The event's start list, else the station's event's.
Start_list::Read Start_list_for(const std::string& event, const std::string& station_event);

} // namespace wk
