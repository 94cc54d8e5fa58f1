#pragma once

#include <QObject>

// Whether the desktop session has a system tray that can show the application's icon and menu.
// Main thread.
class TrayPresence : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Asks the session now; may take a round trip to the session's services.
    virtual bool isTrayAvailable() = 0;

    // For a session without a tray: starts telling when one appears (a panel started later, a
    // tray extension switched on). trayAppeared is emitted once; watching then stops.
    virtual void watch() = 0;

Q_SIGNALS:
    void trayAppeared();
};
