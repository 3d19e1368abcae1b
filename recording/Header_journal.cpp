#include "recording/Header_journal.h"

#include "services/Run_time_error.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace wk {
namespace {

constexpr char k_Magic[4] = {'W', 'K', 'J', '1'};
// A header area is at most some hundred kilobytes; anything much larger is no journal of ours.
constexpr int64_t k_Max_journal = 16 << 20;

uint64_t Hash(const uint8_t* p, size_t n, uint64_t h = 1469598103934665603ull)
{
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

struct Journal_entry {
    int64_t offset = 0;
    uint32_t new_length = 0;
    uint64_t new_hash = 0;
    std::vector<uint8_t> old_bytes;
};

void Put_u64(std::vector<uint8_t>& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Put_u32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
uint64_t Get_u64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= uint64_t(p[i]) << (8 * i);
    return v;
}
uint32_t Get_u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

std::vector<uint8_t> Encode(const std::vector<Journal_entry>& entries)
{
    std::vector<uint8_t> out(k_Magic, k_Magic + 4);
    Put_u32(out, uint32_t(entries.size()));
    for (const Journal_entry& e : entries) {
        Put_u64(out, uint64_t(e.offset));
        Put_u32(out, e.new_length);
        Put_u64(out, e.new_hash);
        Put_u32(out, uint32_t(e.old_bytes.size()));
        out.insert(out.end(), e.old_bytes.begin(), e.old_bytes.end());
    }
    Put_u64(out, Hash(out.data(), out.size()));
    return out;
}

// Nothing when the bytes are not a whole journal: one cut short by a kill was written before the
// recording was touched.
std::optional<std::vector<Journal_entry>> Decode(const std::vector<uint8_t>& in)
{
    if (in.size() < 16 || std::memcmp(in.data(), k_Magic, 4) != 0) return std::nullopt;
    const size_t body = in.size() - 8;
    if (Hash(in.data(), body) != Get_u64(in.data() + body)) return std::nullopt;
    std::vector<Journal_entry> entries(Get_u32(in.data() + 4) <= body / 24 ? Get_u32(in.data() + 4) : 0);
    size_t at = 8;
    for (Journal_entry& e : entries) {
        if (body - at < 24) return std::nullopt;
        e.offset = int64_t(Get_u64(in.data() + at));
        e.new_length = Get_u32(in.data() + at + 8);
        e.new_hash = Get_u64(in.data() + at + 12);
        const uint32_t old_length = Get_u32(in.data() + at + 20);
        at += 24;
        if (e.offset < 0 || old_length > e.new_length || body - at < old_length) return std::nullopt;
        e.old_bytes.assign(in.begin() + ptrdiff_t(at), in.begin() + ptrdiff_t(at + old_length));
        at += old_length;
    }
    if (at != body) return std::nullopt;
    return entries;
}

std::optional<std::vector<uint8_t>> Read_journal(const std::string& name)
{
    int error = 0;
    platform::Byte_file journal;
    if (!journal.Open(name, platform::Raw_file::Mode::Read, error)) return std::nullopt;
    const int64_t size = journal.Size();
    if (size < 0 || size > k_Max_journal) return std::vector<uint8_t>{};
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!journal.Read_exact(0, bytes.data(), bytes.size())) return std::vector<uint8_t>{};
    return bytes;
}

bool New_bytes_arrived(const platform::Byte_file& file, const std::vector<Journal_entry>& entries)
{
    for (const Journal_entry& e : entries) {
        std::vector<uint8_t> now(e.new_length);
        if (!file.Read_exact(e.offset, now.data(), now.size()) || Hash(now.data(), now.size()) != e.new_hash) return false;
    }
    return true;
}

bool Put_back(platform::Byte_file& file, const std::vector<Journal_entry>& entries)
{
    for (auto e = entries.rbegin(); e != entries.rend(); ++e)
        if (!file.Write_at(e->offset, e->old_bytes.data(), e->old_bytes.size())) return false;
    return file.Sync();
}

// A recording that may not be written reads with the old bytes laid over what the rewrite left.
class Journal_overlay final : public platform::Byte_source {
public:
    Journal_overlay(std::unique_ptr<platform::Byte_source> file, std::vector<Journal_entry> entries)
        : file_(std::move(file)), entries_(std::move(entries))
    {
    }
    bool Writable() const override { return false; }
    int64_t Size() const override { return file_->Size(); }
    int64_t Read_at(int64_t offset, void* buffer, size_t n) const override
    {
        const int64_t got = file_->Read_at(offset, buffer, n);
        if (got <= 0) return got;
        for (const Journal_entry& e : entries_) {
            const int64_t from = std::max(offset, e.offset);
            const int64_t to = std::min(offset + got, e.offset + int64_t(e.old_bytes.size()));
            if (from < to)
                std::memcpy(static_cast<uint8_t*>(buffer) + (from - offset), e.old_bytes.data() + (from - e.offset),
                            size_t(to - from));
        }
        return got;
    }
    bool Write_at(int64_t, const void*, size_t) override { return Refuse(); }
    bool Allocate(int64_t, int64_t) override { return Refuse(); }
    bool Sync() override { return true; }

private:
    bool Refuse()
    {
        error_ = EBADF;
        return false;
    }
    std::unique_ptr<platform::Byte_source> file_;
    std::vector<Journal_entry> entries_;
};

std::string Errno_text(int error) { return error ? std::string(": ") + std::strerror(error) : std::string(); }

void Write_journal(const std::string& name, const std::vector<uint8_t>& bytes)
{
    platform::Remove_file(name);
    int error = 0;
    platform::Byte_file journal;
    bool written = journal.Open(name, platform::Raw_file::Mode::Create_new, error);
    written = written && journal.Allocate(0, int64_t(bytes.size())) && journal.Write_at(0, bytes.data(), bytes.size()) &&
              journal.Sync();
    if (!written && journal.Is_open()) error = journal.Last_error();
    journal.Close();
    if (written) written = platform::Sync_folder_of(name);
    if (!written) {
        platform::Remove_file(name);
        throw Run_time_error(err_Disk_full, "The recording's header could not be written (no room for its journal " +
                                                name + Errno_text(error) + "); the file keeps its header");
    }
}

} // namespace

