#include "board/Folder_watch.h"

#include "board/Heat_store.h"

#include <QFileInfo>

namespace wk {

Folder_watch::Folder_watch(Heat_store& store, Listener listener, int rescan_ms, QObject* parent)
    : QObject(parent), store_(store), listener_(std::move(listener))
{
    // The renames of one write come as several notices; one rescan reads them all.
    soon_.setSingleShot(true);
    soon_.setInterval(0);
    connect(&soon_, &QTimer::timeout, this, &Folder_watch::Rescan);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &soon_, qOverload<>(&QTimer::start));
    connect(&fallback_, &QTimer::timeout, this, &Folder_watch::Rescan);
    fallback_.start(rescan_ms);
    Watch_folders();
}

void Folder_watch::Rescan()
{
    Watch_folders();
    const Store_changes changes = store_.Rescan();
    listener_(changes);
}

void Folder_watch::Watch_folders()
{
    const QStringList watched = watcher_.directories();
    for (const auto& folder : store_.Folders()) {
        const QString path = QString::fromStdString(folder.string());
        if (!watched.contains(path) && QFileInfo(path).isDir())
            watcher_.addPath(path);
    }
}

} // namespace wk
