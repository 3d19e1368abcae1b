#include "recording/Header_journal.h"

#include "platform/State_reset.h"
#include "recording/Journal_record.h"
#include "services/Run_time_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace wk {
namespace {

constexpr int32_t k_Access_error = 75;

// Journals already told about that could not be moved aside: told once, not at every open.
std::set<std::string> g_told;
const platform::State_reset k_Forget_told{[] { g_told.clear(); }};

std::string Errno_text(int error) { return error ? std::string(": ") + std::strerror(error) : std::string(); }

// ---- Reading a journal ----

struct Journal_bytes {
    std::vector<uint8_t> bytes;
    std::string refusal; // why these are no journal of ours; empty when they may be
};

// Only a plain file made by this user or by the recording's owner is read: nobody else could
// have written the recording, so nobody else's journal may change it. Never a link, never a pipe
// that would hold the open, never more than a journal can be.
Journal_bytes Read_journal(const std::string& name, const std::optional<uint32_t>& recording_owner)
{
    Journal_bytes out;
    const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        out.refusal = errno == ELOOP ? "it is a symbolic link" : "it cannot be read" + Errno_text(errno);
        return out;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        out.refusal = "it is not a plain file";
    else if (st.st_uid != ::geteuid() && (!recording_owner || st.st_uid != *recording_owner))
        out.refusal = "it was made by another user";
    else if (st.st_size > Journal_record::k_Max_size)
        out.refusal = "it is larger than any header's journal";
    if (out.refusal.empty()) {
        out.bytes.resize(size_t(st.st_size));
        size_t done = 0;
        while (done < out.bytes.size()) {
            const ssize_t r = ::pread(fd, out.bytes.data() + done, out.bytes.size() - done, off_t(done));
            if (r <= 0) {
                out.refusal = "it cannot be read" + Errno_text(r < 0 ? errno : 0);
                break;
            }
            done += size_t(r);
        }
    }
    ::close(fd);
    return out;
}

// ---- Judging it ----

Header_area Clipped(const Header_area& area, int64_t size)
{
    Header_area out;
    for (const Byte_range& r : area) {
        const Byte_range c{std::max<int64_t>(r.begin, 0), std::min(r.end, size)};
        if (c.begin < c.end) out.push_back(c);
    }
    return out;
}

bool Inside(const Header_area& area, int64_t offset, int64_t length)
{
    return std::any_of(area.begin(), area.end(),
                       [&](const Byte_range& r) { return offset >= r.begin && length <= r.end - offset; });
}

// Whether the file holds, byte by byte, the old or the new bytes of every entry (a kill may cut
// a write between pages); all_new when every entry is wholly new.
bool Holds_old_or_new(const platform::Byte_file& file, const Journal_record& journal, bool& all_new)
{
    all_new = true;
    for (const Journal_entry& e : journal.entries) {
        std::vector<uint8_t> now(e.new_length);
        if (!file.Read_exact(e.offset, now.data(), now.size())) return false;
        if (journal.version >= 2) {
            for (size_t i = 0; i < now.size(); ++i)
                if (now[i] != e.old_bytes[i] && now[i] != e.new_bytes[i]) return false;
            all_new = all_new && now == e.new_bytes;
            continue;
        }
        // The first layout knows the new bytes by their hash only: whole old or whole new.
        const bool is_new = Journal_record::Hash(now.data(), now.size()) == e.new_hash;
        if (!is_new && !std::equal(e.old_bytes.begin(), e.old_bytes.end(), now.begin())) return false;
        all_new = all_new && is_new;
    }
    return true;
}

// Why the journal may not be used on this file; empty when it may.
std::string Refusal(const platform::Byte_file& file, const Journal_record& journal, const Header_area& area,
                    bool& all_new)
{
    const int64_t size = file.Size();
    const Header_area inside = Clipped(area, size);
    for (const Journal_entry& e : journal.entries)
        if (!Inside(inside, e.offset, e.new_length)) return "it would change bytes outside the recording's header";
    // Journals of the first layout carry no identity; they are used when all else holds.
    if (journal.version >= 2) {
        platform::File_identity id;
        if (!file.Identity(id) || id.device != journal.file.device || id.inode != journal.file.inode ||
            size != journal.file_size)
            return "it was made for another file";
    }
    if (!Holds_old_or_new(file, journal, all_new)) return "it does not match the recording's header";
    return {};
}

void Reject(const std::string& path, const std::string& why, Recording_problems& problems)
{
    const std::string name = Header_journal::Journal_name(path);
    const std::string aside = Header_journal::Rejected_name(path);
    if (std::rename(name.c_str(), aside.c_str()) == 0) {
        platform::Sync_folder_of(aside);
        g_told.erase(name);
        problems.Post({Recording_problem::Kind::journal_set_aside, why, path});
    } else {
        const int error = errno;
        if (!g_told.insert(name).second) return;
        problems.Post({Recording_problem::Kind::journal_kept, why, path, error});
    }
}

// ---- Using it ----

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
    bool Identity(platform::File_identity& id) const override { return file_->Identity(id); }

private:
    bool Refuse()
    {
        error_ = EBADF;
        return false;
    }
    std::unique_ptr<platform::Byte_source> file_;
    std::vector<Journal_entry> entries_;
};

// ---- Writing one ----

