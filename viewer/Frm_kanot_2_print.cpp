// The viewer's prints: the shown frame on a page of its own, the picture series below the result
// sheet, the footer every page carries, and the event logo. The page head and the sheet belong to
// the results window, reached through the result rows' sheet.
#include "viewer/Frm_kanot_2.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Picture_box.h"
#include "platform/Print_target.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_canoe.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "results/Result_rows.h"
#include "results/Result_sheet.h"

#include <QAction>
#include <QPainter>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace wk {
namespace {

int32_t Whole(double v) { return int32_t(std::nearbyint(v)); }

// Space kept free above the footer line.
constexpr double k_Footer_room = 300;

Result_sheet* Sheet() { return Results_rows().Sheet(); }

// Places 1, 2, ... that have a real time, up to the first that has none.
int Timed_places(const Heat_lane_records& ranked)
{
    int n = 0;
    while (n < int(ranked.size()) && Is_real_time(ranked[size_t(n)].Time)) ++n;
    return n;
}

} // namespace

Series_grid Series_picture_grid(int32_t print_width, bool rotated, int timed, double room)
{
    Series_grid g;
    g.columns = timed > 8 ? 5 : rotated ? 4 : 3;
    // Five columns get the width that fits their own pitch, so pictures never overlap.
    g.width = Whole(print_width / (g.columns * 1.05));
    g.height = Whole(rotated ? g.width * 4.0 / 3.0 : g.width * 3.0 / 4.0);
    g.pitch = Whole(double(print_width) / g.columns);
    const int shown = std::min(timed, 3 * g.columns);
    g.rows = shown <= 0 ? 0 : (shown + g.columns - 1) / g.columns;
    const double needed = g.rows == 0 ? 0 : (g.rows - 1) * g.height * 1.05 + g.height;
    if (needed > room) {
        // Smaller pictures rather than pictures over the footer or past the paper's end.
        const double f = room / needed;
        if (f <= 0) {
            g.rows = 0;
        } else {
            g.width = Whole(g.width * f);
            g.height = Whole(g.height * f);
        }
    }
    g.row_step = g.height * 1.05;
    return g;
}

// ---- The print commands ----

bool Frm_kanot_2::Check_File_Open()
{
    try {
        if (Recording_open()) return true;
        platform::MsgBox("No file open!", platform::vbOKOnly);
    } catch (...) {
        Report_current_exception("Check_File_Open of Form frm_kanot_2");
    }
    return false;
}

void Frm_kanot_2::Handle_Print_Single()
{
    if (!Check_File_Open()) return;
    Need_printer();
    Make_Print_footer();
    PrintSingle();
}

void Frm_kanot_2::Handle_Print_results()
{
    if (!Check_File_Open()) return;
    Need_printer();
    Make_Print_footer();
    if (Result_sheet* sheet = Sheet()) sheet->Print_Results(false);
}

void Frm_kanot_2::Handle_Print_Series()
{
    try {
        if (!Check_File_Open()) return;
        Need_printer();
        Make_Print_footer();
        if (Result_sheet* sheet = Sheet()) sheet->Print_Results(true);
        Wait_ms(500, true);
        auto* preview = platform::Get_print_preview_port();
        if (g_Print_preview && preview && preview->Preview_visible()) preview->Bring_up_preview();
    } catch (...) {
        Report_current_exception("handle_print_series of Form Frm_kanot_2");
    }
}

// ---- The shown frame ----

void Frm_kanot_2::PrintSingle()
{
    try {
        const std::string heat = g_Recording->Heat_ID(1);
        if (auto* preview = platform::Get_print_preview_port()) preview->Clear_preview();
        g_Print_title = Replace_Swedish_Chars(g_Event_name + " Heat " + heat + " Single");
        platform::App().title = g_Print_title;
        if (g_Print_preview && g_Print_target) g_Print_target->Clear();
        Result_sheet* sheet = Sheet();
        if (!sheet || !sheet->Print_Static_Content()) {
            platform::App().title = g_App_Title; // no job
            return;
        }
        platform::Print_target& t = *g_Print_target;
        t.CurrentX = g_Page_left + 100;
        t.CurrentY = Print_top_y;
        t.FontSize = 16;
        t.Print("Heat = " + heat);
        t.CurrentX = g_Page_left + 100;
        t.Print("Video field no: " + std::to_string(Slider_play->value()) + "\r\n");
        // The picture with everything drawn over it, at the size it has on the screen.
        const QImage& picture = Picture_large->Image();
        t.PaintPicture(picture, g_Page_left + 100, t.CurrentY, double(picture.width()) * platform::Twips_per_pixel_x(),
                       double(picture.height()) * platform::Twips_per_pixel_y());
        Printer_End();
    } catch (...) {
        Report_current_exception("PrintSingle of Form frm_kanot_2");
    }
}

