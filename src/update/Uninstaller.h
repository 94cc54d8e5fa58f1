#pragma once

#include "update/AppBundle.h"

#include <QString>
#include <QStringList>

#include <functional>

class DetachedShell;
class PackageDatabase;

// Removes Kestrix from this computer on the user's request: its support folder (trigger socket
// and calendars included), its settings file, and, once the application has quit, its own bundle
// with the backup an update left beside it. Only Kestrix bundles are ever deleted: a copy
// installed by a package manager, or not in a Kestrix.app folder of its own, stays, and the
// confirmation tells the user how to remove it. Linux keeps no per-application privacy grants, so
// there is nothing to reset there. The device and its settings are not touched. Main thread.
class Uninstaller {
public:
    struct Environment {
        QString bundlePath;
        qint64 processId = 0;            // the deletion waits for this process to end
        std::function<void()> terminate; // asks the application to quit

        static Environment running();
    };

    // What run() removes, computed before anything is touched.
    struct Plan {
        QString bundlePath;
        QString supportFolder;
        QString settingsFile;
        AppBundle::Installation installation;
        // Deleted after the application has quit: the bundle when it is the application's own, its
        // ".previous" backup when that is a Kestrix bundle too, and staged updates beside it.
        QStringList scheduledDeletions;
    };

    // The references must outlive the uninstaller.
    Uninstaller(PackageDatabase &packages, DetachedShell &shell, Environment environment);

    // Blocks while the package tools answer.
    Plan plan() const;

    // Removes the support folder and the settings, schedules the deletions and asks the
    // application to quit. Every step ignores its own failure, so running it again (after a
    // deletion that failed, say) is harmless.
    void run();

    // The deletion, run by "/bin/sh -c" with $1 the process to wait for and the paths after it.
    static QString deletionScript();

private:
    PackageDatabase &m_packages;
    DetachedShell &m_shell;
    Environment m_environment;
};
