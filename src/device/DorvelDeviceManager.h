#pragma once

#include "device/Bytes.h"
#include "device/DeviceQueryResponse.h"
#include "device/HidBus.h"
#include "device/RequestSlot.h"
#include "util/Clock.h"
#include "util/Result.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <coroutine>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

Q_DECLARE_METATYPE(std::optional<DeviceQueryResponse>)
Q_DECLARE_METATYPE(std::optional<std::string>)

// The application's only link to the Dorvel device. Finds it on a HID bus, publishes whether it
// is attached, its last decoded state and its identity, writes reports to it and matches its
// input reports to the one request that waits for a reply. Main thread only.
class DorvelDeviceManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isConnected READ isConnected NOTIFY isConnectedChanged)
    Q_PROPERTY(std::optional<DeviceQueryResponse> lastQuery READ lastQuery WRITE setLastQuery NOTIFY lastQueryChanged)
    Q_PROPERTY(std::optional<std::string> deviceID READ deviceID NOTIFY deviceIDChanged)
    Q_PROPERTY(bool hasInaccessibleDevice READ hasInaccessibleDevice NOTIFY hasInaccessibleDeviceChanged)
    Q_PROPERTY(bool isLinkExclusive READ isLinkExclusive NOTIFY isLinkExclusiveChanged)

