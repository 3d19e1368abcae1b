#pragma once
// The heat's lane results: one record per lane, stored in heat 1 of the recording's XML header,
// and the same records ranked into the heat's result. The recording is the source of truth: every
// change is written there first and the records are then read back from it.
#include "results/Heat_result.h"
#include "services/Operator_port.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace wk {

// What the result code asks of the viewer; the viewer window implements it.
class Result_viewer {
public:
    virtual ~Result_viewer() = default;
    // The field number the viewer shows (its frame-number label).
    virtual int32_t Shown_field() = 0;
    // Redraws goal line and lane marks.
    virtual void New_graphics() = 0;
    // Redraws the shown field.
    virtual void Slider_play_Scroll() = 0;
    // The shown field's race time becomes the reference of the time-behind label.
    virtual void Lbl_delta_time_Click() = 0;
    virtual void SliderPlay_Focus() = 0;
    // The results rows were filled again: whatever else shows a lane's result follows them.
    virtual void Lane_results_filled() {}
    // Runs work once what was just drawn is on the screen: at once unless the viewer paints
    // later.
    virtual void After_paint(std::function<void()> work) { work(); }
    // A click is storing a time for the lane; whether it overrides a proposal of the finish
    // reader there (which then counts as overridden).
    virtual bool Clicked_over_proposal(int16_t lane) { (void)lane; return false; }
};

class cls_AVI_handler;

// The viewer's result methods, and the heat's records they keep.
class Lane_results {
public:
    // The viewer's port asks the operator what storing a result needs asked.
    Lane_results(Result_viewer& viewer, Operator_port& port);

    // Stores a result for lane 0..15: value 0 takes the shown field's race time (+10 ms with
    // plus), a time code replaces it. Refuses read-only recordings and asks before overriding.
    void Attach_Time(int16_t lane, int32_t value, bool plus);
    // Stores one lane's record as it is (a confirmed proposal, or a record an undo puts back);
    // whether it was stored. Refuses read-only recordings without a word.
    bool Put_record(const Lane_Result_Record& record);
    // The record a person's confirmation of a proposed time stores: the time, the goal field
    // of the field nearest it and the tick of the confirmation, as a click there would.
    static Lane_Result_Record Confirmed_record(int16_t lane, int32_t time, int16_t goal_field);
    // Reloads the heat from the recording, ranks it and fills the results rows.
    void Complete_Result_Array();
    void Load_All_Heats_Array_from_File(int32_t heat);
    void Copy_Active_Heat();
    // Ascending time; equal times by the earlier click; codes after real times.
    void Lane_Active_Heat_Array_Sort();
    void Fill_Results();
    // Rows with a real time that the last fill wrote.
    int16_t Timed_result_count() const { return timed_result_count_; }

    // The records by lane (0..15) as last read from the recording ("no time" for none).
    Heat_lane_records& By_lane() { return by_lane_; }
    // The records in place order, as last ranked.
    const Heat_lane_records& Ranked() const { return ranked_; }

    // The place 1..16 of the lane, 0 when it has no real time.
    int16_t Lane_To_Place(int16_t lane) const;
    // The goal field of the record at that place; 0 for a place outside 1..16.
    int16_t Go_to_Goal_field(double place) const;
    // The place (1..lane-mark count) of the record of that lane; 0 when it is not among them.
    int16_t Find_Lane_Index(double lane) const;
    // The lane's result in words (see Lane_result_words); "" for a lane without a result.
    std::string Lane_result_text(int16_t lane) const;

    // The heat-start correction (ms) the result is made with: the recording's, read with the
    // records, until the results window changes it.
    int32_t Correction() const { return result_.correction; }
    void Correction(int32_t ms) { result_.correction = ms; }

private:
    void Store_after_paint(int16_t lane, const Heat_lane_records& changed);
    void Finish_store(int16_t lane, const std::weak_ptr<cls_AVI_handler>& recording);

    Result_viewer& viewer_;
    Operator_port& port_;
    Heat_lane_records by_lane_{};
    Heat_lane_records ranked_{};
    // The result as last made; its correction and time rule make the next one.
    Heat_result result_;
    int16_t timed_result_count_ = 0;
};

// Writes the 16 lane records into heat 1 of g_Recording's header and rewrites it in the file.
// Raises when the header cannot be written.
void Store_Heat_Results(const Heat_lane_records& by_lane);
// Empties all 16 results, stores them (when a recording is open) and rebuilds the viewer's.
void Clear_All_Results();
// The time of every lane mark becomes 0.
void Clear_Lane_Times();

// The viewer's results, through which Clear_All_Results rebuilds; installed by the viewer.
void Install_lane_results(Lane_results* results);
Lane_results* Viewer_lane_results();

} // namespace wk
