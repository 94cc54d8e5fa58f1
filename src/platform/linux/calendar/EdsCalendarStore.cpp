#include "platform/linux/calendar/EdsCalendarStore.h"
#include "platform/linux/calendar/EdsOccurrences.h"

#include <QAbstractEventDispatcher>
#include <QLoggingCategory>
#include <QSet>

#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace {
using eds::GPtr;
using eds::keyOf;
using eds::normalizedAddress;
using eds::Objects;

// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcEds, "kestrix.signals.calendar.server", QtCriticalMsg)

constexpr qint64 daySeconds = 86400;
// A view covers this much around the window asked for, so that the watcher's window (a day back,
// five minutes ahead, moving by seconds) stays inside one view for days.
constexpr qint64 viewReachBack = 2 * daySeconds;
constexpr qint64 viewReachAhead = 7 * daySeconds;
// How long opening one calendar may wait for its account to come online before it is served from
// the server's copy.
constexpr guint32 connectWaitSeconds = 10;

struct ErrorFree {
    void operator()(GError *error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

QString errorText(const GError *error)
{
    return error ? QString::fromUtf8(error->message) : QString();
}

bool isCancelled(const GError *error)
{
    return error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

QByteArray icalUtcText(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toLatin1();
}
} // namespace

// One enabled calendar source. Lives in the store's table while the source is enabled; callbacks
// of its asynchronous calls hold it weakly.
struct EdsCalendar {
    EdsCalendarStore::Private *owner = nullptr;
    QString uid;
    QString title;
    GPtr<ESource> source;
    GPtr<GCancellable> cancellable;
    GPtr<ECalClient> client;
    GPtr<ECalClientView> view;
    // The window of the view in place or being made, in seconds; empty (to < from) before the first.
    qint64 viewFrom = 0;
    qint64 viewTo = -1;
    QString ownAddress;
    Objects objects;
    // While a new view fills, its objects gather here and replace `objects` when it is complete,
    // so that answers never come from a half-filled view.
    std::optional<Objects> filling;

    EdsCalendar() = default;
    EdsCalendar(const EdsCalendar &) = delete;
    EdsCalendar &operator=(const EdsCalendar &) = delete;
    ~EdsCalendar()
    {
        g_cancellable_cancel(cancellable.get());
        dropView();
    }

    void dropView()
    {
        if (view) {
            g_signal_handlers_disconnect_by_data(view.get(), this);
            e_cal_client_view_stop(view.get(), nullptr);
            view.reset();
        }
    }

    Objects &target() { return filling ? *filling : objects; }
};

struct EdsCalendarStore::Private {
    EdsCalendarStore *q = nullptr;
    GPtr<GCancellable> cancellable{g_cancellable_new()};
    GPtr<ESourceRegistry> registry;
    std::map<QString, std::shared_ptr<EdsCalendar>> calendars; // by source UID
    QStringList identities;                                    // the desktop's mail identities
    std::vector<std::shared_ptr<EdsCalendar>> retired;
    bool closing = false;
    // The window the views should cover, in seconds; set by each query.
    qint64 wantFrom = 0;
    qint64 wantTo = -1;

    Private(const Private &) = delete;
    Private &operator=(const Private &) = delete;
    explicit Private(EdsCalendarStore *store) : q(store) {}
    ~Private()
    {
        // Releasing the client library's objects may run the GLib main context, and with it Qt's
        // events and this store's other callbacks: they all see `closing` and do nothing.
        closing = true;
        g_cancellable_cancel(cancellable.get());
        if (registry) {
            g_signal_handlers_disconnect_by_data(registry.get(), this);
        }
        auto dying = std::move(calendars);
        calendars.clear();
        dying.clear();
        retired.clear();
        registry.reset();
    }

    // Calendars whose sources went are released from an event of their own, never while the
    // table is being changed: releasing a client runs the main context (see above).
    void retire(std::shared_ptr<EdsCalendar> calendar)
    {
        g_cancellable_cancel(calendar->cancellable.get());
        retired.push_back(std::move(calendar));
        QTimer::singleShot(0, q, [this] {
            auto dying = std::move(retired);
            retired.clear();
        });
    }

    void changedSoon()
    {
        if (!closing) {
            q->m_changeTimer.start();
        }
    }

    static void onRegistry(GObject *, GAsyncResult *result, gpointer data)
    {
        const std::unique_ptr<std::weak_ptr<Private>> box(static_cast<std::weak_ptr<Private> *>(data));
        GError *rawError = nullptr;
        GPtr<ESourceRegistry> registry(e_source_registry_new_finish(result, &rawError));
        const ErrorPtr error(rawError);
        const auto self = box->lock();
        if (!self || self->closing || self->q->m_resolved) {
            return; // gone, or given up on
        }
        if (!registry) {
            if (!isCancelled(error.get())) {
                qCInfo(lcEds) << "no calendar server:" << errorText(error.get());
            }
            self->q->resolve(false);
            return;
        }
        self->registry = std::move(registry);
        for (const char *signal :
             {"source-added", "source-removed", "source-changed", "source-enabled", "source-disabled"}) {
            g_signal_connect_swapped(self->registry.get(), signal, G_CALLBACK(&Private::onSourcesChanged), self.get());
        }
        self->syncSources();
        self->q->resolve(true);
    }

    static void onSourcesChanged(Private *self)
    {
        if (!self->closing) {
            self->syncSources();
        }
    }

    void syncSources()
    {
        std::set<QString> enabled;
        GList *sources = e_source_registry_list_enabled(registry.get(), E_SOURCE_EXTENSION_CALENDAR);
        for (GList *item = sources; item; item = item->next) {
            ESource *source = E_SOURCE(item->data);
            const QString uid = QString::fromUtf8(e_source_get_uid(source));
            enabled.insert(uid);
            auto &calendar = calendars[uid];
            if (!calendar) {
                calendar = std::make_shared<EdsCalendar>();
                calendar->owner = this;
                calendar->uid = uid;
                calendar->source.reset(E_SOURCE(g_object_ref(source)));
                calendar->cancellable.reset(g_cancellable_new());
                if (holdsMeetings(source)) {
                    open(calendar);
                }
            }
            calendar->title = QString::fromUtf8(e_source_get_display_name(source));
        }
        g_list_free_full(sources, g_object_unref);
        for (auto it = calendars.begin(); it != calendars.end();) {
            if (enabled.count(it->first)) {
                ++it;
            } else {
                retire(std::move(it->second));
                it = calendars.erase(it);
            }
        }

        identities.clear();
        GList *mail = e_source_registry_list_enabled(registry.get(), E_SOURCE_EXTENSION_MAIL_IDENTITY);
        for (GList *item = mail; item; item = item->next) {
            auto *identity =
                E_SOURCE_MAIL_IDENTITY(e_source_get_extension(E_SOURCE(item->data), E_SOURCE_EXTENSION_MAIL_IDENTITY));
            const QString address = QString::fromUtf8(e_source_mail_identity_get_address(identity)).trimmed();
            if (!address.isEmpty()) {
                identities.append(address);
            }
        }
        g_list_free_full(mail, g_object_unref);
        changedSoon();
    }

    // Birthdays from the address book and weather forecasts are whole days, never meetings:
    // opening them would only start the address book service or reach a weather service.
    static bool holdsMeetings(ESource *source)
    {
        auto *calendar = E_SOURCE_BACKEND(e_source_get_extension(source, E_SOURCE_EXTENSION_CALENDAR));
        const char *backend = calendar ? e_source_backend_get_backend_name(calendar) : nullptr;
        return !backend || (std::strcmp(backend, "contacts") != 0 && std::strcmp(backend, "weather") != 0);
    }

    void open(const std::shared_ptr<EdsCalendar> &calendar)
    {
        e_cal_client_connect(calendar->source.get(), E_CAL_CLIENT_SOURCE_TYPE_EVENTS, connectWaitSeconds,
                             calendar->cancellable.get(), &Private::onConnected,
                             new std::weak_ptr<EdsCalendar>(calendar));
    }

    static void onConnected(GObject *, GAsyncResult *result, gpointer data)
    {
        const std::unique_ptr<std::weak_ptr<EdsCalendar>> box(static_cast<std::weak_ptr<EdsCalendar> *>(data));
        GError *rawError = nullptr;
        GPtr<EClient> client(e_cal_client_connect_finish(result, &rawError));
        const ErrorPtr error(rawError);
        const auto calendar = box->lock();
        if (!calendar || calendar->owner->closing || g_cancellable_is_cancelled(calendar->cancellable.get())) {
            return;
        }
        if (!client) {
            qCInfo(lcEds) << "cannot open calendar" << calendar->uid << errorText(error.get());
            return;
        }
        calendar->client.reset(E_CAL_CLIENT(client.release()));
        e_client_get_backend_property(E_CLIENT(calendar->client.get()), E_CAL_BACKEND_PROPERTY_CAL_EMAIL_ADDRESS,
                                      calendar->cancellable.get(), &Private::onOwnAddress,
                                      new std::weak_ptr<EdsCalendar>(calendar));
        calendar->owner->ensureView(calendar);
    }

    static void onOwnAddress(GObject *client, GAsyncResult *result, gpointer data)
    {
        const std::unique_ptr<std::weak_ptr<EdsCalendar>> box(static_cast<std::weak_ptr<EdsCalendar> *>(data));
        gchar *value = nullptr;
        GError *rawError = nullptr;
        e_client_get_backend_property_finish(E_CLIENT(client), result, &value, &rawError);
        const ErrorPtr error(rawError);
        const QString address = QString::fromUtf8(value).trimmed();
        g_free(value);
        if (const auto calendar = box->lock(); calendar && !calendar->owner->closing && !address.isEmpty()) {
            calendar->ownAddress = address;
            calendar->owner->changedSoon();
        }
    }

    // Opens a view over the wanted window (widened) unless the one in place or being made covers it.
    void ensureView(const std::shared_ptr<EdsCalendar> &calendar)
    {
        if (!calendar->client || (calendar->viewFrom <= wantFrom && wantTo <= calendar->viewTo)) {
            return;
        }
        if (wantTo < wantFrom) {
            const qint64 now = QDateTime::currentSecsSinceEpoch();
            wantFrom = now - daySeconds;
            wantTo = now;
        }
        calendar->viewFrom = wantFrom - viewReachBack;
        calendar->viewTo = wantTo + viewReachAhead;
        const QByteArray query = "(occur-in-time-range? (make-time \"" + icalUtcText(calendar->viewFrom) +
                                 "\") (make-time \"" + icalUtcText(calendar->viewTo) + "\"))";
        auto *box = new ViewRequest{calendar, calendar->viewFrom, calendar->viewTo};
        e_cal_client_get_view(calendar->client.get(), query.constData(), calendar->cancellable.get(), &Private::onView,
                              box);
    }

    struct ViewRequest {
        std::weak_ptr<EdsCalendar> calendar;
        qint64 from = 0;
        qint64 to = 0;
    };

    static void onView(GObject *client, GAsyncResult *result, gpointer data)
    {
        const std::unique_ptr<ViewRequest> request(static_cast<ViewRequest *>(data));
        ECalClientView *rawView = nullptr;
        GError *rawError = nullptr;
        e_cal_client_get_view_finish(E_CAL_CLIENT(client), result, &rawView, &rawError);
        GPtr<ECalClientView> view(rawView);
        const ErrorPtr error(rawError);
        const auto calendar = request->calendar.lock();
        // A view asked for a window since left behind is not wanted any more.
        if (!calendar || calendar->owner->closing || g_cancellable_is_cancelled(calendar->cancellable.get()) ||
            request->from != calendar->viewFrom || request->to != calendar->viewTo) {
            return;
        }
        if (!view) {
            qCInfo(lcEds) << "cannot watch calendar" << calendar->uid << errorText(error.get());
            calendar->viewTo = calendar->viewFrom - 1; // asked again by the next query
            return;
        }
        calendar->dropView();
        calendar->view = std::move(view);
        calendar->filling.emplace();
        EdsCalendar *raw = calendar.get();
        g_signal_connect(calendar->view.get(), "objects-added", G_CALLBACK(&Private::onObjectsAdded), raw);
        g_signal_connect(calendar->view.get(), "objects-modified", G_CALLBACK(&Private::onObjectsAdded), raw);
        g_signal_connect(calendar->view.get(), "objects-removed", G_CALLBACK(&Private::onObjectsRemoved), raw);
        g_signal_connect(calendar->view.get(), "complete", G_CALLBACK(&Private::onComplete), raw);
        GError *startError = nullptr;
        e_cal_client_view_start(calendar->view.get(), &startError);
        if (startError) {
            qCInfo(lcEds) << "cannot start the view of calendar" << calendar->uid << errorText(startError);
            g_error_free(startError);
        }
    }

    static void onObjectsAdded(ECalClientView *, const GSList *objects, gpointer data)
    {
        auto *calendar = static_cast<EdsCalendar *>(data);
        for (const GSList *item = objects; item; item = item->next) {
            auto *component = static_cast<ICalComponent *>(item->data);
            calendar->target()[keyOf(component)].reset(i_cal_component_clone(component));
        }
        if (!calendar->filling) {
            calendar->owner->changedSoon();
        }
    }

    static void onObjectsRemoved(ECalClientView *, const GSList *ids, gpointer data)
    {
        auto *calendar = static_cast<EdsCalendar *>(data);
        for (const GSList *item = ids; item; item = item->next) {
            const auto *id = static_cast<const ECalComponentId *>(item->data);
            const gchar *uid = e_cal_component_id_get_uid(id);
            const gchar *rid = e_cal_component_id_get_rid(id);
            calendar->target().erase({uid ? uid : "", rid ? rid : ""});
        }
        if (!calendar->filling) {
            calendar->owner->changedSoon();
        }
    }

    static void onComplete(ECalClientView *, const GError *error, gpointer data)
    {
        auto *calendar = static_cast<EdsCalendar *>(data);
        if (error) {
            qCInfo(lcEds) << "the view of calendar" << calendar->uid << "ended:" << errorText(error);
        }
        if (calendar->filling) {
            calendar->objects = std::move(*calendar->filling);
            calendar->filling.reset();
        }
        calendar->owner->changedSoon();
    }

    void occurrences(const EdsCalendar &calendar, const CalendarEventQuery &query, QSet<QString> user,
                     QList<CalendarEvent> &result) const
    {
        if (!calendar.ownAddress.isEmpty()) {
            user.insert(normalizedAddress(calendar.ownAddress));
        }
        eds::appendOccurrences(calendar.objects, calendar.client.get(), query, user, result);
    }
};

EdsCalendarStore::EdsCalendarStore(QObject *parent) : EdsCalendarStore(Options{}, parent) {}

EdsCalendarStore::EdsCalendarStore(Options options, QObject *parent)
    : CalendarStore(parent), m_options(options), d(std::make_shared<Private>(this))
{
    m_changeTimer.setSingleShot(true);
    m_changeTimer.setInterval(m_options.changeDelay);
    connect(&m_changeTimer, &QTimer::timeout, this, [this] {
        if (d && m_resolved && d->registry) {
            Q_EMIT changed();
        }
    });
    m_registryTimer.setSingleShot(true);
    m_registryTimer.setInterval(m_options.registryTimeout);
    connect(&m_registryTimer, &QTimer::timeout, this, [this] {
        qCInfo(lcEds) << "the calendar server did not answer in time";
        g_cancellable_cancel(d->cancellable.get());
        resolve(false);
    });
}

EdsCalendarStore::~EdsCalendarStore()
{
    // Nothing reaches this store's observers while it goes (its parts' release runs the event loop).
    blockSignals(true);
    m_changeTimer.stop();
    m_registryTimer.stop();
    d.reset();
}

void EdsCalendarStore::requestAccess()
{
    if (m_accessRequested) {
        return;
    }
    m_accessRequested = true;
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib")) {
        qCInfo(lcEds) << "the event loop is not GLib's; the calendar server is not used";
        QMetaObject::invokeMethod(
            this, [this] { resolve(false); }, Qt::QueuedConnection);
        return;
    }
    m_registryTimer.start();
    e_source_registry_new(d->cancellable.get(), &Private::onRegistry, new std::weak_ptr<Private>(d));
}

void EdsCalendarStore::resolve(bool granted)
{
    m_registryTimer.stop();
    if (m_resolved) {
        return;
    }
    m_resolved = true;
    if (!granted && d) {
        d->registry.reset();
        d->calendars.clear();
    }
    Q_EMIT accessResolved(granted);
}

QList<CalendarInfo> EdsCalendarStore::calendars()
{
    QList<CalendarInfo> result;
    if (!d || !m_resolved || !d->registry) {
        return result;
    }
    for (const auto &[uid, calendar] : d->calendars) {
        result.append({uid, calendar->title});
    }
    return result;
}

QList<CalendarEvent> EdsCalendarStore::events(const CalendarEventQuery &query)
{
    QList<CalendarEvent> result;
    if (!d || !m_resolved || !d->registry) {
        return result;
    }
    d->wantFrom = query.from.toSecsSinceEpoch();
    d->wantTo = query.to.toSecsSinceEpoch();
    for (const auto &[uid, calendar] : d->calendars) {
        d->ensureView(calendar);
    }

    QSet<QString> user;
    for (const QString &address : query.userAddresses) {
        user.insert(normalizedAddress(address));
    }
    for (const QString &address : std::as_const(d->identities)) {
        user.insert(normalizedAddress(address));
    }
    if (query.calendarIds) {
        for (const QString &id : *query.calendarIds) {
            if (const auto found = d->calendars.find(id); found != d->calendars.end()) {
                d->occurrences(*found->second, query, user, result);
            }
        }
    } else {
        for (const auto &[uid, calendar] : d->calendars) {
            d->occurrences(*calendar, query, user, result);
        }
    }
    return result;
}

QStringList EdsCalendarStore::knownUserAddresses()
{
    if (!d) {
        return {};
    }
    QStringList result = d->identities;
    for (const auto &[uid, calendar] : d->calendars) {
        if (!calendar->ownAddress.isEmpty() && !result.contains(calendar->ownAddress, Qt::CaseInsensitive)) {
            result.append(calendar->ownAddress);
        }
    }
    return result;
}