public:
    using RequestError = ::RequestError;
    using ReplyMatch = std::function<bool(ByteView)>;
    template <typename T>
    using RequestResult = Result<T, RequestError>;

    // The device the manager looks for.
    static constexpr HidMatching matching{0x1209, 0x0001, 0xFF60, 0x61};

    // Durations of the manager's own requests; tests shorten them.
    struct Timings {
        std::chrono::milliseconds attachQueryTimeout{3000};
        std::chrono::milliseconds attachIdentityTimeout{1000};
        std::chrono::milliseconds ledRefreshTimeout{3000};
        std::chrono::milliseconds rebootIdentityDelay{3500};
        std::chrono::milliseconds rebootIdentityTimeout{1000};
        // A device that left an attach's identity unanswered is asked again after this, then after
        // twice as long, up to attachRetries times.
        std::chrono::milliseconds attachRetryDelay{2000};
        int attachRetries = 4;
        // How long a reply stays owed to a request that ended without it (see RequestSlot).
        std::chrono::milliseconds replyGrace{500};
    };

    // The bus must outlive the manager, and so must the clock, which judges every time-out.
    DorvelDeviceManager(HidBus &bus, Timings timings, const Clock &clock, QObject *parent = nullptr);
    explicit DorvelDeviceManager(HidBus &bus, Timings timings, QObject *parent = nullptr);
    explicit DorvelDeviceManager(HidBus &bus, QObject *parent = nullptr);
    // Ends a pending request and reconnect wait with notConnected; their callers must not use the
    // manager afterwards.
    ~DorvelDeviceManager() override;

    // Starts the bus with the device's matching criteria. A second call does nothing.
    void start();

    bool isConnected() const { return m_isConnected; }
    const std::optional<DeviceQueryResponse> &lastQuery() const { return m_lastQuery; }
    void setLastQuery(std::optional<DeviceQueryResponse> query);
    const std::optional<std::string> &deviceID() const { return m_deviceID; }
    std::optional<LocationID> currentLocationID() const { return m_currentLocationID; }
    // A Dorvel is plugged in but this user may not open it (the device access rule is missing).
    bool hasInaccessibleDevice() const { return m_hasInaccessibleDevice; }

    // The held device, for the writers of commands that get no reply (bind, LED settings);
    // null while none is attached. A writer that drives the LED in place of the rules engine uses
    // writeLEDReports() and setLEDOverride() instead.
    HidConnection *device() const { return m_device.data(); }

    // Called by the attach sequence when its state query succeeds (at most once per attach).
    std::function<void(const DeviceQueryResponse &)> onDeviceQueried;

    // Sends a padded report and returns the first input report the predicate accepts.
    // notConnected when no device is held, or while another caller holds the link exclusively
    // (nothing is sent either way); timeout when no accepted reply comes in time. There is one
    // request slot: a newer request displaces this one, which then ends at once with timeout. The
    // request belongs to the device it was written to: only that device's reports answer it, and
    // when that device goes away the request ends at once with notConnected.
    QCoro::Task<RequestResult<Bytes>> sendAndWait(Bytes report, std::chrono::milliseconds timeout, ReplyMatch match);

    // State query (0xFF); malformedResponse when the reply does not decode. Does not publish.
    QCoro::Task<RequestResult<DeviceQueryResponse>> queryDevice(std::chrono::milliseconds timeout);
    // Identity query (0x04); malformedResponse when the reply does not decode. Does not publish.
    QCoro::Task<RequestResult<DeviceIDResponse>> queryDeviceID(std::chrono::milliseconds timeout);

    // Returns when a device is attached at `locationID` (absent matches only a device without a
    // location) by an attach counted after `afterAttach` (see attachCount()); timeout otherwise.
    // With the default, a device already attached there ends the wait at once; a caller that has
    // just told the device to reboot passes the count from before, so the device that is still
    // on its way out does not count as back. A newer wait displaces this one, which then ends at
    // once with timeout.
    QCoro::Task<RequestResult<Done>> waitForReconnect(std::optional<LocationID> locationID,
                                                      std::chrono::milliseconds timeout, std::uint64_t afterAttach = 0);

    // How many times a device has been attached since the manager started; grows by one per attach.
    std::uint64_t attachCount() const { return m_attachCount; }

    // Exclusive use of the request slot for a sequence of requests that must not be interrupted (a
    // firmware update). While a holder exists, only requests made through it are sent: every other
    // request ends at once with notConnected and sends nothing (the refresh after an LED change, a
    // view's query, the queries after an attach), so nothing can displace the holder's requests.
    // No LED report goes out through the manager meanwhile (the LED state, its override, the
    // writes of writeLEDReports(), on attach and wake-up too): the device being flashed gets none,
    // and the current LED state is written once to the device held when the holder lets go. Other
    // direct writes are the views' to keep back (see isLinkExclusive()). Released
    // when destroyed; it may outlive the manager, whose requests through it then fail with
    // notConnected. The holder is also pinned to the device held when it took the link: while it
    // holds, a device that appears is recorded as present but not attached, unless the pinned device
    // is gone and this one is at its location (the same device back after a reboot); and when the
    // pinned device goes away no other is held in its place. Once released, the newest device kept
    // out meanwhile (if still present) is attached, from the event loop; otherwise the attach
    // queries the holder kept out are run for the device then attached, those whose value is still
    // missing: a holder that published the state and identity itself gets no second state query,
    // and no onDeviceQueried.
    class ExclusiveLink {
    public:
        ExclusiveLink(ExclusiveLink &&other) noexcept;
        ExclusiveLink &operator=(ExclusiveLink &&other) noexcept;
        ExclusiveLink(const ExclusiveLink &) = delete;
        ExclusiveLink &operator=(const ExclusiveLink &) = delete;
        ~ExclusiveLink();

        // The manager's operations of the same names, as the holder.
        QCoro::Task<RequestResult<Bytes>> sendAndWait(Bytes report, std::chrono::milliseconds timeout,
                                                      ReplyMatch match) const;
        QCoro::Task<RequestResult<DeviceQueryResponse>> queryDevice(std::chrono::milliseconds timeout) const;
        QCoro::Task<> refreshDeviceIDAfterReboot() const;

        // Null once the manager is gone.
        DorvelDeviceManager *manager() const { return m_manager.data(); }

    private:
        friend class DorvelDeviceManager;
        ExclusiveLink(DorvelDeviceManager &manager, std::uint64_t token);
        void release();

        QPointer<DorvelDeviceManager> m_manager;
        std::uint64_t m_token = 0;
    };

    // No value while another holder exists.
    std::optional<ExclusiveLink> acquireExclusiveLink();
    // A holder exists. The firmware run is the only one, so the views read this as "a firmware
    // update holds the link" and keep the user's writes to the device back meanwhile.
    bool isLinkExclusive() const { return m_linkOwner != noOwner; }

    // Ends whatever has run out by the clock's present time: the manager's own timer calls this at
    // the next deadline; a test that steps its clock calls it after each step.
    void checkDeadlines();

    // After the machine woke up: the held device may have been reset or swapped meanwhile without
    // the bus reporting it, so it gets the LED state again and the attach queries run once more
    // (onDeviceQueried included); attach queries still running start over instead of running
    // twice. Kept out like the attach queries while an exclusive holder holds.
    void handleResume();

    // Re-reads the identity a while after a reboot; never fails, keeps deviceID on failure.
    QCoro::Task<> refreshDeviceIDAfterReboot();

    // Remembers the LED state reports, writes them to the held device in order (and again on every
    // attach), then refreshes lastQuery in the background.
    void updateLEDState(std::vector<Bytes> reports);
    const std::vector<Bytes> &lastLEDStateReports() const { return m_lastLEDStateReports; }

    // The look of whoever drives the LED in place of the paused rules engine (a timer): wherever
    // the LED state is written again (an attach, a wake-up, the end of an exclusive hold) these
    // reports follow it, so every device held meanwhile ends up showing that look. Writes nothing
    // itself; empty when nobody overrides the engine.
    void setLEDOverride(std::vector<Bytes> reports);
    const std::vector<Bytes> &ledOverride() const { return m_ledOverride; }
    // Writes padded LED reports to the held device now, in order, without a reply; nothing while no
    // device is held or while an exclusive holder holds the link.
    void writeLEDReports(const std::vector<Bytes> &reports);

