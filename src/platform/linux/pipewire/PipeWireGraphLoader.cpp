#include "platform/linux/pipewire/PipeWireGraphLoader.h"

#include "platform/linux/BackendModule.h"
#include "platform/linux/pipewire/PipeWireSocket.h"

#include <QFileInfo>

PipeWireGraphLoader::PipeWireGraphLoader(QStringList moduleFolders, QObject *parent)
    : QObject(parent), m_moduleFolders(std::move(moduleFolders)), m_socket(pipeWireSocketPath())
{
    m_sourcesChanged.setSingleShot(true);
    m_sourcesChanged.setInterval(0);
    connect(&m_sourcesChanged, &QTimer::timeout, this, &PipeWireGraphLoader::videoSourcesChanged);
    if (m_socket.isEmpty()) {
        return; // no runtime folder: no daemon to meet
    }
    const QString folder = QFileInfo(m_socket).absolutePath();
    if (QFileInfo(folder).isDir()) {
        m_folderWatcher.addPath(folder);
    }
    connect(&m_folderWatcher, &QFileSystemWatcher::directoryChanged, this, &PipeWireGraphLoader::sync);
    QTimer::singleShot(0, this, &PipeWireGraphLoader::sync);
}

PipeWireGraphLoader::~PipeWireGraphLoader() = default;

void PipeWireGraphLoader::sync()
{
    const bool present = QFileInfo::exists(m_socket);
    if (present && !m_graph && !m_moduleMissing) {
        if (!m_factory) {
            m_factory = reinterpret_cast<PipeWireGraphFactory *>(BackendModule::resolve(
                QStringLiteral("kestrix-pipewire"), "kestrix_pipewire_graph_new", m_moduleFolders));
            if (!m_factory) {
                m_moduleMissing = true; // said once; the other camera backends carry on
                return;
            }
        }
        m_graph.reset(m_factory());
        // Out of PipeWire's dispatch, so that readers may do anything with the graph.
        m_graph->setChangeHandler([this] { m_sourcesChanged.start(); });
        Q_EMIT graphChanged();
    } else if (!present && m_graph) {
        m_graph.reset();
        Q_EMIT graphChanged();
    }
}
