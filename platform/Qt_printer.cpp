#include "platform/Qt_printer.h"

#include "platform/Forms.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace wk::platform {
namespace {

// A job on a QPrinter: a CUPS printer or a PDF file. The job begins with the first drawing
// and ends with EndDoc; the next drawing begins the next job.
class Qt_printer_target final : public Painter_print_target {
public:
    explicit Qt_printer_target(const QPrinterInfo& info) : printer_(info, QPrinter::HighResolution) { Take_page(); }
    Qt_printer_target(const std::string& pdf_path, double width_twips, double height_twips)
        : printer_(QPrinter::HighResolution)
    {
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setOutputFileName(QString::fromStdString(pdf_path));
        printer_.setPageSize(QPageSize(QSizeF(width_twips / 20.0, height_twips / 20.0), QPageSize::Point));
        printer_.setPageMargins(QMarginsF(0, 0, 0, 0));
        Take_page();
    }
    ~Qt_printer_target() override
    {
        if (painter_.isActive()) painter_.end();
    }
    void NewPage() override
    {
        if (painter_.isActive() && !printer_.newPage()) throw Printer_fault("Printer error");
        CurrentX = CurrentY = 0;
    }
    bool EndDoc() override { return painter_.isActive() ? painter_.end() : true; }
    bool Printing() const override { return painter_.isActive(); }

protected:
    QPainter& Painter() override
    {
        if (!painter_.isActive()) {
            // The job is spooled under the program's title of the moment.
            printer_.setDocName(QString::fromStdString(App().title));
            if (!painter_.begin(&printer_)) throw Printer_fault("Printer error");
        }
        return painter_;
    }
    double Dpi() const override { return printer_.resolution(); }

private:
    // Twips measure the whole sheet; the device's own margins are not left out.
    void Take_page()
    {
        printer_.setFullPage(true);
        const QRectF page = printer_.pageLayout().fullRectPoints();
        width_twips_ = page.width() * 20.0;
        height_twips_ = page.height() * 20.0;
    }
    QPrinter printer_;
    QPainter painter_;
};

QPrinterInfo Default_printer()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) return info;
    const auto printers = QPrinterInfo::availablePrinters();
    return printers.isEmpty() ? QPrinterInfo() : printers.front();
}

} // namespace

std::shared_ptr<Print_target> Open_pdf_file(const std::string& path, double width_twips, double height_twips)
{
    return std::make_shared<Qt_printer_target>(path, width_twips, height_twips);
}

Printer_facts Qt_printer_port::Facts()
{
    Printer_facts f;
    f.count = int(QPrinterInfo::availablePrinters().size());
    if (f.count > 0) {
        const QPrinterInfo info = Default_printer();
        QPrinter printer(info);
        const QRectF page = printer.pageLayout().fullRectPoints();
        f.page_width_twips = page.width() * 20.0;
        f.page_height_twips = page.height() * 20.0;
    }
    return f;
}

std::string Qt_printer_port::Printer_name() { return Default_printer().printerName().toStdString(); }

std::shared_ptr<Print_target> Qt_printer_port::Open_printer()
{
    const QPrinterInfo info = Default_printer();
    if (info.isNull()) return nullptr;
    return std::make_shared<Qt_printer_target>(info);
}

std::shared_ptr<Print_target> Qt_printer_port::Open_pdf(const std::string& path, double width_twips,
                                                        double height_twips)
{
    return Open_pdf_file(path, width_twips, height_twips);
}

} // namespace wk::platform
