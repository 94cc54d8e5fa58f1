#include "signals/ScreenShareWatcher.h"

#include <utility>

ScreenShareWatcher::ScreenShareWatcher(std::vector<std::unique_ptr<DesktopStateSource>> sources, QObject *parent)
    : ScreenShareSignals(parent), m_state(std::move(sources))
{
    connect(&m_state, &CombinedDesktopState::valueChanged, this, &ScreenShareSignals::isSharingChanged);
}

ScreenShareWatcher::~ScreenShareWatcher() = default;

void ScreenShareWatcher::start()
{
    m_state.start();
}
