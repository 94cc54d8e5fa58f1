#include "app/AppDelegate.h"
#include "app/AppInfo.h"
#include "app/AppResources.h"
#include "app/Backends.h"
#include "app/CommandLine.h"
#include "app/InstanceActivation.h"
#include "app/SingleInstanceGuard.h"
#include "app/TamselDesktopApp.h"
#include "app/Translations.h"
#include "device/HidBus.h"
#include "signals/AudioInput.h"
#include "signals/CalendarStore.h"
#include "signals/CameraDevices.h"
#include "signals/NetworkInterfaces.h"
#include "signals/TriggerListener.h"
#include "ui/TrayPresence.h"
#include "update/BundleTools.h"
#include "update/DetachedShell.h"
#include "update/PackageDatabase.h"
#include "util/Clock.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (const auto exitCode = CommandLine::handle(argc, argv, Backends::makePackageDatabase)) {
        return *exitCode;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(AppInfo::name));
    QApplication::setApplicationVersion(QString::fromLatin1(AppInfo::shortVersion));
    QApplication::setDesktopFileName(AppDelegate::desktopFileName(QLibraryInfo::version()));
    // LANGUAGE, LC_ALL, LC_MESSAGES and LANG, as the desktop sets them.
    if (const auto translations = Translations::folder(AppResources::runningLocations())) {
        Translations::install(QLocale::system().uiLanguages(), *translations);
    }

    SingleInstanceGuard guard;
    switch (guard.tryAcquire()) {
    case SingleInstanceGuard::Outcome::acquired:
        break;
    case SingleInstanceGuard::Outcome::heldByRunningInstance:
        // The running Kestrix comes forward; this start has nothing more to do either way.
        InstanceActivation::activateRunningInstance();
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(QCoreApplication::translate("main", "Kestrix is already running.")));
        return 0;
    case SingleInstanceGuard::Outcome::failed:
        // Said even without --verbose: a Kestrix started with the session would otherwise never run
        // without a word.
        std::fprintf(
            stderr, "%s\n",
            qUtf8Printable(QCoreApplication::translate("main", "Kestrix can't start: %1.").arg(guard.failure())));
        return 1;
    }
    AppDelegate::applicationDidFinishLaunching();
    TamselDesktopApp kestrix(
        {Backends::makeHidBus(), Backends::makeTriggerListener(), Backends::makeAudioInput(),
         Backends::makeCameraDevices(), Backends::makeNetworkInterfaces(), Backends::makeCalendarStore(),
         Backends::makeClock(), Backends::makeBundleTools(), Backends::makePackageDatabase(),
         Backends::makeDetachedShell(), Backends::makeTrayPresence(), Backends::makeScreenLockSources(),
         Backends::makeDoNotDisturbSources(), Backends::makeScreenShareSources(), Backends::makeSystemSleep(),
         /*wallClock: the system's*/ {}, std::chrono::minutes(1)});
    InstanceActivation::publish(&kestrix, [&kestrix] { kestrix.showRunningInstance(); });
    kestrix.launch();
    return QApplication::exec();
}
