// The marathon finish entry: the result file, Set time, duplicates and Close result file.
#include "results/Frm_Wakeline_Marathon_settime.h"

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Screen_fit.h"
#include "recording/cls_AVI_handler.h"
#include "results/Form_Wakeline_marathon.h"
#include "results/frm_dualentry.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Module_window.h"
#include "results/Results_viewer.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <charconv>

namespace wk {
namespace {

constexpr const char* k_Name = "Frm_Wakeline_Marathon_settime";
constexpr const char* k_Temp_name = "WakelineMarathon_Temp.xml";
constexpr const char* k_Comment_start = "XML file containg Wakeline result data for marathon race. Produced by : ";

constexpr int k_Top_rows = 3; // the marathon window's rows the crew works in most

// The marathon window's menu and its first rows on the screen, its frame at `frame`.
QRect Marathon_top(const Form_Wakeline_marathon& marathon, const QRect& frame)
{
    const QWidget* row = marathon.Text_heat[k_Top_rows - 1];
    const int bottom = frame.top() + platform::Frame_margins(&marathon).top() +
                       row->mapTo(&marathon, QPoint(0, row->height())).y();
    return {frame.topLeft(), QPoint(frame.right(), bottom)};
}

// The width the marathon window was drawn at: its heats' frame with the same margin either side.
int Marathon_width(const Form_Wakeline_marathon& marathon)
{
    return marathon.Frame_classes->x() * 2 + marathon.Frame_classes->width();
}

// The least the marathon window is cut to where the screen has no room for it beside the viewer's
// controls: its right edge goes (the heats' elapsed times; the finish entry shows the selected
// heat's), while the heats' numbers, names and starts, Start, Stop and the clock stay whole.
QSize Marathon_least(const Form_Wakeline_marathon& marathon)
{
    const QWidget* start = marathon.Text_start[0];
    return {start->mapTo(&marathon, QPoint(start->width() + 8, 0)).x(), marathon.height()};
}

// A label alone in its captioned frame.
QLabel* Framed_label(QWidget* parent, const char* frame, const char* caption, const char* name, QRect where)
{
    QGroupBox* f = platform::Make_frame(parent, frame, caption, where);
    return platform::Make_label(f, name, "", QRect(8, 20, where.width() - 16, where.height() - 26));
}

std::string Caption(const QLabel* label) { return label->text().toStdString(); }

std::string Trim_leading(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first);
}

// The field number a frame label shows ("0037"); 0 when it shows none.
int32_t Frame_of(const std::string& caption)
{
    int32_t frame = 0;
    std::from_chars(caption.data(), caption.data() + caption.size(), frame);
    return frame;
}

bool Recording_open() { return g_Recording && g_Recording->File_open(); }

void Message(const std::string& text) { platform::MsgBox(text, platform::vbOKOnly); }

} // namespace

Frm_Wakeline_Marathon_settime::Frm_Wakeline_Marathon_settime()
    : Form_window(k_Name), result_(platform::Join_path(platform::Home_folder().string(), k_Temp_name),
                                   platform::Home_folder().string())
{
    Build_controls();
    Form_Load();
}

