#pragma once

#include "platform/linux/pipewire/PipeWireGraph.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

// The PipeWire graph while the PipeWire daemon's socket exists: the PipeWire module is loaded the
// first time the socket is there, and a graph connection made; when the socket goes the
// connection is dropped, and made again when it is back. The runtime folder is watched (inotify),
// never polled. Without the module (not installed, or not loadable) there is never a graph, and
// that is no error. Shared by the backends that read the graph. Main thread only.
class PipeWireGraphLoader : public QObject {
    Q_OBJECT
public:
    // Looks for the module in `moduleFolders`. The socket is first looked at from the event loop,
    // so that start-up does not wait for the module.
    explicit PipeWireGraphLoader(QStringList moduleFolders, QObject *parent = nullptr);
    ~PipeWireGraphLoader() override;

    // The connection, or null while there is none. Valid until graphChanged.
    PipeWireGraph *graph() const { return m_graph.get(); }

    // Whether the module was loaded (it stays loaded once it was).
    bool isModuleLoaded() const { return m_factory != nullptr; }

Q_SIGNALS:
    // A connection was made or dropped.
    void graphChanged();
    // The connection's video sources changed; a burst of changes is told once, from the event loop.
    void videoSourcesChanged();

private:
    void sync();

    QStringList m_moduleFolders;
    QString m_socket;
    QFileSystemWatcher m_folderWatcher;
    PipeWireGraphFactory *m_factory = nullptr;
    bool m_moduleMissing = false;
    QTimer m_sourcesChanged; // outlives the connection whose handler starts it
    std::unique_ptr<PipeWireGraph> m_graph;
};
