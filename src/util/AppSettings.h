#pragma once

#include <QSettings>
#include <QString>

#include <memory>

// The application's settings file, $XDG_CONFIG_HOME/io.tamsel.desktop.conf (INI). The location is
// resolved on every call, so a test that points XDG_CONFIG_HOME elsewhere before opening gets its
// own file. Each instance writes its changes back when destroyed: open one per transaction.
namespace AppSettings {

QString filePath();
std::unique_ptr<QSettings> open();

} // namespace AppSettings
