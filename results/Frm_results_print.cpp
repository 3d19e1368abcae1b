// The results window's printing: where pages go (preview, printer or a PDF file), the page head
// that every printed page carries, and the heat's result sheet.
#include "results/Frm_results.h"

#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Picture_box.h"
#include "platform/Print_target.h"
#include "recording/Timecode_module.h"
#include "recording/cls_AVI_handler.h"
#include "results/Result_export.h"
#include "results/Wakeline_logga.h"
#include "services/Module_canoe.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "results/Results_viewer.h"

#include <QLabel>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

namespace wk {
namespace {

constexpr int32_t k_Printer_error = 482;
// Characters of the file text a line of the file-data box holds.
constexpr int k_File_line_chars = 60;
// Space kept below the logos and the file-data box.
constexpr double k_Head_gap = 100;

bool Recording_open() { return g_Recording && g_Recording->File_open(); }

Results_viewer* Viewer() { return Viewer_for_results(); }

int32_t Whole(double v) { return int32_t(std::nearbyint(v)); }

void Set_font(platform::Print_target& t, const char* name, double size, bool bold)
{
    t.FontName = name;
    t.FontSize = size;
    t.FontBold = bold;
    t.FontUnderline = false;
}

// A picture's size on paper: the size it has on the screen.
double Twips_x(int pixels) { return double(pixels) * platform::Twips_per_pixel_x(); }
double Twips_y(int pixels) { return double(pixels) * platform::Twips_per_pixel_y(); }

// The work picture takes a picture at its own size.
const QImage& Compose(platform::Picture_box& temp, const QImage& picture)
{
    temp.Set_picture_size(picture.width(), picture.height());
    temp.Image() = picture.convertToFormat(QImage::Format_RGB32);
    temp.Refresh();
    return temp.Image();
}

// The largest Arial size from 110 down to 10 (steps of 2) at which the text is narrower than
// width on the target; 10 when none is.
double Fitting_size(platform::Print_target& t, const std::string& text, double width)
{
    for (int size = 110; size >= 10; size -= 2) {
        t.FontSize = size;
        if (t.TextWidth(text) < width) return size;
    }
    return 10;
}

struct Logo_place {
    double x = 0, bottom = 0;
};

// The program's logo at its own size in the top right corner of the frame.
Logo_place Print_program_logo(platform::Print_target& t, platform::Picture_box& temp, double top)
{
    const QImage& logo = Compose(temp, Wakeline_logga());
    const double width = Twips_x(logo.width()), height = Twips_y(logo.height());
    const int32_t x = Whole(g_Page_right - width - 100);
    Trace_Line("*Print_Static_content, Logo_x = ", x);
    t.PaintPicture(logo, x, top, width, height);
    return {double(x), top + height};
}

// The event's own logo, scaled down to the room left of the program's; false when the file is
// not a picture.
bool Print_event_logo(platform::Print_target& t, platform::Picture_box& temp, double top, double room,
                      double& bottom)
{
    const QImage picture(QString::fromStdString(g_Event_logo));
    if (picture.isNull()) return false;
    const QImage& logo = Compose(temp, picture);
    const double width = Twips_x(logo.width()), height = Twips_y(logo.height());
    const double s = width > room ? room / width : 1.0;
    t.PaintPicture(logo, g_Page_left + 100, top, width * s, height * s);
    bottom = top + height * s;
    return true;
}

// The event's name in blue, as large as fits the room left of the program's logo.
double Print_event_name(platform::Print_target& t, const std::string& name, double top, double room)
{
    Set_font(t, "Arial", 28, true);
    const double size = Fitting_size(t, name + "xxx", room);
    const double width = t.TextWidth(name), height = t.TextHeight(name);
    const double s = width > room ? room / width : 1.0;
    t.FontSize = size * s;
    t.ForeColor = QColor(0, 0, 255);
    t.CurrentX = g_Page_left + 100;
    t.CurrentY = top;
    t.Print(name);
    t.ForeColor = Qt::black;
    return top + height * s;
}

// The event block's bottom.
double Print_event_block(platform::Print_target& t, platform::Picture_box& temp, double logo_x, double top)
{
    const double room = logo_x - (g_Page_left + 300);
    double bottom = top;
    if (g_Event_logo_loaded && Print_event_logo(t, temp, top, room, bottom)) return bottom;
    const std::string name = Recording_open() ? g_Recording->Event_name() : g_Event_name;
    return Print_event_name(t, name, top, room);
}

// "Filename = " and the path, in lines of at most 60 characters.
std::vector<std::string> File_lines(const std::string& path)
{
    const QString text = QString::fromStdString("Filename = " + path);
    std::vector<std::string> lines;
    for (qsizetype i = 0; i < text.size(); i += k_File_line_chars)
        lines.push_back(text.mid(i, k_File_line_chars).toStdString());
    return lines;
}

// The recording's file data in a framed box at the right; sets File_block_top_y and
// File_block_bottom_y to where the box really is.
void Print_file_box(platform::Print_target& t, double top)
{
    Set_font(t, "Arial", 8, false);
    t.ForeColor = Qt::black;
    std::vector<std::string> lines = File_lines(g_Recording->File_name());
    double width = 0;
    for (const std::string& line : lines) width = std::max(width, t.TextWidth("xx" + line));
    width += 50;
    lines.push_back("File_written at: " + g_Recording->Capture_time());
    lines.push_back("Camera time: " + Timecode_Text());
    const double line_height = t.TextHeight(lines.front());
    // Room for five lines at least, and one line more than the text.
    const double height = double(std::max<size_t>(5, lines.size() + 1)) * line_height;
    const double left = g_Page_right - width - 100;
    for (size_t i = 0; i < lines.size(); ++i) {
        t.CurrentX = left + 50;
        t.CurrentY = top + double(i) * line_height;
        t.Print(lines[i]);
    }
    t.DrawWidth = 1;
    t.Box(left + 1, top + 1, left + width - 1, top + height - 20, Qt::black, false);
    File_block_top_y = Whole(top);
    File_block_bottom_y = Whole(top + height);
}

void Print_footer(platform::Print_target& t)
{
    Set_font(t, "Arial", 8, false);
    t.CurrentX = g_Page_left + 100;
    t.CurrentY = g_Page_bottom - 200;
    t.Print(g_Print_footer);
}

void Show_printer_error() { platform::MsgBox("Printer error", platform::vbOKOnly); }

} // namespace

// ---- The print choice ----

void Frm_results::Load_print_choice()
{
    if (g_Printer_count < 0) {
        // Not read yet: the printer choice stays open until printing is asked for.
        g_Print_preview = Opt_printer[k_Preview]->isChecked();
        g_Print_target.reset();
        Opt_printer[k_Printer]->setText("Printer");
        Opt_printer[k_Printer]->setEnabled(true);
        return;
    }
    Picture_preview = std::make_shared<platform::Page_image_target>(g_Paper_width, g_Paper_height,
                                                                    1440.0 / platform::Twips_per_pixel_x());
    g_Print_preview = Opt_printer[k_Preview]->isChecked();
    Handle_Preview();
    if (g_Printer_count != 0) {
        auto* port = platform::Get_printer_port();
        const std::string name = port ? port->Printer_name() : std::string();
        Opt_printer[k_Printer]->setText(QString::fromStdString(name.empty() ? "Printer" : name));
        Opt_printer[k_Printer]->setEnabled(true);
        return;
    }
    Opt_printer[k_Printer]->setText("No printer");
    Opt_printer[k_Printer]->setEnabled(false);
    // Only a choice of the missing printer falls back to the preview; a PDF file needs none.
    if (Opt_printer[k_Printer]->isChecked()) Opt_printer[k_Preview]->setChecked(true);
    g_Print_preview = Opt_printer[k_Preview]->isChecked();
    Handle_Preview();
}

void Frm_results::Printing_asked()
{
    const bool unread = g_Printer_count < 0 || !Picture_preview;
    Need_printer();
    if (unread) Load_print_choice();
}

void Frm_results::Opt_printer_Click(int)
{
    Printing_asked();
    g_Print_preview = Opt_printer[k_Preview]->isChecked();
    Handle_Preview();
}

void Frm_results::Handle_Preview()
{
    if (Opt_printer[k_Pdf_file]->isChecked()) {
        // Each job asks for its file when its first page head is drawn.
        g_Print_target.reset();
        return;
    }
    if (g_Print_preview) {
        g_Print_target = Picture_preview;
        return;
    }
    // Never the preview's page in place of paper: without a printer there is nothing to print on.
    auto* port = platform::Get_printer_port();
    g_Print_target = g_Printer_count >= 1 && port ? port->Open_printer() : nullptr;
}

// With the PDF choice a job begins by choosing its file; false when the operator cancels.
bool Frm_results::Pdf_job_ready()
{
    if (!Opt_printer[k_Pdf_file]->isChecked()) return true;
    if (g_Print_target && g_Print_target->Printing()) return true; // the same job's next page head
    const auto chosen = platform::Get_dialogs().Save_file("Print to PDF file", g_Data_folder, "PDF file (*.pdf)|*.pdf");
    if (!chosen || chosen->empty()) return false;
    std::string path = *chosen;
    if (!Same_text_ci(Get_Extension(Split_Path(path, 0)), "pdf")) path += ".pdf";
    auto* port = platform::Get_printer_port();
    auto pdf = port ? port->Open_pdf(path, g_Paper_width, g_Paper_height) : nullptr;
    if (!pdf) throw platform::Printer_fault("Printer error");
    g_Print_target = pdf;
    return true;
}

// ---- The page head ----

bool Frm_results::Print_Static_Content()
{
    try {
        // The page's margins; the printer choice was made when the job was asked for.
        Need_printer();
        if (!Pdf_job_ready()) return false;
        if (!g_Print_target) throw platform::Printer_fault("Printer error");
        platform::Print_target& t = *g_Print_target;
        Pict_temp->Set_picture_size(1, 1);
        Pict_temp->Refresh();
        Trace_Line("*Print_Static_Content ", g_Page_left, g_Page_top, g_Page_right, g_Page_bottom);
        const double page_height = t.ScaleHeight();
        t.DrawWidth = 2;
        t.Box(g_Page_left, g_Page_top, g_Page_right, g_Page_bottom, Qt::black, false);
        const double head_top = 0.03 * page_height;
        const Logo_place logo = Print_program_logo(t, *Pict_temp, head_top);
        const double event_bottom = Print_event_block(t, *Pict_temp, logo.x, head_top);
        Logo_bottom_y = Whole(std::max(event_bottom, logo.bottom) + k_Head_gap);
        File_block_top_y = File_block_bottom_y = 0;
        if (Recording_open()) Print_file_box(t, 0.14 * page_height);
        // Below everything of the head, whichever reaches lower.
        Print_top_y = std::max(Logo_bottom_y, Whole(File_block_bottom_y + k_Head_gap));
        Print_footer(t);
        return true;
    } catch (const platform::Printer_fault&) {
        Show_printer_error();
    } catch (const Run_time_error& e) {
        if (e.number() == k_Printer_error) Show_printer_error();
        else Report_current_exception("Print_Static_Content of Form Frm_results");
    } catch (...) {
        Report_current_exception("Print_Static_Content of Form Frm_results");
    }
    return false;
}

// ---- The result sheet ----

std::vector<std::string> Frm_results::Result_lines() { return Result_sheet_lines(shown_result_); }

void Frm_results::Print_table(platform::Print_target& t, const std::string& heat)
{
    t.CurrentX = g_Page_left;
    t.CurrentY = Print_top_y;
    t.FontSize = 16;
    t.Print("Results for Heat: " + heat);
    t.FontSize = 12;
    t.CurrentX = g_Page_left;
    t.Print(shown_result_.State_text() + "\r\n");
    t.Print("\r\n");
    Set_font(t, "Courier New", 15, true);
    t.FontUnderline = true;
    t.CurrentX = g_Page_left;
    t.Print(Result_sheet_heading(shown_result_));
    t.FontUnderline = false;
    for (const std::string& line : Result_lines()) {
        t.CurrentX = g_Page_left;
        t.Print(line);
    }
    t.CurrentY += 300;
    results_end_y_ = Whole(t.CurrentY);
}

void Frm_results::Print_Results(bool series)
{
    try {
        if (!Recording_open()) return;
        const std::string heat = g_Recording->Heat_ID(1);
        result_kind_ = series ? "Series" : "Results";
        g_Print_title = Replace_Swedish_Chars(g_Event_name + " Heat: " + heat + " " + result_kind_);
        platform::App().title = g_Print_title;
        if (!Print_Static_Content()) {
            // No job: the program keeps its own title.
            platform::App().title = g_App_Title;
            return;
        }
        Trace_Line("*Print_Results ", g_Page_left, g_Page_top, g_Page_right, g_Page_bottom);
        Print_table(*g_Print_target, heat);
        if (series)
            if (Results_viewer* viewer = Viewer()) viewer->Print_Series();
        if (!series)
            if (Results_viewer* viewer = Viewer()) viewer->Print_finish_strip();
        Printer_End();
    } catch (...) {
        Report_current_exception("Print_Results of Form Frm_results");
    }
}

// ---- The print menu ----

void Frm_results::item_print_Click()
{
    Printing_asked();
    if (Results_viewer* viewer = Viewer()) viewer->Handle_Print_Single();
}

void Frm_results::item_print_results_Click()
{
    Printing_asked();
    if (Results_viewer* viewer = Viewer()) viewer->Handle_Print_results();
}

void Frm_results::item_print_series_Click()
{
    Printing_asked();
    if (Results_viewer* viewer = Viewer()) viewer->Handle_Print_Series();
}

void Frm_results::item_printer_test_Click()
{
    Printing_asked();
    if (Results_viewer* viewer = Viewer()) viewer->Make_Print_footer();
    if (Print_Static_Content()) Printer_End();
}

} // namespace wk
