#include "platform/linux/camera/PipeWireCameraDevices.h"

#include "platform/linux/pipewire/PipeWireGraphLoader.h"

PipeWireCameraDevices::PipeWireCameraDevices(std::shared_ptr<PipeWireGraphLoader> graph) : m_graph(std::move(graph)) {}

PipeWireCameraDevices::~PipeWireCameraDevices() = default;

bool PipeWireCameraDevices::isCamera(const PipeWireVideoSource &source)
{
    return source.mediaRole == "Camera" || source.deviceApi == "v4l2" || source.deviceApi == "libcamera";
}

std::vector<CameraDevice> PipeWireCameraDevices::cameras()
{
    std::vector<CameraDevice> result;
    const PipeWireGraph *graph = m_graph ? m_graph->graph() : nullptr;
    if (!graph) {
        return result;
    }
    for (const PipeWireVideoSource &source : graph->videoSources()) {
        if (isCamera(source)) {
            result.push_back({QStringLiteral("pipewire:") + QString::fromStdString(source.name), source.running});
        }
    }
    return result;
}
