#include "services/frmAbout.h"

#include "capture_server/IVideoCap.h"
#include "comlite/Co_create.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Image_library.h"
#include "platform/Interface_kit.h"
#include "platform/Menu_items.h"
#include "platform/Picture_box.h"
#include "platform/Print_target.h"
#include "platform/Registry_store.h"
#include "platform/System_info.h"
#include "services/Form_controls.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_system.h"
#include "services/Module_utilities.h"
#include "services/Program_pictures.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>
#include <filesystem>

namespace wk {
namespace {

constexpr const char* k_Form = " of Form frmAbout";

std::function<void()>& Debug_menu_revealer()
{
    static std::function<void()> reveal;
    return reveal;
}

QLabel* Make_label(QWidget* parent, const char* name, QLayout* layout)
{
    QLabel* l = Add_label(parent, layout, name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QGroupBox* Make_frame(QWidget* parent, const char* name, const char* caption)
{
    auto* f = Named(new QGroupBox(caption, parent), name);
    new QVBoxLayout(f);
    return f;
}

// Shows a picture in a picture box of its size.
void Show_picture(platform::Picture_box* box, const QImage& image)
{
    box->Set_picture_size(image.width(), image.height());
    box->Image() = image.convertToFormat(QImage::Format_RGB32);
    box->hDC().Attach(&box->Image());
    box->setFixedSize(image.size());
    box->Refresh();
}

bool Can_run(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec) && platform::May_run(path);
}

} // namespace

frmAbout::frmAbout() : Form_window("frmAbout")
{
    auto* layout = new QVBoxLayout(this);
    menu_bar = new QMenuBar(this);
    menu_form = platform::Make_menu(menu_bar, "menu_form", "Form");
    item_print = platform::Make_item(menu_form, "item_print", "Print");
    layout->setMenuBar(menu_bar);

    Picture_product = new platform::Picture_box("Picture_product", this);
    layout->addWidget(Picture_product, 0, Qt::AlignHCenter);

    Frame_version = Make_frame(this, "Frame_version", "Version");
    QLayout* v = Frame_version->layout();
    Lbldescription = Make_label(Frame_version, "Lbldescription", v);
    QFont big = Lbldescription->font();
    big.setPointSize(big.pointSize() + 3);
    big.setBold(true);
    Lbldescription->setFont(big);
    Lblversion = Make_label(Frame_version, "Lblversion", v);
    Lbl_filedate = Make_label(Frame_version, "Lbl_filedate", v);
    layout->addWidget(Frame_version);

    Frame_technical = Make_frame(this, "Frame_technical", "Technical information");
    QLayout* t = Frame_technical->layout();
    Lbl_fourcc = Make_label(Frame_technical, "Lbl_fourcc", t);
    Lbl_brixcap = Make_label(Frame_technical, "Lbl_brixcap", t);
    Lbl_BRixGraphics = Make_label(Frame_technical, "Lbl_BRixGraphics", t);
    Label_phidget_version = Make_label(Frame_technical, "Label_phidget_version", t);
    Lbl_IP = Make_label(Frame_technical, "Lbl_IP", t);
    Label_userapp = Make_label(Frame_technical, "Label_userapp", t);
    Label_userapp->setTextInteractionFlags(Qt::NoTextInteraction);
    Label_userapp->setCursor(Qt::PointingHandCursor);
    Label_userapp->setToolTip("Open the folder");
    Label_userapp->installEventFilter(this);
    layout->addWidget(Frame_technical);

    auto* bottom = new QHBoxLayout;
    Picture_company = new platform::Picture_box("Picture_company", this);
    Picture_company->MouseUp = [this](int, int, float, float) { Picture_company_Click(); };
    bottom->addWidget(Picture_company, 0, Qt::AlignTop);
    Lbldisclaimer = Add_label(this, bottom, "Lbldisclaimer");
    Lbldisclaimer->setWordWrap(true);
    Lbldisclaimer->setText("This program and its documentation are protected by copyright. Copying them, in whole "
                           "or in part, or passing them on to others without the holder's written permission is "
                           "not allowed.");
    bottom->setStretchFactor(Lbldisclaimer, 1);
    auto* buttons = new QVBoxLayout;
    Command_OK = Add_button(this, buttons, "Command_OK", "OK");
    Command_OK->setDefault(true);
    Cmd_SysInfo = Add_button(this, buttons, "Cmd_SysInfo", "&System Info...");
    buttons->addStretch(1);
    bottom->addLayout(buttons);
    layout->addLayout(bottom);

    connect(Command_OK, &QPushButton::clicked, this, [this] { Command_OK_Click(); });
    connect(Cmd_SysInfo, &QPushButton::clicked, this, [this] { Cmd_SysInfo_Click(); });
    connect(item_print, &QAction::triggered, this, [this] { item_print_Click(); });
    Show_picture(Picture_company, Program_picture("COMPANY_LOGGA"));
    Form_Load();
}

void frmAbout::Form_Load()
{
    setWindowTitle(QString::fromStdString("About " + g_Edition_text));
    const auto& app = platform::App();
    Lblversion->setText(QString("Version %1.%2.%3, Compile date: %4")
                            .arg(app.major)
                            .arg(app.minor)
                            .arg(app.revision)
                            .arg(k_Compile_date));
    if (!g_DV_Codec.empty()) Lbl_fourcc->setText(QString::fromStdString("DV fourcc: " + g_DV_Codec));
    Lbldescription->setText(QString::fromStdString(g_Edition_text));
    Lbl_filedate->setText(QString::fromStdString(".exe Filedate = " + Get_Build_Date()));
}

bool frmAbout::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    if (e->type() == QEvent::MouseButtonRelease) Form_Click();
    return Form_window::event(e);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Label_userapp && e->type() == QEvent::MouseButtonRelease) Label_userapp_Click();
    return Form_window::eventFilter(watched, e);
}

