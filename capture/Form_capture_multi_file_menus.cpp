// The capture window's menus, the painting of the live picture into the full-screen preview, and
// the settings the window writes: event name, capture folder and timing correction.
#include "capture/Form_capture_multi_file.h"

#include "capture/Control_box_panel.h"
#include "capture/Frm_fullscreen.h"
#include "capture/cls_Capture.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Screen_saver.h"
#include "recording/Timecode_module.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "services/frmAbout.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

#include <charconv>
#include <filesystem>
#include <system_error>

namespace wk {

namespace fs = std::filesystem;

namespace {

constexpr const char* k_Form = " of Form Form_capture_multi_file";

QAction* Add_item(QMenu* menu, const char* name, const char* caption, bool checkable = false)
{
    auto* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(checkable);
    return item;
}

// A whole number, or nothing for an empty or partly numeric answer.
std::optional<int32_t> Whole_number(const std::string& text)
{
    size_t from = text.find_first_not_of(' '), to = text.find_last_not_of(' ');
    if (from == std::string::npos) return std::nullopt;
    int32_t value = 0;
    const char* first = text.data() + from;
    const char* last = text.data() + to + 1;
    if (*first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return std::nullopt;
    return value;
}

} // namespace

void Form_capture_multi_file::Build_menus(QLayout* layout)
{
    menu_bar = new QMenuBar(this);
    layout->setMenuBar(menu_bar);
    QMenu* file = menu_bar->addMenu("&File");
    item_view_recording = Add_item(file, "item_view_recording", "View recording");
    item_exit = Add_item(file, "item_exit", "Exit");
    QMenu* camera = menu_bar->addMenu("&Camera");
    item_preview = Add_item(camera, "item_preview", "Full screen preview", true);
    menu_choose_camera = camera->addMenu("Choose camera");
    menu_choose_camera->setObjectName("menu_choose_camera");
    menu_choose_camera->menuAction()->setEnabled(false);
    item_restart_camera = Add_item(camera, "item_restart_camera", "Restart camera");
    item_stop_camera = Add_item(camera, "item_stop_camera", "Stop camera");
    QMenu* tools = menu_bar->addMenu("&Tools");
    item_Marathon = Add_item(tools, "item_Marathon", "Marathon", true);
    item_test_control_box = Add_item(tools, "item_test_control_box", "Test control box", true);
    item_timing_correction = Add_item(tools, "item_timing_correction", "Timing correction");
    menu_specials = menu_bar->addMenu("Specials");
    menu_specials->setObjectName("menu_specials");
    QMenu* help = menu_bar->addMenu("&Help");
    item_about = Add_item(help, "item_about", "About");
    connect(item_exit, &QAction::triggered, this, [] { Wakeline_exit(Operator_boxes_of_windows()); });
    connect(item_about, &QAction::triggered, this, [] { Show_About(); });
    connect(item_preview, &QAction::triggered, this, [this] { item_preview_Click(); });
    connect(item_Marathon, &QAction::triggered, this, [this] { item_Marathon_Click(); });
    connect(item_restart_camera, &QAction::triggered, this, [this] { Start_Cam(); });
    connect(item_stop_camera, &QAction::triggered, this, [this] { item_stop_camera_Click(); });
    connect(item_view_recording, &QAction::triggered, this, [this] { item_view_recording_Click(); });
    connect(item_test_control_box, &QAction::triggered, this, [this] { item_test_control_box_Click(); });
    connect(item_timing_correction, &QAction::triggered, this, [this] { item_timing_correction_Click(); });
    // Escape aborts the active heat from anywhere in the window, also while the capture
    // button is held with the mouse; it is not looked for in the frame path.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { Handle_Abort(Active_heat()); });
}

bool Form_capture_multi_file::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Lbl_capture_folder && event->type() == QEvent::MouseButtonRelease) {
        Lbl_capture_folder_Click();
        return true;
    }
    // The press goes on to the control as well (the heat ID box still takes the focus).
    if (auto* w = qobject_cast<QWidget*>(watched); w && event->type() == QEvent::MouseButtonPress)
        for (int16_t s = 0; s < k_Slots; ++s)
            if (QGroupBox* frame = Slots[size_t(s)].Frame_capture; w == frame || frame->isAncestorOf(w)) Set_Active_heat(s);
    return Form_window::eventFilter(watched, event);
}

bool Form_capture_multi_file::Preview_visible() const
{
    const auto* preview = platform::Form_if_loaded<Frm_fullscreen>();
    return preview && preview->isVisible();
}

void Form_capture_multi_file::item_preview_Click()
{
    try {
        if (item_preview->isChecked()) do_Preview();
        else if (auto* preview = platform::Form_if_loaded<Frm_fullscreen>()) {
            g_Run_mode = 0;
            preview->hide();
        }
    } catch (...) {
        Report_current_exception("item_preview_Click" + std::string(k_Form));
    }
}

