#pragma once
// The small window that shows how far the appending of a capture has come.
#include "platform/Form_window.h"

class QLabel;
class QProgressBar;

namespace wk {

class Frm_progress final : public platform::Form_window {
public:
    Frm_progress();
    void Set_Caption(const std::string& text);
    // Values outside the bar's range are ignored.
    void Set_Percent(int32_t value);
    int32_t Percent() const;
    std::string Caption() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* Lbl_caption = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
};

} // namespace wk