void frmAbout::Form_Activate() { Command_OK->setFocus(); }

void frmAbout::Command_OK_Click() { hide(); }

void frmAbout::AppData(const std::string& folder)
{
    Label_userapp->setText(QString::fromStdString("User appdata at: " + folder));
}

void frmAbout::Display_BrixGraphics()
{
    const char* version = platform::BlendVersion();
    Lbl_BRixGraphics->setText(QString::fromStdString("BrixGraphics: " + std::string(version, strnlen(version, 64))));
}

void frmAbout::Display_BrixCap()
{
    try {
        com::Com_ptr<IVideoCap> server;
        if (com::Failed(com::Co_create_instance(CLSID_VideoCap4, server)) || !server) return;
        com::Bstr build;
        if (com::Failed(server->GetProperty(com::Bstr("buildNumber").Get(), build.Put()))) return;
        Lbl_brixcap->setText(QString::fromStdString("BrixCap: " + build.Str()));
    } catch (...) {
        // A missing or failing capture server only leaves its line empty.
    }
}

void frmAbout::Display_Phidgets()
{
    std::string text;
    try {
        const auto kit = platform::Create_interface_kit();
        text = kit ? kit->Library_version() : "No Phidget driver found";
    } catch (...) {
        text = "No Phidget driver found";
    }
    Label_phidget_version->setText(QString::fromStdString(text));
}

void frmAbout::Display_Local_IP()
{
    std::string problem;
    const std::string address = Get_IP_Address(problem);
    if (!problem.empty()) platform::MsgBox(problem);
    Lbl_IP->setText(QString::fromStdString("Local IP address = " + address));
}

void frmAbout::Load_Product_Picture(const std::string& name)
{
    Show_picture(Picture_product, Program_picture(name));
    product_logo_ = name;
}

void frmAbout::Load_Company_Picture(const std::string& name)
{
    Show_picture(Picture_company, Program_picture(name));
    company_logo_ = name;
}

void frmAbout::Label_userapp_Click()
{
    try {
        const QString text = Label_userapp->text();
        const int at = text.indexOf("at:");
        if (at < 0) return;
        const QString folder = text.mid(at + 3).trimmed();
        if (!platform::Show_folder(folder.toStdString()))
            platform::MsgBox("No file manager could open " + folder.toStdString());
    } catch (...) {
        Report_current_exception(std::string("Label_userapp_Click") + k_Form);
    }
}

bool frmAbout::item_print_Click()
{
    try {
        platform::Printer_port* port = platform::Get_printer_port();
        std::shared_ptr<platform::Print_target> printer = port ? port->Open_printer() : nullptr;
        if (!printer) {
            platform::MsgBox("No printer to print on!");
            return false;
        }
        const QImage image = grab().toImage();
        printer->PaintPicture(image, 0, 0, double(image.width() * platform::Twips_per_pixel_x()),
                              double(image.height() * platform::Twips_per_pixel_y()));
        if (printer->EndDoc()) return true;
        platform::MsgBox("Printer error");
    } catch (...) {
        Report_current_exception(std::string("item_print_Click") + k_Form);
    }
    return false;
}

void frmAbout::Reveal_debug_menu_on_ctrl()
{
    if (Ctrl_Key_Down() && Debug_menu_revealer()) Debug_menu_revealer()();
}

void frmAbout::Picture_company_Click() { Reveal_debug_menu_on_ctrl(); }

void frmAbout::Form_Click() { Reveal_debug_menu_on_ctrl(); }

std::string GetKeyValue(uint32_t root, const std::string& key, const std::string& name)
{
    platform::Reg_value value;
    if (platform::Registry_store().Get_value(root, key, name, value) != platform::REG_OK) return "";
    if (value.type == platform::REG_DWORD && value.data.size() >= 4) {
        uint32_t n = 0;
        std::memcpy(&n, value.data.data(), 4);
        char hex[16];
        std::snprintf(hex, sizeof hex, "&h%X", n);
        return hex;
    }
    return platform::Registry_store::Value_text(value);
}

std::string Find_system_information_tool()
{
    const std::string named =
        GetKeyValue(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH");
    if (Can_run(named)) return named;
    // The desktops' own tools: the system profiler first, then the system monitors.
    for (const char* tool : {"hardinfo2", "hardinfo", "gnome-system-monitor", "plasma-systemmonitor", "ksysguard",
                             "mate-system-monitor", "xfce4-taskmanager", "lxtask"}) {
        const std::string found = platform::Find_program(tool);
        if (!found.empty()) return found;
    }
    return "";
}

void frmAbout::StartSysInfo()
{
    try {
        const std::string tool = Find_system_information_tool();
        if (tool.empty() || !platform::Start_program(tool))
            platform::MsgBox("System Information Is Unavailable At This Time", platform::vbOKOnly);
    } catch (...) {
        Report_current_exception(std::string("StartSysInfo") + k_Form);
    }
}

void Show_About()
{
    try {
        frmAbout& about = platform::Form_instance<frmAbout>();
        about.Display_BrixGraphics();
        about.Display_BrixCap();
        about.Description("Wakeline, full version");
        about.Display_Phidgets();
        about.Display_BrixGraphics();
        about.Load_Product_Picture("WAKELINE_LOGGA");
        about.Display_Local_IP();
        about.AppData(g_AppUserData);
        about.show();
        about.raise();
    } catch (...) {
        Report_current_exception("Show_About of Module Module_canoe");
    }
}

void Install_debug_menu_revealer(std::function<void()> reveal) { Debug_menu_revealer() = std::move(reveal); }

} // namespace wk
