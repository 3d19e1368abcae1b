#pragma once
// Header rewrites that a kill, a power cut or a full disk cannot leave half done. Before the
// first byte of a recording changes, the room for the new bytes is taken on the disk and the old
// bytes are written, with the place they came from, into a journal beside the recording
// ("<recording>.wkj"); the journal goes once the new bytes are on the disk. A journal found at the
// next open means the rewrite did not end: the old bytes are put back (or, in a file that may
// not be written, shown in place of what is there), unless the new bytes had all arrived.
#include "platform/Byte_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wk {

struct Byte_patch {
    int64_t offset = 0;
    std::vector<uint8_t> bytes;
};

class Header_journal {
public:
    static std::string Journal_name(const std::string& recording);
    // Writes the patches into the open file of the recording at path. Raises Run_time_error when
    // it could not; the file then reads as it did before.
    static void Write(platform::Byte_file& file, const std::string& path, const std::vector<Byte_patch>& patches);
    // Settles what an interrupted rewrite left beside the recording just opened. Raises when the
    // old bytes could not be put back (the journal then stays for the next open).
    static void Settle(platform::Byte_file& file, const std::string& path);
};

} // namespace wk
