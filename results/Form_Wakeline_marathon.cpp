// The marathon window: its controls, the heat rows, Start and Stop, the clock and the edits.
#include "results/Form_Wakeline_marathon.h"

#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Menu_items.h"
#include "recording/cls_AVI_handler.h"
#include "results/Frm_Wakeline_Marathon_settime.h"
#include "services/Marathon_listener.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/Module_window.h"
#include "results/Results_viewer.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

namespace wk {
namespace {

using platform::Make_box;
using platform::Make_frame;
using platform::Make_label;

constexpr int k_Row_height = 22;
constexpr const char* k_Name = "Form_Wakeline_marathon";

void Set_colour(QWidget* w, QPalette::ColorRole role, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(role, colour);
    w->setPalette(p);
}

// Only a changed text is written, so that a box being typed in keeps its cursor.
void Show_text(QLineEdit* box, const std::string& text)
{
    const QString t = QString::fromStdString(text);
    if (box->text() != t) box->setText(t);
}

std::string Text(const QLineEdit* box) { return box->text().toStdString(); }

std::string Now_time_text()
{
    const platform::Local_time t = platform::Get_clock().Now();
    return Time_of_day_text(t.hour, t.minute, t.second);
}

Results_viewer* Viewer() { return Viewer_for_results(); }

} // namespace

Form_Wakeline_marathon::Form_Wakeline_marathon() : Form_window(k_Name)
{
    Build_menus();
    Build_rows();
    Build_controls();
    Connect_controls();
    rows_.Row_changed = [this](int index) { Render(index); };
    Form_Load();
}

void Form_Wakeline_marathon::Build_menus()
{
    menu_bar = platform::Make_menu_bar(this);
    menu_form = platform::Make_menu(menu_bar, "menu_form", "Form");
    item_create_marathon_file = platform::Make_item(menu_form, "item_create_marathon_file", "Create marathon file");
    item_rename_result_file = platform::Make_item(menu_form, "item_rename_result_file", "Rename marathon result file");
    item_copy_xml = platform::Make_item(menu_form, "item_copy_xml", "Copy recent xml file from front office");
    menu_debug = platform::Make_menu(menu_bar, "menu_debug", "Debug");
    item_dump_xml = platform::Make_item(menu_debug, "item_dump_xml", "Dump XML");
    item_end = platform::Make_item(menu_debug, "item_end", "End");
}

void Form_Wakeline_marathon::Build_rows()
{
    const int top = menu_bar->sizeHint().height();
    Text_racename = Make_box(this, "Text_racename", "Name of race", QRect(10, top + 6, 440, 24));
    Frame_classes = Make_frame(this, "Frame_classes", "Classes", QRect(10, top + 36, 440, 56 + k_Rows * k_Row_height));
    Frame_classes->installEventFilter(this);
    Label_heats = Make_label(Frame_classes, "Label_heats",
                             "Heat          name                     started    elapsed", QRect(8, 18, 420, 20));
    Label_heats->installEventFilter(this);
    for (int k = 0; k < k_Rows; ++k) {
        const int y = 40 + k * k_Row_height;
        const QString n = QString::number(k);
        const int h = k_Row_height - 1;
        Text_heat[size_t(k)] = Make_box(Frame_classes, "Text_heat_" + n, "", QRect(8, y, 60, h));
        Text_heat_name[size_t(k)] = Make_box(Frame_classes, "Text_heat_name_" + n, "", QRect(72, y, 190, h));
        Text_start[size_t(k)] = Make_box(Frame_classes, "Text_start_" + n, "00:00:00", QRect(266, y, 78, h));
        Label_heat_elapsed[size_t(k)] =
            Make_label(Frame_classes, "Label_heat_elapsed_" + n, "00:00:00", QRect(350, y, 82, h));
        Text_heat[size_t(k)]->installEventFilter(this);
        Text_start[size_t(k)]->installEventFilter(this);
        // The selection colours are painted from the rows.
        Text_heat[size_t(k)]->setAutoFillBackground(true);
        Text_heat_name[size_t(k)]->setAutoFillBackground(true);
    }
}

void Form_Wakeline_marathon::Build_controls()
{
    const int top = Frame_classes->y() + Frame_classes->height() + 8;
    Cmd_start = platform::Make_button(this, "Cmd_start", "Start", QRect(10, top, 90, 32));
    Cmd_stop = platform::Make_button(this, "Cmd_stop", "Stop", QRect(110, top, 90, 32));
    Label_PC_time = Make_label(this, "Label_PC_time", "00:00:00", QRect(220, top, 120, 32));
    QFont big = Label_PC_time->font();
    big.setPixelSize(20);
    big.setBold(true);
    Label_PC_time->setFont(big);
    Frame_Wakeline_data =
        Make_frame(this, "Frame_Wakeline_data", "Front office data folder", QRect(10, top + 40, 440, 76));
    Label_fodf = Make_label(Frame_Wakeline_data, "Label_fodf", "Name of folder", QRect(8, 20, 300, 22));
    Label_fodf->setCursor(Qt::PointingHandCursor);
    Label_fodf->installEventFilter(this);
    Label_fodf_status =
        Make_label(Frame_Wakeline_data, "Label_fodf_status", "Location of folder", QRect(312, 20, 120, 22));
    Label_fodf_status->installEventFilter(this);
    Label_lastmodified =
        Make_label(Frame_Wakeline_data, "Label_lastmodified", "File last modified", QRect(8, 46, 424, 22));
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    Timer1->start();
    resize(460, top + 126);
    setWindowTitle("Wakeline Marathon");
    // Its heat list and Start and Stop stay in sight when the crew clicks on the viewer's picture.
    // Set before the window is made, so that it keeps the place it is given.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void Form_Wakeline_marathon::Connect_controls()
{
    connect(item_create_marathon_file, &QAction::triggered, this, [this] { item_create_marathon_file_Click(); });
    connect(item_rename_result_file, &QAction::triggered, this, [this] { item_rename_result_file_Click(); });
    connect(item_copy_xml, &QAction::triggered, this, [this] { Copy_XML_file(); });
    connect(item_dump_xml, &QAction::triggered, this, [this] { item_dump_xml_Click(); });
    connect(item_end, &QAction::triggered, this, [this] { item_end_Click(); });
    connect(Cmd_start, &QPushButton::clicked, this, [this] { Cmd_start_Click(); });
    connect(Cmd_stop, &QPushButton::clicked, this, [this] { Cmd_stop_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    // Only what the operator types counts as a change; the window's own filling does not.
    connect(Text_racename, &QLineEdit::textEdited, this, [this] { Text_racename_Change(); });
    for (int k = 0; k < k_Rows; ++k) Connect_row(k);
}

void Form_Wakeline_marathon::Connect_row(int k)
{
    connect(Text_heat[size_t(k)], &QLineEdit::textEdited, this, [this, k] { Text_heat_Change(k); });
    connect(Text_heat_name[size_t(k)], &QLineEdit::textEdited, this, [this, k] { Text_heat_name_Change(k); });
    connect(Text_start[size_t(k)], &QLineEdit::textEdited, this, [this, k] { Text_start_Change(k); });
    connect(Text_heat[size_t(k)], &QLineEdit::editingFinished, this, [this, k] { Text_heat_LostFocus(k); });
    connect(Text_heat_name[size_t(k)], &QLineEdit::editingFinished, this, [this, k] { Text_heat_LostFocus(k); });
}

// ---- Opening and closing ----

void Form_Wakeline_marathon::Form_Load()
{
    try {
        int32_t left = 0, top = 0, width = 0, height = 0;
        Get_Form_Pos(k_Name, left, top, width, height);
        move(left / platform::Twips_per_pixel_x(), top / platform::Twips_per_pixel_y());
        Check_Marathon_Folder();
        Check_Marathon();
        if (Marathon_File_Present()) {
            Load_Marathon_file();
            Load_Form_Data();
        }
        Select_Heat(1, true);
        menu_debug->menuAction()->setVisible(!g_Compiled);
        Remove_Close_Item(this);
        load_FO_data_folder();
        Update_FOD_folder_Remote();
        Text_heat_Click(0);
    } catch (...) {
        Report_current_exception("Form_Load of Form Form_Wakeline_marathon");
    }
}

void Form_Wakeline_marathon::Form_Unload()
{
    Store_Form_Pos(k_Name, x() * platform::Twips_per_pixel_x(), y() * platform::Twips_per_pixel_y(), 0, 0);
    Tell_Marathon_Unloaded();
}

// The window has no close box: the viewer's Marathon item shows and hides it.
void Form_Wakeline_marathon::closeEvent(QCloseEvent* event) { event->ignore(); }

// ---- The marathon file ----

void Form_Wakeline_marathon::Check_Marathon()
{
    rows_.File_present(FileExists(g_Marathon_xml));
    if (!Marathon_File_Present())
        platform::MsgBox("No Marathon XML file found!\n\nType the heats (number, name, start), then choose "
                         "Form > Create marathon file.");
}

void Form_Wakeline_marathon::Check_Marathon_Folder()
{
    if (Folder_Exists(g_Data_folder)) return;
    std::error_code ec;
    std::filesystem::create_directories(g_Data_folder, ec);
    if (ec) {
        QSM_error_handler("The folder " + g_Data_folder + " cannot be created: " + ec.message(), 76, 0,
                          "Check_Marathon_Folder of Form Form_Wakeline_marathon");
        return;
    }
    platform::MsgBox(g_Data_folder + " Not found, folder was created");
}

void Form_Wakeline_marathon::Create_Wakeline_Marathon_File()
{
    rows_.File().Create(platform::Date_time_text(platform::Get_clock().Now()));
}

void Form_Wakeline_marathon::Create_Marathon_file()
{
    try {
        Create_Wakeline_Marathon_File();
        rows_.File_present(true);
        rows_.File().Event_name(Text(Text_racename));
        rows_.Write_rows();
        Save_Marathon_File();
        Load_Marathon_file();
        Load_Form_Data();
    } catch (...) {
        Report_current_exception("Create_Marathon_file of Form Form_Wakeline_marathon");
    }
}

bool Form_Wakeline_marathon::Save_Marathon_File()
{
    std::string problem;
    if (rows_.File().Save(g_Marathon_xml, problem)) return true;
    if (!problem.empty())
        QSM_error_handler("The marathon file could not be saved: " + problem, 75, 0,
                          "Save_Marathon_File of Form Form_Wakeline_marathon");
    return false;
}

// A file that cannot be read leaves the window as without a file, so that nothing writes over it.
void Form_Wakeline_marathon::Load_Marathon_file()
{
    std::string problem;
    if (rows_.File().Load(g_Marathon_xml, &problem)) return;
    rows_.File_present(false);
    QSM_error_handler("The marathon file " + g_Marathon_xml + " cannot be read: " + problem, 31037, 0,
                      "Load_Marathon_file of Form Form_Wakeline_marathon");
}

void Form_Wakeline_marathon::Load_Form_Data()
{
    if (!Marathon_File_Present()) return;
    rows_.Load_Form_Data();
    Text_racename->setText(QString::fromStdString(rows_.File().Event_name()));
}

// ---- The rows ----

void Form_Wakeline_marathon::Render(int index)
{
    if (index >= 0) {
        Render_row(index);
        return;
    }
    for (int k = 0; k < k_Rows; ++k) Render_row(k);
}

void Form_Wakeline_marathon::Render_row(int k)
{
    const Marathon_row& row = rows_.Row(k);
    Show_text(Text_heat[size_t(k)], row.heat_num);
    Show_text(Text_heat_name[size_t(k)], row.heat_name);
    Show_text(Text_start[size_t(k)], row.start);
    const QColor back = row.selected ? QColor(128, 255, 128) : QColor(255, 255, 255);
    Set_colour(Text_heat[size_t(k)], QPalette::Base, back);
    Set_colour(Text_heat_name[size_t(k)], QPalette::Base, back);
    QFont font = Text_start[size_t(k)]->font();
    font.setItalic(!row.running);
    Text_start[size_t(k)]->setFont(font);
    QLabel* elapsed = Label_heat_elapsed[size_t(k)];
    elapsed->setText(QString::fromStdString(row.elapsed.text));
    if (row.elapsed.look == Elapsed_look::running) Set_colour(elapsed, QPalette::WindowText, QColor(0, 0, 255));
    if (row.elapsed.look == Elapsed_look::not_started) Set_colour(elapsed, QPalette::WindowText, QColor(255, 0, 0));
}

void Form_Wakeline_marathon::Text_heat_Click(int index)
{
    try {
        if (!Marathon_File_Present()) return;
        if (!Ctrl_Key_Down()) Deselect_all_Heats();
        Select_Heat(int16_t(index + 1), true);
        Results_viewer* viewer = Viewer();
        if (viewer && g_Recording && g_Recording->File_open()) {
            viewer->SliderPlay_Focus();
            viewer->Slider_play_Scroll();
        }
        if (viewer && viewer->Marathon_mode())
            if (auto* entry = platform::Form_if_loaded<Frm_Wakeline_Marathon_settime>())
                entry->Show_heat(Text(Text_heat[size_t(index)]), Text(Text_heat_name[size_t(index)]));
    } catch (...) {
        Report_current_exception("Text_heat_Click of Form Form_Wakeline_marathon");
    }
}

void Form_Wakeline_marathon::Form_Click()
{
    if (Marathon_File_Present()) Deselect_all_Heats();
}

void Form_Wakeline_marathon::Cmd_start_Click()
{
    try {
        if (!Marathon_File_Present()) return;
        heat_start_text_ = Now_time_text();
        rows_.Start_selected(heat_start_text_);
        Save_Marathon_File();
        Load_Form_Data();
    } catch (...) {
        Report_current_exception("Cmd_start_Click of Form Form_Wakeline_marathon");
    }
}

void Form_Wakeline_marathon::Cmd_stop_Click()
{
    try {
        if (!Marathon_File_Present()) return;
        heat_start_text_ = Now_time_text();
        rows_.Stop_selected();
        Save_Marathon_File();
        Load_Form_Data();
    } catch (...) {
        Report_current_exception("Cmd_stop_Click of Form Form_Wakeline_marathon");
    }
}

void Form_Wakeline_marathon::Timer1_Timer()
{
    if (!isVisible() || isMinimized()) return;
    const platform::Local_time t = platform::Get_clock().Now();
    Label_PC_time->setText(QString::fromStdString(Time_of_day_text(t.hour, t.minute, t.second)));
    rows_.Tick(t.hour * 3600 + t.minute * 60 + t.second);
}

// ---- Edits ----

void Form_Wakeline_marathon::Text_heat_Change(int index)
{
    rows_.Edit(index, Marathon_rows::Column::heat_num, Text(Text_heat[size_t(index)]));
}

void Form_Wakeline_marathon::Text_heat_name_Change(int index)
{
    rows_.Edit(index, Marathon_rows::Column::heat_name, Text(Text_heat_name[size_t(index)]));
}

void Form_Wakeline_marathon::Text_heat_LostFocus(int)
{
    if (Marathon_File_Present()) Save_Marathon_File();
}

void Form_Wakeline_marathon::Text_racename_Change()
{
    if (!Marathon_File_Present()) return;
    rows_.File().Event_name(Text(Text_racename));
    Save_Marathon_File();
}

void Form_Wakeline_marathon::Text_start_Change(int index)
{
    if (rows_.Edit(index, Marathon_rows::Column::heat_start, Text(Text_start[size_t(index)]))) Save_Marathon_File();
}

void Form_Wakeline_marathon::Text_start_MouseDown(int index)
{
    if (!Ctrl_Key_Down()) return;
    if (rows_.Toggle_running(index)) Save_Marathon_File();
}

// ---- Mouse events of the controls that have handlers ----

void Form_Wakeline_marathon::mousePressEvent(QMouseEvent* event)
{
    Form_Click();
    Form_window::mousePressEvent(event);
}

bool Form_Wakeline_marathon::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::MouseButtonPress && (watched == Frame_classes || watched == Label_heats)) Form_Click();
    if (type == QEvent::MouseButtonRelease && watched == Label_fodf) Label_fodf_Click();
    if (type == QEvent::MouseButtonRelease && watched == Label_fodf_status) Label_fodf_status_Click();
    for (int k = 0; k < k_Rows; ++k) {
        if (type == QEvent::MouseButtonRelease && watched == Text_heat[size_t(k)]) Text_heat_Click(k);
        if (type == QEvent::MouseButtonPress && watched == Text_start[size_t(k)]) Text_start_MouseDown(k);
    }
    return Form_window::eventFilter(watched, event);
}

} // namespace wk
