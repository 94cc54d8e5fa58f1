#pragma once

#include <QObject>
#include <QVariantMap>

#include <functional>

// Lets a second start of Kestrix hand over to the one already running, the Linux way: the running
// instance owns the well-known name io.tamsel.desktop on the session bus and answers
// org.freedesktop.Application's Activate at /io/tamsel/desktop. Which instance runs is still
// decided by the single-instance lock; this only carries the "show yourself" request.
namespace InstanceActivation {

// Publishes the running instance; `activate` runs on the main thread for every request. False when
// there is no session bus or the name is taken.
bool publish(QObject *owner, std::function<void()> activate);

// The request's platform data: the launch's Wayland activation token (XDG_ACTIVATION_TOKEN, which
// the launcher gives the process it starts), so the running instance may raise its window; and
// back.
QVariantMap platformData(const QString &activationToken);
QString activationToken(const QVariantMap &platformData);

// Asks the running instance to show itself, passing on this start's activation token; false when
// nobody answered (no session bus, no
// instance on it, or no answer within the time-out).
bool activateRunningInstance(int timeoutMs = 3000);

} // namespace InstanceActivation
