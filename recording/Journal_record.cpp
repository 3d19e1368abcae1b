#include "recording/Journal_record.h"

#include <cstring>
#include <limits>

namespace wk {
namespace {

constexpr char k_Magic_v1[4] = {'W', 'K', 'J', '1'};
constexpr char k_Magic_v2[4] = {'W', 'K', 'J', '2'};
constexpr size_t k_Hash_size = 8;

void Put_u64(std::vector<uint8_t>& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Put_u32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// Reads forward through the body; every read says whether the bytes were there.
class Cursor {
public:
    Cursor(const std::vector<uint8_t>& in, size_t end) : in_(in), end_(end) {}
    size_t Left() const { return end_ - at_; }
    bool U64(uint64_t& v)
    {
        if (Left() < 8) return false;
        v = 0;
        for (int i = 0; i < 8; ++i) v |= uint64_t(in_[at_ + size_t(i)]) << (8 * i);
        at_ += 8;
        return true;
    }
    bool U32(uint32_t& v)
    {
        if (Left() < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(in_[at_ + size_t(i)]) << (8 * i);
        at_ += 4;
        return true;
    }
    bool Offset(int64_t& v)
    {
        uint64_t u = 0;
        if (!U64(u) || u > uint64_t(std::numeric_limits<int64_t>::max())) return false;
        v = int64_t(u);
        return true;
    }
    bool Bytes(uint32_t n, std::vector<uint8_t>& out)
    {
        if (Left() < n) return false;
        out.assign(in_.begin() + ptrdiff_t(at_), in_.begin() + ptrdiff_t(at_ + n));
        at_ += n;
        return true;
    }

private:
    const std::vector<uint8_t>& in_;
    size_t end_;
    size_t at_ = 8;
};

// The range a rewrite touched must be one that int64 offsets can reach.
bool Range_fits(int64_t offset, uint32_t length) { return offset <= std::numeric_limits<int64_t>::max() - length; }

bool Decode_v1(Cursor& in, uint32_t count, Journal_record& out)
{
    constexpr size_t k_Entry_head = 24;
    if (count > Journal_record::k_Max_entries || count > in.Left() / k_Entry_head) return false;
    out.version = 1;
    out.entries.resize(count);
    for (Journal_entry& e : out.entries) {
        uint32_t old_length = 0;
        if (!in.Offset(e.offset) || !in.U32(e.new_length) || !in.U64(e.new_hash) || !in.U32(old_length)) return false;
        if (old_length > e.new_length || !Range_fits(e.offset, e.new_length) || !in.Bytes(old_length, e.old_bytes))
            return false;
    }
    return true;
}

bool Decode_v2(Cursor& in, uint32_t count, Journal_record& out)
{
    constexpr size_t k_Entry_head = 12;
    uint64_t size = 0;
    if (!in.U64(out.file.device) || !in.U64(out.file.inode) || !in.U64(size)) return false;
    if (size > uint64_t(std::numeric_limits<int64_t>::max())) return false;
    out.file_size = int64_t(size);
    if (count > Journal_record::k_Max_entries || count > in.Left() / k_Entry_head) return false;
    out.version = 2;
    out.entries.resize(count);
    for (Journal_entry& e : out.entries) {
        uint32_t length = 0;
        if (!in.Offset(e.offset) || !in.U32(length) || !Range_fits(e.offset, length)) return false;
        // Both copies must be there before either is taken.
        if (in.Left() / 2 < length || !in.Bytes(length, e.old_bytes) || !in.Bytes(length, e.new_bytes)) return false;
        e.new_length = length;
        e.new_hash = Journal_record::Hash(e.new_bytes.data(), e.new_bytes.size());
    }
    return true;
}

} // namespace

uint64_t Journal_record::Hash(const uint8_t* p, size_t n)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

std::vector<uint8_t> Journal_record::Encode() const
{
    std::vector<uint8_t> out(k_Magic_v2, k_Magic_v2 + 4);
    Put_u32(out, uint32_t(entries.size()));
    Put_u64(out, file.device);
    Put_u64(out, file.inode);
    Put_u64(out, uint64_t(file_size));
    for (const Journal_entry& e : entries) {
        Put_u64(out, uint64_t(e.offset));
        Put_u32(out, uint32_t(e.new_bytes.size()));
        out.insert(out.end(), e.old_bytes.begin(), e.old_bytes.end());
        out.insert(out.end(), e.new_bytes.begin(), e.new_bytes.end());
    }
    Put_u64(out, Hash(out.data(), out.size()));
    return out;
}

std::optional<Journal_record> Journal_record::Decode(const std::vector<uint8_t>& in)
{
    if (in.size() < 8 + k_Hash_size || int64_t(in.size()) > k_Max_size) return std::nullopt;
    const size_t body = in.size() - k_Hash_size;
    uint64_t hash = 0;
    for (int i = 0; i < 8; ++i) hash |= uint64_t(in[body + size_t(i)]) << (8 * i);
    if (Hash(in.data(), body) != hash) return std::nullopt;
    uint32_t count = 0;
    for (int i = 0; i < 4; ++i) count |= uint32_t(in[4 + size_t(i)]) << (8 * i);
    Cursor cursor(in, body);
    Journal_record out;
    bool whole = false;
    if (std::memcmp(in.data(), k_Magic_v2, 4) == 0)
        whole = Decode_v2(cursor, count, out);
    else if (std::memcmp(in.data(), k_Magic_v1, 4) == 0)
        whole = Decode_v1(cursor, count, out);
    if (!whole || cursor.Left() != 0) return std::nullopt;
    return out;
}

} // namespace wk
