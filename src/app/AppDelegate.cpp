#include "app/AppDelegate.h"

#include "app/AppInfo.h"

#include <QApplication>

void AppDelegate::applicationDidFinishLaunching()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

QString AppDelegate::desktopFileName(const QVersionNumber &qtVersion)
{
    QString id = QString::fromLatin1(AppInfo::identifier);
    // The id itself ends in ".desktop", which Qt before 6.5.2 takes for a file name's ending: its
    // Wayland plugin cuts it off, and the app id would be "io.tamsel". Given the entry's file name,
    // the cut leaves the id. From 6.5.2 on, Qt hands the name on as it is and cuts ".desktop" only
    // off a name that an installed entry carries whole, with a warning on stderr: the id goes plain.
    if (qtVersion < QVersionNumber(6, 5, 2)) {
        return id + QStringLiteral(".desktop");
    }
    return id;
}
