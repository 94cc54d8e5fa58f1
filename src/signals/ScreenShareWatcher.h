#pragma once

#include "signals/DesktopStateSource.h"
#include "signals/SignalSources.h"

#include <memory>
#include <optional>
#include <vector>

// Whether the screen is being shared: true while a screen-cast stream runs, else false; absent
// until a source first tells (CombinedDesktopState). Main thread only.
class ScreenShareWatcher : public ScreenShareSignals {
    Q_OBJECT
public:
    // Sources of the state, any of which may be missing on a given desktop.
    explicit ScreenShareWatcher(std::vector<std::unique_ptr<DesktopStateSource>> sources, QObject *parent = nullptr);
    ~ScreenShareWatcher() override;

    // Starts following the sources; later calls do nothing.
    void start();

    std::optional<bool> isSharing() const override { return m_state.value(); }

private:
    CombinedDesktopState m_state;
};
