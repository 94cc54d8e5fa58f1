#pragma once

#include "update/DetachedShell.h"

// /bin/sh started detached (reparented away from the application, standard streams on the null
// device, working folder "/"), so it goes on after the application has quit.
class PosixDetachedShell final : public DetachedShell {
public:
    bool startDetached(const QString &script, const QStringList &arguments) override;
};
