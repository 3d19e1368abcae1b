#pragma once
// The indexes of an AVI as the recording object reaches them: idx1 and the OpenDML indexes
// read (and what they miss rebuilt), a standard "ix00" index looked for, an entry's flags.
// The AVI reader offers it.
#include "recording/Recording_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wk {

class Avi_frame_index {
public:
    // Reads the indexes (rebuilding what they do not reach); false (the problem posted) when the file
    // cannot be read through them.
    virtual bool Read_indexes(const std::string& path) = 0;
    // Looks for a standard "ix00" index in the first 100000 bytes from start.
    virtual bool Read_ix00_index(int64_t start) = 0;
    virtual const std::vector<recording_format::Ix00_entry>& Ix00_entries() const = 0;
    // The idx1 flags of frame n's entry; raises outside the index.
    virtual int32_t Index_flag(int32_t n) const = 0;

protected:
    ~Avi_frame_index() = default;
};

} // namespace wk
