#pragma once

#include "signals/DesktopStateSource.h"

#include <QString>

#include <memory>
#include <vector>

class AudioInput;
class BundleTools;
class DetachedShell;
class PackageDatabase;
class CalendarStore;
class CameraDevices;
class Clock;
class SystemSleep;
class HidBus;
class NetworkInterfaces;
class TriggerListener;
class TrayPresence;

// The concrete backends of the ports, chosen once at start-up. Only the composition root uses this.
namespace Backends {

// The socket bus in $KESTRIX_DEVICE_BUS when it names a folder, else hidraw through udev.
std::unique_ptr<HidBus> makeHidBus();

// The Unix-domain socket the trigger server listens on.
std::unique_ptr<TriggerListener> makeTriggerListener();

// The sound server's default input (PulseAudio, or PipeWire's PulseAudio server).
std::unique_ptr<AudioInput> makeAudioInput();

// Video4Linux capture nodes and the processes holding them, and the camera nodes of the PipeWire
// graph that are running.
std::unique_ptr<CameraDevices> makeCameraDevices();

// Network links from rtnetlink.
std::unique_ptr<NetworkInterfaces> makeNetworkInterfaces();

// The desktop's calendar server (evolution-data-server) when it runs, and iCalendar files in the
// support folder's Calendars/ and the desktop's local calendars.
std::unique_ptr<CalendarStore> makeCalendarStore();

// Whether the session is locked: logind's locked hint on the system bus, and the screen savers of
// the session bus (the freedesktop.org one and GNOME's).
std::vector<std::unique_ptr<DesktopStateSource>> makeScreenLockSources();

// Whether notifications are held back: the notification server's Inhibited property, and GNOME's
// notification banners setting where its schema is installed.
std::vector<std::unique_ptr<DesktopStateSource>> makeDoNotDisturbSources();

// Whether a screen cast runs: a running video source in the PipeWire graph that is no camera.
std::vector<std::unique_ptr<DesktopStateSource>> makeScreenShareSources();

// The machine's sleep and wake-up from logind on the system bus.
std::unique_ptr<SystemSleep> makeSystemSleep();

// CLOCK_BOOTTIME, which keeps counting while the machine sleeps, for the timers.
std::unique_ptr<Clock> makeClock();

// Release images (libarchive) and bundle signatures (libsodium), trusting the build's team keys.
std::unique_ptr<BundleTools> makeBundleTools();

// Which system package, if any, installed a file (dpkg, rpm).
std::unique_ptr<PackageDatabase> makePackageDatabase();

// /bin/sh scripts that outlive the application (the update swap, the uninstall).
std::unique_ptr<DetachedShell> makeDetachedShell();

// The desktop's system tray: StatusNotifierItem hosts on the session bus, XEmbed trays under X11.
std::unique_ptr<TrayPresence> makeTrayPresence();

} // namespace Backends
