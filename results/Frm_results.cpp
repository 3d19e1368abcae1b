#include "results/Frm_results.h"

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Screen_fit.h"
#include "platform/Menu_items.h"
#include "platform/Picture_box.h"
#include "platform/Print_target.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "results/Result_desk.h"
#include "results/Start_list.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "results/Results_viewer.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QVBoxLayout>

#include <cstdio>

namespace wk {
namespace {

using platform::Make_frame;
using platform::Make_label;

constexpr int k_Row_height = 22;
constexpr int k_Rows_top = 118;
// The row columns' left edges and widths: as they always were, and closer together while a heat
// has names, so the crews fit beside them in the window's width (it stands beside the viewer and
// has no room to grow).
struct Row_columns {
    int rank_x, rank_w, lane_x, lane_w, time_x, time_w, delta_x, delta_w;
};
constexpr Row_columns k_Plain_columns{10, 30, 45, 40, 90, 110, 205, 105};
constexpr Row_columns k_Named_columns{10, 22, 32, 28, 62, 88, 150, 66};
constexpr int k_Names_left = 218;
constexpr int k_Names_width = 97;
constexpr const char* k_Plain_header = "      Lane           Time        Delta";
constexpr const char* k_Named_header = "    Lane        Time        Delta      Crew";
const char* const k_Read_only_text = "Can\u00B4t alter this file, it is Read only!";
const char* const k_Part_tips[Frm_results::k_Parts] = {"Hours", "Minutes", "Seconds", "Seconds/10"};
constexpr int32_t k_Part_steps[Frm_results::k_Parts] = {3600000, 60000, 1000, 10};

bool Recording_open() { return g_Recording && g_Recording->File_open(); }

void Set_text(QLabel* label, const std::string& text) { label->setText(QString::fromStdString(text)); }

Results_viewer* Viewer() { return Viewer_for_results(); }

std::string Two_digits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

} // namespace

int32_t Next_repeat_delay(int32_t delay) { return std::max(delay - 50, 50); }

int32_t Correction_repeat_steps(int32_t hold_ms)
{
    // A change at the press; after each wait another one when the button is still down.
    int32_t steps = 1, elapsed = 0, delay = 200;
    while (true) {
        elapsed += delay;
        if (elapsed >= hold_ms) return steps;
        ++steps;
        delay = Next_repeat_delay(delay);
    }
}

Frm_results::Frm_results() : Form_window("Frm_results")
{
    Build_menus();
    Build_rows();
    Build_correction();
    Build_export();
    Build_printer();
    Connect_controls();
    Form_Load();
}

void Frm_results::Build_menus()
{
    menu_bar = platform::Make_menu_bar(this);
    menu_form = platform::Make_menu(menu_bar, "menu_form", "Form");
    item_print_results = platform::Make_item(menu_form, "item_print_results", "Print results");
    item_print = platform::Make_item(menu_form, "item_print", "Print single picture");
    item_print_series = platform::Make_item(menu_form, "item_print_series", "Print picture series");
    item_export_results = platform::Make_item(menu_form, "item_export_results", "Export Results");
    item_hide = platform::Make_item(menu_form, "item_hide", "Hide");
    item_clear_all_results = platform::Make_item(menu_form, "item_clear_all_results", "Clear all results");
    item_exit = platform::Make_item(menu_form, "item_exit", "Exit");
    menu_debug = platform::Make_menu(menu_bar, "menu_debug", "Debug");
    item_do_preview = platform::Make_item(menu_debug, "item_do_preview", "Preview");
    item_printer_test = platform::Make_item(menu_debug, "item_printer_test", "Printer test");
    item_maped_drive = platform::Make_item(menu_debug, "item_maped_drive", "Get mapped drive");
    item_test_position = platform::Make_item(menu_debug, "item_test_position", "Test position");
    item_load_results = platform::Make_item(menu_debug, "item_load_results", "Load results");
    menu_results = platform::Make_menu(menu_bar, "menu_results", "Results");
    item_make_official = platform::Make_item(menu_results, "item_make_official", "Make official");
    // Before the debug menu, which hides itself in the program.
    menu_bar->insertMenu(menu_debug->menuAction(), menu_results);
}

void Frm_results::Build_rows()
{
    const int top = menu_bar->sizeHint().height();
    Lbl_event_name_label = Make_label(this, "Lbl_event_name", "", QRect(10, top + 4, 300, 22));
    QFont bold = Lbl_event_name_label->font();
    bold.setBold(true);
    Lbl_event_name_label->setFont(bold);
    Frm_create_time = Make_frame(this, "Frm_create_time", "Video file created at:", QRect(10, top + 28, 180, 48));
    Lbl_capture_time_label = Make_label(Frm_create_time, "Lbl_capture_time", "", QRect(8, 20, 168, 22));
    LBL_XID = Make_label(this, "LBL_XID", "Heat ID:", QRect(200, top + 46, 52, 22));
    Lbl_heat_label = Make_label(this, "Lbl_heat", "", QRect(254, top + 46, 60, 22));
    Lbl_result_state = Make_label(this, "Lbl_result_state", "", QRect(200, top + 68, 115, 22));
    lbl_result_header = Make_label(this, "lbl_result_header", k_Plain_header, QRect(10, top + 90, 305, 22));
    QFont rows("Liberation Sans");
    rows.setPixelSize(15);
    rows.setBold(true);
    for (int r = 0; r < k_Rows; ++r) {
        const int y = top + k_Rows_top + r * k_Row_height;
        const QString n = QString::number(r);
        Lbl_result_rank_labels[size_t(r)] = Make_label(this, "Lbl_result_rank_" + n, "", QRect(10, y, 30, k_Row_height));
        Lbl_result_lane_labels[size_t(r)] = Make_label(this, "Lbl_result_lane_" + n, "", QRect(45, y, 40, k_Row_height));
        Lbl_result_time_labels[size_t(r)] = Make_label(this, "Lbl_result_time_" + n, "", QRect(90, y, 110, k_Row_height));
        Lbl_result_delta_time_labels[size_t(r)] =
            Make_label(this, "Lbl_result_delta_time_" + n, "", QRect(205, y, 105, k_Row_height));
        Lbl_result_name_labels[size_t(r)] =
            Make_label(this, "Lbl_result_name_" + n, "", QRect(k_Names_left, y, k_Names_width, k_Row_height));
        Lbl_result_name_labels[size_t(r)]->hide();
        for (auto* l : {Lbl_result_rank_labels[size_t(r)], Lbl_result_lane_labels[size_t(r)],
                        Lbl_result_time_labels[size_t(r)], Lbl_result_delta_time_labels[size_t(r)]})
            l->setFont(rows);
        Lbl_result_rank_labels[size_t(r)]->setMouseTracking(true);
        Lbl_result_rank_labels[size_t(r)]->installEventFilter(this);
    }
}

namespace {

// The correction buttons' arrows, drawn here: the style's arrow icons are looked up through the
// desktop's icon themes, which cost the window's load tens of milliseconds.
QIcon Arrow_icon(bool up)
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QApplication::palette().color(QPalette::ButtonText));
    const QPolygonF arrow = up ? QPolygonF({QPointF(8, 3), QPointF(14, 12), QPointF(2, 12)})
                               : QPolygonF({QPointF(2, 4), QPointF(14, 4), QPointF(8, 13)});
    painter.drawPolygon(arrow);
    return QIcon(picture);
}

} // namespace

