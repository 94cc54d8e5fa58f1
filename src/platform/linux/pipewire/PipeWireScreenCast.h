#pragma once

#include "signals/DesktopStateSource.h"

#include <memory>
#include <optional>

class PipeWireGraphLoader;

// Whether a screen cast runs, from the PipeWire graph: true while any video source node that is
// not a camera is running (a screen or window the desktop's screen-cast service streams to an
// app), false while none is, absent while there is no graph (no daemon, or no PipeWire module).
// Follows the graph's change notifications; never polls. Main thread only.
class PipeWireScreenCast : public DesktopStateSource {
    Q_OBJECT
public:
    explicit PipeWireScreenCast(std::shared_ptr<PipeWireGraphLoader> graph, QObject *parent = nullptr);
    ~PipeWireScreenCast() override;
    PipeWireScreenCast(const PipeWireScreenCast &) = delete;
    PipeWireScreenCast &operator=(const PipeWireScreenCast &) = delete;

    void start() override;

private:
    void update();

    std::shared_ptr<PipeWireGraphLoader> m_graph;
    std::optional<bool> m_state;
    bool m_started = false;
};
