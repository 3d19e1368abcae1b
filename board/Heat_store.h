#pragma once
// The latest good version of every heat in one or more stations' results folders. A file that is
// half-written, malformed or too large leaves the last good version of its heat in place.
#include "board/Heat_version.h"

#include <QByteArray>

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace wk {

struct Store_changes {
    std::vector<const Heat_version*> changed; // new or different, valid until the next rescan
    std::vector<QString> removed;
    std::vector<std::string> problems; // each told once per version of a file
    bool Empty() const { return changed.empty() && removed.empty(); }
};

class Heat_store {
public:
    static constexpr std::uintmax_t max_file_bytes = 4 << 20;

    explicit Heat_store(std::vector<std::filesystem::path> folders);

    // Reads again what changed on disk since the last rescan.
    Store_changes Rescan();

    const Heat_version* Find(const QString& id) const;
    // {"heats":[{id, event, heat, state, revision, updated}]}, newest first.
    const QByteArray& Heat_list() const { return list_; }
    const std::vector<std::filesystem::path>& Folders() const { return folders_; }

private:
    struct File_signature {
        std::uintmax_t size = 0;
        std::int64_t written_s = 0;
        std::int64_t written_ns = 0;
        ino_t inode = 0;
        bool operator==(const File_signature&) const = default;
    };
    struct File_entry {
        File_signature signature;
        std::optional<Heat_version> last_good;
    };

    void Scan_folder(const std::filesystem::path& folder, std::map<std::filesystem::path, File_entry>& next,
                     Store_changes& changes);
    void Read_file(const std::filesystem::path& path, const QString& id, File_entry& entry, Store_changes& changes);
    std::map<QString, const Heat_version*> Served() const;
    void Make_list();

    std::vector<std::filesystem::path> folders_;
    std::map<std::filesystem::path, File_entry> files_;
    std::map<QString, Heat_version> heats_;
    std::set<std::filesystem::path> unreadable_;
    QByteArray list_;
};

} // namespace wk