void Frm_results::Build_correction()
{
    const int top = menu_bar->sizeHint().height() + k_Rows_top + k_Rows * k_Row_height + 8;
    Frm_time_select = Make_frame(this, "Frm_time_select", "Start correction", QRect(10, top, 300, 190));
    Frm_orig_time = Make_frame(Frm_time_select, "Frm_orig_time", "Original start time", QRect(8, 20, 200, 48));
    Frm_correction = Make_frame(Frm_time_select, "Frm_correction", "Correction", QRect(8, 72, 200, 48));
    Frm_Corrected_time = Make_frame(Frm_time_select, "Frm_Corrected_time", "Corr. start time", QRect(8, 124, 200, 48));
    Lbl_Minus = Make_label(Frm_correction, "Lbl_Minus", "-", QRect(6, 20, 12, 22));
    Lbl_Minus->hide();
    for (int k = 0; k < k_Parts; ++k) {
        const QString n = QString::number(k);
        const QRect where(22 + 42 * k, 20, 36, 22);
        Lbl_hms[size_t(k)] = Make_label(Frm_orig_time, "Lbl_hms_" + n, "00", where);
        Lbl_hms_correction[size_t(k)] = Make_label(Frm_correction, "Lbl_hms_correction_" + n, "00", where);
        Lbl_hms_corrected[size_t(k)] = Make_label(Frm_Corrected_time, "Lbl_hms_corrected_" + n, "00", where);
        for (auto* l : {Lbl_hms[size_t(k)], Lbl_hms_correction[size_t(k)], Lbl_hms_corrected[size_t(k)]}) {
            l->setToolTip(k_Part_tips[k]);
            l->setAlignment(Qt::AlignCenter);
            l->installEventFilter(this);
        }
        Lbl_hms_correction[size_t(k)]->setAutoFillBackground(true);
    }
    Lbl_time = Make_label(Frm_time_select, "Lbl_time", "h  m  s  1/10", QRect(30, 174, 170, 14));
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(Frm_time_select);
        b->setObjectName(QString("Cmd_time_%1").arg(i));
        b->setIcon(Arrow_icon(i == 0));
        b->setGeometry(220, 40 + 56 * i, 60, 44);
        Cmd_time[size_t(i)] = b;
    }
    for (QGroupBox* f : {Frm_orig_time, Frm_correction, Frm_Corrected_time, Frm_time_select})
        f->installEventFilter(this);
}

