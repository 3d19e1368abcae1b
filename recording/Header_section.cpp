// The recording object's forwarders to its header, made from the shared field lists.
#include "recording/Header_section.h"

#include "recording/header/Cls_XML_header.h"

namespace wk {

#define WK_FORWARD_FIELD(T, name)                                                                   \
    T Header_section::name() { return Fields_header().name(); }                                    \
    void Header_section::name(header_field::Arg<T> value) { Fields_header().name(value); }
#define WK_FORWARD_INDEXED_FIELD(T, name, index)                                                    \
    T Header_section::name(int16_t index) { return Fields_header().name(index); }                  \
    void Header_section::name(int16_t index, header_field::Arg<T> value) { Fields_header().name(index, value); }
WK_HEADER_FIELDS(WK_FORWARD_FIELD)
WK_HEADER_INDEXED_FIELDS(WK_FORWARD_INDEXED_FIELD)
#undef WK_FORWARD_FIELD
#undef WK_FORWARD_INDEXED_FIELD

} // namespace wk
