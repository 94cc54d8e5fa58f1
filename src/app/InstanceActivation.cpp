#include "app/InstanceActivation.h"

#include "app/AppInfo.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>

namespace {

const QString objectPath = QStringLiteral("/io/tamsel/desktop");
const QString applicationInterface = QStringLiteral("org.freedesktop.Application");

// org.freedesktop.Application on the running instance. Opening files and named actions have no
// meaning for Kestrix; both only bring it forward.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    ApplicationAdaptor(QObject *owner, std::function<void()> activate)
        : QDBusAbstractAdaptor(owner), m_activate(std::move(activate))
    {}

public Q_SLOTS:
    void Activate(const QVariantMap &platformData)
    {
        Q_UNUSED(platformData);
        m_activate();
    }
    void Open(const QStringList &uris, const QVariantMap &platformData)
    {
        Q_UNUSED(uris);
        Q_UNUSED(platformData);
        m_activate();
    }
    void ActivateAction(const QString &actionName, const QVariantList &parameter, const QVariantMap &platformData)
    {
        Q_UNUSED(actionName);
        Q_UNUSED(parameter);
        Q_UNUSED(platformData);
        m_activate();
    }

private:
    std::function<void()> m_activate;
};

} // namespace

namespace InstanceActivation {

bool publish(QObject *owner, std::function<void()> activate)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    auto *adaptor = new ApplicationAdaptor(owner, std::move(activate));
    if (!bus.registerObject(objectPath, owner, QDBusConnection::ExportAdaptors)) {
        delete adaptor;
        return false;
    }
    return bus.registerService(QString::fromLatin1(AppInfo::identifier));
}

bool activateRunningInstance(int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(AppInfo::identifier), objectPath,
                                                       applicationInterface, QStringLiteral("Activate"));
    call << QVariantMap();
    call.setAutoStartService(false); // only an instance that runs is asked
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace InstanceActivation

#include "InstanceActivation.moc"
