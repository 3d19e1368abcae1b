// A ranked heat on its way to the windows and the results folder.
#include "results/Result_desk.h"

#include "results/Published_heat.h"
#include "results/Result_record.h"
#include "results/Start_list.h"
#include "services/Module_utilities.h"

namespace wk {
namespace {

void Add_problem(std::string& problems, const std::string& problem)
{
    if (problem.empty()) return;
    problems += (problems.empty() ? "" : "; ") + problem;
}

} // namespace

void Put_names(Heat_result& result, const Start_list& list)
{
    for (Heat_result_row& row : result.rows) {
        const Start_entry* e = list.Entry(result.heat, row.lane);
        row.bib = e ? e->bib : "";
        row.name = e ? e->name : "";
        row.club = e ? e->club : "";
    }
}

Start_list::Read Start_list_for(const std::string& event, const std::string& station_event)
{
    if (event != station_event && !FileExists(Start_list_path(event))) return Load_start_list(station_event);
    return Load_start_list(event);
}

Taken_result Take_heat_result(Heat_result result, const std::string& recording, const std::string& station_event)
{
    Taken_result taken;
    Start_list::Read names = Start_list_for(result.event, station_event);
    if (names.problem) Add_problem(taken.problem, names.problem->Message());
    Put_names(result, names.list);
    taken.names = std::move(names.list);

    std::string record_problem;
    std::optional<Result_record> record = Load_record(recording, record_problem);
    if (!record) {
        // Nothing goes out that could say less than the damaged record held.
        Add_problem(taken.problem, record_problem);
        taken.result = std::move(result);
        return taken;
    }
    if (std::optional<Result_record> next = Revised(*record, result, Utc_now_text())) {
        const std::string saved = Save_record(recording, *next);
        Add_problem(taken.problem, saved.empty() ? "" : "the new revision could not be kept: " + saved);
        if (saved.empty()) record = std::move(next);
    }
    result.revision = record->revision;
    if (const std::string folder = Results_folder(); !folder.empty())
        Add_problem(taken.problem, Write_published_heat(folder, Canoe_heat(result, *record)));
    taken.result = std::move(result);
    return taken;
}

std::string Make_heat_official(const Heat_result& result, const std::string& recording)
{
    std::string problem;
    const std::optional<Result_record> record = Load_record(recording, problem);
    if (!record) return problem;
    return Save_record(recording, Made_official(*record, result, Utc_now_text()));
}

} // namespace wk
