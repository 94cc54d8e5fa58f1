#pragma once

#include <QString>
#include <QStringList>

class PackageDatabase;

// Kestrix bundles: relocatable install folders named "Kestrix.app" that hold the executable at
// bin/kestrix and its resources below share/kestrix/. The running bundle is the folder holding
// the running executable's bin/.
namespace AppBundle {

inline constexpr char bundleName[] = "Kestrix.app";
inline constexpr char executablePath[] = "bin/kestrix";
// The application identifier that a release's signature must name.
inline constexpr char identifier[] = "io.tamsel.desktop";
// An update is staged in a hidden folder beside the running bundle, named this prefix and a UUID,
// so that swapping it in is a rename on the same file system.
inline constexpr char stagingPrefix[] = ".Kestrix-staged-";
// Names of an update's files in the temporary folder, followed by a UUID.
inline constexpr char imagePrefix[] = "Kestrix-update-";
inline constexpr char mountPrefix[] = "Kestrix-mount-";

// The running executable's bundle root (for an installed prefix such as /usr, that prefix).
QString runningBundlePath();

// The path of the backup an update leaves behind: the bundle path with ".previous" appended.
QString backupPath(const QString &bundlePath);

// A real folder (not a link) holding bin/kestrix as a regular file.
bool isKestrixBundle(const QString &path);

// How the running copy was installed, which decides whether it may replace or delete itself.
struct Installation {
    enum class Kind {
        ownBundle,      // a Kestrix bundle in a writable folder: it may replace and delete itself
        packageManaged, // a package manager's files; `packageName` names the package
        notABundle,     // not a Kestrix.app folder of its own (an installed prefix, a build tree)
        notWritable,    // a Kestrix bundle where this user cannot move or delete it
    };
    Kind kind = Kind::notABundle;
    QString packageName;

    friend bool operator==(const Installation &, const Installation &) = default;
};

// Asks the package database, then looks at the folder. Blocks while the package tools run.
Installation inspect(const QString &bundlePath, PackageDatabase &packages);

// Copies the bundle folder `from` to the new path `to`: folders, regular files with their
// executable bits (always writable by the owner, so the copy can later be moved and deleted) and
// links as links. False on the first failure; what was copied until then stays.
bool copyBundle(const QString &from, const QString &to);

// Removes a file, a link or a whole folder (read-only parts included) without following links.
// False when something could not be removed. Blocks while it deletes.
bool removeTree(const QString &path);

// Repairs what an update interrupted in an earlier run, then removes what earlier runs left
// behind. `bundlePath` is the running bundle; when it is the backup (".previous") of a bundle,
// that bundle is meant. If the bundle is missing or incomplete (no bin/kestrix) while its backup
// is whole, the backup is renamed back into place. Every hidden staging folder beside the bundle
// and every image, mount folder or staging folder of an update in `temporaryDirectory` goes.
// Blocks while it deletes. Gives the bundle path to use from now on (the restored bundle's, else
// `bundlePath` unchanged).
struct Recovery {
    QString bundlePath;
    bool restoredPrevious = false;
    int removedLeftovers = 0;
};
Recovery recoverInterruptedUpdate(const QString &bundlePath, const QString &temporaryDirectory);

} // namespace AppBundle
