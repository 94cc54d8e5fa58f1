#include "util/AppSettings.h"

#include <QStandardPaths>

namespace AppSettings {

QString filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/io.tamsel.desktop.conf");
}

std::unique_ptr<QSettings> open()
{
    return std::make_unique<QSettings>(filePath(), QSettings::IniFormat);
}

} // namespace AppSettings
