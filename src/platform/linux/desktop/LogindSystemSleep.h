#pragma once

#include "device/SystemSleep.h"

// Sleep and wake-up from logind's PrepareForSleep signal on the system bus. Only watches: a
// missing system bus or logind leaves it silent, and nothing is activated.
class LogindSystemSleep : public SystemSleep {
    Q_OBJECT
public:
    explicit LogindSystemSleep(QObject *parent = nullptr);

    // The system bus was reached and the signal is watched.
    bool isWatching() const { return m_watching; }

private Q_SLOTS:
    void onPrepareForSleep(bool start);

private:
    bool m_watching = false;
};
