#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusServiceWatcher;

// Follows whether a name on a bus has an owner, without ever starting the service behind it: the
// bus's own NameHasOwner answers first, then every owner change. An owner change seen before that
// answer arrives wins over it. Main thread only.
class BusNameOwner : public QObject {
    Q_OBJECT
public:
    // Starts asking at once; nothing happens on a bus that is not connected.
    BusNameOwner(QDBusConnection bus, const QString &name, QObject *parent = nullptr);

Q_SIGNALS:
    // The first answer and every change after it.
    void presenceChanged(bool present);

private:
    QDBusServiceWatcher *m_watcher = nullptr;
    bool m_ownerChangeSeen = false;
};