void Frm_Wakeline_Marathon_settime::Build_controls()
{
    setWindowTitle("Wakeline Marathon set time");
    Lbl_heatID = Framed_label(this, "Frame_heatID", "Heat ID", "Lbl_heatID", QRect(10, 8, 100, 50));
    Lbl_heatname = Framed_label(this, "Frame_heatname", "Heat name", "Lbl_heatname", QRect(118, 8, 220, 50));
    QGroupBox* competitor = platform::Make_frame(this, "Frame_competitor", "Competitor", QRect(10, 64, 150, 56));
    Text_kanoe_num = platform::Make_box(competitor, "Text_kanoe_num", "", QRect(8, 20, 134, 28));
    QFont big = Text_kanoe_num->font();
    big.setPixelSize(18);
    big.setBold(true);
    Text_kanoe_num->setFont(big);
    Label_elapsed = Framed_label(this, "Frame_elapsed", "Elapsed time", "Label_elapsed", QRect(168, 64, 170, 56));
    Label_elapsed->setFont(big);
    Label_heattime = Framed_label(this, "Frame_heattime", "Heat time", "Label_heattime", QRect(10, 126, 160, 50));
    Label_starttime = Framed_label(this, "Frame_starttime", "Start time", "Label_starttime", QRect(178, 126, 160, 50));
    Label_num_competitors = platform::Make_label(this, "Label_num_competitors", "", QRect(10, 184, 150, 22));
    Command_XML = platform::Make_button(this, "Command_XML", "Set time", QRect(10, 212, 150, 36));
    Command_close = platform::Make_button(this, "Command_close", "Close result file", QRect(188, 212, 150, 36));
    Command_close->setToolTip("Closes the current result file");
    resize(348, 258);
    // Above the viewer it is worked with, from the start: set later, the window would be made
    // anew and lose the place it was given.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    connect(Command_XML, &QPushButton::clicked, this, [this] { Command_XML_Click(); });
    connect(Command_close, &QPushButton::clicked, this, [this] { Command_close_Click(); });
}

void Frm_Wakeline_Marathon_settime::Form_Load()
{
    try {
        if (g_Exiting) return;
        int32_t left = 0, top = 0, width = 0, height = 0;
        Get_Form_Pos(k_Name, left, top, width, height);
        move(left / platform::Twips_per_pixel_x(), top / platform::Twips_per_pixel_y());
        Remove_Close_Item(this);
        Check_For_Existing_Result_File();
        Update_Num_Entries();
    } catch (...) {
        Report_current_exception("Form_Load of Form Frm_Wakeline_Marathon_settime");
    }
}

void Frm_Wakeline_Marathon_settime::Form_Unload()
{
    Store_Form_Pos(k_Name, x() * platform::Twips_per_pixel_x(), y() * platform::Twips_per_pixel_y(), 0, 0);
}

// The window has no close box: the viewer's Marathon item shows and hides it.
void Frm_Wakeline_Marathon_settime::closeEvent(QCloseEvent* event) { event->ignore(); }

// ---- What the viewer and the marathon window call ----

std::string Frm_Wakeline_Marathon_settime::Heat_start_text()
{
    const auto* marathon = platform::Form_if_loaded<Form_Wakeline_marathon>();
    return marathon ? marathon->Rows().Selected_start() : "";
}

void Frm_Wakeline_Marathon_settime::Show_frame_times(const std::string& frame_time, const std::string& start,
                                                     const std::string& elapsed)
{
    Label_heattime->setText(QString::fromStdString(frame_time));
    Label_starttime->setText(QString::fromStdString(start));
    Label_elapsed->setText(QString::fromStdString(elapsed));
    update();
}

void Frm_Wakeline_Marathon_settime::Show_marathon_windows(bool on)
{
    if (!on) {
        hide();
        if (auto* marathon = platform::Form_if_loaded<Form_Wakeline_marathon>()) marathon->hide();
        return;
    }
    auto& marathon = platform::Form_instance<Form_Wakeline_marathon>();
    marathon.Check_Marathon_Folder();
    // Both inside the desktop, never over the finish picture and off the rest of the viewer where
    // the screen has room, wherever the settings last left them; this one also off the marathon
    // window's menu and first rows. They are placed before they show, so that the window manager
    // frames each where it was put.
    // Nor over the viewer's controls: where the screen is too narrow for the marathon window
    // beside them (1280 wide), the viewer has narrowed its column (Beside_width) and the marathon
    // window loses its right edge rather than cover Play and the slider or go behind the viewer.
    // The finish entry's controls stand where they were drawn: cut smaller, it would hide some.
    const QRect viewer_menus = Viewer_menu_area(), picture = Viewer_picture_area(), viewer = Viewer_frame_area();
    const QRect controls = Viewer_controls_area();
    marathon.resize(Marathon_width(marathon), marathon.height()); // whole again where there is room now
    const QRect marathon_frame =
        platform::Place_clear_of(&marathon, {picture, controls}, {viewer}, viewer_menus, Marathon_least(marathon));
    platform::Place_clear_of(this, {picture, controls, Marathon_top(marathon, marathon_frame)},
                             {viewer, marathon_frame}, viewer_menus, size());
    marathon.show();
    // The viewer steps frames while the marathon window is up; its clock stays still meanwhile.
    marathon.Timer1->stop();
    show();
    if (const int16_t heat = marathon.Selected_Heat())
        Show_heat(marathon.Rows().Row(heat - 1).heat_num, marathon.Rows().Row(heat - 1).heat_name);
}