// ---- The picture series ----

void Frm_kanot_2::Print_series_picture(int16_t place, double x, double y, const Series_grid& grid)
{
    Picture_large->Cls();
    Slider_play->setValue(results_.Go_to_Goal_field(place));
    Slider_play_Scroll();
    Print_Place_string(std::to_string(place));
    P_Large_refresh();
    g_Print_target->PaintPicture(Picture_large->Image(), x, y, grid.width, grid.height);
    Wait_ms(100, false);
}

void Frm_kanot_2::Print_Series()
{
    try {
        Result_sheet* sheet = Sheet();
        if (!sheet) return;
        sheet->Print_Static_Content();
        if (!g_Print_target || !Recording_open()) return;
        const int timed = Timed_places(results_.Ranked());
        const double top = sheet->Results_end_y();
        const Series_grid grid = Series_picture_grid(Whole(g_Page_right - g_Page_left), g_Recording->rotated(), timed,
                                                     g_Page_bottom - k_Footer_room - top);
        const int count = std::min(timed, grid.rows * grid.columns);
        for (int i = 0; i < count; ++i) {
            const int row = i / grid.columns, column = i % grid.columns;
            Print_series_picture(int16_t(i + 1), g_Page_left + column * grid.pitch, top + row * grid.row_step, grid);
        }
        Slider_play->setValue(0);
        Slider_play_Scroll();
    } catch (...) {
        Report_current_exception("Print_Series of Form frm_kanot_2");
    }
}

// ---- Footer and logo ----

void Frm_kanot_2::Make_Print_footer()
{
    try {
        if (g_Printer_count < 1) {
            g_Print_footer.clear();
            return;
        }
        auto* port = platform::Get_printer_port();
        const std::string printer = port ? port->Printer_name() : std::string();
        g_Print_footer = "Printed by Wakeline at: " + platform::Date_time_text(platform::Get_clock().Now()) + " /" +
                         g_Build_text + " /Computer: " + Get_Computer_Name() + " /Printer: " + printer;
    } catch (...) {
        Report_current_exception("Make_Print_footer of Form frm_kanot_2");
    }
}

void Frm_kanot_2::Load_logo()
{
    try {
        Picture_logo->Cls();
        g_Event_logo = Read_setting(ini::Event_logo);
        QImage picture;
        if (FileExists(g_Event_logo)) picture.load(QString::fromStdString(g_Event_logo));
        // A file that is not a picture is no logo either.
        g_Event_logo_loaded = !picture.isNull();
        if (!g_Event_logo_loaded) {
            Picture_logo->hide();
            return;
        }
        Pict_temp->Set_picture_size(picture.width(), picture.height());
        Pict_temp->Image() = picture.convertToFormat(QImage::Format_RGB32);
        Pict_temp->Refresh();
        const double w = Pict_temp->Scale_width(), h = Pict_temp->Scale_height();
        const double s = std::min(Picture_logo->Scale_width() / w, Picture_logo->Scale_height() / h);
        {
            QPainter painter(&Picture_logo->Image());
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.drawImage(QRectF(0, 0, w * s, h * s), Pict_temp->Image());
        }
        Picture_logo->show();
        Picture_logo->Refresh();
    } catch (...) {
        Report_current_exception("Load_logo of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_select_logo_file_Click()
{
    try {
        // Without a logo the choice starts in the home folder (the system's "C:\").
        std::string current = Read_setting(ini::Event_logo);
        if (current == "N/A") current = platform::Home_folder().string() + "/";
        const auto chosen = platform::Get_dialogs().Open_file(
            "Select Logo File", Split_Path(current, 16),
            "Picture file (*.jpg;*.gif;*.bmp;*.png)|*.jpg;*.gif;*.bmp;*.png");
        if (!chosen || chosen->empty()) {
            // Cancel takes the logo away.
            Write_setting(ini::Event_logo, "");
            Load_logo();
            return;
        }
        g_Event_logo = *chosen;
        Write_setting(ini::Event_logo, g_Event_logo);
        Load_logo();
        Arrange_frames(rotated_);
    } catch (...) {
        Report_current_exception("item_select_logo_file_Click of Form frm_kanot_2");
    }
}

} // namespace wk
