// The marathon window's front-office folder, the copy of the marathon file from it, the rename
// of the old CSV results and the debug menu.
#include "results/Form_Wakeline_marathon.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Mount_table.h"
#include "results/Marathon_result_file.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"

#include <QLabel>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace wk {
namespace {

namespace fs = std::filesystem;

std::string Caption(const QLabel* label) { return label->text().toStdString(); }

// The file's last change as local date and time.
std::string Last_modified_text(const std::string& path)
{
    const fs::file_time_type written = fs::last_write_time(path);
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
    std::tm local{};
    localtime_r(&t, &local);
    return platform::Date_time_text({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                           local.tm_sec, 0});
}

std::string Read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Run_time_error(err_File_not_found, "File not found: " + path);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

} // namespace

void Form_Wakeline_marathon::load_FO_data_folder()
{
    fod_folder_ = Read_setting(ini::Fo_data_folder);
    Trace_Line("*Temp_folder = " + fod_folder_);
    Label_fodf->setText(QString::fromStdString(fod_folder_));
    Label_fodf->setToolTip(QString::fromStdString(fod_folder_));
}

void Form_Wakeline_marathon::Label_fodf_Click()
{
    try {
        const std::string chosen =
            platform::Get_dialogs().Browse_folder("Front office data folder", fod_folder_).value_or("");
        if (!chosen.empty()) {
            fod_folder_ = chosen;
            Write_setting(ini::Fo_data_folder, chosen);
            load_FO_data_folder();
        }
        Update_FOD_folder_Remote();
    } catch (...) {
        Report_current_exception("Label_fodf_Click of Form Form_Wakeline_marathon");
    }
}

void Form_Wakeline_marathon::Label_fodf_status_Click()
{
    Label_fodf_status->setText("Looking for folder....");
    Label_fodf_status->repaint();
    Update_FOD_folder_Remote();
}

// A folder that cannot be reached is "not ready", whatever holds it.
void Form_Wakeline_marathon::Update_FOD_folder_Remote()
{
    const std::string folder = Caption(Label_fodf);
    if (!Folder_Exists(folder)) {
        Label_fodf_status->setText("Not ready!");
        return;
    }
    if (const auto kind = platform::Drive_kind(folder)) Label_fodf_status->setText(QString::fromStdString(*kind));
}

void Form_Wakeline_marathon::Copy_XML_file()
{
    try {
        const std::string status = Caption(Label_fodf_status);
        if (status.empty() || status.find("Not ready") != std::string::npos) {
            platform::MsgBox("Folder not ready");
            return;
        }
        const std::string source = platform::Join_path(fod_folder_, "marathon.xml");
        Label_lastmodified->setText(QString::fromStdString(Last_modified_text(source)));
        if (!Copy_in(source)) return;
        rows_.File_present(true);
        Load_Marathon_file();
        Load_Form_Data();
        platform::MsgBox("Marathon.xml copied into this PC!");
    } catch (...) {
        Report_current_exception("Copy_XML_file of Form Form_Wakeline_marathon");
    }
}

// The front office's file replaces this PC's only when it is a marathon file: a damaged copy
// must not take the place of the heats' start times.
bool Form_Wakeline_marathon::Copy_in(const std::string& source)
{
    const std::string bytes = Read_bytes(source);
    Marathon_file check;
    std::string problem;
    if (!check.Load_text(bytes, &problem)) {
        QSM_error_handler(source + " is not a marathon file (" + problem + "); this PC's file was kept", 31037, 0,
                          "Copy_XML_file of Form Form_Wakeline_marathon");
        return false;
    }
    problem = Replace_file_contents(g_Marathon_xml, bytes);
    if (problem.empty()) return true;
    QSM_error_handler("The marathon file could not be copied: " + problem, 75, 0,
                      "Copy_XML_file of Form Form_Wakeline_marathon");
    return false;
}

void Form_Wakeline_marathon::item_rename_result_file_Click()
{
    try {
        if (!FileExists(g_Marathon_csv)) {
            platform::MsgBox("Found no result file to rename!");
            return;
        }
        std::string base = g_Marathon_csv;
        if (base.size() >= 4 && Same_text_ci(base.substr(base.size() - 4), ".csv")) base.resize(base.size() - 4);
        const std::string renamed = Clean_File_Name(base + platform::Date_time_text(platform::Get_clock().Now()) + ".csv");
        std::string problem;
        if (!Move_file_no_replace(g_Marathon_csv, renamed, problem)) throw Run_time_error(err_File_exists, problem);
        platform::MsgBox("Renamed: \r\n" + g_Marathon_csv + "\r\nto : \r\n" + renamed);
    } catch (...) {
        Report_current_exception("item_rename_result_file_Click of Form Form_Wakeline_marathon");
    }
}

// The program folder is not writable: the dump goes to the application-data folder.
void Form_Wakeline_marathon::item_dump_xml_Click()
{
    std::error_code ec;
    const fs::path folder = platform::App_data_folder(ec);
    const std::string problem =
        ec ? ec.message() : Replace_file_contents((folder / "marathon.xml").string(), rows_.File().Xml_text());
    if (!problem.empty())
        QSM_error_handler("The dump could not be written: " + problem, 75, 0,
                          "item_dump_xml_Click of Form Form_Wakeline_marathon");
}

void Form_Wakeline_marathon::item_end_Click()
{
    Unload_form();
    platform::End_program(0);
}

} // namespace wk
