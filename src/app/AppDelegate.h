#pragma once

#include <QString>
#include <QVersionNumber>

// Makes Kestrix a tray-only application: no main window, no taskbar entry of its own, and closing
// its last window does not quit it.
class AppDelegate {
public:
    // Called once the application object exists and before any window is shown.
    static void applicationDidFinishLaunching();

    // What to hand QGuiApplication::setDesktopFileName on this Qt so that the windows' Wayland app
    // id is the desktop id io.tamsel.desktop, the name of the installed entry
    // io.tamsel.desktop.desktop that docks, task switchers and portals match windows against.
    static QString desktopFileName(const QVersionNumber &qtVersion);
};