Q_SIGNALS:
    void isConnectedChanged(bool isConnected);
    void lastQueryChanged();
    void deviceIDChanged();
    void hasInaccessibleDeviceChanged(bool hasInaccessibleDevice);
    // Emitted when a holder takes the link and when it lets go, from inside the call that did it.
    void isLinkExclusiveChanged(bool isLinkExclusive);

private:
    // Who may use the request slot: noOwner lets everybody in.
    static constexpr std::uint64_t noOwner = 0;

    class ReplyAwaiter;
    class ReconnectAwaiter;
    struct PendingReconnect {
        std::optional<LocationID> locationID;
        std::coroutine_handle<> continuation;
        std::optional<RequestResult<Done>> *result = nullptr;
        Clock::time_point deadline;
    };
    // Where an exclusive holder's device is.
    struct Pin {
        QPointer<HidConnection> connection;
        std::optional<LocationID> locationID;
    };

    void onDeviceMatched(HidConnection *connection);
    void onDeviceRemoved(HidConnection *connection);
    void attach(HidConnection *connection);
    void onLinkReleased();
    void onInputReport(const HidConnection *from, ByteView bytes);
    void beginRequest(std::coroutine_handle<> continuation, std::optional<RequestResult<Bytes>> *result,
                      ReplyMatch match, Bytes report, std::chrono::milliseconds timeout);
    void beginReconnectWait(PendingReconnect wait, std::chrono::milliseconds timeout);
    void armWakeTimer();
    // Ends a request from the event loop, never from inside the call that ended it.
    void endLater(RequestSlot::Ended ended);
    void endDeferred();
    bool mayAttachWhilePinned(const HidConnection *connection) const;
    void setConnected(bool connected);
    void setDeviceID(std::optional<std::string> id);
    void writeLEDState();
    QCoro::Task<RequestResult<Bytes>> sendAndWaitAs(std::uint64_t owner, Bytes report,
                                                    std::chrono::milliseconds timeout, ReplyMatch match);
    QCoro::Task<RequestResult<DeviceQueryResponse>> queryDeviceAs(std::uint64_t owner,
                                                                  std::chrono::milliseconds timeout);
    QCoro::Task<RequestResult<DeviceIDResponse>> queryDeviceIDAs(std::uint64_t owner,
                                                                 std::chrono::milliseconds timeout);
    // A one-byte query whose reply starts with the same byte, decoded by Response::fromBytes.
    template <typename Response>
    QCoro::Task<RequestResult<Response>> askAs(std::uint64_t owner, std::uint8_t command,
                                               std::chrono::milliseconds timeout);
    QCoro::Task<> refreshDeviceIDAfterRebootAs(std::uint64_t owner);
    // All queries of an attach, or (onlyMissing) those whose published value is absent.
    QCoro::Task<> runAttachQueries(std::uint64_t attach, bool onlyMissing = false);
    QCoro::Task<> refreshLastQuery();
    void retryMissingIdentity(std::uint64_t attach);
    void onIdentityRetryDue();

    HidBus &m_bus;
    Timings m_timings;
    bool m_hasStarted = false;
    bool m_isConnected = false;
    bool m_hasInaccessibleDevice = false;
    std::optional<DeviceQueryResponse> m_lastQuery;
    std::optional<std::string> m_deviceID;
    std::optional<LocationID> m_currentLocationID;
    QPointer<HidConnection> m_device;
    // Every matching device present, oldest match first; the held one is among them. When the held
    // one goes, the newest of the others is held in its place.
    std::vector<QPointer<HidConnection>> m_present;
    std::uint64_t m_attachCount = 0; // tells the queries of one attach from those of the next
    // The attach whose queries an exclusive holder kept out, to be run when it lets go.
    std::uint64_t m_deferredAttachQueries = 0;
    // The newest attach-query task; an older one still running stops at its next step.
    std::uint64_t m_attachQueryRun = 0;
    // The attach-query task still asking, if any, and whether an LED refresh waits for it to end.
    std::uint64_t m_askingAttachQueryRun = 0;
    bool m_refreshOwed = false;
    // The identity retries left to the held device's attach, and the next one's time.
    int m_attachRetriesLeft = 0;
    std::uint64_t m_identityRetryAttach = 0;
    QTimer m_identityRetryTimer;
    std::vector<Bytes> m_lastLEDStateReports;
    std::vector<Bytes> m_ledOverride;

    const Clock &m_clock;
    RequestSlot m_slot;
    // Wakes the manager at the slot's or the reconnect wait's next deadline.
    QTimer m_wakeTimer;
    std::optional<PendingReconnect> m_pendingReconnect;
    std::vector<RequestSlot::Ended> m_deferred;
    std::optional<Pin> m_pin;
    // The newest device matched while a pinned holder kept it out; attached when the holder lets go.
    QPointer<HidConnection> m_keptOut;
    std::uint64_t m_linkOwner = noOwner;
    std::uint64_t m_lastLinkToken = noOwner;

    // Tasks started by the manager hold this weakly and stop once it is gone.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};
