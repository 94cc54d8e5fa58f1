#pragma once

#include "signals/CameraDevices.h"

#include <memory>

class PipeWireGraphLoader;

// The cameras in the PipeWire graph: every video source node that is a camera (its role is
// "Camera", or it comes from the Video4Linux or libcamera device support), in use while the node
// is running, whatever process reads it: apps behind the camera portal and browsers set to
// PipeWire leave only the PipeWire daemon holding the device node, which the /proc scan does not
// count. No camera while there is no graph (no daemon, or no PipeWire module). Main thread only.
class PipeWireCameraDevices : public CameraDevices {
public:
    explicit PipeWireCameraDevices(std::shared_ptr<PipeWireGraphLoader> graph);
    ~PipeWireCameraDevices() override;
    PipeWireCameraDevices(const PipeWireCameraDevices &) = delete;
    PipeWireCameraDevices &operator=(const PipeWireCameraDevices &) = delete;

    // One entry per camera node, id "pipewire:" and the node's name.
    std::vector<CameraDevice> cameras() override;

private:
    std::shared_ptr<PipeWireGraphLoader> m_graph;
};

// Several sources of cameras seen as one list: the same camera may appear in each (a V4L2 node and
// its PipeWire node), and it is in use when either says so. Owns its parts.
class CombinedCameraDevices : public CameraDevices {
public:
    explicit CombinedCameraDevices(std::vector<std::unique_ptr<CameraDevices>> parts) : m_parts(std::move(parts)) {}

    std::vector<CameraDevice> cameras() override
    {
        std::vector<CameraDevice> all;
        for (const auto &part : m_parts) {
            std::vector<CameraDevice> found = part->cameras();
            all.insert(all.end(), found.begin(), found.end());
        }
        return all;
    }

private:
    std::vector<std::unique_ptr<CameraDevices>> m_parts;
};
