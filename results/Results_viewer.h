#pragma once
// What the results and marathon windows ask of the viewer: showing a field or a recording,
// marking a place over the picture, redrawing the marks, where it stands on the screen, the
// print commands, and the heat's lane records it keeps. The viewer implements it; those windows
// never reach into its controls.
#include <QRect>

#include <cstdint>
#include <string>

namespace wk {

class Results_viewer {
public:
    virtual ~Results_viewer() = default;
    // Moves to the field and draws it.
    virtual void Show_field(int32_t field) = 0;
    // The place number over the shown picture, the viewer focused for stepping on.
    virtual void Show_place(const std::string& place) = 0;
    virtual void Draw_Graphics(bool refresh, bool no_marks) = 0;
    virtual void Set_Focus() = 0;
    // The x just right of the viewer window's frame (pixels), where the results window goes.
    virtual int Right_edge() const = 0;
    // Where the viewer's menu bar lies on the screen (empty while the viewer is not shown):
    // windows opened beside the viewer keep it clear.
    virtual QRect Menu_area() const = 0;
    // Where the finish picture and the viewer's whole frame lie on the screen (empty while the
    // viewer is not shown): windows opened beside the viewer never cover the picture, and keep
    // off the rest of the viewer where the screen has room.
    virtual QRect Picture_area() const { return {}; }
    virtual QRect Frame_area() const { return {}; }
    // Where the viewer's column of controls beside the picture lies on the screen (empty while
    // the viewer is not shown): windows beside the viewer never cover it either.
    virtual QRect Controls_area() const { return {}; }
    // The heat's start as the viewer shows it.
    virtual std::string Start_time_text() const = 0;
    virtual void Print_Series() = 0;
    // The finish strip around the finishes, under the result table, when the viewer is asked to.
    virtual void Print_finish_strip() {}
    virtual void Handle_Print_Single() = 0;
    virtual void Handle_Print_results() = 0;
    virtual void Handle_Print_Series() = 0;
    virtual void Make_Print_footer() = 0;

    // ---- The heat's lane records, which the viewer keeps ----
    // Ranks the records again and fills the result rows.
    virtual void Fill_Results() = 0;
    // Reads the heat again from the recording, then ranks and fills.
    virtual void Complete_Result_Array() = 0;
    // The heat-start correction (ms) every shown time is now made with; the rows follow.
    virtual void Correct_start(int32_t correction) = 0;
    // Empties every stored result of the heat, and the times the lane marks show.
    virtual void Clear_all_results() = 0;
    // Shows what the recording met since it was last told, one message each.
    virtual void Tell_recording_problems() = 0;

    // ---- What the marathon windows ask ----
    virtual bool Viewer_shown() const = 0;
    // The slider takes the keys; the shown field is drawn again.
    virtual void SliderPlay_Focus() = 0;
    virtual void Slider_play_Scroll() = 0;
    virtual void Open_Recording(const std::string& path) = 0;
    // Whether the viewer's Marathon item is checked.
    virtual bool Marathon_mode() const = 0;
    // The marathon time labels for the shown frame, against the selected heat's start.
    virtual void Update_Marathon_Time() = 0;
    // The shown field's number as its label shows it.
    virtual std::string Shown_field_text() const = 0;
};

// The viewer while its window is loaded; nullptr otherwise.
Results_viewer* Viewer_for_results();
// Where a part of the viewer (&Results_viewer::Menu_area, ...) lies on the screen; empty while no
// viewer is shown.
inline QRect Viewer_area(QRect (Results_viewer::*part)() const)
{
    const Results_viewer* viewer = Viewer_for_results();
    return viewer ? (viewer->*part)() : QRect();
}

} // namespace wk