void Frm_results::Build_export()
{
    const int top = Frm_time_select->y() + Frm_time_select->height() + 6;
    Frm_export = Make_frame(this, "Frm_export", "Results export", QRect(10, top, 300, 132));
    Frm_export_folder = Make_frame(Frm_export, "Frm_export_folder", "Export folder", QRect(8, 20, 284, 50));
    Lbl_export_folder = Make_label(Frm_export_folder, "Lbl_export_folder", "", QRect(8, 20, 190, 22));
    Lbl_export_folder->setCursor(Qt::PointingHandCursor);
    Lbl_export_folder->installEventFilter(this);
    Text_remote = Make_label(Frm_export_folder, "Text_remote", "", QRect(202, 20, 76, 22));
    Text_remote->installEventFilter(this);
    Cmd_export = new QPushButton("Export", Frm_export);
    Cmd_export->setObjectName("Cmd_export");
    Cmd_export->setGeometry(8, 80, 90, 40);
    Frm_export_format = Make_frame(Frm_export, "Frm_export_format", "Export format", QRect(110, 74, 182, 50));
    const char* formats[3] = {"", "CSV", "XML"};
    for (int i = 1; i <= 2; ++i) {
        auto* o = new QRadioButton(formats[i], Frm_export_format);
        o->setObjectName(QString("Opt_exp_format_%1").arg(i));
        o->setGeometry(10 + 80 * (i - 1), 20, 70, 24);
        Opt_exp_format[size_t(i)] = o;
    }
    Frm_export_mess = Make_frame(this, "Frm_export_mess", "", QRect(3, 232, 314, 201));
    Frm_export_mess->setAutoFillBackground(true);
    Frm_export_mess->hide();
    Text_export_mess = Make_label(Frm_export_mess, "Text_export_mess", "", QRect(6, 10, 300, 140));
    Text_export_mess->setWordWrap(true);
    Text_export_mess->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Cmd_result_export_OK = new QPushButton("OK", Frm_export_mess);
    Cmd_result_export_OK->setObjectName("Cmd_result_export_OK");
    Cmd_result_export_OK->setGeometry(314 / 2 - 40, 158, 80, 32);
    resize(320, top + 140);
}

