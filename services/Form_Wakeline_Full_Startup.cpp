#include "services/Form_Wakeline_Full_Startup.h"

#include "platform/Forms.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_error.h"
#include "services/Module_ini_keys.h"
#include "services/Module_qsm_Globals.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace wk {

Form_Wakeline_Full_Startup::Form_Wakeline_Full_Startup() : Form_window("Form_Wakeline_Full_Startup")
{
    setWindowTitle("Wakeline Startup");
    auto* layout = new QVBoxLayout(this);
    menu_bar = new QMenuBar(this);
    menu_form = menu_bar->addMenu("Form");
    menu_form->setObjectName("menu_form");
    item_exit = menu_form->addAction("Exit");
    item_exit->setObjectName("item_exit");
    menu_help = menu_bar->addMenu("Help");
    menu_help->setObjectName("menu_help");
    item_about = menu_help->addAction("About");
    item_about->setObjectName("item_about");
    layout->setMenuBar(menu_bar);

    Label1 = new QLabel("Welcome to Wakeline", this);
    Label1->setObjectName("Label1");
    QFont f("Trebuchet MS");
    f.setPointSize(20);
    f.setBold(true);
    Label1->setFont(f);
    Label1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Label1);

    Frame_capture_options = new QGroupBox("Program  option", this);
    Frame_capture_options->setObjectName("Frame_capture_options");
    auto* options = new QVBoxLayout(Frame_capture_options);
    const char* captions[3] = {"Single file (original Wakeline)", "Capture files", "View recordings"};
    // Shown top to bottom as the indexes 2, 1, 0.
    for (int i = 2; i >= 0; --i) {
        auto* b = new QRadioButton(captions[i], Frame_capture_options);
        b->setObjectName(QString("Option_capture_type_%1").arg(i));
        Option_capture_type[size_t(i)] = b;
        options->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this, i] { Option_capture_type_Click(i); });
    }
    layout->addWidget(Frame_capture_options);

    Command_go = new QPushButton("Go", this);
    Command_go->setObjectName("Command_go");
    Command_go->setDefault(true);
    layout->addWidget(Command_go);
    // Go has the focus: Space presses it too, rather than picking another option.
    setFocusProxy(Command_go);
    Command_go->setFocus();

    connect(Command_go, &QPushButton::clicked, this, [this] { Command_go_Click(); });
    connect(item_exit, &QAction::triggered, this, [this] { item_exit_Click(); });
    connect(item_about, &QAction::triggered, this, [this] { item_about_Click(); });
    resize(360, 280);
    Form_Load();
}

// Enter anywhere in the window presses Go, as in a dialog.
void Form_Wakeline_Full_Startup::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Command_go->click();
        return;
    }
    Form_window::keyPressEvent(event);
}

void Form_Wakeline_Full_Startup::Form_Load()
{
    Wakeline_Initialization();
    Eval_Codecs();
    const std::string type = Read_setting(ini::Capture_type);
    Option_capture_type[type == "single" ? 0 : 1]->setChecked(true);
}

void Form_Wakeline_Full_Startup::Option_capture_type_Click(int index)
{
    Write_setting(ini::Capture_type, index == 0 ? "single" : "multiple");
}

int Form_Wakeline_Full_Startup::Selected_option() const
{
    for (int i = 0; i < 3; ++i)
        if (Option_capture_type[size_t(i)]->isChecked()) return i;
    return 0;
}

void Form_Wakeline_Full_Startup::Command_go_Click()
{
    try {
        // Option 0, the single-file way of working, is the viewer on one recording.
        const int option = Selected_option();
        platform::Open_window(option == 1 ? "Form_capture_multi_file" : "Frm_kanot_2");
        Unload_form();
    } catch (...) {
        Report_current_exception("Command_go_Click of Form Form_Wakeline_Full_Startup");
    }
}

void Form_Wakeline_Full_Startup::item_about_Click() { platform::Open_window("frmAbout"); }

void Form_Wakeline_Full_Startup::item_exit_Click() { Wakeline_exit(Operator_boxes_of_windows()); }

} // namespace wk
