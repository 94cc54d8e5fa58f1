#pragma once

#include "signals/TriggerListener.h"

#include <QObject>
#include <QString>

#include <map>
#include <memory>

// The signals scripts report through the control socket in the support folder ("control.sock"),
// for the rules to act on: shell hooks set "terminal_active", AI tool hooks set "ai_execution", and
// any other name is a custom signal.
//
// Every valid line is one published change, even when it repeats a signal's value, in the order
// received; entries are never removed. Main thread only.
class ExternalTriggerServer : public QObject {
    Q_OBJECT
public:
    // The support folder's socket with a 2 s read silence, 5 s at most per connection and 64 KiB
    // kept per connection.
    static TriggerListener::Options defaultOptions();

    explicit ExternalTriggerServer(std::unique_ptr<TriggerListener> listener, QObject *parent = nullptr);
    ExternalTriggerServer(std::unique_ptr<TriggerListener> listener, TriggerListener::Options options,
                          QObject *parent = nullptr);
    ~ExternalTriggerServer() override;

    // Sets the socket up in the background; later calls do nothing. The caller holds the
    // single-instance lock, so no other Kestrix of this user serves the same folder.
    void start();
    bool hasStarted() const { return m_started; }

    // True once the socket listens; it stays false when the set-up failed.
    bool isListening() const { return m_listening; }
    const QString &socketPath() const { return m_options.socketPath; }

    // The latest value of every signal reported since start.
    const std::map<QString, bool> &signalValues() const { return m_values; }

Q_SIGNALS:
    // One valid line, right after signalValues() took it in, and before signalValuesChanged().
    void signalReported(const QString &name, bool value);
    void signalValuesChanged();
    void setUpFinished(bool listening);

private:
    void apply(const TriggerReports &reports);

    std::unique_ptr<TriggerListener> m_listener;
    TriggerListener::Options m_options;
    std::map<QString, bool> m_values;
    bool m_started = false;
    bool m_listening = false;
};