// Where pages go: the preview, the printer or a PDF file.
void Frm_results::Build_printer()
{
    const int top = Frm_export->y() + Frm_export->height() + 6;
    Frm_printer = Make_frame(this, "Frm_printer", "Printer", QRect(10, top, 300, 92));
    const char* captions[3] = {"Preview", "Printer", "PDF file"};
    for (int i = 0; i < 3; ++i) {
        auto* o = new QRadioButton(captions[i], Frm_printer);
        o->setObjectName(QString("Opt_printer_%1").arg(i));
        o->setGeometry(10, 20 + 22 * i, 280, 22);
        Opt_printer[size_t(i)] = o;
    }
    Opt_printer[k_Preview]->setChecked(true);
    Pict_temp = new platform::Picture_box("Pict_temp", this);
    Pict_temp->hide();
    resize(320, top + 98);
}

void Frm_results::Connect_controls()
{
    connect(Cmd_export, &QPushButton::clicked, this, [this] { Cmd_export_Click(); });
    connect(Cmd_result_export_OK, &QPushButton::clicked, this, [this] { Cmd_result_export_OK_Click(); });
    for (int i = 1; i <= 2; ++i)
        connect(Opt_exp_format[size_t(i)], &QRadioButton::clicked, this, [this, i] { Opt_exp_format_Click(i); });
    connect(item_clear_all_results, &QAction::triggered, this, [this] { item_clear_all_results_Click(); });
    connect(item_hide, &QAction::triggered, this, [this] { item_hide_Click(); });
    connect(item_exit, &QAction::triggered, this, [this] { item_exit_Click(); });
    connect(item_load_results, &QAction::triggered, this, [this] { item_load_results_Click(); });
    connect(item_test_position, &QAction::triggered, this, [this] { item_test_position_Click(); });
    connect(item_print, &QAction::triggered, this, [this] { item_print_Click(); });
    connect(item_print_results, &QAction::triggered, this, [this] { item_print_results_Click(); });
    connect(item_print_series, &QAction::triggered, this, [this] { item_print_series_Click(); });
    connect(item_printer_test, &QAction::triggered, this, [this] { item_printer_test_Click(); });
    connect(item_maped_drive, &QAction::triggered, this, [this] { item_maped_drive_Click(); });
    connect(item_make_official, &QAction::triggered, this, [this] { item_make_official_Click(); });
    for (int i = 0; i < 3; ++i)
        connect(Opt_printer[size_t(i)], &QRadioButton::clicked, this, [this, i] { Opt_printer_Click(i); });
    for (int i = 0; i < 2; ++i) {
        connect(Cmd_time[size_t(i)], &QPushButton::pressed, this, [this, i] { Cmd_time_MouseDown(i); });
        connect(Cmd_time[size_t(i)], &QPushButton::released, this, [this, i] { Cmd_time_MouseUp(i); });
    }
}

int Frm_results::Index_of(QObject* watched, const std::array<QLabel*, k_Parts>& labels) const
{
    for (int k = 0; k < k_Parts; ++k)
        if (labels[size_t(k)] == watched) return k;
    return -1;
}

// Mouse events of the labels and frames that have handlers.
bool Frm_results::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove)
        return Form_window::eventFilter(watched, event);
    const int button = static_cast<QMouseEvent*>(event)->button() == Qt::RightButton ? 2 : 1;
    for (int r = 0; r < k_Rows; ++r)
        if (watched == Lbl_result_rank_labels[size_t(r)]) {
            if (type == QEvent::MouseButtonPress) Lbl_result_rank_MouseDown(r);
            if (type == QEvent::MouseMove) Lbl_result_rank_MouseMove(r);
            return false;
        }
    if (const int k = Index_of(watched, Lbl_hms_correction); k >= 0) {
        if (type == QEvent::MouseButtonPress) Lbl_hms_correction_MouseDown(k, button);
        if (type == QEvent::MouseButtonRelease && button == 1) Lbl_hms_correction_Click(k);
        return false;
    }
    if (type == QEvent::MouseButtonRelease && watched == Lbl_export_folder) {
        Lbl_export_folder_Click();
        return false;
    }
    if (type == QEvent::MouseButtonRelease && watched == Text_remote) {
        Text_remote_Click();
        return false;
    }
    const bool other_parts = Index_of(watched, Lbl_hms) >= 0 || Index_of(watched, Lbl_hms_corrected) >= 0;
    if ((other_parts && type == QEvent::MouseButtonRelease) ||
        (watched == Frm_correction && type == QEvent::MouseButtonPress && On_frame_itself(Frm_correction, event)) ||
        ((watched == Frm_orig_time || watched == Frm_Corrected_time || watched == Frm_time_select) &&
         type == QEvent::MouseButtonRelease && On_frame_itself(static_cast<QWidget*>(watched), event)))
        Deselect_Correction_Items();
    return Form_window::eventFilter(watched, event);
}