std::string Header_journal::Journal_name(const std::string& recording) { return recording + ".wkj"; }

void Header_journal::Settle(platform::Byte_file& file, const std::string& path)
{
    const std::string name = Journal_name(path);
    if (!platform::File_exists(name)) return;
    const std::optional<std::vector<uint8_t>> bytes = Read_journal(name);
    if (!bytes) return;
    const auto entries = Decode(*bytes);
    if (!entries || New_bytes_arrived(file, *entries)) {
        if (file.Writable()) platform::Remove_file(name);
        return;
    }
    if (!file.Writable()) {
        file.Attach(std::make_unique<Journal_overlay>(file.Detach(), *entries));
        return;
    }
    if (!Put_back(file, *entries))
        throw Run_time_error(err_Disk_full, "The recording's old header could not be put back from " + name +
                                                Errno_text(file.Last_error()));
    platform::Remove_file(name);
}

void Header_journal::Write(platform::Byte_file& file, const std::string& path, const std::vector<Byte_patch>& patches)
{
    Settle(file, path);
    if (!file.Writable()) throw Run_time_error(75, "The recording is read-only: " + path);
    // The room first: a full disk refuses here, before anything has changed.
    for (const Byte_patch& p : patches)
        if (!file.Allocate(p.offset, int64_t(p.bytes.size())))
            throw Run_time_error(err_Disk_full, "There is no room on the disk for the recording's header" +
                                                    Errno_text(file.Last_error()) + "; the file keeps its header");
    std::vector<Journal_entry> entries;
    const int64_t size = file.Size();
    for (const Byte_patch& p : patches) {
        Journal_entry e;
        e.offset = p.offset;
        e.new_length = uint32_t(p.bytes.size());
        e.new_hash = Hash(p.bytes.data(), p.bytes.size());
        e.old_bytes.resize(size_t(std::clamp<int64_t>(size - p.offset, 0, int64_t(p.bytes.size()))));
        if (!file.Read_exact(p.offset, e.old_bytes.data(), e.old_bytes.size()))
            throw Run_time_error(err_Bad_file_mode, "The recording's header could not be read" + Errno_text(file.Last_error()));
        entries.push_back(std::move(e));
    }
    const std::string name = Journal_name(path);
    Write_journal(name, Encode(entries));
    bool written = true;
    for (const Byte_patch& p : patches)
        if (written) written = file.Write_at(p.offset, p.bytes.data(), p.bytes.size());
    if (written) written = file.Sync();
    if (written) {
        platform::Remove_file(name);
        return;
    }
    const int error = file.Last_error();
    if (!Put_back(file, entries))
        throw Run_time_error(err_Disk_full, "The recording's header could not be written" + Errno_text(error) +
                                                "; its old header is kept in " + name + " and comes back at the next open");
    platform::Remove_file(name);
    throw Run_time_error(err_Disk_full, "The recording's header could not be written" + Errno_text(error) +
                                            "; the file keeps its header");
}

} // namespace wk
