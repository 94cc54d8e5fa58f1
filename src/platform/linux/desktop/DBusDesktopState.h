#pragma once

#include "signals/DesktopStateSource.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QDBusMessage;
class QDBusServiceWatcher;

// A yes/no state that a desktop service publishes on D-Bus: a boolean property followed through
// PropertiesChanged, or a getter method followed through a signal that carries the new value.
//
// The service is never started to be asked: nothing is sent to it before the bus has said that its
// name has an owner, and every call carries the no-auto-start flag. While the name has no owner,
// or the service cannot answer, the state is absent; it is read again whenever an owner appears.
// Calls are asynchronous. Main thread only.
class DBusDesktopState : public DesktopStateSource {
    Q_OBJECT
public:
    struct Endpoint {
        QString service;
        QString path; // empty: found by `locate` each time the service appears
        QString interface;
        QString property;      // read with Properties.Get, followed through PropertiesChanged; or
        QString getter;        // a method returning the state,
        QString changedSignal; // and the signal (of the interface) that carries each new value
        // A call whose reply's first argument is the object path, such as logind's GetSession.
        std::function<QDBusMessage()> locate;
    };

    DBusDesktopState(QDBusConnection bus, Endpoint endpoint, QObject *parent = nullptr);
    ~DBusDesktopState() override;

    void start() override;

    // Whether the user's login session is locked: logind's LockedHint of the session named by
    // $XDG_SESSION_ID, else of the one logind picks for this process ("auto": its own, or the
    // user's display session), on the system bus.
    static std::unique_ptr<DesktopStateSource> logindLockedHint(QDBusConnection systemBus);
    // Whether a screen saver (and the locker that comes with it) is active: GetActive and
    // ActiveChanged of org.freedesktop.ScreenSaver or org.gnome.ScreenSaver.
    static std::unique_ptr<DesktopStateSource> screenSaverActive(QDBusConnection sessionBus, const QString &service);
    // Whether the notification server holds notifications back: its Inhibited property.
    static std::unique_ptr<DesktopStateSource> notificationsInhibited(QDBusConnection sessionBus);

private Q_SLOTS:
    void onPropertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);
    void onStateSignal(bool state);

private:
    void onOwnerChanged(const QString &newOwner);
    void appeared();
    void follow(const QString &path);
    void unfollow();
    void read();
    void setState(std::optional<bool> state);
    void send(const QDBusMessage &message, std::function<void(const QDBusMessage &)> onReply);

    QDBusConnection m_bus;
    Endpoint m_endpoint;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    QString m_followedPath;
    std::optional<bool> m_state;
    // Bumped by every event that makes replies in flight stale: the owner changed, or a change
    // signal brought a newer value than a read under way.
    quint64 m_generation = 0;
    bool m_started = false;
};
