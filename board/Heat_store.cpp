#include "board/Heat_store.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <sys/stat.h>

namespace wk {

namespace fs = std::filesystem;

namespace {

std::string Problem(const fs::path& path, const std::string& what)
{
    return path.string() + ": " + what + "; the last good version stays";
}

// The bytes of a file no larger than limit, or why they cannot be had.
std::variant<QByteArray, std::string> Read_bounded(const fs::path& path, std::uintmax_t limit)
{
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        return "cannot be read: " + file.errorString().toStdString();
    QByteArray bytes = file.read(static_cast<qint64>(limit) + 1);
    if (static_cast<std::uintmax_t>(bytes.size()) > limit)
        return "larger than " + std::to_string(limit) + " bytes";
    return bytes;
}

} // namespace

Heat_store::Heat_store(std::vector<fs::path> folders)
{
    for (fs::path& folder : folders) {
        folder = folder.lexically_normal();
        if (!folder.has_filename() && folder.has_parent_path() && folder != folder.root_path())
            folder = folder.parent_path();
        folders_.push_back(folder);
    }
    Make_list();
}

Store_changes Heat_store::Rescan()
{
    Store_changes changes;
    std::map<fs::path, File_entry> next;
    for (const fs::path& folder : folders_)
        Scan_folder(folder, next, changes);
    files_ = std::move(next);

    const std::map<QString, const Heat_version*> served = Served();
    for (auto it = heats_.begin(); it != heats_.end();) {
        if (served.count(it->first) == 0) {
            changes.removed.push_back(it->first);
            it = heats_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& [id, version] : served) {
        auto it = heats_.find(id);
        if (it != heats_.end() && it->second.json == version->json)
            continue;
        heats_[id] = *version;
        changes.changed.push_back(&heats_[id]);
    }
    if (!changes.Empty())
        Make_list();
    return changes;
}

void Heat_store::Scan_folder(const fs::path& folder, std::map<fs::path, File_entry>& next, Store_changes& changes)
{
    std::error_code ec;
    std::map<fs::path, File_entry> found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const QString id = QString::fromStdString(path.stem().string());
        // A link could lead out of the folder, a pipe would never end: only files are read.
        struct stat st {};
        if (path.extension() != ".json" || !Is_heat_id(id) || ::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const File_signature signature{static_cast<std::uintmax_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
                                       st.st_ino};
        File_entry entry;
        auto known = files_.find(path);
        if (known != files_.end())
            entry = known->second;
        if (known == files_.end() || !(entry.signature == signature)) {
            Read_file(path, id, entry, changes);
            entry.signature = signature;
        }
        found[path] = std::move(entry);
    }
    if (ec) {
        // A folder that cannot be listed for now (a share gone for a moment, a folder not made
        // yet) keeps what it served: the board does not go blank for it.
        if (unreadable_.insert(folder).second)
            changes.problems.push_back(folder.string() + ": cannot be read (" + ec.message() + "); its heats stay as they were");
        for (const auto& [path, entry] : files_)
            if (path.parent_path() == folder)
                next[path] = entry;
        return;
    }
    unreadable_.erase(folder);
    next.merge(found);
}

void Heat_store::Read_file(const fs::path& path, const QString& id, File_entry& entry, Store_changes& changes)
{
    auto bytes = Read_bounded(path, max_file_bytes);
    if (auto* why = std::get_if<std::string>(&bytes)) {
        changes.problems.push_back(Problem(path, *why));
        return;
    }
    auto parsed = Parse_heat_file(std::get<QByteArray>(bytes), id);
    if (auto* why = std::get_if<std::string>(&parsed)) {
        changes.problems.push_back(Problem(path, *why));
        return;
    }
    entry.last_good = std::move(std::get<Heat_version>(parsed));
}

// The version each id is served from: the first folder named that holds a good one wins.
std::map<QString, const Heat_version*> Heat_store::Served() const
{
    std::map<QString, const Heat_version*> served;
    for (const fs::path& folder : folders_)
        for (const auto& [path, entry] : files_)
            if (entry.last_good && path.parent_path() == folder)
                served.emplace(entry.last_good->id, &*entry.last_good);
    return served;
}

const Heat_version* Heat_store::Find(const QString& id) const
{
    auto it = heats_.find(id);
    return it == heats_.end() ? nullptr : &it->second;
}

void Heat_store::Make_list()
{
    std::vector<const Heat_version*> order;
    for (const auto& [id, version] : heats_)
        order.push_back(&version);
    std::stable_sort(order.begin(), order.end(),
                     [](const Heat_version* a, const Heat_version* b) { return a->updated > b->updated; });
    QJsonArray heats;
    for (const Heat_version* v : order)
        heats.append(QJsonObject{{"id", v->id},
                                 {"event", v->event},
                                 {"heat", v->heat},
                                 {"state", v->state},
                                 {"revision", v->revision},
                                 {"updated", v->updated}});
    list_ = QJsonDocument(QJsonObject{{"heats", heats}}).toJson(QJsonDocument::Compact);
}

} // namespace wk
