#include "signals/DoNotDisturbWatcher.h"

#include <utility>

DoNotDisturbWatcher::DoNotDisturbWatcher(std::vector<std::unique_ptr<DesktopStateSource>> sources, QObject *parent)
    : DoNotDisturbSignals(parent), m_state(std::move(sources))
{
    connect(&m_state, &CombinedDesktopState::valueChanged, this, &DoNotDisturbSignals::isOnChanged);
}

DoNotDisturbWatcher::~DoNotDisturbWatcher() = default;

void DoNotDisturbWatcher::start()
{
    m_state.start();
}
