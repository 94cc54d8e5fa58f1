#pragma once

#include "ui/TrayPresence.h"

#include <QTimer>

class QDBusServiceWatcher;

// The trays of Linux desktops: a StatusNotifierItem host registered with the session bus's
// StatusNotifierWatcher (Plasma, most panels, GNOME with its tray extension), or, under X11, an
// XEmbed system tray owning the _NET_SYSTEM_TRAY_S<screen> selection (older panels).
//
// The session is asked here rather than through Qt's own tray check: Qt decides once per process
// whether to use the D-Bus tray, so asking it before a host exists would tie Kestrix to the
// XEmbed tray even after a StatusNotifierItem host appears. A new host is seen from the watcher's
// signals; an XEmbed tray, which announces itself only to X clients that listen for it, is looked
// for every few seconds while watching (one round trip to the X server).
class DesktopTrayPresence : public TrayPresence {
    Q_OBJECT
public:
    explicit DesktopTrayPresence(QObject *parent = nullptr);
    ~DesktopTrayPresence() override;

    bool isTrayAvailable() override;
    void watch() override;

    static bool hasStatusNotifierHost();
    static bool hasXEmbedTray();

private Q_SLOTS:
    void check();

private:
    QTimer m_poll;
    QDBusServiceWatcher *m_serviceWatcher = nullptr;
    bool m_watching = false;
};
