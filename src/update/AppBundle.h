#pragma once

#include <QString>

class PackageDatabase;

// Kestrix bundles: relocatable install folders named "Kestrix.app" that hold the executable at
// bin/kestrix and its resources below share/kestrix/. The running bundle is the folder holding
// the running executable's bin/.
namespace AppBundle {

inline constexpr char bundleName[] = "Kestrix.app";
inline constexpr char executablePath[] = "bin/kestrix";

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

} // namespace AppBundle
