#pragma once
// Reading a whole recording into memory, with the wait cursor shown meanwhile.
#include "platform/Byte_file.h"

namespace wk::whole_file_read {

// Puts a copy of the whole file in memory in front of it; false when there is no room or it
// cannot be read.
bool Read_whole_file(platform::Byte_file& file);

// The wait cursor while the whole file is read; put back however the reading ends.
class Wait_cursor {
public:
    Wait_cursor();
    ~Wait_cursor() { Restore(); }
    Wait_cursor(const Wait_cursor&) = delete;
    Wait_cursor& operator=(const Wait_cursor&) = delete;
    void Restore();

private:
    bool shown_;
};

} // namespace wk::whole_file_read
