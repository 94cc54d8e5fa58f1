#include "signals/DesktopStateSource.h"

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
    std::optional<bool> value;
    for (const std::optional<bool> &known : m_states) {
        if (known) {
            value = value.value_or(false) || *known;
        }
    }
    if (value != m_value) {
        m_value = value;
        Q_EMIT valueChanged(value);
    }
}
