#include "platform/linux/desktop/LogindSystemSleep.h"

#include "util/Logging.h"

#include <QDBusConnection>

LogindSystemSleep::LogindSystemSleep(QObject *parent) : SystemSleep(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCInfo(lcDevice, "no system bus: the device link does not follow sleep and wake-up");
        return;
    }
    // A match rule on the signal; unlike a method call it never starts logind.
    m_watching = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                             SLOT(onPrepareForSleep(bool)));
}

void LogindSystemSleep::onPrepareForSleep(bool start)
{
    qCInfo(lcDevice, start ? "the system goes to sleep" : "the system woke up");
    if (start) {
        Q_EMIT aboutToSleep();
    } else {
        Q_EMIT resumed();
    }
}
