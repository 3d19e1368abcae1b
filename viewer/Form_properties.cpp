#include "viewer/Form_properties.h"

#include "platform/Dialogs.h"
#include "platform/Print_target.h"
#include "services/Module_error.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace wk {

Form_properties::Form_properties() : Form_window("Form_properties")
{
    setWindowTitle("Properties");
    auto* layout = new QVBoxLayout(this);
    Text_properties = new QPlainTextEdit(this);
    Text_properties->setObjectName("Text_properties");
    Text_properties->setReadOnly(true);
    Text_properties->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Text_properties, 1);
    auto* buttons = new QHBoxLayout;
    Command_OK = new QPushButton("OK", this);
    Command_OK->setObjectName("Command_OK");
    Command_Print = new QPushButton("Print", this);
    Command_Print->setObjectName("Command_Print");
    buttons->addStretch(1);
    buttons->addWidget(Command_Print);
    buttons->addWidget(Command_OK);
    layout->addLayout(buttons);
    connect(Command_OK, &QPushButton::clicked, this, [this] { Command_OK_Click(); });
    connect(Command_Print, &QPushButton::clicked, this, [this] { Command_Print_Click(); });
    resize(560, 460);
}

void Form_properties::Command_OK_Click() { Unload_form(); }

bool Form_properties::Command_Print_Click()
{
    try {
        platform::Printer_port* port = platform::Get_printer_port();
        std::shared_ptr<platform::Print_target> printer = port ? port->Open_printer() : nullptr;
        if (!printer) {
            platform::MsgBox("No printer to print on!", platform::vbOKOnly);
            return false;
        }
        const QStringList lines = Text_properties->toPlainText().split('\n');
        for (const QString& line : lines) printer->Print(line.toStdString());
        const bool ok = printer->EndDoc();
        if (!ok) platform::MsgBox("Printer error", platform::vbOKOnly);
        Command_OK->setFocus();
        return ok;
    } catch (...) {
        Report_current_exception("Command_Print_Click of Form Form_properties");
        return false;
    }
}

} // namespace wk
