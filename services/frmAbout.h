#pragma once
// The About window: edition, version and build date, the versions of the components the program
// depends on (image library, capture server, interface kit), the DV codec, the local address and
// the user's data folder, the system-information tool and a printout of the window.
#include "platform/Form_window.h"

#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPushButton;

namespace wk {

namespace platform {
class Picture_box;
}

class frmAbout final : public platform::Form_window {
public:
    frmAbout();

    QLabel* Lblversion;
    QLabel* Lbl_filedate;
    QLabel* Lbl_fourcc;
    QLabel* Lbl_brixcap;
    QLabel* Lbl_BRixGraphics;
    QLabel* Label_phidget_version;
    QLabel* Lbl_IP;
    QLabel* Lbldescription;
    QLabel* Label_userapp;
    QLabel* Lbldisclaimer;
    QGroupBox* Frame_version;
    QGroupBox* Frame_technical;
    platform::Picture_box* Picture_product;
    platform::Picture_box* Picture_company;
    QPushButton* Command_OK;
    QPushButton* Cmd_SysInfo;
    QMenuBar* menu_bar;
    QMenu* menu_form;
    QAction* item_print;

    // Texts the window keeps.
    const std::string& Description() const { return description_; }
    void Description(const std::string& text) { description_ = text; }
    const std::string& Company_Logo() const { return company_logo_; }
    void Company_Logo(const std::string& text) { company_logo_ = text; }
    const std::string& Product_Logo() const { return product_logo_; }
    void Product_Logo(const std::string& text) { product_logo_ = text; }
    // Shows the folder in Label_userapp.
    void AppData(const std::string& folder);

    void Display_BrixGraphics();
    // The capture server's build number; any failure leaves the label as it was.
    void Display_BrixCap();
    void Display_Phidgets();
    void Display_Local_IP();
    void Load_Product_Picture(const std::string& name);
    void Load_Company_Picture(const std::string& name);
    void StartSysInfo();

    void Form_Load();
    void Form_Activate();
    void Command_OK_Click();
    // False when nothing was printed (no printer, or the job failed; both are said).
    bool item_print_Click();
    void Label_userapp_Click();
    void Picture_company_Click();
    void Form_Click();
    void Cmd_SysInfo_Click() { StartSysInfo(); }

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Reveal_debug_menu_on_ctrl();
    std::string description_, company_logo_, product_logo_;
};

// Fills the About window and shows it (not modal).
void Show_About();
// What a Ctrl-click on the company picture does: the program makes the viewer's debug menu
// visible through it.
void Install_debug_menu_revealer(std::function<void()> reveal);

// A value of the registry store as text: a 32-bit number as "&h" and its hexadecimal digits.
// "" when the key or the value is missing.
std::string GetKeyValue(uint32_t root, const std::string& key, const std::string& name);
// The system-information program to start: the one named in the registry store (value "PATH"
// of the machine key "SOFTWARE\Microsoft\Shared Tools\MSINFO") when that file can run, else the
// first of the desktop's system-information and system-monitor programs found on the search
// path. "" when there is none.
std::string Find_system_information_tool();

} // namespace wk
