#include "services/QSM_error_form.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace wk {

QSM_error_form::QSM_error_form() : Form_window("QSM_error_form")
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    QFont big = Label1->font();
    big.setPointSize(14);
    big.setBold(true);
    Label1->setFont(big);
    err_lbl = new QLabel(this);
    err_lbl->setObjectName("err_lbl");
    err_lbl->setWordWrap(true);
    err_lbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    err_lbl->setMinimumSize(520, 140);
    err_lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(1, 100);
    ProgressBar1->hide();
    auto* buttons = new QHBoxLayout;
    auto make = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    Cmd_continue = make("Cmd_continue", "Continue");
    Cmd_exit = make("Cmd_exit", "Exit");
    Cmd_print_error = make("Cmd_print_error", "Print");
    Cmd_save_log = make("Cmd_save_log", "Save log");
    layout->addWidget(Label1);
    layout->addWidget(err_lbl, 1);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
    resize(600, 280);
    connect(Cmd_continue, &QPushButton::clicked, this, [this] { Cmd_continue_Click(); });
    connect(Cmd_exit, &QPushButton::clicked, this, [this] { Cmd_exit_Click(); });
    connect(Cmd_print_error, &QPushButton::clicked, this, [this] { Cmd_print_error_Click(); });
    connect(Cmd_save_log, &QPushButton::clicked, this, [this] { Cmd_save_log_Click(); });
    Form_Load();
}

void QSM_error_form::Form_Load()
{
    QSM_Error_Initialize();
    MakeTopMost(this);
}

void QSM_error_form::QSM_Error_Initialize()
{
    setWindowTitle(QString::fromStdString(g_Edition_text + " error"));
    Label1->setText(QString::fromStdString(g_Edition_text + " error report"));
}

void QSM_error_form::Show_text(const std::string& text)
{
    current_ = text;
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n");
    err_lbl->setText(shown);
    show();
    raise();
}

void QSM_error_form::Add_report(const std::string& text)
{
    if (isVisible() && !current_.empty())
        waiting_.push_back(text);
    else
        Show_text(text);
}

void QSM_error_form::Cmd_continue_Click()
{
    if (!waiting_.empty()) {
        const std::string next = waiting_.front();
        waiting_.pop_front();
        Show_text(next);
        return;
    }
    current_.clear();
    hide();
}

void QSM_error_form::Cmd_exit_Click() { platform::End_program(0); }

void QSM_error_form::Cmd_save_log_Click() { Save_Error_Log(current_); }

void QSM_error_form::Cmd_print_error_Click()
{
    try {
        if (QPrinterInfo::availablePrinters().isEmpty()) {
            platform::MsgBox("No printer availible");
            return;
        }
        QPrinter printer(QPrinterInfo::defaultPrinter());
        QPainter p;
        if (!p.begin(&printer)) throw std::runtime_error("printer");
        const int dpi = printer.resolution();
        const auto twips = [dpi](int t) { return t * dpi / 1440; };
        int y = twips(100);
        QFont f("Arial");
        auto line = [&](const QString& text, int points, bool bold = false) {
            f.setPointSize(points);
            f.setBold(bold);
            p.setFont(f);
            const QRect r = p.boundingRect(QRect(twips(100), y, printer.width() - twips(200), printer.height()),
                                           Qt::TextWordWrap, text);
            p.drawText(r, Qt::TextWordWrap, text);
            y += r.height();
        };
        const auto now = platform::Get_clock().Now();
        char when[32];
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                      now.minute, now.second);
        line(QString::fromStdString(g_Edition_text + " error report\n"), 24);
        line(QString("Printed at: ") + when, 12);
        line(QString::fromStdString(Error_version_line()), 12);
        line(QString::fromStdString(" Computer: " + g_Computer_name + "\n"), 12);
        line(QString::fromStdString(current_).replace("\r\n", "\n"), 12);
        line("What to do with this error report?", 12, true);
        if (!p.end()) throw std::runtime_error("printer");
        ProgressBar1->show();
        for (int i = 1; i <= 100; ++i) {
            ProgressBar1->setValue(i);
            Wait_ms(5, true);
        }
        ProgressBar1->hide();
    } catch (...) {
        platform::MsgBox("Printer error");
    }
}

void MakeTopMost(QWidget* window)
{
    const QRect g = window->geometry();
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    window->setGeometry(g);
    if (visible) window->show();
}

namespace {
class Form_view final : public Error_report_view {
public:
    void Show_report(const std::string& text) override
    {
        platform::Form_instance<QSM_error_form>().Add_report(text);
        platform::Do_events();
    }
};
} // namespace

void Install_error_form()
{
    static Form_view view;
    Install_error_report_view(&view);
}

} // namespace wk