// A label inside a frame passes the mouse events it does not take on to the frame; those belong
// to the label (a click on a correction part must not deselect it again on its way up).
bool Frm_results::On_frame_itself(QWidget* frame, QEvent* event)
{
    return frame->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()) == nullptr;
}

void Frm_results::Form_Load()
{
    try {
        Trace_Line("*Frm_results, Form_Load, begin");
        if (g_Exiting) {
            Trace_Line("*Frm_results, Form_Load, ending = true");
            return;
        }
        setWindowTitle("Wakeline Results");
        Place_beside_viewer();
        Clear_Results();
        if (Results_viewer* viewer = Viewer()) viewer->Fill_Results();
        menu_debug->menuAction()->setVisible(!g_Compiled || Ctrl_Key_Down());
        Load_Export_format();
        Load_Export_Folder();
        Load_print_choice();
        Trace_Line("*Frm_results, Form_Load, end");
    } catch (...) {
        Report_current_exception("Form_Load of Form Frm_results");
    }
}

// Top of the screen, its left edge at the viewer's right edge.
void Frm_results::Place_beside_viewer()
{
    Results_viewer* viewer = nullptr;
    for (int i = 0; i < 100 && !viewer; ++i) viewer = Viewer();
    move(viewer ? viewer->Right_edge() : x(), 0);
}

void Frm_results::Form_Unload()
{
    Store_Form_Pos("Frm_results", x() * platform::Twips_per_pixel_x(), y() * platform::Twips_per_pixel_y(), 0, 0);
}

// ---- The rows ----

namespace {

// How a time was made, where it was not a plain click; a dead heat said as well.
QString Made_tooltip(const Heat_result_row& row)
{
    QString tip;
    if (row.made == Result_made::confirmed) tip = "Proposed by the finish reader and confirmed";
    if (row.made == Result_made::overridden) tip = "Proposed by the finish reader, overridden by a click";
    if (row.dead_heat) tip += QString(tip.isEmpty() ? "" : "; ") + "dead heat: shares place " + QString::number(row.place);
    return tip;
}

} // namespace

void Frm_results::Results_changed(const Heat_result& result)
{
    Clear_Results();
    shown_result_ = result;
    // Rows in a dead heat share a place, so each row goes by its position, not its place.
    for (size_t r = 0; r < result.rows.size(); ++r) {
        const Heat_result_row& row = result.rows[r];
        const Heat_result_texts texts = Row_texts(result, row);
        Set_text(Lbl_result_rank_labels.at(r), texts.rank);
        Set_text(Lbl_result_lane_labels.at(r), texts.lane);
        Set_text(Lbl_result_time_labels.at(r), texts.time);
        Set_text(Lbl_result_delta_time_labels.at(r), texts.delta);
        Lbl_result_time_labels.at(r)->setToolTip(Made_tooltip(row));
    }
    Set_text(Lbl_capture_time_label, result.capture_time);
    Set_text(Lbl_heat_label, result.heat);
    Set_text(Lbl_result_state, Recording_open() ? result.State_text() : "");
    Show_names(result);
}

