#pragma once

#include <QString>
#include <QStringList>

// Runs a shell script that outlives the application: "/bin/sh" with "-c", the script, "_" (for
// $0) and the arguments ($1 onwards), never waited for.
class DetachedShell {
public:
    virtual ~DetachedShell() = default;

    // False when the shell could not be started.
    virtual bool startDetached(const QString &script, const QStringList &arguments) = 0;
};
