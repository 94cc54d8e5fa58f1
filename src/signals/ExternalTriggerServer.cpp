#include "signals/ExternalTriggerServer.h"

#include "util/Logging.h"
#include "util/SupportFolder.h"

#include <QPointer>

#include <utility>

TriggerListener::Options ExternalTriggerServer::defaultOptions()
{
    TriggerListener::Options options;
    options.socketPath = SupportFolder::path() + QStringLiteral("/control.sock");
    return options;
}

ExternalTriggerServer::ExternalTriggerServer(std::unique_ptr<TriggerListener> listener, QObject *parent)
    : ExternalTriggerServer(std::move(listener), defaultOptions(), parent)
{}

ExternalTriggerServer::ExternalTriggerServer(std::unique_ptr<TriggerListener> listener,
                                             TriggerListener::Options options, QObject *parent)
    : QObject(parent), m_listener(std::move(listener)), m_options(std::move(options))
{
    connect(m_listener.get(), &TriggerListener::reportsReceived, this, &ExternalTriggerServer::apply);
    connect(m_listener.get(), &TriggerListener::setUpFinished, this, [this](bool listening) {
        m_listening = listening;
        if (!listening) {
            qCWarning(lcSignals, "the trigger socket could not be set up; kestrix-signal cannot reach Kestrix");
        }
        Q_EMIT setUpFinished(listening);
    });
}

// The listener goes with the server: it stops its thread before returning, so nothing arrives later.
ExternalTriggerServer::~ExternalTriggerServer() = default;

void ExternalTriggerServer::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_listener->start(m_options);
}

void ExternalTriggerServer::apply(const TriggerReports &reports)
{
    // A receiver may delete the server; the remaining lines then go with it.
    const QPointer<ExternalTriggerServer> self(this);
    for (const TriggerReport &report : reports) {
        m_values[report.name] = report.value;
        Q_EMIT signalReported(report.name, report.value);
        if (!self) {
            return;
        }
        Q_EMIT signalValuesChanged();
        if (!self) {
            return;
        }
    }
}
