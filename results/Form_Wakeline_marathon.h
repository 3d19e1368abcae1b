#pragma once
// The marathon window: the race's 30 heats with their numbers, names, start times and elapsed
// times, Start and Stop for the selected heats, the PC clock, and the front-office folder the
// marathon file can be copied in from. It renders the rows of its Marathon_rows and keeps the
// marathon file g_Marathon_xml saved after every change.
#include "platform/Form_window.h"
#include "results/Marathon_rows.h"

#include <array>
#include <cstdint>
#include <string>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;

namespace wk {

class Form_Wakeline_marathon final : public platform::Form_window {
public:
    static constexpr int k_Rows = Marathon_rows::k_Rows;

    Form_Wakeline_marathon();

    // ---- Controls (row k shows heat k + 1) ----
    QMenuBar* menu_bar = nullptr;
    QMenu* menu_form = nullptr;
    QAction* item_create_marathon_file = nullptr;
    QAction* item_rename_result_file = nullptr;
    QAction* item_copy_xml = nullptr;
    QMenu* menu_debug = nullptr;
    QAction* item_dump_xml = nullptr;
    QAction* item_end = nullptr;
    QLineEdit* Text_racename = nullptr;
    QGroupBox* Frame_classes = nullptr;
    QLabel* Label_heats = nullptr;
    std::array<QLineEdit*, k_Rows> Text_heat{};
    std::array<QLineEdit*, k_Rows> Text_heat_name{};
    std::array<QLineEdit*, k_Rows> Text_start{};
    std::array<QLabel*, k_Rows> Label_heat_elapsed{};
    QPushButton* Cmd_start = nullptr;
    QPushButton* Cmd_stop = nullptr;
    QLabel* Label_PC_time = nullptr;
    QGroupBox* Frame_Wakeline_data = nullptr;
    QLabel* Label_fodf = nullptr;
    QLabel* Label_fodf_status = nullptr;
    QLabel* Label_lastmodified = nullptr;
    QTimer* Timer1 = nullptr;

    // ---- State other windows read ----
    Marathon_rows& Rows() { return rows_; }
    const Marathon_rows& Rows() const { return rows_; }
    bool Marathon_File_Present() const { return rows_.File_present(); }
    int16_t Selected_Heat() const { return rows_.Selected_Heat(); }
    const std::string& FOD_Folder() const { return fod_folder_; }

    // ---- The marathon file ----
    void Form_Load();
    void Check_Marathon();
    void Check_Marathon_Folder();
    void Create_Wakeline_Marathon_File();
    void Create_Marathon_file();
    // False when the file could not be written (reported); an empty document is never written.
    bool Save_Marathon_File();
    void Load_Marathon_file();
    void Load_Form_Data();

    // ---- Heats ----
    void Select_Heat(int16_t id, bool selected) { rows_.Select_Heat(id, selected); }
    void Deselect_all_Heats() { rows_.Deselect_all_Heats(); }
    void Text_heat_Click(int index);
    // A click on the window's background, the heats' frame or their heading.
    void Form_Click();
    void Cmd_start_Click();
    void Cmd_stop_Click();
    void Timer1_Timer();

    // ---- Edits (typed by the operator) ----
    void Text_heat_Change(int index);
    void Text_heat_name_Change(int index);
    void Text_heat_LostFocus(int index);
    void Text_racename_Change();
    void Text_start_Change(int index);
    // With Ctrl held, a press on a start time stops or restarts its heat.
    void Text_start_MouseDown(int index);

    // ---- Front office and menus ----
    void load_FO_data_folder();
    void Label_fodf_Click();
    void Label_fodf_status_Click();
    void Update_FOD_folder_Remote();
    void Copy_XML_file();
    void item_rename_result_file_Click();
    void item_create_marathon_file_Click() { Create_Marathon_file(); }
    void item_dump_xml_Click();
    void item_end_Click();

protected:
    void Form_Unload() override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build_menus();
    void Build_rows();
    void Build_controls();
    void Connect_controls();
    void Connect_row(int k);
    void Render_row(int index);
    void Render(int index);
    bool Copy_in(const std::string& source);

    Marathon_rows rows_;
    std::string fod_folder_;
    std::string heat_start_text_;
};

} // namespace wk
