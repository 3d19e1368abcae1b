#pragma once
// The 20-byte head of the program's own recordings (qs1, qs2): magic, where the frames start,
// how long the XML text is. The own-format reader offers it.
#include "recording/QSM_Header_Record.h"

namespace wk {

class Own_format_head {
public:
    // Reads the head and the XML text; false (the problem posted) when the file is not a recording of
    // this format.
    virtual bool Read_head() = 0;
    virtual void Write_head() = 0;
    virtual QSM_Header_Record& Head() = 0;
    virtual const QSM_Header_Record& Head() const = 0;

protected:
    ~Own_format_head() = default;
};

} // namespace wk
