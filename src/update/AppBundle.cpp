#include "update/AppBundle.h"

#include "update/PackageDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace AppBundle {

namespace {
fs::path fsPath(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

// With this process's effective rights (access() would ask with the real user's, and for root it
// counts capabilities the process may have dropped).
bool isWritableFolder(const QString &path)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

// Removes a file, a link or a whole folder (read-only parts included) without following links.
bool removeTree(const fs::path &path)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error) {
        return false;
    }
    if (fs::is_directory(status)) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, error);
        for (fs::recursive_directory_iterator it(path, error); !error && it != fs::recursive_directory_iterator();
             it.increment(error)) {
            std::error_code ignored;
            if (fs::is_directory(it->symlink_status(ignored))) {
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
            }
        }
    }
    fs::remove_all(path, error);
    return !error;
}

// Removes every entry of `folder` whose name starts with one of `prefixes`; gives how many went.
int removeEntries(const QString &folder, const QStringList &prefixes)
{
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator it(fsPath(folder), error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        const QString name = QFile::decodeName(QByteArray::fromStdString(it->path().filename().string()));
        const bool matches = std::any_of(prefixes.begin(), prefixes.end(),
                                         [&name](const QString &prefix) { return name.startsWith(prefix); });
        if (matches && removeTree(it->path())) {
            ++removed;
        }
    }
    return removed;
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

bool removeTree(const QString &path)
{
    std::error_code error;
    return !fs::exists(fs::symlink_status(fsPath(path), error)) || removeTree(fsPath(path));
}

Recovery recoverInterruptedUpdate(const QString &bundlePath, const QString &temporaryDirectory)
{
    Recovery out;
    out.bundlePath = bundlePath;
    const QString backupSuffix = backupPath(QString());
    if (bundlePath.endsWith(backupSuffix)) {
        out.bundlePath.chop(backupSuffix.size());
    }
    const QFileInfo bundle(out.bundlePath);
    if (bundle.fileName() == QLatin1String(bundleName)) {
        const QString previous = backupPath(out.bundlePath);
        // A swap stopped between its two renames leaves no bundle; a copy cut short leaves one
        // without its executable. Either way the backup is the last whole install.
        if (!isKestrixBundle(out.bundlePath) && isKestrixBundle(previous)) {
            std::error_code error;
            const bool cleared =
                !fs::exists(fs::symlink_status(fsPath(out.bundlePath), error)) || removeTree(fsPath(out.bundlePath));
            if (cleared) {
                fs::rename(fsPath(previous), fsPath(out.bundlePath), error);
                out.restoredPrevious = !error;
            }
        }
        out.removedLeftovers += removeEntries(bundle.absolutePath(), {QLatin1String(stagingPrefix)});
    }
    if (!out.restoredPrevious) {
        out.bundlePath = bundlePath;
    }
    // Earlier versions staged in the temporary folder, without the leading dot.
    out.removedLeftovers += removeEntries(temporaryDirectory, {QLatin1String(imagePrefix), QLatin1String(mountPrefix),
                                                               QString::fromLatin1(stagingPrefix).mid(1)});
    return out;
}

} // namespace AppBundle
