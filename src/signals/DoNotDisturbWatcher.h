#pragma once

#include "signals/DesktopStateSource.h"
#include "signals/SignalSources.h"

#include <memory>
#include <optional>
#include <vector>

// Whether the desktop holds notifications back (do not disturb): true while any source says so,
// else false; absent until a source first tells (CombinedDesktopState). Main thread only.
class DoNotDisturbWatcher : public DoNotDisturbSignals {
    Q_OBJECT
public:
    // Sources of the state, any of which may be missing on a given desktop.
    explicit DoNotDisturbWatcher(std::vector<std::unique_ptr<DesktopStateSource>> sources, QObject *parent = nullptr);
    ~DoNotDisturbWatcher() override;

    // Starts following the sources; later calls do nothing.
    void start();

    std::optional<bool> isOn() const override { return m_state.value(); }

private:
    CombinedDesktopState m_state;
};
