#include "services/frmcanoeSplash.h"

#include "platform/Forms.h"
#include "platform/Image_library.h"
#include "services/Cls_memory_status.h"
#include "services/Form_controls.h"
#include "services/Module_qsm_Globals.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include <cstring>

namespace wk {
std::string Mebibytes_text(int64_t bytes)
{
    // In whole tenths, exactly: a figure of many gigabytes must not pass through 32 bits.
    constexpr int64_t mib = 1048576;
    const bool negative = bytes < 0;
    const int64_t tenths_times_mib = (negative ? -bytes : bytes) * 10;
    int64_t tenths = tenths_times_mib / mib;
    const int64_t rest = tenths_times_mib % mib;
    if (2 * rest > mib || (2 * rest == mib && tenths % 2 == 1)) ++tenths;
    std::string text(negative && tenths != 0 ? "-" : "");
    text += std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += QString(QLocale().decimalPoint()).toStdString() + std::to_string(tenths % 10);
    return text;
}

std::string Memory_usage_text(const Cls_memory_status& status)
{
    return "Avail Phys. memory: (initial/last/min)\n" + Mebibytes_text(status.initial_phys()) + "/" +
           Mebibytes_text(status.last_phys()) + "/" + Mebibytes_text(status.min_phys());
}

frmcanoeSplash::frmcanoeSplash() : Form_window("frmcanoeSplash")
{
    setWindowFlag(Qt::FramelessWindowHint, true);
    auto* layout = new QVBoxLayout(this);
    Frame1 = Named(new QGroupBox(this), "Frame1");
    new QVBoxLayout(Frame1);
    Frame1->installEventFilter(this);
    layout->addWidget(Frame1);
    lblProductName = Add_label(Frame1, Frame1->layout(), "lblProductName");
    QFont big = lblProductName->font();
    big.setPointSize(24);
    big.setBold(true);
    lblProductName->setFont(big);
    lblPlatform = Add_label(Frame1, Frame1->layout(), "lblPlatform", "for Linux");
    lblVersion = Add_label(Frame1, Frame1->layout(), "lblVersion");
    Lbl_compdate = Add_label(Frame1, Frame1->layout(), "Lbl_compdate");
    lbl_memory_usage = Add_label(Frame1, Frame1->layout(), "lbl_memory_usage");
    Lbl_BrixGraphics = Add_label(Frame1, Frame1->layout(), "Lbl_BrixGraphics");
    lblWarning = Add_label(Frame1, Frame1->layout(), "lblWarning");
    Form_Load();
}

void frmcanoeSplash::Form_Load()
{
    const auto& app = platform::App();
    lblVersion->setText(QString("Version %1.%2.%3").arg(app.major).arg(app.minor).arg(app.revision));
    lblProductName->setText(QString::fromStdString(app.title));
    Lbl_compdate->setText(QString("g_compiled at: ") + k_Compile_date);
    if (!g_Memory_status) g_Memory_status = std::make_shared<Cls_memory_status>();
    lbl_memory_usage->setText(QString::fromStdString(Memory_usage_text(*g_Memory_status)));
    BrixGraphicsVersion();
}

void frmcanoeSplash::BrixGraphicsVersion()
{
    // The library's 64 bytes as they come, up to the zero bytes that pad them.
    const char* version = platform::BlendVersion();
    Lbl_BrixGraphics->setText(QString::fromStdString("BrixGraphics version : " + std::string(version, strnlen(version, 64))));
}

void frmcanoeSplash::Form_KeyPress(int) { Unload_form(); }

void frmcanoeSplash::Frame1_Click() { Unload_form(); }

void frmcanoeSplash::keyPressEvent(QKeyEvent* event) { Form_KeyPress(event->key()); }

bool frmcanoeSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Frame1 && event->type() == QEvent::MouseButtonRelease) Frame1_Click();
    return Form_window::eventFilter(watched, event);
}

} // namespace wk