void Frm_results::Show_names(const Heat_result& result)
{
    const bool names = result.Has_names();
    for (const Heat_result_row& row : result.rows) {
        QLabel* label = Lbl_result_name_labels.at(size_t(row.place) - 1);
        const QString text = QString::fromStdString(Crew_label(row.bib, row.name));
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, k_Names_width));
        label->setToolTip(QString::fromStdString(row.club));
    }
    if (Lbl_result_name_labels[0]->isVisibleTo(this) == names) return;
    const Row_columns& c = names ? k_Named_columns : k_Plain_columns;
    for (int r = 0; r < k_Rows; ++r) {
        const int y = Lbl_result_rank_labels[size_t(r)]->y();
        Lbl_result_rank_labels[size_t(r)]->setGeometry(c.rank_x, y, c.rank_w, k_Row_height);
        Lbl_result_lane_labels[size_t(r)]->setGeometry(c.lane_x, y, c.lane_w, k_Row_height);
        Lbl_result_time_labels[size_t(r)]->setGeometry(c.time_x, y, c.time_w, k_Row_height);
        Lbl_result_delta_time_labels[size_t(r)]->setGeometry(c.delta_x, y, c.delta_w, k_Row_height);
        Lbl_result_name_labels[size_t(r)]->setVisible(names);
    }
    lbl_result_header->setText(names ? k_Named_header : k_Plain_header);
}

// A name longer than the label ends in "..."; the whole name is its tooltip then.
void Frm_results::Lbl_event_name(const std::string& text)
{
    const QString full = QString::fromStdString(text);
    const QString shown = Lbl_event_name_label->fontMetrics().elidedText(full, Qt::ElideRight,
                                                                         Lbl_event_name_label->contentsRect().width());
    Lbl_event_name_label->setText(shown);
    Lbl_event_name_label->setToolTip(shown == full ? QString() : full);
}

void Frm_results::Clear_Results()
{
    for (int r = 0; r < k_Rows; ++r)
        for (auto* l : {Lbl_result_rank_labels[size_t(r)], Lbl_result_lane_labels[size_t(r)],
                        Lbl_result_time_labels[size_t(r)], Lbl_result_delta_time_labels[size_t(r)]})
            l->clear();
    for (QLabel* l : Lbl_result_name_labels) l->clear();
    Lbl_result_state->clear();
    Lbl_capture_time_label->clear();
    // The correction stays: it goes with the heat's labels, which Clear_Heat_Data empties.
    const int32_t correction = Correction();
    shown_result_ = Heat_result{};
    shown_result_.correction = correction;
}

void Frm_results::Clear_Heat_Data()
{
    Lbl_heat_label->clear();
    recorded_start_mill_ = 0;
    Display_Original_Start_Time();
    Display_Compensate_Mill(0); // and the corrected start with it
}

void Frm_results::Show_results_window(bool show, int32_t left)
{
    if (!show) {
        hide();
        return;
    }
    // On a narrow screen the viewer's right edge may leave too little room: the window stays
    // wholly on the desktop, over the viewer's edge if need be. It is placed before it shows, by
    // its frame's corner: shown again after marathon mode, its title bar stays on the screen.
    platform::Place_frame(this, {left / platform::Twips_per_pixel_x(), y()});
    platform::Place_frame(this, platform::Fitted_frame(this).topLeft());
    this->show();
}

int Frm_results::Beside_width() const
{
    const QMargins frame = platform::Frame_margins(this);
    return width() + frame.left() + frame.right();
}

// ---- The start correction ----

void Frm_results::Show_parts(std::array<QLabel*, k_Parts>& labels, int32_t ms)
{
    static const char* const letters[k_Parts] = {"h", "m", "s", "t"};
    for (int k = 0; k < k_Parts; ++k) Set_text(labels[size_t(k)], Two_digits(Get_Time_Part(letters[k], ms)));
}

void Frm_results::Display_Compensate_Mill(int32_t correction)
{
    shown_result_.correction = correction;
    Display_Compensate_Mill();
}

