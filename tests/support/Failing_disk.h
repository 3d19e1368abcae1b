#pragma once
// Files that fail on purpose, as a full disk, a failing write or a killed process would: while a
// Failing_disk lives, every byte source the program opens by name goes through it.
#include "platform/Byte_file.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace wk::test {

class Failing_disk {
public:
    Failing_disk();
    ~Failing_disk();
    Failing_disk(const Failing_disk&) = delete;
    Failing_disk& operator=(const Failing_disk&) = delete;

    // Allocating or writing any byte of [from, to) of the file fails with ENOSPC, nothing written:
    // the blocks of a hole that a full disk cannot give.
    void No_space_in(const std::string& path, int64_t from, int64_t to);
    // The n-th write from now (counted from 1, over every file) fails with `error`, after writing
    // the first half of its bytes when asked to; the writes before and after it go through.
    void Fail_write(int n, int error, bool short_by_half = false);
    // As a kill after n writes: the n+1-th write leaves half its bytes when torn, and from then
    // on nothing reaches any file (writes, allocations and syncs fail).
    void Kill_after(int n, bool torn);
    // Writes that went through (whole or half).
    int Writes() const;
    bool Killed() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// For each of the given writes, cut short by half and then whole: runs change under a new
// Failing_disk (change arms the failure with Fail_write(failing, ..., half) once it is ready),
// then check once that disk has gone.
void Fail_each_write(std::initializer_list<int> writes,
                     const std::function<void(Failing_disk& disk, int failing, bool half)>& change,
                     const std::function<void()>& check);

// Runs write(path) on a fresh copy of base at path once for every write it makes, each time as
// the last write to reach the disk (after k writes, the next one not at all or torn in half),
// and then check(all_written): all_written is true where every write of the change got through.
// Returns how many writes the change makes when nothing fails.
int Kill_at_every_write(const std::string& base, const std::string& path,
                        const std::function<void(const std::string& path)>& write,
                        const std::function<void(bool all_written)>& check);

} // namespace wk::test
