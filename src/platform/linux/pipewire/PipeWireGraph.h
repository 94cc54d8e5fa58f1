#pragma once

#include <functional>
#include <string>
#include <vector>

// What the PipeWire module tells the application about the PipeWire graph: the types passed across
// the module boundary (BackendModule::kAbi names their version). Plain C++ only, so that the
// application needs no PipeWire header.

// A node of the graph that produces video (media class "Video/Source"): a camera, a shared screen,
// a virtual camera.
struct PipeWireVideoSource {
    std::string name;      // node.name, or the node's id where it has none
    std::string mediaRole; // media.role ("Camera", "Screen", ...), empty when unset
    std::string deviceApi; // device.api ("v4l2", "libcamera", ...), empty when unset
    bool running = false;  // the node is running: something reads it

    friend bool operator==(const PipeWireVideoSource &, const PipeWireVideoSource &) = default;
};

// Whether a video source is a camera: its role says so, or it comes from the Video4Linux or
// libcamera device support. Any other (a shared screen or window, a virtual camera without a role)
// is not.
inline bool isCameraSource(const PipeWireVideoSource &source)
{
    return source.mediaRole == "Camera" || source.deviceApi == "v4l2" || source.deviceApi == "libcamera";
}

// One connection to the PipeWire daemon following its registry on the Qt event loop (PipeWire's
// loop descriptor on a socket notifier), so nothing is polled and answers come from memory. When
// the daemon goes away, the runtime folder is watched for its socket to appear again. Main thread
// only; destroying it disconnects.
class PipeWireGraph {
public:
    virtual ~PipeWireGraph() = default;

    // Whether the daemon's registry is being followed now.
    virtual bool isConnected() const = 0;

    // The video sources there are now, in the order of their ids.
    virtual std::vector<PipeWireVideoSource> videoSources() const = 0;

    // Called, from inside PipeWire's dispatch, after the video sources changed: one was added or
    // removed, its properties or its state changed, or the connection was made again. It must not
    // call back into the graph's connection handling; reading videoSources() is fine.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// The module's factory, exported as `kestrix_pipewire_graph_new`: a new connection to the daemon
// the PipeWire library finds itself ($PIPEWIRE_REMOTE in $PIPEWIRE_RUNTIME_DIR or $XDG_RUNTIME_DIR,
// by default "pipewire-0"). The caller owns it.
using PipeWireGraphFactory = PipeWireGraph *();
