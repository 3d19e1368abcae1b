#pragma once
// The byte source a recording has open: opened by name through the program's opener (files, or
// what a test or a fuzz target installs in its place), or handed over ready made.
#include "platform/Byte_source.h"
#include "platform/Raw_file.h"

#include <functional>
#include <memory>
#include <string>

namespace wk::platform {

using Byte_source_opener =
    std::function<std::unique_ptr<Byte_source>(const std::string& path, Raw_file::Mode mode, int& error)>;

// Every Byte_file opens through this; an empty opener puts plain files back.
void Install_byte_source_opener(Byte_source_opener opener);
// The source for a name, or nullptr with error an errno value.
std::unique_ptr<Byte_source> Open_byte_source(const std::string& path, Raw_file::Mode mode, int& error);

class Byte_file {
public:
    bool Open(const std::string& path, Raw_file::Mode mode, int& error);
    // Takes a source that is already open in place of the one held.
    void Attach(std::unique_ptr<Byte_source> source) { source_ = std::move(source); }
    std::unique_ptr<Byte_source> Detach() { return std::move(source_); }
    void Close() { source_.reset(); }
    bool Is_open() const { return source_ != nullptr; }
    Byte_source* Source() const { return source_.get(); }

    bool Writable() const { return source_ && source_->Writable(); }
    int64_t Size() const { return source_ ? source_->Size() : -1; }
    int64_t Read_at(int64_t offset, void* buffer, size_t n) const;
    bool Read_exact(int64_t offset, void* buffer, size_t n) const { return Read_at(offset, buffer, n) == int64_t(n); }
    bool Write_at(int64_t offset, const void* buffer, size_t n) { return source_ && source_->Write_at(offset, buffer, n); }
    bool Allocate(int64_t offset, int64_t n) { return source_ && source_->Allocate(offset, n); }
    bool Sync() { return source_ && source_->Sync(); }
    int Last_error() const { return source_ ? source_->Last_error() : 0; }
    bool Identity(File_identity& id) const { return source_ && source_->Identity(id); }

private:
    std::unique_ptr<Byte_source> source_;
};

} // namespace wk::platform

namespace wk::platform {

// Makes the folder's entries (a file just made or removed) reach the disk.
bool Sync_folder_of(const std::string& path);
// Whether the file is gone (false when it is there and could not be removed).
bool Remove_file(const std::string& path);
// Whether a file of that name exists.
bool File_exists(const std::string& path);
// Replaces the file's contents whole: the bytes go to a file beside it, reach the disk, and only
// then take its name, so a kill, a full disk or a failed write leaves the old file as it was.
// 0, or the errno value of what failed (nothing then changed).
int Replace_whole_file(const std::string& path, const void* bytes, size_t n);
// Gives the file the new name unless that name is taken: the check and the rename are one step,
// so a file that appears meanwhile is never replaced (EEXIST). Filesystems that cannot do that
// get the same answer from a look first. 0, or the errno value of what failed.
int Rename_no_replace(const std::string& from, const std::string& to);

} // namespace wk::platform
