#pragma once
// Rescans the heat store when a results folder changes, and every so often in case a change went
// unnoticed (a folder on a network share, a file rewritten in place, a folder made later).
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace wk {

class Heat_store;
struct Store_changes;

class Folder_watch final : public QObject {
public:
    using Listener = std::function<void(const Store_changes&)>;
    Folder_watch(Heat_store& store, Listener listener, int rescan_ms, QObject* parent = nullptr);
    void Rescan();

private:
    void Watch_folders();

    Heat_store& store_;
    Listener listener_;
    QFileSystemWatcher watcher_;
    QTimer soon_;
    QTimer fallback_;
};

} // namespace wk
