#include "platform/linux/calendar/OnDemandCalendarStore.h"

#include "platform/linux/BackendModule.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>

namespace {
// Off unless enabled through --verbose or QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcOnDemand, "kestrix.signals.calendar", QtCriticalMsg)
} // namespace

OnDemandCalendarStore::OnDemandCalendarStore(QDBusConnection bus, QString busName, Factory factory, QObject *parent)
    : CalendarStore(parent), m_bus(std::move(bus)), m_busName(std::move(busName)), m_factory(std::move(factory))
{}

OnDemandCalendarStore::~OnDemandCalendarStore()
{
    // Releasing the member may run the event loop: nothing of it, and no change of owner, reaches
    // this half-destroyed store or its observers.
    m_closing = true;
    blockSignals(true);
    delete m_watcher;
    m_watcher = nullptr;
    if (m_store) {
        disconnect(m_store.get(), nullptr, this, nullptr);
        m_store->blockSignals(true);
        m_store.reset();
    }
}

std::unique_ptr<OnDemandCalendarStore> OnDemandCalendarStore::forCalendarServer(const QStringList &moduleFolders,
                                                                                const QDBusConnection &bus)
{
    return std::make_unique<OnDemandCalendarStore>(
        bus, QStringLiteral("org.gnome.evolution.dataserver.Sources5"),
        [moduleFolders]() -> std::unique_ptr<CalendarStore> {
            using Factory = CalendarStore *();
            auto *make = reinterpret_cast<Factory *>(BackendModule::resolve(
                QStringLiteral("kestrix-calendar-server"), "kestrix_calendar_server_store_new", moduleFolders));
            return std::unique_ptr<CalendarStore>(make ? make() : nullptr);
        });
}

void OnDemandCalendarStore::requestAccess()
{
    if (m_requested) {
        return;
    }
    m_requested = true;
    if (m_bus.isConnected() && m_bus.interface()) {
        m_watcher = new QDBusServiceWatcher(m_busName, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString &, const QString &, const QString &newOwner) {
                    m_ownerKnown = true;
                    setPresent(!newOwner.isEmpty());
                });
        // Asks whether the name has an owner; unlike a call to the service itself, this never
        // starts it.
        auto *pending =
            new QDBusPendingCallWatcher(m_bus.interface()->asyncCall(QStringLiteral("NameHasOwner"), m_busName), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            const QDBusPendingReply<bool> reply = *call;
            if (!m_ownerKnown && reply.isValid()) {
                setPresent(reply.value());
            }
        });
    } else {
        qCInfo(lcOnDemand).noquote() << "no session bus; not watching for" << m_busName;
    }
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT accessResolved(true); }, Qt::QueuedConnection);
}

void OnDemandCalendarStore::setPresent(bool present)
{
    if (present != m_present) {
        qCInfo(lcOnDemand).noquote() << m_busName << (present ? "is running" : "went away");
    }
    m_present = present;
    sync();
}

// Makes or drops the member to match the service. Releasing a member may run the event loop and
// with it a change of owner: that one is handled once the release is over, never inside it.
void OnDemandCalendarStore::sync()
{
    if (m_closing) {
        return;
    }
    if (m_syncing) {
        m_syncAgain = true;
        return;
    }
    m_syncing = true;
    do {
        m_syncAgain = false;
        if (m_present && !m_store && !m_unavailable) {
            load();
        } else if (!m_present && m_store) {
            drop();
        }
    } while (m_syncAgain && !m_closing);
    m_syncing = false;
}

void OnDemandCalendarStore::load()
{
    std::unique_ptr<CalendarStore> store = m_factory ? m_factory() : nullptr;
    if (!store) {
        m_unavailable = true;
        return;
    }
    m_store = std::move(store);
    connect(m_store.get(), &CalendarStore::accessResolved, this, [this](bool granted) {
        if (granted) {
            Q_EMIT changed();
        }
    });
    connect(m_store.get(), &CalendarStore::changed, this, &CalendarStore::changed);
    m_store->requestAccess();
}

void OnDemandCalendarStore::drop()
{
    const std::unique_ptr<CalendarStore> store = std::move(m_store);
    disconnect(store.get(), nullptr, this, nullptr);
    store->blockSignals(true);
    // The destructor below may run the event loop; m_store is already empty for whoever asks.
    Q_EMIT changed();
}

QList<CalendarInfo> OnDemandCalendarStore::calendars()
{
    return m_store ? m_store->calendars() : QList<CalendarInfo>();
}

QList<CalendarEvent> OnDemandCalendarStore::events(const CalendarEventQuery &query)
{
    return m_store ? m_store->events(query) : QList<CalendarEvent>();
}

QStringList OnDemandCalendarStore::knownUserAddresses()
{
    return m_store ? m_store->knownUserAddresses() : QStringList();
}
