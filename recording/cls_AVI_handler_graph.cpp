// The recording object's header members with more than one field: the header dump, graph
// objects and the animation file's line count.
#include "recording/cls_AVI_handler.h"

#include "recording/header/Cls_XML_header.h"

namespace wk {

void cls_AVI_handler::Dump_XML_Header(const std::string& name) { Header().Dump_XML_to_file(name); }

void cls_AVI_handler::Save_Graph_object(int16_t id, int16_t obj_type, int16_t layer, int32_t color, int16_t linetype,
                                        int16_t linewidth, bool filled, int16_t x1, int16_t y1, int16_t x2,
                                        int16_t y2, int16_t x3, int16_t y3, int16_t x4, int16_t y4)
{
    Header().Graph_object(id, obj_type, layer, color, linetype, linewidth, filled, x1, y1, x2, y2, x3, y3, x4, y4);
}

void cls_AVI_handler::Load_Graph_object(int16_t id, int16_t& obj_type, int16_t& layer, int32_t& color,
                                        int16_t& linetype, int16_t& linewidth, bool& filled, int16_t& x1,
                                        int16_t& y1, int16_t& x2, int16_t& y2, int16_t& x3, int16_t& y3,
                                        int16_t& x4, int16_t& y4)
{
    Header().get_Graph_object(id, obj_type, layer, color, linetype, linewidth, filled, x1, y1, x2, y2, x3, y3, x4,
                              y4);
}

int16_t cls_AVI_handler::anp_file_lines() { return Header().anp_numlines(); }
void cls_AVI_handler::anp_file_lines(int16_t value) { Header().anp_numlines(value); }

} // namespace wk
