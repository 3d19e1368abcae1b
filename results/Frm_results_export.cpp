// The results window's export: the heat's result the window shows, into a CSV or a results XML
// file in the export folder.
#include "results/Frm_results.h"

#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Mount_table.h"
#include "platform/Text_codec.h"
#include "recording/cls_AVI_handler.h"
#include "results/Class_Wakeline_result_XML.h"
#include "results/Result_export.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_system.h"
#include "services/Module_trace.h"
#include "services/Module_utilities.h"
#include "results/Results_viewer.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace wk {
namespace {

std::string Caption(const QLabel* label) { return label->text().toStdString(); }

void Message(const std::string& text) { platform::MsgBox(text, platform::vbOKOnly); }

constexpr const char* k_Xml_comment_start =
    "XML file containg Wakeline result data for course race. Produced by : ";

} // namespace

void Frm_results::Cmd_export_Click()
{
    try {
        if (!Check_Export_Folder()) return;
        if (Opt_exp_format[1]->isChecked()) Export_CSV_file();
        if (Opt_exp_format[2]->isChecked()) Export_New_XML_File();
    } catch (...) {
        Report_current_exception("Cmd_export_Click of Form Frm_results");
    }
}

bool Frm_results::Check_Export_Folder()
{
    if (Folder_Exists(g_Export_folder)) return true;
    Message("Result export folder not found!");
    return false;
}

std::string Frm_results::Results_csv_text()
{
    Heat_result result = shown_result_;
    result.event = g_Event_name;
    result.capture_time = g_Recording->Capture_time();
    return wk::Results_csv_text(result, Get_Computer_Name());
}

bool Frm_results::Export_CSV_file()
{
    if (!Folder_Exists(g_Export_folder)) {
        Message("Can't find export folder!");
        return false;
    }
    if (shown_result_.rows.empty()) {
        Message("Nothing to export!");
        return false;
    }
    const std::string path =
        Clean_File_Name(platform::Join_path(g_Export_folder, "WK_Result_Heat" + shown_result_.heat + ".csv"));
    if (Is_write_protected(path)) {
        Message("A write-protected file already exists!");
        return false;
    }
    if (const std::string problem = Replace_file_contents(path, Results_csv_text()); !problem.empty()) {
        QSM_error_handler("The results could not be exported: " + problem, 75, 0, "Export_CSV_file of Form Frm_results");
        return false;
    }
    g_Export_file = path;
    Show_Export_Mess();
    return true;
}

bool Frm_results::Export_New_XML_File()
{
    cls_AVI_handler& rec = *g_Recording;
    Heat_result result = shown_result_;
    result.event = rec.Event_name();
    result.heat = rec.Heat_ID(1);
    const Results_viewer* viewer = Viewer_for_results();
    const Results_xml_heading heading{
        k_Xml_comment_start + g_Edition_text + " " + g_Version_text + " Compiled at : " + k_Compile_date,
        g_Computer_name, rec.Computer_name(), rec.Heat_comment(1), viewer ? viewer->Start_time_text() : ""};
    Class_Wakeline_result_XML xml;
    Fill_results_xml(xml, result, heading);
    const std::string path = platform::Join_path(
        g_Export_folder, "WK_Result_Heat" + Get_Heat_From_Filename(rec.File_name()) + ".xml");
    xml.XML_Filename(path);
    if (!xml.Serialize()) return false;
    g_Export_file = path;
    Show_Export_Mess();
    return true;
}

void Frm_results::Load_Export_Folder()
{
    g_Export_folder = Read_setting(ini::Export_folder);
    Trace_Line("*Temp_folder = " + g_Export_folder);
    Lbl_export_folder->setText(QString::fromStdString(g_Export_folder));
    Lbl_export_folder->setToolTip(QString::fromStdString(g_Export_folder));
    Update_capture_folder_Remote();
}

void Frm_results::Load_Export_format()
{
    const std::string index = Read_setting(ini::Export_format);
    if (index == "1" || index == "2") Opt_exp_format[index == "1" ? 1 : 2]->setChecked(true);
}

void Frm_results::Opt_exp_format_Click(int index)
{
    Write_setting(ini::Export_format, std::to_string(index));
    if (Results_viewer* viewer = Viewer_for_results()) viewer->Set_Focus();
}

void Frm_results::Lbl_export_folder_Click()
{
    try {
        const std::string chosen =
            platform::Get_dialogs().Browse_folder("Export folder", g_Export_folder).value_or("");
        if (!chosen.empty()) {
            g_Export_folder = chosen;
            Write_setting(ini::Export_folder, chosen);
            Load_Export_Folder();
        }
        Update_capture_folder_Remote();
    } catch (...) {
        Report_current_exception("Lbl_export_folder_Click of Form Frm_results");
    }
}

// What kind of drive holds the folder: removable media, a local disk, or a network share by name.
void Frm_results::Update_capture_folder_Remote()
{
    if (const auto kind = platform::Drive_kind(Caption(Lbl_export_folder)))
        Text_remote->setText(QString::fromStdString(*kind));
}

void Frm_results::item_maped_drive_Click()
{
    std::string folder = Caption(Lbl_export_folder);
    // A folder read from an older settings file may end in a backslash.
    if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    platform::MsgBox(Get_UNC_Name(folder));
    platform::MsgBox(Get_Share_Path(folder));
}

void Frm_results::Show_Export_Mess()
{
    Text_export_mess->setText(QString::fromStdString("Exported results to file:\r\n" + g_Export_file));
    // Over the export controls it reports on, under the rows: the results stay readable until OK.
    Frm_export_mess->move(Frm_export_mess->x(), Frm_export->y());
    Frm_export_mess->show();
    Frm_export_mess->raise();
    Cmd_result_export_OK->setFocus();
}

void Frm_results::Cmd_result_export_OK_Click() { Frm_export_mess->hide(); }

} // namespace wk
