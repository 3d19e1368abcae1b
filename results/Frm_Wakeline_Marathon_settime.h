#pragma once
// The marathon finish entry: the operator steps the viewer to a competitor's finish, types the
// number and sets the time. Each finish goes into the open marathon result file with the time
// since the heat's start and the recording and field it is seen in; a second finish of the same
// number in the same heat opens the duplicate dialog instead. The viewer fills the time labels
// for the frame it shows (the marathon port).
#include "platform/Form_window.h"
#include "results/Marathon_result_file.h"
#include "results/Marathon_times.h"

#include <cstdint>
#include <optional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace wk {

class Frm_Wakeline_Marathon_settime final : public platform::Form_window, public Marathon_times {
public:
    Frm_Wakeline_Marathon_settime();

    // ---- Controls ----
    QLabel* Lbl_heatID = nullptr;
    QLabel* Lbl_heatname = nullptr;
    QLineEdit* Text_kanoe_num = nullptr;
    QLabel* Label_elapsed = nullptr;
    QLabel* Label_heattime = nullptr;
    QLabel* Label_starttime = nullptr;
    QLabel* Label_num_competitors = nullptr;
    QPushButton* Command_XML = nullptr;
    QPushButton* Command_close = nullptr;

    // ---- What the viewer and the marathon window call ----
    std::string Heat_start_text() override;
    void Show_frame_times(const std::string& frame_time, const std::string& start,
                          const std::string& elapsed) override;
    void Show_marathon_windows(bool on) override;
    int Beside_width() const override;
    void Show_heat(const std::string& heat_id, const std::string& heat_name);

    // ---- The result file ----
    void Form_Load();
    void Check_For_Existing_Result_File();
    void Initialize_Result_File();
    void Update_Num_Entries();
    void Command_XML_Click();
    void Command_close_Click();
    const Marathon_result_file& Result_file() const { return result_; }

    // ---- Duplicates (the dialog calls these) ----
    void Handle_Duplicate_Entry();
    // Writes the finish found to be a duplicate over the earlier one; false when nothing was saved.
    bool Override_Result();
    void See_Previous();
    void See_Current();
    // The finish the dialog is about, as it was when the duplicate was found.
    const std::optional<Marathon_entry>& Pending_entry() const { return pending_; }

    std::string Previous_Video_File;
    int32_t Previous_Video_Frame = 0;
    std::string Current_Video_File;
    int32_t Current_Video_Frame = 0;

protected:
    void Form_Unload() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Build_controls();
    Marathon_result_header Header() const;
    std::optional<Marathon_entry> Entry_now(const std::string& competitor);
    void Add_Marathon_XML(const Marathon_entry& entry);
    void Show_position(const std::string& file, int32_t frame);

    Marathon_result_file result_;
    std::optional<Marathon_entry> pending_;
};

// Lets the viewer reach the program's marathon windows (made with the finish-entry window).
void Install_marathon_windows();

} // namespace wk