void Frm_results::Display_Compensate_Mill()
{
    const int32_t c = Correction();
    Lbl_Minus->setVisible(c < 0);
    for (QLabel* l : Lbl_hms_correction) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, c < 0 ? QColor(255, 0, 0) : QColor(0, 0, 255));
        l->setPalette(p);
    }
    // The most negative correction has no positive counterpart in 32 bits.
    Show_parts(Lbl_hms_correction, c < 0 ? int32_t(std::min<int64_t>(-int64_t(c), INT32_MAX)) : c);
    Display_Corrected_Start_Time();
}

void Frm_results::Recorded_start_mill(int32_t ms) { recorded_start_mill_ = ms; }

void Frm_results::Display_Original_Start_Time() { Show_parts(Lbl_hms, recorded_start_mill_); }

void Frm_results::Display_Corrected_Start_Time()
{
    const int64_t corrected = int64_t(recorded_start_mill_) + Correction();
    if (corrected < INT32_MIN || corrected > INT32_MAX)
        throw Run_time_error(err_Overflow, "Overflow", "Display_Corrected_Start_Time");
    Show_parts(Lbl_hms_corrected, int32_t(corrected));
}

void Frm_results::Deselect_Correction_Items()
{
    for (QLabel* l : Lbl_hms_correction) {
        QPalette p = l->palette();
        p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
        l->setPalette(p);
    }
    correction_step_ = 0;
}

void Frm_results::Lbl_hms_correction_Click(int index)
{
    if (!Recording_open() || index < 0 || index >= k_Parts) return;
    Deselect_Correction_Items();
    QPalette p = Lbl_hms_correction[size_t(index)]->palette();
    p.setColor(QPalette::Window, QColor(255, 128, 0)); // orange
    Lbl_hms_correction[size_t(index)]->setPalette(p);
    correction_step_ = k_Part_steps[index];
}

// A read-only recording keeps its correction: nothing is changed that could not be stored.
bool Frm_results::Correction_allowed()
{
    if (!g_Recording->Read_only()) return true;
    platform::MsgBox(k_Read_only_text, platform::vbOKOnly);
    return false;
}

void Frm_results::Lbl_hms_correction_MouseDown(int index, int button)
{
    if (button != 2) return;
    try {
        if (!Recording_open() || !Correction_allowed()) return;
        Deselect_Correction_Items();
        Display_Compensate_Mill(0);
        Update_File_With_Time_Correction();
        Refill_rows();
    } catch (...) {
        Report_current_exception("Lbl_hms_correction_MouseDown of Form Frm_results");
    }
}

void Frm_results::Cmd_time_MouseDown(int index)
{
    try {
        if (!Recording_open() || !Correction_allowed()) return;
        repeat_active_ = true;
        repeat_delay_ = 200;
        while (repeat_active_) {
            const int64_t next = int64_t(Correction()) + (index == 0 ? correction_step_ : -correction_step_);
            if (next < INT32_MIN || next > INT32_MAX) throw Run_time_error(err_Overflow, "Overflow");
            shown_result_.correction = int32_t(next);
            Wait_ms(repeat_delay_, false);
            platform::Do_events(); // where the button's release is seen
            repeat_delay_ = Next_repeat_delay(repeat_delay_);
            Display_Compensate_Mill();
        }
    } catch (...) {
        repeat_active_ = false;
        Report_current_exception("Cmd_time_MouseDown of Form Frm_results");
    }
}

void Frm_results::Cmd_time_MouseUp(int)
{
    try {
        if (!Recording_open() || !repeat_active_) return;
        repeat_active_ = false;
        Update_File_With_Time_Correction();
        Refill_rows();
    } catch (...) {
        Report_current_exception("Cmd_time_MouseUp of Form Frm_results");
    }
}

bool Frm_results::Update_File_With_Time_Correction()
{
    const int32_t stored = g_Recording->Heat_Start_Correction(1);
    const bool written = g_Recording->Heat_Start_Correction(1, Correction());
    if (!written) {
        // The header in memory took the value before the write failed: it says the file's again.
        g_Recording->Header().Heat_Correction_mill(1, stored);
        Display_Compensate_Mill(stored);
    }
    if (Results_viewer* viewer = Viewer()) viewer->Tell_recording_problems();
    return written;
}

