#pragma once

// Makes Kestrix a tray-only application: no main window, no taskbar entry of its own, and closing
// its last window does not quit it.
class AppDelegate {
public:
    // Called once the application object exists and before any window is shown.
    static void applicationDidFinishLaunching();
};
