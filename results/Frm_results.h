#pragma once
// The results window: the places of the heat the viewer has open, the correction of the heat's
// start, and the jump from a place to its finish field. It owns no result data: the viewer fills
// its rows from the lane tables and the recording.
#include "platform/Form_window.h"
#include "results/Result_rows.h"
#include "results/Result_sheet.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;

namespace wk {
namespace platform {
class Page_image_target;
class Picture_box;
class Print_target;
} // namespace platform

// The plus and minus buttons repeat while held: the first change at the press, the next after
// 200, 150 and 100 ms, then every 50 ms. The delay before the change after one of `delay` ms.
int32_t Next_repeat_delay(int32_t delay);
// How many changes a hold of that many milliseconds makes.
int32_t Correction_repeat_steps(int32_t hold_ms);

class Frm_results final : public platform::Form_window, public Result_rows, public Result_sheet {
public:
    static constexpr int k_Parts = 4; // hours, minutes, seconds, hundredths
    // The print choice: Opt_printer's elements.
    enum Print_choice { k_Preview = 0, k_Printer = 1, k_Pdf_file = 2 };

    Frm_results();

    // ---- Controls ----
    QMenuBar* menu_bar = nullptr;
    QMenu* menu_form = nullptr;
    QAction* item_print_results = nullptr;
    QAction* item_print = nullptr;
    QAction* item_print_series = nullptr;
    QAction* item_export_results = nullptr; // no action
    QAction* item_hide = nullptr;
    QAction* item_clear_all_results = nullptr;
    QAction* item_exit = nullptr;
    QMenu* menu_debug = nullptr;
    QAction* item_do_preview = nullptr; // no action
    QAction* item_load_results = nullptr;
    QAction* item_test_position = nullptr;
    QAction* item_printer_test = nullptr;
    QAction* item_maped_drive = nullptr;
    QMenu* menu_results = nullptr;
    QAction* item_make_official = nullptr;
    QLabel* Lbl_event_name_label = nullptr;
    QGroupBox* Frm_create_time = nullptr;
    QLabel* Lbl_capture_time_label = nullptr;
    QLabel* LBL_XID = nullptr;
    QLabel* Lbl_heat_label = nullptr;
    QLabel* lbl_result_header = nullptr;
    std::array<QLabel*, k_Rows> Lbl_result_rank_labels{};
    std::array<QLabel*, k_Rows> Lbl_result_lane_labels{};
    std::array<QLabel*, k_Rows> Lbl_result_time_labels{};
    std::array<QLabel*, k_Rows> Lbl_result_delta_time_labels{};
    // "bib name" of each row's crew, shown while the heat has a start list.
    std::array<QLabel*, k_Rows> Lbl_result_name_labels{};
    // "Provisional" or "Official, revision n".
    QLabel* Lbl_result_state = nullptr;
    QGroupBox* Frm_time_select = nullptr;
    QGroupBox* Frm_orig_time = nullptr;
    QGroupBox* Frm_correction = nullptr;
    QGroupBox* Frm_Corrected_time = nullptr;
    std::array<QLabel*, k_Parts> Lbl_hms{};
    std::array<QLabel*, k_Parts> Lbl_hms_correction{};
    std::array<QLabel*, k_Parts> Lbl_hms_corrected{};
    QLabel* Lbl_Minus = nullptr;
    QLabel* Lbl_time = nullptr;
    std::array<QPushButton*, 2> Cmd_time{}; // 0 plus, 1 minus
    QGroupBox* Frm_export = nullptr;
    QGroupBox* Frm_export_folder = nullptr;
    QLabel* Lbl_export_folder = nullptr;
    QLabel* Text_remote = nullptr;
    QPushButton* Cmd_export = nullptr;
    QGroupBox* Frm_export_format = nullptr;
    std::array<QRadioButton*, 3> Opt_exp_format{}; // 1 CSV, 2 XML (0 unused)
    QGroupBox* Frm_export_mess = nullptr;
    QLabel* Text_export_mess = nullptr;
    QPushButton* Cmd_result_export_OK = nullptr;
    QGroupBox* Frm_printer = nullptr;
    std::array<QRadioButton*, 3> Opt_printer{}; // 0 preview, 1 printer, 2 PDF file
    // The page in preview mode, paper-sized; the hidden work picture of the page head.
    std::shared_ptr<platform::Page_image_target> Picture_preview;
    platform::Picture_box* Pict_temp = nullptr;

