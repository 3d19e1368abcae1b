#pragma once
// Header rewrites that a kill, a power cut or a full disk cannot leave half done. Before the
// first byte of a recording changes, the room for the new bytes is taken on the disk and the old
// bytes are written, with the place they came from, into a journal beside the recording
// ("<recording>.wkj"); the journal goes once the new bytes are on the disk. A journal found at the
// next open means the rewrite did not end: the old bytes are put back (or, in a file that may
// not be written, shown in place of what is there), unless the new bytes had all arrived.
// A journal is used only when it stays inside the header area of the recording's kind, was made
// by the recording's owner or this user for this very file (device, inode, size) and names the
// bytes the file holds now; any other is moved aside ("<recording>.wkj.rejected") and the
// operator is told.
#include "platform/Byte_file.h"
#include "recording/Recording_problem.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wk {

struct Byte_patch {
    int64_t offset = 0;
    std::vector<uint8_t> bytes;
};

// [begin, end) of a file.
struct Byte_range {
    int64_t begin = 0;
    int64_t end = 0;
};
// Where a header rewrite may change a file of one kind: its header area as the file holds it now.
using Header_area = std::vector<Byte_range>;
using Header_area_finder = std::function<Header_area(const platform::Byte_file&)>;

class Header_journal {
public:
    static std::string Journal_name(const std::string& recording);
    static std::string Rejected_name(const std::string& recording);
    // Writes the patches, which lie inside area, into the open file of the recording at path.
    // Raises Run_time_error when it could not; the file then reads as it did before.
    static void Write(platform::Byte_file& file, const std::string& path, const std::vector<Byte_patch>& patches,
                      const Header_area& area, Recording_problems& problems);
    // Settles what an interrupted rewrite left beside the recording just opened, whose header
    // area is area. Raises when the old bytes could not be put back (the journal then stays for
    // the next open). A journal that is not used is posted to problems.
    static void Settle(platform::Byte_file& file, const std::string& path, const Header_area& area,
                       Recording_problems& problems);
};

} // namespace wk