void Frm_results::Refill_rows()
{
    if (Results_viewer* viewer = Viewer()) viewer->Correct_start(Correction());
}

// ---- From a place to its finish ----

bool Frm_results::Row_placed(int row) const
{
    return row >= 0 && size_t(row) < shown_result_.rows.size() && shown_result_.rows[size_t(row)].Timed();
}

int16_t Frm_results::Placed_goal_field(int row) const
{
    return row >= 0 && row < k_Heat_lanes ? shown_result_.ranked[size_t(row)].Goal_field : int16_t(0);
}

void Frm_results::GoTo_Field(int16_t row)
{
    if (Results_viewer* viewer = Viewer()) viewer->Show_field(Placed_goal_field(row));
}

void Frm_results::Lbl_result_rank_MouseMove(int row)
{
    if (!Recording_open()) return;
    const bool placed = Row_placed(row);
    Lbl_result_rank_labels[size_t(row)]->setCursor(placed ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void Frm_results::Lbl_result_rank_MouseDown(int row)
{
    try {
        if (!Recording_open() || !Row_placed(row)) return;
        GoTo_Field(int16_t(row));
        if (Results_viewer* viewer = Viewer()) viewer->Show_place(std::to_string(row + 1));
    } catch (...) {
        Report_current_exception("Lbl_result_rank_MouseDown of Form Frm_results");
    }
}

// ---- Menus ----

void Frm_results::item_clear_all_results_Click()
{
    try {
        if (!Recording_open()) {
            QApplication::beep();
            return;
        }
        if (g_Recording->Read_only()) {
            platform::MsgBox(k_Read_only_text, platform::vbOKOnly);
            return;
        }
        // Cancel keeps the results and what the lane marks show.
        if (platform::MsgBox("This will clear all stored results for this heat, are you sure?",
                             platform::vbOKCancel | platform::vbDefaultButton2, "Clear results") != platform::vbOK)
            return;
        if (Results_viewer* viewer = Viewer()) {
            viewer->Clear_all_results();
            viewer->Draw_Graphics(true, false);
        }
    } catch (...) {
        Report_current_exception("item_clear_all_results_Click of Form Frm_results");
    }
}

void Frm_results::item_hide_Click() { Unload_form(); }

void Frm_results::item_exit_Click()
{
    try {
        Wakeline_exit(Operator_boxes_of_windows());
    } catch (const platform::End_requested&) {
        throw;
    } catch (...) {
        Report_current_exception("item_exit_Click of Form Frm_results");
    }
}

void Frm_results::item_load_results_Click()
{
    if (Results_viewer* viewer = Viewer()) viewer->Complete_Result_Array();
}

void Frm_results::item_make_official_Click()
{
    try {
        if (!Recording_open()) {
            QApplication::beep();
            return;
        }
        const Heat_result& shown = shown_result_;
        if (shown.rows.empty()) {
            platform::MsgBox("There is no result to make official.", platform::vbOKOnly, "Make official");
            return;
        }
        if (shown.revision > 0) {
            platform::MsgBox("The result is already official (" + shown.State_text() + ").", platform::vbOKOnly,
                             "Make official");
            return;
        }
        if (platform::MsgBox("Make the result of heat " + shown.heat + " official?",
                             platform::vbOKCancel | platform::vbQuestion | platform::vbDefaultButton2,
                             "Make official") != platform::vbOK)
            return;
        if (const std::string problem = Make_heat_official(shown, g_Recording->File_name()); !problem.empty())
            platform::MsgBox("The result could not be made official: " + problem, platform::vbExclamation,
                             "Make official");
        Refill_rows();
    } catch (...) {
        Report_current_exception("item_make_official_Click of Form Frm_results");
    }
}

void Frm_results::item_test_position_Click()
{
    if (Results_viewer* viewer = Viewer()) move(viewer->Right_edge(), y());
}

} // namespace wk
