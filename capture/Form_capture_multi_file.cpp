#include "capture/Form_capture_multi_file.h"

namespace wk {

Form_capture_multi_file::Form_capture_multi_file() : Form_window("Form_capture_multi_file")
{
    setWindowTitle("Wakeline capture");
    resize(1024, 700);
}

} // namespace wk
