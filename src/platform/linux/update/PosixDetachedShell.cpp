#include "platform/linux/update/PosixDetachedShell.h"

#include <QProcess>

bool PosixDetachedShell::startDetached(const QString &script, const QStringList &arguments)
{
    QProcess shell;
    shell.setProgram(QStringLiteral("/bin/sh"));
    QStringList all{QStringLiteral("-c"), script, QStringLiteral("_")};
    all += arguments;
    shell.setArguments(all);
    shell.setStandardInputFile(QProcess::nullDevice());
    shell.setStandardOutputFile(QProcess::nullDevice());
    shell.setStandardErrorFile(QProcess::nullDevice());
    // Not the application's folder: the script may move that away.
    shell.setWorkingDirectory(QStringLiteral("/"));
    return shell.startDetached();
}