int Frm_Wakeline_Marathon_settime::Beside_width() const
{
    const auto& marathon = platform::Form_instance<Form_Wakeline_marathon>();
    const QMargins frame = platform::Frame_margins(&marathon);
    return Marathon_width(marathon) + frame.left() + frame.right();
}

void Frm_Wakeline_Marathon_settime::Show_heat(const std::string& heat_id, const std::string& heat_name)
{
    Lbl_heatID->setText(QString::fromStdString(heat_id));
    Lbl_heatname->setText(QString::fromStdString(heat_name));
}

// ---- The result file ----

Marathon_result_header Frm_Wakeline_Marathon_settime::Header() const
{
    Marathon_result_header h;
    h.event = Recording_open() ? g_Recording->Event_name() : g_Event_name;
    h.capture_host = Recording_open() ? g_Recording->Computer_name() : " ";
    h.backoffice_host = g_Computer_name;
    h.comment = k_Comment_start + g_Edition_text + " " + g_Version_text + " Compiled at : " + k_Compile_date;
    return h;
}

void Frm_Wakeline_Marathon_settime::Check_For_Existing_Result_File()
{
    std::string aside;
    switch (result_.Open(Header(), aside)) {
    case Marathon_result_file::Opened::loaded:
        Message("Loaded existing Marathon results file\r\n" + std::to_string(result_.Count()) + " Competitor entries");
        break;
    case Marathon_result_file::Opened::set_aside:
        Message("The Marathon result file could not be read. It was kept as:\r\n" + aside);
        Message("Created a new Marathon result file");
        break;
    case Marathon_result_file::Opened::created:
        Message("Created a new Marathon result file");
        break;
    case Marathon_result_file::Opened::failed:
        break; // reported
    }
}

void Frm_Wakeline_Marathon_settime::Initialize_Result_File() { result_.Start_new(Header()); }

void Frm_Wakeline_Marathon_settime::Update_Num_Entries()
{
    Label_num_competitors->setText(QString::fromStdString(std::to_string(result_.Count()) + " entries"));
}

// The finish as the viewer shows it now; nullopt after saying why there is none.
std::optional<Marathon_entry> Frm_Wakeline_Marathon_settime::Entry_now(const std::string& competitor)
{
    Results_viewer* viewer = Viewer_for_results();
    if (!viewer || !Recording_open()) {
        Message("No file open!");
        return std::nullopt;
    }
    const auto* marathon = platform::Form_if_loaded<Form_Wakeline_marathon>();
    const int16_t heat = marathon ? marathon->Selected_Heat() : 0;
    if (heat == 0) {
        Message("No heat selected!");
        return std::nullopt;
    }
    const Marathon_row& row = marathon->Rows().Row(heat - 1);
    Show_heat(row.heat_num, row.heat_name);
    if (row.heat_num.find_first_not_of(' ') == std::string::npos) {
        Message("The selected heat has no number!");
        return std::nullopt;
    }
    if (Heat_start_text().empty()) {
        Message("The heat has no start time!");
        return std::nullopt;
    }
    // The labels of the shown frame against this heat's start, whatever changed since the last step.
    viewer->Update_Marathon_Time();
    const std::string elapsed = Trim_leading(Caption(Label_elapsed));
    if (elapsed.empty()) {
        Message("No time for this frame!");
        return std::nullopt;
    }
    return Marathon_entry{row.heat_num,      row.heat_name,           Trim_leading(Caption(Label_starttime)),
                          competitor,        elapsed,                 g_Recording->File_name(),
                          viewer->Shown_field_text()};
}

