#pragma once

#include "signals/DesktopStateSource.h"
#include "signals/SignalSources.h"

#include <memory>
#include <optional>
#include <vector>

// Whether the session is locked: true while any source says so (the login manager's locked hint,
// a screen saver that is active), else false; absent until a source first tells
// (CombinedDesktopState). Main thread only.
class ScreenLockWatcher : public ScreenLockSignals {
    Q_OBJECT
public:
    // Sources of the state, any of which may be missing on a given desktop.
    explicit ScreenLockWatcher(std::vector<std::unique_ptr<DesktopStateSource>> sources, QObject *parent = nullptr);
    ~ScreenLockWatcher() override;

    // Starts following the sources; later calls do nothing.
    void start();

    std::optional<bool> isLocked() const override { return m_state.value(); }

private:
    CombinedDesktopState m_state;
};
