#include "signals/DesktopStateSource.h"

#include <algorithm>

CombinedDesktopState::CombinedDesktopState(std::vector<std::unique_ptr<DesktopStateSource>> sources, QObject *parent)
    : QObject(parent), m_sources(std::move(sources)), m_states(m_sources.size())
{
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        connect(m_sources[i].get(), &DesktopStateSource::stateChanged, this,
                [this, i](std::optional<bool> state) { update(i, state); });
    }
}

CombinedDesktopState::~CombinedDesktopState() = default;

void CombinedDesktopState::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    for (const auto &source : m_sources) {
        source->start();
    }
}

void CombinedDesktopState::update(std::size_t index, std::optional<bool> state)
{
    m_states[index] = state;
    m_everKnown = m_everKnown || state.has_value();
    std::optional<bool> value;
    if (m_everKnown) {
        value = std::any_of(m_states.begin(), m_states.end(),
                            [](std::optional<bool> known) { return known.value_or(false); });
    }
    if (value != m_value) {
        m_value = value;
        Q_EMIT valueChanged(value);
    }
}
