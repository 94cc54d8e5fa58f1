#include "platform/linux/update/SystemPackageDatabase.h"

#include <QFileInfo>
#include <QProcess>

namespace {

// Standard output of a tool that exited with status 0, else nothing.
std::optional<QString> run(const QString &program, const QStringList &arguments, std::chrono::milliseconds timeout)
{
    if (!QFileInfo(program).isExecutable()) {
        return std::nullopt;
    }
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(program, arguments);
    if (!tool.waitForFinished(int(timeout.count()))) {
        tool.kill();
        tool.waitForFinished(-1);
        return std::nullopt;
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

} // namespace

SystemPackageDatabase::SystemPackageDatabase(std::chrono::milliseconds toolTimeout) : m_toolTimeout(toolTimeout) {}

std::optional<QString> SystemPackageDatabase::packageFromDpkgOutput(const QString &output, const QString &filePath)
{
    const QString suffix = QStringLiteral(": ") + filePath;
    for (const QString &line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.endsWith(suffix) || line.startsWith(QStringLiteral("diversion "))) {
            continue;
        }
        const QString packages = line.left(line.size() - suffix.size());
        const QString first = packages.section(QStringLiteral(", "), 0, 0).trimmed();
        if (!first.isEmpty()) {
            return first;
        }
    }
    return std::nullopt;
}

std::optional<QString> SystemPackageDatabase::owningPackage(const QString &filePath)
{
    if (const auto output =
            run(QStringLiteral("/usr/bin/dpkg-query"), {QStringLiteral("-S"), filePath}, m_toolTimeout)) {
        if (auto package = packageFromDpkgOutput(*output, filePath)) {
            return package;
        }
    }
    const QStringList rpmArguments{QStringLiteral("-qf"), QStringLiteral("--queryformat"), QStringLiteral("%{NAME}\\n"),
                                   filePath};
    if (const auto output = run(QStringLiteral("/usr/bin/rpm"), rpmArguments, m_toolTimeout)) {
        const QString name = output->section(QLatin1Char('\n'), 0, 0).trimmed();
        if (!name.isEmpty()) {
            return name;
        }
    }
    return std::nullopt;
}