    // ---- What the viewer fills (the rows interface) ----
    void Results_changed(const Heat_result& result) override;
    const Heat_result& Shown_result() const override { return shown_result_; }
    void Lbl_event_name(const std::string& text) override;
    void Clear_Results() override;
    void Clear_Heat_Data() override;
    // Shows the correction, which the window then changes from.
    void Display_Compensate_Mill(int32_t correction) override;
    // Shows the correction as it stands.
    void Display_Compensate_Mill();
    // The heat-start correction (ms) shown: the shown result's, or as the buttons changed it.
    int32_t Correction() const { return shown_result_.correction; }
    void Recorded_start_mill(int32_t ms) override;
    void Display_Original_Start_Time() override;
    void GoTo_Field(int16_t row) override;
    void Show_results_window(bool show, int32_t left) override;
    int Beside_width() const override;
    Result_sheet* Sheet() override { return this; }

    // ---- Printing (the sheet the viewer prints on) ----
    bool Print_Static_Content() override;
    void Print_Results(bool series) override;
    int32_t Results_end_y() const override { return results_end_y_; }
    const std::string& Result_kind() const { return result_kind_; }
    void Handle_Preview();
    void Opt_printer_Click(int index);
    // Printing asked for (a print command, a choice of where to print): the printer list and page
    // read if they have not been, and the choice made again with what they say.
    void Printing_asked();
    void item_print_Click();
    void item_print_results_Click();
    void item_print_series_Click();
    void item_printer_test_Click();
    // The table's lines as printed: the shown rows down to the first without a place.
    std::vector<std::string> Result_lines();

    // ---- The window ----
    void Form_Load();
    void Display_Corrected_Start_Time();
    void Deselect_Correction_Items();
    void Lbl_hms_correction_Click(int index);
    void Lbl_hms_correction_MouseDown(int index, int button);
    void Cmd_time_MouseDown(int index);
    void Cmd_time_MouseUp(int index);
    // Stores the shown correction; where the file refuses it, the window and the header in memory
    // go back to what the file holds and the operator is told why. False then.
    bool Update_File_With_Time_Correction();
    void Lbl_result_rank_MouseDown(int row);
    void Lbl_result_rank_MouseMove(int row);
    void item_clear_all_results_Click();
    void item_hide_Click();
    void item_exit_Click();
    void item_load_results_Click();
    void item_test_position_Click();
    // Asks once, then makes the shown result official (revision 1) beside the recording.
    void item_make_official_Click();

    // ---- Export ----
    void Cmd_export_Click();
    // Each writes its file (what the window shows) and says so; false when nothing was written.
    bool Export_CSV_file();
    bool Export_New_XML_File();
    bool Check_Export_Folder();
    void Load_Export_Folder();
    void Load_Export_format();
    void Opt_exp_format_Click(int index);
    void Lbl_export_folder_Click();
    // The export folder's network name, then its share path, each in a message box.
    void item_maped_drive_Click();
    void Update_capture_folder_Remote();
    void Text_remote_Click() { Update_capture_folder_Remote(); }
    void Show_Export_Mess();
    void Cmd_result_export_OK_Click();
    // The CSV text of the shown rows (Windows-1252 bytes, CR LF lines).
    std::string Results_csv_text();

    int32_t Correction_step() const { return correction_step_; }
    bool Repeat_active() const { return repeat_active_; }

protected:
    void Form_Unload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the row shows a place with a real time, and the goal field of the row's place.
    bool Row_placed(int row) const;
    int16_t Placed_goal_field(int row) const;
    void Build_menus();
    void Build_rows();
    void Build_correction();
    void Build_export();
    void Build_printer();
    void Load_print_choice();
    bool Pdf_job_ready();
    void Print_table(platform::Print_target& t, const std::string& heat);
    void Connect_controls();
    void Place_beside_viewer();
    void Refill_rows();
    void Show_names(const Heat_result& result);
    bool Correction_allowed();
    void Show_parts(std::array<QLabel*, k_Parts>& labels, int32_t ms);
    static bool On_frame_itself(QWidget* frame, QEvent* event);
    int Index_of(QObject* watched, const std::array<QLabel*, k_Parts>& labels) const;

    int32_t correction_step_ = 0;
    bool repeat_active_ = false;
    int32_t repeat_delay_ = 200;
    int32_t recorded_start_mill_ = 0;
    // The heat's result the rows show.
    Heat_result shown_result_;
    std::string result_kind_ = "Results";
    int32_t results_end_y_ = 0;
};

} // namespace wk
