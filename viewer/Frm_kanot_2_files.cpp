// The viewer's commands on recording files as files: the newest recordings, delete, rename, the
// settings file, the properties text, copying and saving the shown picture.
#include "viewer/Frm_kanot_2.h"

#include "platform/Byte_file.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Form_window.h"
#include "platform/Forms.h"
#include "platform/Picture_box.h"
#include "platform/Raw_file.h"
#include "recording/cls_AVI_handler.h"
#include "results/Result_record.h"
#include "results/Start_list.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_system.h"
#include "services/Module_utilities.h"
#include "services/Run_time_error.h"
#include "viewer/Cls_lane.h"
#include "viewer/Form_properties.h"
#include "viewer/Sdv_conversion.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>

#include <filesystem>
#include <cerrno>
#include <unistd.h>

namespace wk {
namespace {

namespace fs = std::filesystem;

std::string Yes_no(bool b) { return Bool_To_Text(b); }

} // namespace

// ---- The newest recordings ----

// The four newest recordings of the last folder: the list comes newest first, other files last.
void Frm_kanot_2::Update_Recent_Files()
{
    try {
        for (QAction* a : item_Open_Newest) {
            a->setText("");
            a->setVisible(false);
        }
        g_Capture_folder = Read_setting(ini::Last_dir);
        if (g_Capture_folder == "N/A") g_Capture_folder.clear();
        const std::vector<std::string> list = fso_Youngest_files(g_Capture_folder);
        size_t shown = 0;
        for (const std::string& entry : list) {
            if (entry.size() <= 19 || shown == item_Open_Newest.size()) break; // the other files follow
            QAction* a = item_Open_Newest[shown++];
            a->setText(QString::fromStdString(entry.substr(19)));
            a->setEnabled(true);
            a->setVisible(true);
        }
        if (shown == 0) {
            item_Open_Newest[0]->setText("[no files]");
            item_Open_Newest[0]->setEnabled(false);
            item_Open_Newest[0]->setVisible(true);
        }
    } catch (...) {
        Report_current_exception("Update_Recent_Files of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_Open_Newest_Click(int index)
{
    QAction* a = item_Open_Newest.at(size_t(index));
    if (a->text().isEmpty() || !a->isEnabled()) return;
    Open_Recording(platform::Join_path(g_Capture_folder, a->text().toStdString()));
}

// ---- Delete and rename ----

void Frm_kanot_2::item_Delete_File_Click()
{
    try {
        if (!Recording_open()) return;
        const std::string path = g_Recording->File_name();
        if (platform::MsgBox("Delete the recording " + path + "?", platform::vbYesNo | platform::vbDefaultButton2) !=
            platform::vbYes)
            return;
        item_close_Click();
        if (!Delete_File(path)) platform::MsgBox("The file could not be deleted: " + path, platform::vbOKOnly);
        // The heat's state and revisions go with it, not before it.
        else if (!Delete_File(Record_path(path))) platform::MsgBox("The file could not be deleted: " + Record_path(path));
    } catch (...) {
        Report_current_exception("item_Delete_File_Click of Form frm_kanot_2");
    }
}

void Frm_kanot_2::item_rename_file_Click()
{
    const std::string path = recording_path_;
    if (path.empty()) return;
    // The recording is closed in the window as a whole before its file moves.
    item_close_Click();
    rename_file(path);
}

bool Frm_kanot_2::rename_file(const std::string& path)
{
    try {
        const auto answer = Ask("New filename?", "Name change", path);
        if (!answer || answer->empty() || *answer == path) return false;
        std::error_code ec;
        if (fs::exists(*answer, ec)) {
            platform::MsgBox("New file already exists!", platform::vbOKOnly);
            return false;
        }
        // A file that takes the name after the look above is not replaced either.
        if (const int error = platform::Rename_no_replace(path, *answer))
            throw Run_time_error(75, "The file could not be renamed: " + std::generic_category().message(error));
        if (const std::string problem = Move_record(path, *answer); !problem.empty())
            platform::MsgBox("The recording was renamed, but " + problem, platform::vbExclamation);
        return true;
    } catch (...) {
        Report_current_exception("rename_file of Form frm_kanot_2");
        return false;
    }
}

// The settings file goes out of the way: only its suffix changes.
void Frm_kanot_2::item_rename_ini_Click()
{
    try {
        std::string renamed = Ini_file_path;
        if (renamed.size() >= 4 && Same_text_ci(renamed.substr(renamed.size() - 4), ".ini"))
            renamed.replace(renamed.size() - 3, 3, "inx");
        else renamed += ".inx";
        std::error_code ec;
        fs::rename(Ini_file_path, renamed, ec);
        if (ec) throw Run_time_error(75, "The settings file could not be renamed: " + ec.message());
    } catch (...) {
        Report_current_exception("item_rename_ini_Click of Form frm_kanot_2");
    }
}

// ---- Properties ----

std::string Frm_kanot_2::Properties_text()
{
    cls_AVI_handler& r = *g_Recording;
    const std::string nl = "\r\n";
    std::string t = "File name = " + r.File_name() + nl;
    t += "Number of DV frames = " + std::to_string(r.num_frames()) + nl;
    t += "Read only  = " + Yes_no(r.Read_only()) + nl;
    t += "Event name: " + r.Event_name() + nl;
    t += "Written by: " + r.Program_ID() + ", Version " + r.Program_Major() + "." + r.Program_Minor() + "." +
         r.Program_Revision() + nl;
    t += "Rotated = " + Yes_no(r.rotated()) + nl;
    t += "Lanes locked = " + Yes_no(r.Lanes_locked()) + nl;
    t += "Lanes flipped = " + Yes_no(r.Lanes_flipped()) + nl;
    const int16_t lanes = r.Lane_count();
    t += "Lane count = " + std::to_string(lanes) + nl;
    t += "Lane positions: ";
    // Only the marks there are: a count above them lists what exists.
    for (int i = 1; i <= lanes && size_t(i) <= g_Lanes.size(); ++i)
        t += std::to_string(g_Lanes[size_t(i - 1)]->X()) + "," + std::to_string(g_Lanes[size_t(i - 1)]->Y()) + "  ";
    t += nl;
    t += "Lane zero = " + Yes_no(r.Start_Lane_Zero()) + nl;
    t += "Show goalline = " + Yes_no(r.Show_goalline()) + nl;
    t += "Show lanes = " + Yes_no(r.Lanes_Visible()) + nl;
    int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    r.Get_Goalline(x1, y1, x2, y2);
    t += "Goal positions = " + std::to_string(x1) + "," + std::to_string(y1) + "  " + std::to_string(x2) + "," +
         std::to_string(y2) + nl;
    t += "StartCam = " + Yes_no(r.is_Start_Cam()) + nl;
    for (int16_t h = 1; h <= 3; ++h) {
        t += "Heat_ID " + std::to_string(h) + "=" + r.Heat_ID(h) + " Start Local time = " +
             std::to_string(r.Start_local_Mill_Time(h)) + " Start mill time = " +
             std::to_string(r.Start_PC_Mill_time(h)) + " Time correction = " +
             std::to_string(r.Heat_Start_Correction(h)) + nl;
        for (int16_t lane = 0; lane < 16; ++lane) t += std::to_string(r.Heat_time(h, lane)) + ",";
        t += nl;
        std::string made;
        for (int16_t lane = 0; lane < 16; ++lane)
            if (const std::string word = r.Heat_Result_made(h, lane); !word.empty())
                made += " lane " + std::to_string(lane) + " " + word;
        if (!made.empty()) t += "Results made:" + made + nl;
    }
    return t;
}

void Frm_kanot_2::item_file_properties_Click()
{
    try {
        if (!Recording_open()) return;
        const std::string text = Properties_text();
        Form_properties& w = platform::Form_instance<Form_properties>();
        w.Text_properties->setPlainText(QString::fromStdString(text));
        w.show();
        w.Command_OK->setFocus();
    } catch (...) {
        Report_current_exception("item_file_properties_Click of Form frm_kanot_2");
    }
}

// ---- Copy and pictures ----

void Frm_kanot_2::File_Copy()
{
    try {
        if (!Folder_Exists(g_Copy_folder)) {
            platform::MsgBox("Can't find destination folder for file copy!", platform::vbOKOnly);
            return;
        }
        const std::string destination = platform::Join_path(g_Copy_folder, Split_Path(g_Last_captured_file, 0));
        QProgressDialog progress("Copying " + QString::fromStdString(g_Last_captured_file), "Cancel", 0, 100, this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        const std::string problem =
            Copy_file_chunked(g_Last_captured_file, destination, [&](int64_t done, int64_t total) {
                progress.setValue(total > 0 ? int(done * 100 / total) : 100);
                platform::Do_events();
                return !progress.wasCanceled();
            });
        if (!problem.empty()) platform::MsgBox("Copy Failed: " + problem, platform::vbOKOnly);
    } catch (...) {
        Report_current_exception("File_Copy of Form frm_kanot_2");
    }
}

bool Frm_kanot_2::Save_Jpeg(const std::string& path)
{
    try {
        std::error_code ec;
        fs::create_directories(fs::path(path).parent_path(), ec);
        QByteArray picture;
        QBuffer buffer(&picture);
        if (!buffer.open(QIODevice::WriteOnly) || !Picture_large->Image().save(&buffer, "JPG", 95))
            throw Run_time_error(75, "The picture could not be written: " + path);
        // Written into a file made new here, so neither a file someone left at the name nor where
        // a link of theirs points is written; the rename then puts it in place whole.
        const std::string temp = path + "." + std::to_string(::getpid()) + ".writing";
        platform::Raw_file file;
        int error = 0;
        if (!file.Open(temp, platform::Raw_file::Mode::Create_new, error) ||
            !file.Write_at(0, picture.constData(), size_t(picture.size())) || !file.Sync()) {
            file.Close();
            if (error != EEXIST) fs::remove(temp, ec);
            throw Run_time_error(75, "The picture could not be written: " + path);
        }
        file.Close();
        fs::rename(temp, path, ec);
        if (ec) {
            fs::remove(temp, ec);
            throw Run_time_error(75, "The picture could not be saved as " + path);
        }
        return true;
    } catch (...) {
        Report_current_exception("Save_Jpeg of Form frm_kanot_2");
        return false;
    }
}

} // namespace wk

namespace wk {

// ---- Converting older recordings ----

void Frm_kanot_2::item_convert_Click()
{
    try {
        const std::string source =
            platform::Get_dialogs().Open_file("Convert", "", "Wakeline Files (*.sdv)|*.sdv").value_or("");
        if (source.empty()) return;
        const std::string destination = Converted_file_name(source);
        // The conversion replaces the old file only once the new one is whole.
        if (FileExists(destination) &&
            platform::MsgBox(destination + " already exists. Replace it?",
                             platform::vbYesNo | platform::vbDefaultButton2) != platform::vbYes)
            return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const Sdv_conversion_result r = Convert_sdv_recording(source, destination);
        QApplication::restoreOverrideCursor();
        if (!r.written) {
            platform::MsgBox(r.problem, platform::vbOKOnly);
            return;
        }
        platform::MsgBox(std::to_string(r.frames) + " frames converted!" + (r.problem.empty() ? "" : "\r\n" + r.problem),
                         platform::vbOKOnly);
    } catch (...) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        Report_current_exception("item_convert_Click of Form frm_kanot_2");
    }
}

// ---- The event's start list ----

void Frm_kanot_2::item_import_start_list_Click()
{
    try {
        const std::string file = platform::Get_dialogs()
                                     .Open_file("Import start list", Read_setting(ini::Last_dir),
                                                "Start lists (*.csv *.txt)|*.csv;*.txt")
                                     .value_or("");
        if (file.empty()) return;
        if (const auto problem = Import_start_list(file, g_Event_name)) {
            platform::MsgBox("Nothing was imported from " + file + ".\r\n" + problem->Message(),
                             platform::vbExclamation, "Import start list");
            return;
        }
        platform::MsgBox("The start list of " + g_Event_name + " was imported from " + file + ".",
                         platform::vbInformation, "Import start list");
        if (Recording_open()) {
            results_.Fill_Results();
            Draw_Graphics(true, false);
        }
    } catch (...) {
        Report_current_exception("item_import_start_list_Click of Form frm_kanot_2");
    }
}

} // namespace wk
