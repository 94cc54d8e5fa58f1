#pragma once

#include "signals/DesktopStateSource.h"

// A desktop state source whose values the test sends with deliver().
class FakeDesktopState : public DesktopStateSource {
public:
    using DesktopStateSource::DesktopStateSource;

    void start() override { ++startCount; }
    void deliver(std::optional<bool> state) { Q_EMIT stateChanged(state); }

    int startCount = 0;
};
