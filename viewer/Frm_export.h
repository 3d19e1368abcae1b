#pragma once
// The frame export: marks an in-point and an out-point on the viewer's slider and writes every
// field between them, both included, as a numbered picture.
#include "platform/Form_window.h"

#include <string>

class QLabel;
class QPushButton;

namespace wk {

class Frm_export final : public platform::Form_window {
public:
    Frm_export();

    QLabel* Lbl_inpoint = nullptr;
    QLabel* Lbl_outpoint = nullptr;
    QPushButton* Cmd_export = nullptr;

    void Form_Load();
    void Lbl_inpoint_Click();
    void Lbl_outpoint_Click();
    void Cmd_export_Click();
    // The user's own export folder: kanottest in the private temporary folder, both made private
    // and checked. Empty, with problem set, when either is not the user's own.
    static std::string Export_folder(std::string& problem);
    // Where field f of heat h is written: "Heat<h>_<ffff>.jpg" in the export folder; empty when
    // there is none.
    static std::string Picture_path(const std::string& heat, int field);

protected:
    void Form_Unload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace wk
