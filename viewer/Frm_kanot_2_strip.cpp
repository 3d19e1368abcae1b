// The finish strip in the viewer: its menu entries, its window and the way back from a click on
// it to the field and the lane.
#include "viewer/Frm_kanot_2.h"

#include "platform/Dialogs.h"
#include "platform/Key_state.h"
#include "platform/Menu_items.h"
#include "platform/Picture_box.h"
#include "platform/Print_target.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "viewer/Cls_lane.h"
#include "viewer/Finish_strip_pane.h"
#include "results/Result_rows.h"
#include "results/Result_sheet.h"
#include "viewer/Strip_export.h"

#include <QAction>
#include <QMenu>
#include <QSlider>

#include <filesystem>

namespace wk {

namespace {

void Message(const std::string& text) { platform::MsgBox(text, platform::vbOKOnly); }

constexpr int k_Key_S = 'S';
// Twips kept free above the footer, the least height worth printing, and the print's resolution.
constexpr double k_Footer_room = 300, k_Least_height = 1000, k_Print_dpi = 150;

} // namespace

void Frm_kanot_2::Build_strip_menus()
{
    item_finish_strip = platform::Make_item(menu_display, "item_finish_strip", "Finish strip");
    item_export_finish_strip = new QAction("Export finish strip...", menu_file);
    item_export_finish_strip->setObjectName("item_export_finish_strip");
    menu_file->insertAction(item_exit, item_export_finish_strip);
    item_strip_on_sheet = new QAction("Finish strip on result sheet", menu_file);
    item_strip_on_sheet->setObjectName("item_strip_on_sheet");
    item_strip_on_sheet->setCheckable(true);
    menu_file->insertAction(item_exit, item_strip_on_sheet);
    connect(item_finish_strip, &QAction::triggered, this, [this] { item_finish_strip_Click(); });
    connect(item_export_finish_strip, &QAction::triggered, this, [this] { item_export_finish_strip_Click(); });
}

Finish_strip_pane& Frm_kanot_2::Strip_pane()
{
    if (!Pane_finish_strip) {
        Pane_finish_strip = new Finish_strip_pane(*this, this);
        // The mark follows whatever moves the slider.
        connect(Slider_play, &QSlider::valueChanged, Pane_finish_strip,
                [this](int field) { Pane_finish_strip->Field_shown(field); });
    }
    return *Pane_finish_strip;
}

void Frm_kanot_2::item_finish_strip_Click()
{
    try {
        if (!Check_File_Open()) return;
        Strip_pane().Show_clear_of(Picture_area(), Controls_area(), Frame_area(), Menu_area());
        Strip_pane().Field_shown(Shown_field());
    } catch (...) {
        Report_current_exception("item_finish_strip_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_export_finish_strip_Click()
{
    try {
        if (!Check_File_Open()) return;
        Finish_strip_pane& pane = Strip_pane();
        const Finish_strip* strip = pane.Started_strip();
        if (!strip) {
            Message("The recording has no goal line.");
            return;
        }
        if (!strip->Whole()) {
            Message("The finish strip is still being built; try again when it is whole.");
            return;
        }
        const std::filesystem::path recording(g_Recording->File_name());
        const std::string proposed = (recording.parent_path() / (recording.stem().string() + "_strip.png")).string();
        const std::optional<std::string> path =
            platform::Get_dialogs().Save_file("Export finish strip", proposed, "PNG pictures (*.png)|*.png");
        if (!path || path->empty()) return;
        if (!Export_strip)
            Export_strip = new Strip_export(this, [](const std::string& error) {
                if (!error.empty()) Message(error);
            });
        // Written on a thread of its own: a long heat's strip takes seconds.
        if (!Export_strip->Start(pane.Shared_strip(), pane.Marks(), *path))
            Message("The finish strip is being exported; try again when that is done.");
    } catch (...) {
        Report_current_exception("item_export_finish_strip_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::Print_finish_strip()
{
    try {
        if (!item_strip_on_sheet->isChecked() || !g_Print_target || !Recording_open()) return;
        // Printing waits for the strip: the workers build it, this thread only waits.
        Finish_strip* strip = Strip_pane().Started_strip();
        if (!strip) return;
        strip->Wait_whole();
        const Strip_marks marks = Strip_pane().Marks();
        int32_t first = 0, last = 0;
        if (!Finish_columns(marks, strip->Columns(), first, last)) return;
        const Result_sheet* sheet = Results_rows().Sheet();
        const double top = sheet ? sheet->Results_end_y() : g_Print_target->CurrentY;
        const double width = g_Page_right - g_Page_left;
        const double height = std::min(width * 0.4, g_Page_bottom - k_Footer_room - top);
        if (height < k_Least_height) return; // no room left on the page
        const QSize pixels(int(width * k_Print_dpi / 1440), int(height * k_Print_dpi / 1440));
        const QImage picture =
            Strip_picture(View_of(*strip), marks, first, last, pixels, Strip_text_pixels_for(k_Print_dpi));
        g_Print_target->PaintPicture(picture, g_Page_left, top, width, height);
        g_Print_target->CurrentY = top + height;
    } catch (...) {
        Report_current_exception("Print_finish_strip of Form frm_kanot_2");
    }
}

std::optional<Finish_strip_line::Setup> Frm_kanot_2::Strip_goal_line()
{
    if (!Recording_open()) return std::nullopt;
    const Goal_line_coords& g = g_File_Goal_line;
    if (g.x1 == g.x2 && g.y1 == g.y2) return std::nullopt;
    // The line is set on the recording's own picture, turned as the recording says.
    const bool turned = g_Recording->rotated();
    Finish_strip_line::Setup s;
    s.x1 = g.x1;
    s.y1 = g.y1;
    s.x2 = g.x2;
    s.y2 = g.y2;
    s.picture_width = turned ? 576 : 720;
    s.picture_height = turned ? 720 : 576;
    s.rotated = turned;
    return s;
}

void Frm_kanot_2::Go_to_strip_point(int32_t field, int16_t lane)
{
    try {
        if (!Recording_open()) return;
        Slider_play->setValue(field);
        Slider_play_Scroll();
        const Cls_lane* mark = nullptr;
        for (const auto& l : g_Lanes)
            if (l && l->Lane_number() == lane) mark = l.get();
        if (mark && Key_Down(k_Key_S)) {
            // Exactly a finish click on the lane's mark in this field.
            Picture_large_MouseDown(1, 0, float(mark->X()), float(mark->Y()));
            Picture_large_MouseUp(1, 0, float(mark->X()), float(mark->Y()));
        } else {
            Display_Lane_Result(mark ? lane : int16_t(-1));
        }
        SliderPlay_Focus();
    } catch (...) {
        Report_current_exception("Go_to_strip_point of Form frm_kanot_2");
    }
}

QWidget* Frm_kanot_2::Strip_key_target() { return Slider_play; }

} // namespace wk
