#include "viewer/Frm_kanot_2.h"

#include "platform/Forms.h"
#include "services/Module_canoe.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_utilities.h"

namespace wk {

Frm_kanot_2::Frm_kanot_2() : Form_window("Frm_kanot_2")
{
    setWindowTitle("Wakeline");
    resize(1024, 700);
    Form_Load();
}

void Frm_kanot_2::Form_Load()
{
    try {
        Wakeline_Initialization();
        Check_Printer();
        Load_Event_Name();
        Eval_Codecs();
        g_DV_Extra_Offset = 12000;
        int32_t left = 0, top = 0, w = width() * platform::Twips_per_pixel_x(), h = height() * platform::Twips_per_pixel_y();
        Get_Form_Pos("Frm_kanot_2", left, top, w, h);
        setGeometry(left / platform::Twips_per_pixel_x(), top / platform::Twips_per_pixel_y(),
                    std::max(200, w / platform::Twips_per_pixel_x()), std::max(150, h / platform::Twips_per_pixel_y()));
    } catch (const platform::End_requested&) {
        throw;
    } catch (...) {
        Report_current_exception("Form_Load of Form Frm_kanot_2");
    }
}

void Frm_kanot_2::Form_Unload()
{
    Store_Form_Pos("Frm_kanot_2", x() * platform::Twips_per_pixel_x(), y() * platform::Twips_per_pixel_y(),
                   width() * platform::Twips_per_pixel_x(), height() * platform::Twips_per_pixel_y());
}

} // namespace wk
