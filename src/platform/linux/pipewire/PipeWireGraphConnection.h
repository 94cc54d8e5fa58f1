#pragma once

#include "platform/linux/pipewire/PipeWireGraph.h"

#include <memory>

// The PipeWire graph through libpipewire: the module's implementation of PipeWireGraph.
class PipeWireGraphConnection : public PipeWireGraph {
public:
    PipeWireGraphConnection();
    ~PipeWireGraphConnection() override;
    PipeWireGraphConnection(const PipeWireGraphConnection &) = delete;
    PipeWireGraphConnection &operator=(const PipeWireGraphConnection &) = delete;

    bool isConnected() const override;
    std::vector<PipeWireVideoSource> videoSources() const override;
    void setChangeHandler(std::function<void()> handler) override;

    struct Private;

private:
    std::unique_ptr<Private> d;
};
