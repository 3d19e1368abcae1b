// The heat's lane results. Every change goes into the recording's header first; the records are
// then read back from the header, so they never show what the file does not hold.
#include "viewer/Lane_results.h"

#include "platform/Clock.h"
#include "recording/cls_AVI_handler.h"
#include "results/Result_desk.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "viewer/Cls_lane.h"
#include "results/Result_rows.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace wk {

namespace {

constexpr int16_t k_Heat = 1; // a recording holds one heat: its first heat record
constexpr int32_t k_Err_file_access = 75;

Lane_results* g_Viewer_lane_results = nullptr;

bool Recording_open() { return g_Recording && g_Recording->File_open(); }

// A header value kept in a 16-bit field: out-of-range values stop at the nearest end.
int16_t Narrow_16(int32_t value)
{
    return int16_t(std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

Heat_lane_records No_results()
{
    Heat_lane_records records{};
    for (size_t k = 0; k < records.size(); ++k) records[k] = {int16_t(k), No_Time, 0, 0};
    return records;
}

// The lane values of heat 1 as the header holds them, in full width.
struct Header_lane {
    int32_t time = 0, click_time = 0, goal_field = 0;
    std::string made;
};
using Header_lanes = std::array<Header_lane, k_Heat_lanes>;

Header_lanes Read_header_lanes(cls_AVI_handler& rec)
{
    Header_lanes lanes{};
    for (int16_t k = 0; k < k_Heat_lanes; ++k)
        lanes[size_t(k)] = {rec.Heat_result(k_Heat, k), rec.Heat_Clicktime(k_Heat, k), rec.Heat_Goalfield(k_Heat, k),
                            rec.Heat_Result_made(k_Heat, k)};
    return lanes;
}

void Put_header_lanes(cls_AVI_handler& rec, const Header_lanes& lanes)
{
    for (int16_t k = 0; k < k_Heat_lanes; ++k) {
        const Header_lane& l = lanes[size_t(k)];
        rec.Heat_result(k_Heat, k, l.time);
        rec.Heat_Clicktime(k_Heat, k, l.click_time);
        rec.Heat_Goalfield(k_Heat, k, l.goal_field);
        rec.Heat_Result_made(k_Heat, k, l.made);
    }
}

// What the file held before the results waiting to be written.
Header_lanes g_Lanes_in_file{};

Header_lanes Record_lanes(const Heat_lane_records& records)
{
    Header_lanes lanes{};
    for (size_t k = 0; k < lanes.size(); ++k)
        lanes[k] = {records[k].Time, records[k].Click_time, records[k].Goal_field, Made_word(records[k].Made)};
    return lanes;
}

Heat_lane_records Load_heat(int16_t heat)
{
    Heat_lane_records records = No_results();
    if (!g_Recording || g_Recording->File_name().empty()) return records;
    for (int16_t k = 0; k < k_Heat_lanes; ++k) {
        Lane_Result_Record& r = records[size_t(k)];
        // The file keeps 0 for a lane without a result.
        const int32_t time = g_Recording->Heat_time(heat, k);
        r.Time = time == 0 ? No_Time : time;
        r.Click_time = g_Recording->Heat_Clicktime(heat, k);
        r.Goal_field = Narrow_16(g_Recording->Heat_Goalfield(heat, k));
        r.Made = Made_from_word(g_Recording->Heat_Result_made(heat, k));
    }
    return records;
}

// Stores the records and rebuilds from the header, also when the store failed: the header then
// kept the file's values, and what is shown must follow it again.
template <class Rebuild> void Store_and_rebuild(const Heat_lane_records& records, Rebuild&& rebuild)
{
    try {
        Store_Heat_Results(records);
    } catch (...) {
        rebuild();
        throw;
    }
    rebuild();
}

void Mirror_on_marks(const Heat_result_row& row)
{
    for (const auto& mark : g_Lanes)
        if (mark && mark->Lane_number() == row.lane) mark->time(row.time);
}

int32_t Race_time(bool plus)
{
    const int64_t t = int64_t(g_Recording->Multi_TimeStamp(k_Heat)) + (plus ? 10 : 0);
    // Beyond the codes a time would read back as a code or as no result at all.
    if (t >= Time_DSQ)
        throw Run_time_error(err_Overflow, "Overflow: the race time " + std::to_string(t) + " ms cannot be stored");
    return int32_t(t);
}

Lane_Result_Record New_result(Result_viewer& viewer, int16_t lane, int32_t value, bool plus)
{
    Lane_Result_Record r{lane, value, 0, 0};
    // A code needs no race time: a frame without a stamp must not keep it from being stored.
    if (Is_real_time(value)) {
        r.Time = Race_time(plus);
        r.Goal_field = Narrow_16(viewer.Shown_field());
    }
    r.Click_time = Get_Tick();
    return r;
}

// Names, state and the results folder; a problem is told once, not at every fill.
Heat_result Taken_to_desk(Heat_result result)
{
    static std::string told;
    const std::string event = g_Recording->Event_name();
    result.event = event.empty() ? g_Event_name : event;
    Taken_result taken = Take_heat_result(std::move(result), g_Recording->File_name(), g_Event_name);
    if (!taken.problem.empty() && taken.problem != told)
        QSM_error_handler("The heat's result could not be passed on: " + taken.problem, k_Err_file_access, 0,
                          "Fill_Results of Form frm_kanot_2");
    told = taken.problem;
    for (const auto& mark : g_Lanes)
        if (mark) mark->Entry_label(Start_entry_label(taken.names.Entry(taken.result.heat, mark->Lane_number())));
    return std::move(taken.result);
}

} // namespace

// ---- Lane_results ----

Lane_results::Lane_results(Result_viewer& viewer, Operator_port& port)
    : viewer_(viewer), port_(port), by_lane_(No_results()), ranked_(No_results()) {}

void Lane_results::Attach_Time(int16_t lane, int32_t value, bool plus)
{
    try {
        if (!Recording_open()) return;
        if (g_Recording->Read_only()) {
            port_.Tell("File is read-only!");
            return;
        }
        if (lane < 0 || lane >= k_Heat_lanes)
            throw Run_time_error(err_Subscript, "Subscript out of range: lane " + std::to_string(lane));
        // Whatever was shown, the file decides whether the lane has a result.
        by_lane_ = Load_heat(k_Heat);
        const int32_t old = by_lane_[size_t(lane)].Time;
        if (old != 0 && old != No_Time && !port_.Override_confirmed()) return;
        Heat_lane_records changed = by_lane_;
        changed[size_t(lane)] = New_result(viewer_, lane, value, plus);
        if (Is_real_time(value) && viewer_.Clicked_over_proposal(lane)) changed[size_t(lane)].Made = Result_made::overridden;
        Store_after_paint(lane, changed);
        viewer_.New_graphics();
        if (timed_result_count_ == 1) viewer_.Lbl_delta_time_Click();
        viewer_.SliderPlay_Focus();
        viewer_.Slider_play_Scroll();
    } catch (...) {
        Report_current_exception("Attach_Time of Form frm_kanot_2",
                                 "p_Active_Result = " + std::to_string(1) + "Lane = " + std::to_string(lane));
    }
}

bool Lane_results::Put_record(const Lane_Result_Record& record)
{
    try {
        if (!Recording_open() || g_Recording->Read_only()) return false;
        const int16_t lane = record.Lane;
        if (lane < 0 || lane >= k_Heat_lanes)
            throw Run_time_error(err_Subscript, "Subscript out of range: lane " + std::to_string(lane));
        by_lane_ = Load_heat(k_Heat);
        Heat_lane_records changed = by_lane_;
        changed[size_t(lane)] = record;
        Store_after_paint(lane, changed);
        viewer_.New_graphics();
        if (timed_result_count_ == 1) viewer_.Lbl_delta_time_Click();
        viewer_.Slider_play_Scroll();
        return true;
    } catch (...) {
        Report_current_exception("Put_record of Form frm_kanot_2", "Lane = " + std::to_string(record.Lane));
        return false;
    }
}

Lane_Result_Record Lane_results::Confirmed_record(int16_t lane, int32_t time, int16_t goal_field)
{
    return {lane, time, Get_Tick(), goal_field, Result_made::confirmed};
}

// The tables go into the header in memory and are shown from it at once; the file gets them once
// the screen shows them, since the header's write waits on the disk. Should the process be killed
// in between, that one result is lost; a closing recording writes it.
void Lane_results::Store_after_paint(int16_t lane, const Heat_lane_records& changed)
{
    cls_AVI_handler& rec = *g_Recording;
    if (!rec.Header_write_pending()) g_Lanes_in_file = Read_header_lanes(rec);
    Put_header_lanes(rec, Record_lanes(changed));
    rec.Write_XML_header_later();
    Complete_Result_Array();
    viewer_.After_paint([this, lane, recording = std::weak_ptr<cls_AVI_handler>(g_Recording)] {
        Finish_store(lane, recording);
    });
}

// A header that could not be written: header and tables say again what the file holds.
void Lane_results::Finish_store(int16_t lane, const std::weak_ptr<cls_AVI_handler>& recording)
{
    const std::shared_ptr<cls_AVI_handler> rec = recording.lock();
    if (!rec || rec->Complete_header_write() || rec != g_Recording) return;
    try {
        Put_header_lanes(*rec, g_Lanes_in_file);
        Complete_Result_Array();
        throw Run_time_error(k_Err_file_access, "The lane results could not be written into the recording",
                             "Store_Heat_Results");
    } catch (...) {
        Report_current_exception("Attach_Time of Form frm_kanot_2",
                                 "p_Active_Result = " + std::to_string(1) + "Lane = " + std::to_string(lane));
    }
}

void Lane_results::Complete_Result_Array()
{
    try {
        Load_All_Heats_Array_from_File(k_Heat);
        Copy_Active_Heat();
        result_.correction = Recording_open() ? g_Recording->Heat_Start_Correction(k_Heat) : 0;
        result_.rule = Result_time_rule_from_settings();
        Lane_Active_Heat_Array_Sort();
        Results_rows().Display_Compensate_Mill(result_.correction);
        Results_rows().Clear_Results();
        Fill_Results();
        viewer_.New_graphics();
        viewer_.Slider_play_Scroll();
    } catch (...) {
        Report_current_exception("Complete_Result_Array of Form frm_kanot_2");
    }
}

void Lane_results::Load_All_Heats_Array_from_File(int32_t heat) { by_lane_ = Load_heat(int16_t(heat)); }

void Lane_results::Copy_Active_Heat()
{
    ranked_ = by_lane_;
    for (size_t k = 0; k < ranked_.size(); ++k) ranked_[k].Lane = int16_t(k);
}

void Lane_results::Lane_Active_Heat_Array_Sort() { ranked_ = Rank_lanes(ranked_); }

void Lane_results::Fill_Results()
{
    timed_result_count_ = 0;
    if (Recording_open()) {
        const Heat_result result =
            Taken_to_desk(Make_heat_result(ranked_, result_.correction, g_Recording->Heat_ID(k_Heat),
                                           g_Recording->Capture_time(), result_.rule));
        result_ = result;
        Clear_Lane_Times();
        for (const Heat_result_row& row : result.rows) Mirror_on_marks(row);
        timed_result_count_ = int16_t(result.Timed_count());
        Results_rows().Results_changed(result);
    }
    viewer_.Lane_results_filled();
}

int16_t Lane_results::Lane_To_Place(int16_t lane) const
{
    for (size_t i = 0; i < ranked_.size(); ++i)
        if (ranked_[i].Lane == lane) return Is_real_time(ranked_[i].Time) ? int16_t(i + 1) : int16_t(0);
    return 0;
}

int16_t Lane_results::Go_to_Goal_field(double place) const
{
    // An array index taken from a number rounds half to even.
    const double index = std::nearbyint(place);
    if (!(index >= 1 && index <= k_Heat_lanes)) return 0;
    return ranked_[size_t(index) - 1].Goal_field;
}

int16_t Lane_results::Find_Lane_Index(double lane) const
{
    const int32_t n = std::min<int32_t>(int32_t(g_Lanes.size()), k_Heat_lanes);
    for (int32_t i = 1; i <= n; ++i)
        if (double(ranked_[size_t(i) - 1].Lane) == lane) return int16_t(i);
    return 0;
}

std::string Lane_results::Lane_result_text(int16_t lane) const
{
    // The words follow the records as last ranked, with the correction in force.
    return Lane_result_words(Make_heat_result(ranked_, result_.correction, {}, {}, result_.rule), lane);
}

// ---- Free procedures ----

void Store_Heat_Results(const Heat_lane_records& by_lane)
{
    if (!Recording_open()) return;
    cls_AVI_handler& rec = *g_Recording;
    const Header_lanes before = Read_header_lanes(rec);
    Put_header_lanes(rec, Record_lanes(by_lane));
    if (!rec.Write_XML_header()) {
        // The header in memory keeps saying what the file says.
        Put_header_lanes(rec, before);
        throw Run_time_error(k_Err_file_access, "The lane results could not be written into the recording",
                             "Store_Heat_Results");
    }
}

void Clear_All_Results()
{
    Heat_lane_records cleared{};
    for (size_t k = 0; k < cleared.size(); ++k) cleared[k].Lane = int16_t(k);
    Store_and_rebuild(cleared, [] {
        if (Lane_results* viewer = Viewer_lane_results()) viewer->Complete_Result_Array();
    });
}

void Clear_Lane_Times()
{
    for (const auto& mark : g_Lanes)
        if (mark) mark->time(0);
}

void Install_lane_results(Lane_results* results) { g_Viewer_lane_results = results; }

Lane_results* Viewer_lane_results() { return g_Viewer_lane_results; }

} // namespace wk
