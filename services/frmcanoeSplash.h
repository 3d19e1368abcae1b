#pragma once
// The splash window: product, version, compile stamp, the available memory as the memory tracker
// saw it and the image library's version. Any key or a click on the frame closes it.
#include "platform/Form_window.h"

#include <cstdint>
#include <string>

class QGroupBox;
class QLabel;

namespace wk {

class Cls_memory_status;

class frmcanoeSplash final : public platform::Form_window {
public:
    frmcanoeSplash();

    QGroupBox* Frame1;
    QLabel* lblProductName;
    QLabel* lblVersion;
    QLabel* Lbl_compdate;
    QLabel* lbl_memory_usage;
    QLabel* Lbl_BrixGraphics;
    QLabel* lblPlatform;
    QLabel* lblWarning;

    void Form_Load();
    void Form_KeyPress(int key_ascii);
    void Frame1_Click();
    void BrixGraphicsVersion();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Bytes as mebibytes to one decimal (halves to the even digit), in the shortest form with the
// locale's decimal separator: 3 GiB gives "3072", 1572864 bytes "1.5", 262144 bytes "0.2".
std::string Mebibytes_text(int64_t bytes);
// "Avail Phys. memory: (initial/last/min)", a line break, then the three figures joined by "/".
std::string Memory_usage_text(const Cls_memory_status& status);

} // namespace wk
