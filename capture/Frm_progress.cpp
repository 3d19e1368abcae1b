#include "capture/Frm_progress.h"

#include "services/Form_controls.h"

#include <QLabel>
#include <QProgressBar>

namespace wk {

Frm_progress::Frm_progress() : Form_window("Frm_progress")
{
    setWindowTitle("Wakeline");
    resize(320, 80);
    Lbl_caption = Named(new QLabel(this), "Lbl_caption");
    Lbl_caption->setGeometry(10, 8, 300, 20);
    ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
}

void Frm_progress::Set_Caption(const std::string& text)
{
    Lbl_caption->setText(QString::fromStdString(text));
    Lbl_caption->repaint();
}

void Frm_progress::Set_Percent(int32_t value)
{
    if (value < ProgressBar1->minimum() || value > ProgressBar1->maximum()) return;
    ProgressBar1->setValue(value);
    ProgressBar1->repaint();
}

int32_t Frm_progress::Percent() const { return ProgressBar1->value(); }

std::string Frm_progress::Caption() const { return Lbl_caption->text().toStdString(); }

void Frm_progress::resizeEvent(QResizeEvent* event)
{
    Form_window::resizeEvent(event);
    // The bar takes nine tenths of the inner width, centred.
    const int width = this->width();
    ProgressBar1->setGeometry((width - width * 9 / 10) / 2, 36, width * 9 / 10, 24);
}

} // namespace wk