void Form_capture_multi_file::do_Preview()
{
    if (item_preview->isChecked()) {
        auto& preview = platform::Form_instance<Frm_fullscreen>();
        preview.move(preview.x(), 0);
        preview.show();
        preview.item_full_preview->setChecked(true);
        g_Run_mode = 1;
    } else {
        g_Run_mode = 0;
        if (auto* preview = platform::Form_if_loaded<Frm_fullscreen>()) preview->hide();
    }
}

void Form_capture_multi_file::Paint_Preview()
{
    try {
        if (++preview_counter_ < 2) return;
        preview_counter_ = 0;
        auto* preview = platform::Form_if_loaded<Frm_fullscreen>();
        // Without a camera there is nothing to paint.
        if (!preview || !camera_) return;
        QImage picture(720, 576, QImage::Format_RGB32);
        picture.fill(Qt::black);
        camera_->Display_frame2(picture, 3, true, 0, g_Rotate, true, true, 0);
        DV_Header_Parse(camera_->Frame_buffer());
        preview->Show_DV_data(Timecode_Text(), Shutter_Text());
        if (g_Show_DV_metadata) {
            QPainter painter(&picture);
            QFont font = painter.font();
            font.setPointSize(16);
            painter.setFont(font);
            painter.setPen(Qt::yellow);
            painter.drawText(0, 10 + painter.fontMetrics().ascent(), QString::fromStdString(DV_Header_Summary()));
        }
        // The preview draws its overlay over the picture; the event loop serves its mouse.
        preview->Show_picture(picture);
        ++previews_painted_;
    } catch (...) {
        Report_current_exception("Paint_Preview" + std::string(k_Form));
    }
}

void Form_capture_multi_file::item_Marathon_Click()
{
    if (item_Marathon->isChecked()) {
        platform::Open_window("Form_Wakeline_marathon");
        for (platform::Form* form : platform::Loaded_forms())
            if (form->Form_name() == "Frm_results") // the marathon windows take its place
                if (auto* w = dynamic_cast<QWidget*>(form)) w->hide();
        return;
    }
    for (platform::Form* form : platform::Loaded_forms())
        if (form->Form_name() == "Form_Wakeline_marathon")
            if (auto* w = dynamic_cast<QWidget*>(form)) w->hide();
}

void Form_capture_multi_file::changeEvent(QEvent* event)
{
    Form_window::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !item_Marathon || !item_Marathon->isChecked()) return;
    for (platform::Form* form : platform::Loaded_forms())
        if (form->Form_name() == "Form_Wakeline_marathon")
            if (auto* w = dynamic_cast<QWidget*>(form)) w->setVisible(!isMinimized());
}

void Form_capture_multi_file::Marathon_Unloaded() { item_Marathon->setChecked(false); }

void Form_capture_multi_file::showEvent(QShowEvent* event)
{
    Form_window::showEvent(event);
    platform::Hold_screen_awake(this, true);
}

void Form_capture_multi_file::hideEvent(QHideEvent* event)
{
    Form_window::hideEvent(event);
    platform::Hold_screen_awake(this, false);
}

void Form_capture_multi_file::item_stop_camera_Click()
{
    try {
        if (Capturing()) recorder_->End_capture();
        Stop_Active_Capture();
    } catch (...) {
        Report_current_exception("item_stop_camera_Click" + std::string(k_Form));
    }
}

void Form_capture_multi_file::item_view_recording_Click()
{
    try {
        item_stop_camera_Click();
        Wait_One_Second();
        platform::Open_window("Frm_kanot_2");
    } catch (...) {
        Report_current_exception("item_view_recording_Click" + std::string(k_Form));
    }
}

void Form_capture_multi_file::item_test_control_box_Click()
{
    const bool shown = item_test_control_box->isChecked();
    box_->Test_mode(shown);
    Frame_Control_box->setVisible(shown);
    if (shown) Frame_Control_box->Display_Control_Box();
}

void Form_capture_multi_file::item_timing_correction_Click()
{
    try {
        const auto answer = platform::Get_dialogs().Input_box("Enter new timing correction", "Wakeline timing",
                                                              std::to_string(g_Timing_correction));
        // Cancel, or an answer that is not a whole number, keeps the correction as it was.
        const auto value = answer ? Whole_number(*answer) : std::nullopt;
        if (!value) return;
        g_Timing_correction = *value;
        Write_setting(ini::Timing_correction, *value);
    } catch (...) {
        Report_current_exception("item_timing_correction_Click" + std::string(k_Form));
    }
}

void Form_capture_multi_file::Lbl_capture_folder_Click()
{
    try {
        // The choice starts in the capture folder; while there is none (or it has gone), at home.
        std::error_code ec;
        const std::string start = !g_Capture_folder.empty() && fs::is_directory(g_Capture_folder, ec)
                                      ? g_Capture_folder
                                      : platform::Home_folder().string();
        const auto chosen = platform::Get_dialogs().Browse_folder("Capture folder", start);
        if (!chosen || chosen->empty()) return;
        g_Capture_folder = *chosen;
        Write_setting(ini::Capture_folder, *chosen);
        Load_capture_folder();
    } catch (...) {
        Report_current_exception("Lbl_capture_folder_Click" + std::string(k_Form));
    }
}

} // namespace wk
