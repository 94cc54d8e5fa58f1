#pragma once

#include "signals/CameraDevices.h"

#include <QString>

#include <memory>

// The cameras in the PipeWire graph: every video source node that is a camera (its role is
// "Camera", or it comes from the Video4Linux or libcamera device support), in use while the node
// is running, whatever process reads it: apps behind the camera portal and browsers set to
// PipeWire leave only the PipeWire daemon holding the device node, which the /proc scan does not
// count.
//
// The daemon's registry and the camera nodes' state are followed on the Qt event loop (PipeWire's
// loop descriptor on a socket notifier): nothing is polled, and cameras() answers from memory.
// When there is no daemon, or it goes away, the runtime folder is watched for its socket to
// appear again. Main thread only.
class PipeWireCameraDevices : public CameraDevices {
public:
    // The daemon the PipeWire library finds itself ($PIPEWIRE_REMOTE in $PIPEWIRE_RUNTIME_DIR or
    // $XDG_RUNTIME_DIR, by default "pipewire-0").
    PipeWireCameraDevices();
    ~PipeWireCameraDevices() override;
    PipeWireCameraDevices(const PipeWireCameraDevices &) = delete;
    PipeWireCameraDevices &operator=(const PipeWireCameraDevices &) = delete;

    // One entry per camera node, id "pipewire:" and the node's name.
    std::vector<CameraDevice> cameras() override;

    // Whether the daemon's registry is being followed now.
    bool isConnected() const;

    struct Private;

private:
    std::unique_ptr<Private> d;
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
