#pragma once

#include "signals/TriggerListener.h"

// A trigger endpoint driven by the test: deliver() hands lines to the server as a script would.
class FakeTriggerListener : public TriggerListener {
    Q_OBJECT
public:
    using TriggerListener::TriggerListener;

    void start(const Options &options) override
    {
        startedWith = options;
        ++startCount;
        Q_EMIT setUpFinished(true);
    }

    void deliver(QByteArrayView text) { Q_EMIT reportsReceived(parseTriggerInput(text)); }

    Options startedWith;
    int startCount = 0;
};
