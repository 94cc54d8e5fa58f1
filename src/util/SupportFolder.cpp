#include "util/SupportFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace SupportFolder {

QString path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kestrix");
}

bool ensure()
{
    const QString folder = path();
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    const QFileInfo info(folder);
    if (!QDir().mkpath(info.absolutePath())) {
        return false;
    }
    return QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) || QFileInfo(folder).isDir();
}

} // namespace SupportFolder
