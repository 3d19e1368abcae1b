#pragma once
// The header fields the recording object offers as they stand in its XML header, in memory only
// (Write_XML_header stores them). The fields are those of the shared lists in Header_fields.h;
// a missing element raises unless the list names a default.
#include "recording/header/Header_fields.h"

#include <cstdint>
#include <string>

namespace wk {

class Cls_XML_header;

class Header_section {
public:
#define WK_DECLARE_FIELD(T, name) T name(); void name(header_field::Arg<T> value);
#define WK_DECLARE_INDEXED_FIELD(T, name, index) T name(int16_t index); void name(int16_t index, header_field::Arg<T> value);
    WK_HEADER_FIELDS(WK_DECLARE_FIELD)
    WK_HEADER_INDEXED_FIELDS(WK_DECLARE_INDEXED_FIELD)
#undef WK_DECLARE_FIELD
#undef WK_DECLARE_INDEXED_FIELD

protected:
    ~Header_section() = default;

private:
    // The recording's header, made on first use.
    virtual Cls_XML_header& Fields_header() = 0;
};

} // namespace wk