// Why the journal could not be made, in the operator's words: a full disk is one reason of several.
[[noreturn]] void Say_no_journal(const std::string& name, int error)
{
    struct stat st{};
    if (::lstat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw Run_time_error(k_Access_error, "The recording's header could not be written: a folder named " + name +
                                                 " stands where its journal goes; the file keeps its header");
    if (error == EACCES || error == EPERM || error == EROFS)
        throw Run_time_error(k_Access_error, "The recording's header could not be written: its folder may not be "
                                             "written, so its journal " + name + " cannot be made" +
                                                 Errno_text(error) + "; the file keeps its header");
    if (error == ENOSPC || error == EDQUOT)
        throw Run_time_error(err_Disk_full, "The recording's header could not be written (no room for its journal " +
                                                name + Errno_text(error) + "); the file keeps its header");
    throw Run_time_error(k_Access_error, "The recording's header could not be written (its journal " + name +
                                             " could not be made" + Errno_text(error) + "); the file keeps its header");
}

void Write_journal(const std::string& name, const std::vector<uint8_t>& bytes)
{
    if (!platform::Remove_file(name)) Say_no_journal(name, errno);
    int error = 0;
    platform::Byte_file journal;
    bool written = journal.Open(name, platform::Raw_file::Mode::Create_new, error);
    written = written && journal.Allocate(0, int64_t(bytes.size())) && journal.Write_at(0, bytes.data(), bytes.size()) &&
              journal.Sync();
    if (!written && journal.Is_open()) error = journal.Last_error();
    const bool created = journal.Is_open();
    journal.Close();
    if (written) {
        written = platform::Sync_folder_of(name);
        if (!written) error = errno;
    }
    if (!written) {
        if (created) platform::Remove_file(name);
        Say_no_journal(name, error);
    }
}

Journal_record Record_of(const platform::Byte_file& file, const std::vector<Byte_patch>& patches)
{
    Journal_record journal;
    file.Identity(journal.file); // bytes in memory have none: their journal can never be used
    journal.file_size = file.Size();
    for (const Byte_patch& p : patches) {
        Journal_entry e;
        e.offset = p.offset;
        e.new_bytes = p.bytes;
        e.new_length = uint32_t(p.bytes.size());
        e.old_bytes.resize(p.bytes.size());
        if (!file.Read_exact(p.offset, e.old_bytes.data(), e.old_bytes.size()))
            throw Run_time_error(err_Bad_file_mode, "The recording's header could not be read" + Errno_text(file.Last_error()));
        journal.entries.push_back(std::move(e));
    }
    return journal;
}

} // namespace

std::string Header_journal::Journal_name(const std::string& recording) { return recording + ".wkj"; }
std::string Header_journal::Rejected_name(const std::string& recording) { return recording + ".wkj.rejected"; }

void Header_journal::Settle(platform::Byte_file& file, const std::string& path, const Header_area& area,
                            Recording_problems& problems)
{
    const std::string name = Journal_name(path);
    struct stat st{};
    // A folder of that name is no journal; a rewrite then says it stands in the journal's place.
    if (::lstat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
    platform::File_identity id;
    const std::optional<uint32_t> owner = file.Identity(id) ? std::optional<uint32_t>(id.owner) : std::nullopt;
    const Journal_bytes bytes = Read_journal(name, owner);
    if (!bytes.refusal.empty()) return Reject(path, bytes.refusal, problems);
    const std::optional<Journal_record> journal = Journal_record::Decode(bytes.bytes);
    if (!journal) return Reject(path, "it is not a whole journal", problems);
    bool all_new = false;
    if (const std::string why = Refusal(file, *journal, area, all_new); !why.empty()) return Reject(path, why, problems);
    if (all_new) {
        if (file.Writable()) platform::Remove_file(name);
        return;
    }
    if (!file.Writable()) {
        file.Attach(std::make_unique<Journal_overlay>(file.Detach(), journal->entries));
        return;
    }
    if (!Put_back(file, journal->entries))
        throw Run_time_error(err_Disk_full, "The recording's old header could not be put back from " + name +
                                                Errno_text(file.Last_error()));
    platform::Remove_file(name);
}

void Header_journal::Write(platform::Byte_file& file, const std::string& path, const std::vector<Byte_patch>& patches,
                           const Header_area& area, Recording_problems& problems)
{
    Settle(file, path, area, problems);
    if (!file.Writable()) throw Run_time_error(k_Access_error, "The recording is read-only: " + path);
    const Header_area inside = Clipped(area, file.Size());
    for (const Byte_patch& p : patches)
        if (!Inside(inside, p.offset, int64_t(p.bytes.size())))
            throw Run_time_error(err_Bad_file_mode, "The recording's header would be written outside its header area (" +
                                                        path + "); the file keeps its header");
    // The room first: a full disk refuses here, before anything has changed.
    for (const Byte_patch& p : patches)
        if (!file.Allocate(p.offset, int64_t(p.bytes.size())))
            throw Run_time_error(err_Disk_full, "There is no room on the disk for the recording's header" +
                                                    Errno_text(file.Last_error()) + "; the file keeps its header");
    const Journal_record journal = Record_of(file, patches);
    const std::vector<uint8_t> encoded = journal.Encode();
    if (int64_t(encoded.size()) > Journal_record::k_Max_size)
        throw Run_time_error(err_Bad_file_mode, "The recording's header is too large to be written safely (" + path +
                                                    "); the file keeps its header");
    const std::string name = Journal_name(path);
    Write_journal(name, encoded);
    bool written = true;
    for (const Byte_patch& p : patches)
        if (written) written = file.Write_at(p.offset, p.bytes.data(), p.bytes.size());
    if (written) written = file.Sync();
    if (written) {
        platform::Remove_file(name);
        return;
    }
    const int error = file.Last_error();
    if (!Put_back(file, journal.entries))
        throw Run_time_error(err_Disk_full, "The recording's header could not be written" + Errno_text(error) +
                                                "; its old header is kept in " + name + " and comes back at the next open");
    platform::Remove_file(name);
    throw Run_time_error(err_Disk_full, "The recording's header could not be written" + Errno_text(error) +
                                            "; the file keeps its header");
}

} // namespace wk
