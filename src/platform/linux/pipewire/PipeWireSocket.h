#pragma once

#include <QDir>
#include <QString>

// Where the PipeWire daemon's socket is, as the PipeWire library looks for it: $PIPEWIRE_REMOTE
// (default "pipewire-0") in $PIPEWIRE_RUNTIME_DIR or else $XDG_RUNTIME_DIR. Empty when neither
// folder is set.
inline QString pipeWireSocketPath()
{
    QString folder = qEnvironmentVariable("PIPEWIRE_RUNTIME_DIR");
    if (folder.isEmpty()) {
        folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    }
    QString name = qEnvironmentVariable("PIPEWIRE_REMOTE");
    if (name.isEmpty()) {
        name = QStringLiteral("pipewire-0");
    }
    if (name.startsWith(QLatin1Char('/'))) {
        return name;
    }
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}
