#pragma once
// The bytes of a header journal and what they say: which file the rewrite was made for (device,
// inode and size before the rewrite), and for each changed range its old and its new bytes.
// Journals of the first layout hold no identity and only a hash of the new bytes; they are still
// read, so that a rewrite an older build left unfinished comes back.
#include "platform/Byte_source.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace wk {

struct Journal_entry {
    int64_t offset = 0;
    std::vector<uint8_t> old_bytes;
    // The new bytes themselves; in a journal of the first layout only their length and hash.
    std::vector<uint8_t> new_bytes;
    uint32_t new_length = 0;
    uint64_t new_hash = 0;
};

class Journal_record {
public:
    // The largest journal written or read: a header area is some hundred kilobytes, and a
    // journal holds its old and its new bytes.
    static constexpr int64_t k_Max_size = 4 << 20;
    static constexpr uint32_t k_Max_entries = 64;

    // The layout that carries the file's identity and the new bytes.
    static constexpr int k_Version = 2;

    int version = k_Version;
    platform::File_identity file;
    int64_t file_size = 0;
    std::vector<Journal_entry> entries;

    std::vector<uint8_t> Encode() const;
    // Nothing unless the bytes are one whole journal whose counts and lengths fit in them;
    // nothing is allocated past what the bytes themselves hold.
    static std::optional<Journal_record> Decode(const std::vector<uint8_t>& bytes);
    static uint64_t Hash(const uint8_t* p, size_t n);
};

} // namespace wk
