// The heat's lane results. Every change goes into the recording's header first; the tables
// are then rebuilt from the header, so they never show what the file does not hold.
#include "viewer/Lane_results.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "viewer/Cls_lane.h"
#include "viewer/Result_rows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace wk {

namespace {

constexpr int16_t k_Heat = 1;     // a recording holds one heat: its first heat record
constexpr int16_t k_Lanes = 16;
constexpr int32_t k_Err_file_access = 75;

Lane_results* g_Viewer_lane_results = nullptr;

bool Recording_open() { return g_Recording && g_Recording->File_open(); }

// A header value kept in a 16-bit field: out-of-range values stop at the nearest end.
int16_t Narrow_16(int32_t value)
{
    return int16_t(std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

// Differences of two times may need 33 bits. Display_Mill_Time shows the time of day only, so
// the value is reduced to one day first, keeping its sign (a negative whole day still shows "-").
std::string Display_time(int64_t ms, bool strip)
{
    constexpr int64_t k_Day = 86400000;
    int64_t rest = (ms < 0 ? -ms : ms) % k_Day;
    if (rest == 0 && ms < 0) rest = k_Day;
    return Display_Mill_Time(int32_t(ms < 0 ? -rest : rest), strip);
}

Lane_Result_Record Empty_record(int16_t lane) { return {lane, No_Time, 0, 0}; }

// The lane values of heat 1 as the header holds them, in full width.
struct Header_lane {
    int32_t time = 0, click_time = 0, goal_field = 0;
};
using Header_lanes = std::array<Header_lane, k_Lanes>;

Header_lanes Read_header_lanes(cls_AVI_handler& rec)
{
    Header_lanes lanes{};
    for (int16_t k = 0; k < k_Lanes; ++k)
        lanes[size_t(k)] = {rec.Heat_result(k_Heat, k), rec.Heat_Clicktime(k_Heat, k), rec.Heat_Goalfield(k_Heat, k)};
    return lanes;
}

void Put_header_lanes(cls_AVI_handler& rec, const Header_lanes& lanes)
{
    for (int16_t k = 0; k < k_Lanes; ++k) {
        const Header_lane& l = lanes[size_t(k)];
        rec.Heat_result(k_Heat, k, l.time);
        rec.Heat_Clicktime(k_Heat, k, l.click_time);
        rec.Heat_Goalfield(k_Heat, k, l.goal_field);
    }
}

// What the file held before the results waiting to be written.
Header_lanes g_Lanes_in_file{};

Header_lanes Table_lanes()
{
    Header_lanes lanes{};
    for (size_t k = 0; k < lanes.size(); ++k) {
        const Lane_Result_Record& r = Lane_all_Heats_Array[k];
        lanes[k] = {r.Time, r.Click_time, r.Goal_field};
    }
    return lanes;
}

void Load_heat(int16_t heat)
{
    const bool named = g_Recording && !g_Recording->File_name().empty();
    for (int16_t k = 0; k < k_Lanes; ++k) {
        Lane_Result_Record& r = Lane_all_Heats_Array[size_t(k)];
        r = Empty_record(k);
        if (!named) continue;
        // The file keeps 0 for a lane without a result.
        const int32_t time = g_Recording->Heat_time(heat, k);
        r.Time = time == 0 ? No_Time : time;
        r.Click_time = g_Recording->Heat_Clicktime(heat, k);
        r.Goal_field = Narrow_16(g_Recording->Heat_Goalfield(heat, k));
    }
}

void Copy_active()
{
    for (int16_t k = 0; k < k_Lanes; ++k) {
        Lane_Active_Heat_Array[size_t(k) + 1] = Lane_all_Heats_Array[size_t(k)];
        Lane_Active_Heat_Array[size_t(k) + 1].Lane = k;
    }
}

// Click times are ticks, which wrap: the earlier click is the one the other lies after.
bool Goes_after(const Lane_Result_Record& a, const Lane_Result_Record& b)
{
    if (a.Time != b.Time) return a.Time > b.Time;
    return platform::Tick_difference(a.Click_time, b.Click_time) > 0;
}

void Sort_active()
{
    bool exchanged = true;
    while (exchanged) {
        exchanged = false;
        for (size_t i = 1; i < Lane_Active_Heat_Array.size() - 1; ++i)
            if (Goes_after(Lane_Active_Heat_Array[i], Lane_Active_Heat_Array[i + 1])) {
                std::swap(Lane_Active_Heat_Array[i], Lane_Active_Heat_Array[i + 1]);
                exchanged = true;
            }
    }
}

// The tables without the viewer: as the file holds them, sorted.
void Rebuild_tables()
{
    if (Lane_results* viewer = Viewer_lane_results()) {
        viewer->Complete_Result_Array();
        return;
    }
    Load_heat(k_Heat);
    Copy_active();
    Sort_active();
}

// Stores the tables and rebuilds them from the header, also when the store failed: the header
// then kept the file's values, and the tables must follow it again.
template <class Rebuild> void Store_and_rebuild(Rebuild&& rebuild)
{
    try {
        Store_Heat_Results();
    } catch (...) {
        rebuild();
        throw;
    }
    rebuild();
}

// "" for a value that is no code: its cells are left as they are.
std::string Code_text(int32_t time)
{
    switch (time) {
    case Time_DSQ: return "DSQ";
    case Time_DNS: return "DNS";
    case Time_DNF: return "DNF";
    default: return {};
    }
}

void Mirror_on_marks(const Lane_Result_Record& r)
{
    for (const auto& mark : g_Lanes)
        if (mark && mark->Lane_number() == r.Lane) mark->time(r.Time);
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

// Writes one row; true when it shows a real time.
bool Fill_row(Result_rows& rows, int row, const Lane_Result_Record& r)
{
    rows.Lbl_result_rank(row, std::to_string(row + 1));
    rows.Lbl_result_lane(row, std::to_string(r.Lane));
    if (Is_real_time(r.Time)) {
        const int64_t winner = Lane_Active_Heat_Array[1].Time;
        rows.Lbl_result_time(row, Display_time(int64_t(r.Time) - g_Heat_correction, false));
        rows.Lbl_result_delta_time(row, "+" + Display_time(int64_t(r.Time) - winner, true));
        return true;
    }
    const std::string code = Code_text(r.Time);
    if (!code.empty()) rows.Lbl_result_time(row, code);
    return false;
}

// The rows and the lane marks from the sorted table; the number of rows with a real time.
int16_t Fill_rows_and_marks()
{
    int16_t timed = 0;
    Clear_Lane_Times();
    Result_rows& rows = Results_rows();
    for (size_t i = 1; i < Lane_Active_Heat_Array.size(); ++i) {
        const Lane_Result_Record& r = Lane_Active_Heat_Array[i];
        if (r.Time >= No_Time) break;
        if (Fill_row(rows, int(i) - 1, r)) ++timed;
        Mirror_on_marks(r);
    }
    rows.Lbl_capture_time(g_Recording->Capture_time());
    rows.Lbl_heat(g_Recording->Heat_ID(k_Heat));
    return timed;
}

} // namespace

// ---- Lane_results ----

void Lane_results::Attach_Time(int16_t lane, int32_t value, bool plus)
{
    try {
        if (!Recording_open()) return;
        if (g_Recording->Read_only()) {
            platform::MsgBox("File is read-only!", platform::vbOKOnly);
            return;
        }
        if (lane < 0 || lane >= k_Lanes)
            throw Run_time_error(err_Subscript, "Subscript out of range: lane " + std::to_string(lane));
        // Whatever the tables say, the file decides whether the lane has a result.
        Load_heat(k_Heat);
        const int32_t old = Lane_all_Heats_Array[size_t(lane)].Time;
        if (old != 0 && old != No_Time &&
            platform::MsgBox("Override existing result?", platform::vbOKCancel) != platform::vbOK)
            return;
        Lane_all_Heats_Array[size_t(lane)] = New_result(viewer_, lane, value, plus);
        Store_after_paint(lane);
        viewer_.New_graphics();
        if (timed_result_count_ == 1) viewer_.Lbl_delta_time_Click();
        viewer_.SliderPlay_Focus();
        viewer_.Slider_play_Scroll();
    } catch (...) {
        Report_current_exception("Attach_Time of Form frm_kanot_2",
                                 "p_Active_Result = " + std::to_string(1) + "Lane = " + std::to_string(lane));
    }
}

// The tables go into the header in memory and are shown from it at once; the file gets them once
// the screen shows them, since the header's write waits on the disk. Should the process be killed
// in between, that one result is lost; a closing recording writes it.
void Lane_results::Store_after_paint(int16_t lane)
{
    cls_AVI_handler& rec = *g_Recording;
    if (!rec.Header_write_pending()) g_Lanes_in_file = Read_header_lanes(rec);
    Put_header_lanes(rec, Table_lanes());
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
        g_Heat_correction = Recording_open() ? g_Recording->Heat_Start_Correction(k_Heat) : 0;
        Lane_Active_Heat_Array_Sort();
        Results_rows().Display_Compensate_Mill();
        Results_rows().Clear_Results();
        Fill_Results();
        viewer_.New_graphics();
        viewer_.Slider_play_Scroll();
    } catch (...) {
        Report_current_exception("Complete_Result_Array of Form frm_kanot_2");
    }
}

void Lane_results::Load_All_Heats_Array_from_File(int32_t heat) { Load_heat(int16_t(heat)); }

void Lane_results::Copy_Active_Heat() { Copy_active(); }

void Lane_results::Lane_Active_Heat_Array_Sort() { Sort_active(); }

void Lane_results::Fill_Results()
{
    timed_result_count_ = Recording_open() ? Fill_rows_and_marks() : 0;
    viewer_.Lane_results_filled();
}

// ---- Free procedures ----

void Store_Heat_Results()
{
    if (!Recording_open()) return;
    cls_AVI_handler& rec = *g_Recording;
    const Header_lanes before = Read_header_lanes(rec);
    Put_header_lanes(rec, Table_lanes());
    if (!rec.Write_XML_header()) {
        // The header in memory keeps saying what the file says.
        Put_header_lanes(rec, before);
        throw Run_time_error(k_Err_file_access, "The lane results could not be written into the recording",
                             "Store_Heat_Results");
    }
}

void Clear_All_Results()
{
    for (Lane_Result_Record& r : Lane_all_Heats_Array) {
        r.Time = 0;
        r.Click_time = 0;
        r.Goal_field = 0;
    }
    Store_and_rebuild(Rebuild_tables);
}

void Clear_Lane_Times()
{
    for (const auto& mark : g_Lanes)
        if (mark) mark->time(0);
}

int16_t Lane_To_Place(int16_t lane)
{
    for (size_t i = 1; i < Lane_Active_Heat_Array.size(); ++i)
        if (Lane_Active_Heat_Array[i].Lane == lane) return Is_real_time(Lane_Active_Heat_Array[i].Time) ? int16_t(i) : 0;
    return 0;
}

int16_t Go_to_Goal_field(double place)
{
    // An array index taken from a number rounds half to even.
    const double index = std::nearbyint(place);
    if (!(index >= 1 && index <= k_Lanes)) return 0;
    return Lane_Active_Heat_Array[size_t(index)].Goal_field;
}

std::string Lane_result_text(int16_t lane)
{
    for (size_t i = 1; i < Lane_Active_Heat_Array.size(); ++i) {
        const Lane_Result_Record& r = Lane_Active_Heat_Array[i];
        if (r.Lane != lane) continue;
        if (Is_real_time(r.Time))
            return "Place: " + std::to_string(i) + " Time : " + Display_time(int64_t(r.Time) - g_Heat_correction, true);
        switch (r.Time) {
        case Time_DSQ: return "Disqualified";
        case Time_DNS: return "Did not start";
        case Time_DNF: return "Did not finish";
        default: return {};
        }
    }
    return {};
}

void Install_lane_results(Lane_results* results) { g_Viewer_lane_results = results; }

Lane_results* Viewer_lane_results() { return g_Viewer_lane_results; }

} // namespace wk
