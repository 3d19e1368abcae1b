#include "viewer/Frm_export.h"

#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/Forms.h"
#include "platform/Private_folder.h"
#include "platform/Screen_fit.h"
#include "recording/cls_AVI_handler.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"
#include "viewer/Frm_kanot_2.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <cstdio>

namespace wk {

// A tool window of the viewer: it stays above the viewer it steps, and goes with it.
Frm_export::Frm_export() : Form_window("Frm_export", platform::Form_if_loaded<Frm_kanot_2>())
{
    setWindowFlags(Qt::Tool);
    setWindowTitle("Frame export");
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("In:", this), 0, 0);
    grid->addWidget(new QLabel("Out:", this), 1, 0);
    Lbl_inpoint = new QLabel(this);
    Lbl_inpoint->setObjectName("Lbl_inpoint");
    Lbl_outpoint = new QLabel(this);
    Lbl_outpoint->setObjectName("Lbl_outpoint");
    for (QLabel* l : {Lbl_inpoint, Lbl_outpoint}) {
        l->setMinimumWidth(80);
        l->setFrameShape(QFrame::Box);
        l->setToolTip("Click to take the viewer's field");
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }
    grid->addWidget(Lbl_inpoint, 0, 1);
    grid->addWidget(Lbl_outpoint, 1, 1);
    Cmd_export = new QPushButton("Export", this);
    Cmd_export->setObjectName("Cmd_export");
    grid->addWidget(Cmd_export, 2, 0, 1, 2);
    connect(Cmd_export, &QPushButton::clicked, this, [this] { Cmd_export_Click(); });
    // Wide enough for its title to be read in the title bar.
    setMinimumWidth(QFontMetrics(font()).horizontalAdvance(windowTitle()) + 120);
    Form_Load();
}

void Frm_export::Form_Load()
{
    int32_t left = 0, top = 0, w = 0, h = 0;
    Get_Form_Pos("Frm_export", left, top, w, h);
    move(left / platform::Twips_per_pixel_x(), top / platform::Twips_per_pixel_y());
    // The stored place may lie off this desktop or over the viewer's menus.
    platform::Fit_in_available_area(this, Viewer_area(&Results_viewer::Menu_area));
}

void Frm_export::Form_Unload()
{
    Store_Form_Pos("Frm_export", x() * platform::Twips_per_pixel_x(), y() * platform::Twips_per_pixel_y(), 0, 0);
}

bool Frm_export::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Lbl_inpoint) Lbl_inpoint_Click();
        if (watched == Lbl_outpoint) Lbl_outpoint_Click();
    }
    return Form_window::eventFilter(watched, event);
}

namespace {
// The viewer's slider value into a label, the focus back to the slider.
void Take_field(QLabel* label)
{
    if (Frm_kanot_2* viewer = platform::Form_if_loaded<Frm_kanot_2>()) {
        label->setText(QString::number(viewer->Slider_play->value()));
        viewer->SliderPlay_Focus();
    }
}
} // namespace

void Frm_export::Lbl_inpoint_Click() { Take_field(Lbl_inpoint); }

void Frm_export::Lbl_outpoint_Click() { Take_field(Lbl_outpoint); }

std::string Frm_export::Export_folder(std::string& problem)
{
    const auto temp = platform::Private_temp_folder(problem);
    if (temp.empty()) return {};
    const auto folder = temp / "kanottest";
    return platform::Make_private_folder(folder, problem) ? folder.string() : std::string();
}

std::string Frm_export::Picture_path(const std::string& heat, int field)
{
    std::string problem;
    const std::string folder = Export_folder(problem);
    if (folder.empty()) return {};
    char name[64];
    std::snprintf(name, sizeof name, "_%04d.jpg", field);
    return (std::filesystem::path(folder) / ("Heat" + heat + name)).string();
}

void Frm_export::Cmd_export_Click()
{
    try {
        Frm_kanot_2* viewer = platform::Form_if_loaded<Frm_kanot_2>();
        if (!viewer || !g_Recording || !g_Recording->File_open()) return;
        const std::string heat = Get_Heat_From_Filename(g_Recording->File_name());
        if (Lbl_inpoint->text().isEmpty() || Lbl_outpoint->text().isEmpty()) {
            QApplication::beep();
            return;
        }
        const int in = Lbl_inpoint->text().toInt(), out = Lbl_outpoint->text().toInt();
        std::string problem;
        if (in <= out && Export_folder(problem).empty()) {
            platform::MsgBox("The pictures cannot be exported: " + problem, platform::vbExclamation);
            return;
        }
        for (int f = in; f <= out; ++f) {
            viewer->Slider_play->setValue(f);
            viewer->Slider_play_Scroll();
            if (!viewer->Save_Jpeg(Picture_path(heat, f))) return;
        }
    } catch (...) {
        Report_current_exception("Cmd_export_Click of Form Frm_export");
    }
}

} // namespace wk
