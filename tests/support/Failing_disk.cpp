#include "tests/support/Failing_disk.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <filesystem>

namespace wk::test {

struct Failing_disk::State {
    std::string hole_path;
    int64_t hole_from = 0, hole_to = 0;
    int attempts = 0;
    int fail_at = 0;
    int fail_error = 0;
    bool fail_short = false;
    int kill_after = INT_MAX;
    bool torn = false;
    int writes = 0;
    bool killed = false;
};

namespace {

class Failing_file final : public platform::Byte_source {
public:
    Failing_file(std::unique_ptr<platform::Raw_file> file, std::string path, std::shared_ptr<Failing_disk::State> state)
        : file_(std::move(file)), path_(std::move(path)), state_(std::move(state))
    {
    }
    bool Writable() const override { return file_->Writable(); }
    int64_t Size() const override { return file_->Size(); }
    int64_t Read_at(int64_t offset, void* buffer, size_t n) const override { return file_->Read_at(offset, buffer, n); }

    bool Write_at(int64_t offset, const void* buffer, size_t n) override
    {
        Failing_disk::State& s = *state_;
        if (s.killed || In_hole(offset, int64_t(n))) return Fail(ENOSPC);
        const int number = ++s.attempts;
        if (s.writes >= s.kill_after) {
            s.killed = true;
            if (s.torn && n > 1) Write_half(offset, buffer, n);
            return Fail(EIO);
        }
        if (number == s.fail_at) {
            if (s.fail_short && n > 1) Write_half(offset, buffer, n);
            return Fail(s.fail_error);
        }
        ++s.writes;
        if (file_->Write_at(offset, buffer, n)) return true;
        return Fail(file_->Last_error());
    }
    bool Allocate(int64_t offset, int64_t n) override
    {
        if (state_->killed || In_hole(offset, n)) return Fail(ENOSPC);
        if (file_->Allocate(offset, n)) return true;
        return Fail(file_->Last_error());
    }
    bool Sync() override { return state_->killed ? Fail(EIO) : file_->Sync(); }
    bool Identity(platform::File_identity& id) const override { return file_->Identity(id); }

private:
    bool In_hole(int64_t offset, int64_t n) const
    {
        const Failing_disk::State& s = *state_;
        return path_ == s.hole_path && offset < s.hole_to && offset + n > s.hole_from;
    }
    void Write_half(int64_t offset, const void* buffer, size_t n)
    {
        ++state_->writes;
        file_->Write_at(offset, buffer, n / 2);
    }
    bool Fail(int error)
    {
        error_ = error;
        return false;
    }
    std::unique_ptr<platform::Raw_file> file_;
    std::string path_;
    std::shared_ptr<Failing_disk::State> state_;
};

} // namespace

Failing_disk::Failing_disk() : state_(std::make_shared<State>())
{
    platform::Install_byte_source_opener(
        [state = state_](const std::string& path, platform::Raw_file::Mode mode, int& error)
            -> std::unique_ptr<platform::Byte_source> {
            if (state->killed && mode != platform::Raw_file::Mode::Read) {
                error = EIO;
                return nullptr;
            }
            auto file = std::make_unique<platform::Raw_file>();
            if (!file->Open(path, mode, error)) return nullptr;
            return std::make_unique<Failing_file>(std::move(file), path, state);
        });
}

Failing_disk::~Failing_disk() { platform::Install_byte_source_opener({}); }

void Failing_disk::No_space_in(const std::string& path, int64_t from, int64_t to)
{
    state_->hole_path = path;
    state_->hole_from = from;
    state_->hole_to = to;
}

void Failing_disk::Fail_write(int n, int error, bool short_by_half)
{
    state_->fail_at = state_->attempts + n;
    state_->fail_error = error;
    state_->fail_short = short_by_half;
}

void Failing_disk::Kill_after(int n, bool torn)
{
    state_->kill_after = n;
    state_->torn = torn;
}

int Failing_disk::Writes() const { return state_->writes; }
bool Failing_disk::Killed() const { return state_->killed; }

void Fail_each_write(std::initializer_list<int> writes,
                     const std::function<void(Failing_disk& disk, int failing, bool half)>& change,
                     const std::function<void()>& check)
{
    for (int failing : writes)
        for (bool half : {true, false}) {
            SCOPED_TRACE("failing write " + std::to_string(failing) + (half ? ", half written" : ""));
            {
                Failing_disk disk;
                change(disk, failing, half);
            }
            check();
        }
}

int Kill_at_every_write(const std::string& base, const std::string& path,
                        const std::function<void(const std::string& path)>& write,
                        const std::function<void(bool all_written)>& check)
{
    // The copy goes with whatever a killed change left beside it (a journal named after it).
    const auto fresh_copy = [&](const std::string& to) {
        const std::filesystem::path file(to);
        const std::string beside = file.filename().string() + ".";
        for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
            if (entry.path().filename().string().rfind(beside, 0) == 0) std::filesystem::remove(entry.path());
        std::filesystem::remove(file);
        std::filesystem::copy_file(base, file);
    };
    int writes = 0;
    {
        const std::filesystem::path named(path);
        const std::string counted = (named.parent_path() / ("counted_" + named.filename().string())).string();
        fresh_copy(counted);
        Failing_disk disk;
        write(counted);
        writes = disk.Writes();
    }
    for (int k = 0; k <= writes; ++k)
        for (bool torn : {false, true}) {
            SCOPED_TRACE("killed after write " + std::to_string(k) + (torn ? ", the next torn" : ""));
            fresh_copy(path);
            {
                Failing_disk disk;
                disk.Kill_after(k, torn);
                write(path);
            }
            check(k == writes);
        }
    return writes;
}

} // namespace wk::test
