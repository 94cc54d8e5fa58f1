#include "platform/linux/camera/PipeWireCameraDevices.h"

#include "platform/linux/pipewire/PipeWireGraphLoader.h"

PipeWireCameraDevices::PipeWireCameraDevices(std::shared_ptr<PipeWireGraphLoader> graph) : m_graph(std::move(graph)) {}

PipeWireCameraDevices::~PipeWireCameraDevices() = default;

std::vector<CameraDevice> PipeWireCameraDevices::cameras()
{
    std::vector<CameraDevice> result;
    const PipeWireGraph *graph = m_graph ? m_graph->graph() : nullptr;
    if (!graph) {
        return result;
    }
    for (const PipeWireVideoSource &source : graph->videoSources()) {
        if (isCameraSource(source)) {
            result.push_back({QStringLiteral("pipewire:") + QString::fromStdString(source.name), source.running});
        }
    }
    return result;
}
