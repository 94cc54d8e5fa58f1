#include "platform/linux/pipewire/PipeWireScreenCast.h"

#include "platform/linux/pipewire/PipeWireGraphLoader.h"

#include <QTimer>

#include <algorithm>

PipeWireScreenCast::PipeWireScreenCast(std::shared_ptr<PipeWireGraphLoader> graph, QObject *parent)
    : DesktopStateSource(parent), m_graph(std::move(graph))
{}

PipeWireScreenCast::~PipeWireScreenCast() = default;

void PipeWireScreenCast::start()
{
    if (m_started || !m_graph) {
        return;
    }
    m_started = true;
    connect(m_graph.get(), &PipeWireGraphLoader::graphChanged, this, &PipeWireScreenCast::update);
    connect(m_graph.get(), &PipeWireGraphLoader::videoSourcesChanged, this, &PipeWireScreenCast::update);
    QTimer::singleShot(0, this, &PipeWireScreenCast::update);
}

void PipeWireScreenCast::update()
{
    std::optional<bool> state;
    if (const PipeWireGraph *graph = m_graph->graph(); graph && graph->isConnected()) {
        const std::vector<PipeWireVideoSource> sources = graph->videoSources();
        state = std::any_of(sources.begin(), sources.end(), [](const PipeWireVideoSource &source) {
            return source.running && !isCameraSource(source);
        });
    }
    if (state != m_state) {
        m_state = state;
        Q_EMIT stateChanged(state);
    }
}