void Frm_Wakeline_Marathon_settime::Command_XML_Click()
{
    try {
        const std::string competitor = Text_kanoe_num->text().toStdString();
        if (competitor.empty()) {
            Message("No competitor entered!");
            return;
        }
        Results_viewer* viewer = Viewer_for_results();
        if (viewer && viewer->Viewer_shown()) viewer->SliderPlay_Focus();
        const std::optional<Marathon_entry> entry = Entry_now(competitor);
        if (!entry) return;
        if (const auto earlier = result_.Earlier_entry(entry->heat_id, competitor)) {
            Previous_Video_File = earlier->file;
            Previous_Video_Frame = earlier->frame;
            // What an override writes and where the viewer returns to: this moment's finish.
            pending_ = entry;
            Current_Video_File = entry->video_file;
            Current_Video_Frame = Frame_of(entry->video_frame);
            Handle_Duplicate_Entry();
            return;
        }
        Add_Marathon_XML(*entry);
    } catch (...) {
        Report_current_exception("Command_XML_Click of Form Frm_Wakeline_Marathon_settime");
    }
}

void Frm_Wakeline_Marathon_settime::Add_Marathon_XML(const Marathon_entry& entry)
{
    result_.Add(entry);
    Update_Num_Entries();
}

void Frm_Wakeline_Marathon_settime::Command_close_Click()
{
    try {
        if (result_.Close(platform::Get_clock().Now(), Header()).empty()) return;
        Update_Num_Entries();
        Message("The result file is now closed");
    } catch (...) {
        Report_current_exception("Command_close_Click of Form Frm_Wakeline_Marathon_settime");
    }
}

// ---- Duplicates ----

void Frm_Wakeline_Marathon_settime::Handle_Duplicate_Entry()
{
    platform::Form_instance<frm_dualentry>().Show_duplicate(*this);
}

bool Frm_Wakeline_Marathon_settime::Override_Result()
{
    try {
        if (!pending_) return false;
        const bool saved = result_.Override(*pending_);
        pending_.reset();
        if (saved) Message("New result saved");
        Update_Num_Entries();
        return saved;
    } catch (...) {
        Report_current_exception("Override_Result of Form Frm_Wakeline_Marathon_settime");
        return false;
    }
}

void Frm_Wakeline_Marathon_settime::See_Previous() { Show_position(Previous_Video_File, Previous_Video_Frame); }

void Frm_Wakeline_Marathon_settime::See_Current()
{
    if (g_Exiting) return;
    Show_position(Current_Video_File, Current_Video_Frame);
}

// The viewer at that field of that recording; it keeps what it shows when the file is not there.
void Frm_Wakeline_Marathon_settime::Show_position(const std::string& file, int32_t frame)
{
    try {
        Results_viewer* viewer = Viewer_for_results();
        if (!viewer || file.empty()) return;
        if (!Recording_open() || g_Recording->File_name() != file) {
            if (!FileExists(file)) {
                Message("File does not exist!\r\n" + file);
                return;
            }
            viewer->Open_Recording(file);
            if (!Recording_open()) return;
        }
        viewer->Show_field(frame);
    } catch (...) {
        Report_current_exception("Show_position of Form Frm_Wakeline_Marathon_settime");
    }
}

void Install_marathon_windows()
{
    Install_marathon_times_maker([](bool make) -> Marathon_times* {
        if (!make) return platform::Form_if_loaded<Frm_Wakeline_Marathon_settime>();
        // The marathon window first: the finish entry takes its heats from it.
        platform::Form_instance<Form_Wakeline_marathon>();
        return &platform::Form_instance<Frm_Wakeline_Marathon_settime>();
    });
}

} // namespace wk
