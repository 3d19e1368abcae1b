#include "platform/Qt_printer.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace wk::platform {
namespace {

class Qt_printer_target final : public Painter_print_target {
public:
    explicit Qt_printer_target(const QPrinterInfo& info) : printer_(info, QPrinter::HighResolution)
    {
        const QRectF page = printer_.pageLayout().fullRectPoints();
        width_twips_ = page.width() * 20.0;
        height_twips_ = page.height() * 20.0;
        printer_.setFullPage(true);
    }
    ~Qt_printer_target() override
    {
        if (painter_.isActive()) painter_.end();
    }
    void NewPage() override
    {
        printer_.newPage();
        CurrentX = CurrentY = 0;
    }
    bool EndDoc() override { return painter_.isActive() ? painter_.end() : true; }

protected:
    QPainter& Painter() override
    {
        if (!painter_.isActive()) painter_.begin(&printer_);
        return painter_;
    }
    double Dpi() const override { return printer_.resolution(); }

private:
    QPrinter printer_;
    QPainter painter_;
};

} // namespace

Printer_facts Qt_printer_port::Facts()
{
    Printer_facts f;
    const auto printers = QPrinterInfo::availablePrinters();
    f.count = int(printers.size());
    if (f.count > 0) {
        QPrinter printer(QPrinterInfo::defaultPrinter().isNull() ? printers.front() : QPrinterInfo::defaultPrinter());
        const QRectF page = printer.pageLayout().fullRectPoints();
        f.page_width_twips = page.width() * 20.0;
        f.page_height_twips = page.height() * 20.0;
    }
    return f;
}

std::shared_ptr<Print_target> Qt_printer_port::Open_printer()
{
    const auto printers = QPrinterInfo::availablePrinters();
    if (printers.isEmpty()) return nullptr;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter().isNull() ? printers.front() : QPrinterInfo::defaultPrinter();
    return std::make_shared<Qt_printer_target>(info);
}

} // namespace wk::platform
