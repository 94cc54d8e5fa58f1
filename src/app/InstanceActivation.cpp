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
    void Activate(const QVariantMap &platformData) { activate(platformData); }
    void Open(const QStringList &uris, const QVariantMap &platformData)
    {
        Q_UNUSED(uris);
        activate(platformData);
    }
    void ActivateAction(const QString &actionName, const QVariantList &parameter, const QVariantMap &platformData)
    {
        Q_UNUSED(actionName);
        Q_UNUSED(parameter);
        activate(platformData);
    }

private:
    void activate(const QVariantMap &platformData)
    {
        // A Wayland compositor raises a window only for the token of the launch that asked; Qt's
        // Wayland plugin hands this variable to the compositor with the next window activation.
        const QString token = InstanceActivation::activationToken(platformData);
        if (!token.isEmpty()) {
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        }
        m_activate();
    }

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

QVariantMap platformData(const QString &activationToken)
{
    QVariantMap data;
    if (!activationToken.isEmpty()) {
        data.insert(QStringLiteral("activation-token"), activationToken);
    }
    return data;
}

QString activationToken(const QVariantMap &platformData)
{
    return platformData.value(QStringLiteral("activation-token")).toString();
}

bool activateRunningInstance(int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(AppInfo::identifier), objectPath,
                                                       applicationInterface, QStringLiteral("Activate"));
    call << platformData(qEnvironmentVariable("XDG_ACTIVATION_TOKEN"));
    call.setAutoStartService(false); // only an instance that runs is asked
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace InstanceActivation

#include "InstanceActivation.moc"
