#pragma once

#include "signals/TriggerLineParser.h"

#include <QObject>
#include <QString>

#include <chrono>

// The local endpoint scripts report their signals to: it takes one short connection at a time and
// reads the trigger lines each one carries. Nothing is ever written back to a client, and a failure
// is neither shown nor retried: scripts then find no endpoint and say so themselves.
//
// The endpoint lives on a thread of its own; the object itself is used from the main thread only,
// and its signals arrive there.
class TriggerListener : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString socketPath;
        // A connection that sends nothing for this long ends as if its client had closed it; what it
        // sent until then counts.
        std::chrono::milliseconds readSilence{2000};
        // The longest one connection is served, however it trickles its bytes, so that no client
        // holds the endpoint from the next. A connection cut off this way counts as
        // TriggerInputEnd::cut describes: its complete lines only.
        std::chrono::milliseconds connectionLifetime{5000};
        // How much of one connection is kept. The rest is read and thrown away, and the kept part
        // counts as TriggerInputEnd::cut describes.
        qsizetype maxConnectionBytes = qsizetype{64} * 1024;
    };

    using QObject::QObject;

    // Sets the endpoint up away from the calling thread, then serves it until the listener is
    // destroyed. Called once.
    virtual void start(const Options &options) = 0;

Q_SIGNALS:
    // The set-up ended, with a listening endpoint or with none for good.
    void setUpFinished(bool listening);
    // The valid lines of one or more connections, in the order they were received.
    void reportsReceived(const TriggerReports &reports);
};
