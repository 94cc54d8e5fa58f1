#include "signals/ScreenLockWatcher.h"

#include <utility>

ScreenLockWatcher::ScreenLockWatcher(std::vector<std::unique_ptr<DesktopStateSource>> sources, QObject *parent)
    : ScreenLockSignals(parent), m_state(std::move(sources))
{
    connect(&m_state, &CombinedDesktopState::valueChanged, this, &ScreenLockSignals::isLockedChanged);
}

ScreenLockWatcher::~ScreenLockWatcher() = default;

void ScreenLockWatcher::start()
{
    m_state.start();
}
