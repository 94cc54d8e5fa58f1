#include "update/AppBundle.h"

#include "platform/PackageDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

#include <unistd.h>

namespace fs = std::filesystem;

namespace AppBundle {

namespace {
fs::path fsPath(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

bool isWritableFolder(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}
} // namespace

QString runningBundlePath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
}

QString backupPath(const QString &bundlePath)
{
    return bundlePath + QStringLiteral(".previous");
}

bool isKestrixBundle(const QString &path)
{
    const QFileInfo folder(path);
    const QFileInfo executable(path + QLatin1Char('/') + QLatin1String(executablePath));
    return folder.isDir() && !folder.isSymLink() && executable.isFile() && !executable.isSymLink();
}

Installation inspect(const QString &bundlePath, PackageDatabase &packages)
{
    const QString executable = bundlePath + QLatin1Char('/') + QLatin1String(executablePath);
    if (auto package = packages.owningPackage(executable)) {
        return {Installation::Kind::packageManaged, *package};
    }
    if (QFileInfo(bundlePath).fileName() != QLatin1String(bundleName) || !isKestrixBundle(bundlePath)) {
        return {Installation::Kind::notABundle, {}};
    }
    // Moving or deleting the folder needs write access to it and to the folder around it.
    const QString parent = QFileInfo(bundlePath).absolutePath();
    if (!isWritableFolder(parent) || !isWritableFolder(bundlePath)) {
        return {Installation::Kind::notWritable, {}};
    }
    return {Installation::Kind::ownBundle, {}};
}

bool copyBundle(const QString &from, const QString &to)
{
    const fs::path source = fsPath(from);
    const fs::path target = fsPath(to);
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(source, error)) || !fs::create_directory(target, error)) {
        return false;
    }
    for (fs::recursive_directory_iterator it(source, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const fs::path destination = target / it->path().lexically_relative(source);
        const fs::file_status status = it->symlink_status(error);
        if (error) {
            return false;
        }
        if (fs::is_symlink(status)) {
            fs::copy_symlink(it->path(), destination, error);
        } else if (fs::is_directory(status)) {
            fs::create_directory(destination, error);
        } else if (fs::is_regular_file(status)) {
            fs::copy_file(it->path(), destination, error);
            if (!error) {
                const fs::perms executable =
                    status.permissions() & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec);
                fs::permissions(destination,
                                fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                    fs::perms::others_read | executable,
                                error);
            }
        } else {
            return false;
        }
        if (error) {
            return false;
        }
    }
    return !error;
}

} // namespace AppBundle
