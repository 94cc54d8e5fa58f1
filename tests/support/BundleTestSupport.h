#pragma once

#include "support/BuildPaths.h"
#include "support/TestMain.h"
#include "update/BundleTools.h"
#include "update/DetachedShell.h"
#include "update/PackageDatabase.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// Helpers for tests of application bundles, release images and their signatures.
namespace BundleTestSupport {

// Writes `contents` to `path`, making the folders above it.
inline bool writeFile(const QString &path, const QByteArray &contents, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size()) {
        return false;
    }
    file.close();
    if (executable) {
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    }
    return true;
}

// A small unsigned bundle at `path`: bin/kestrix is a shell script that writes its own bundle
// folder and `label` to `startedMarker` when it runs, plus a resource and a link to it.
inline bool makeBundle(const QString &path, const QByteArray &label, const QString &startedMarker = QString())
{
    const QByteArray script = "#!/bin/sh\n# " + label + "\n" +
                              (startedMarker.isEmpty() ? QByteArray()
                                                       : "printf '%s\\n' \"$(cd \"$(dirname \"$0\")/..\" && pwd)\" " +
                                                             label + " > '" + QFile::encodeName(startedMarker) + "'\n");
    return writeFile(path + QStringLiteral("/bin/kestrix"), script, true) &&
           writeFile(path + QStringLiteral("/share/kestrix/Advanced Setup (Terminal + AI Hooks).pdf"),
                     "%PDF " + label) &&
           QFile::link(QStringLiteral("Advanced Setup (Terminal + AI Hooks).pdf"),
                       path + QStringLiteral("/share/kestrix/guide.pdf"));
}

// Runs the build's kestrix-sign tool; its standard output, or nothing when
// it failed.
inline std::optional<QString> runSign(const QStringList &arguments)
{
    QProcess tool;
    tool.start(kestrix::buildpaths::signTool(), arguments);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        qWarning("kestrix-sign %s: %s", qPrintable(arguments.join(QLatin1Char(' '))),
                 tool.readAllStandardError().constData());
        return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// A package database that knows only the files it was told about.
class FakePackageDatabase final : public PackageDatabase {
public:
    std::optional<QString> owningPackage(const QString &filePath) override
    {
        ++queries;
        const auto it = owners.constFind(filePath);
        return it == owners.constEnd() ? std::nullopt : std::optional(*it);
    }
    QHash<QString, QString> owners;
    int queries = 0;
};

// Records the scripts it is asked to start, without starting them.
class RecordingShell final : public DetachedShell {
public:
    bool startDetached(const QString &script, const QStringList &arguments) override
    {
        runs.append({script, arguments});
        return true;
    }
    QList<std::pair<QString, QStringList>> runs;
};

// Bundle tools that fail everything, for compositions that never prepare an update.
class InertBundleTools final : public BundleTools {
public:
    bool attachImage(const QString &, const QString &) override { return false; }
    bool detachImage(const QString &) override { return false; }
    bool verifyStrict(const QString &) override { return false; }
    bool assess(const QString &) override { return false; }
    std::optional<QString> teamIdentifier(const QString &) override { return std::nullopt; }
    std::optional<SignedRelease> signedRelease(const QString &) override { return std::nullopt; }
};

} // namespace BundleTestSupport
