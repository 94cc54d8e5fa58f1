#pragma once

#include <QObject>

// The machine's sleep and wake-up, as far as the device link cares: a USB device may be reset,
// powered down or swapped while the machine sleeps, without the bus reporting it. Main thread.
class SystemSleep : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    // The machine is about to sleep.
    void aboutToSleep();
    // The machine has woken up again.
    void resumed();
};
