#pragma once

#include "device/Bytes.h"
#include "device/DeviceQueryResponse.h"
#include "platform/HidBus.h"
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

public:
    enum class RequestError { notConnected, timeout, malformedResponse };
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
    };

    // The bus must outlive the manager.
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
    // null while none is attached.
    HidConnection *device() const { return m_device.data(); }

    // Called by the attach sequence when its state query succeeds (at most once per attach).
    std::function<void(const DeviceQueryResponse &)> onDeviceQueried;

    // Sends a padded report and returns the first input report the predicate accepts.
    // notConnected when no device is held (nothing is sent); timeout when no accepted reply comes
    // in time. There is one request slot: a newer request displaces this one, which then ends at
    // once with timeout.
    QCoro::Task<RequestResult<Bytes>> sendAndWait(Bytes report, std::chrono::milliseconds timeout, ReplyMatch match);

    // State query (0xFF); malformedResponse when the reply does not decode. Does not publish.
    QCoro::Task<RequestResult<DeviceQueryResponse>> queryDevice(std::chrono::milliseconds timeout);
    // Identity query (0x04); malformedResponse when the reply does not decode. Does not publish.
    QCoro::Task<RequestResult<DeviceIDResponse>> queryDeviceID(std::chrono::milliseconds timeout);

    // Returns when a device is attached at `locationID` (absent matches only a device without a
    // location); timeout otherwise. A newer wait displaces this one, which then ends at once with
    // timeout.
    QCoro::Task<RequestResult<Done>> waitForReconnect(std::optional<LocationID> locationID,
                                                      std::chrono::milliseconds timeout);

    // Re-reads the identity a while after a reboot; never fails, keeps deviceID on failure.
    QCoro::Task<> refreshDeviceIDAfterReboot();

    // Remembers the LED state reports, writes them to the held device in order (and again on every
    // attach), then refreshes lastQuery in the background.
    void updateLEDState(std::vector<Bytes> reports);
    const std::vector<Bytes> &lastLEDStateReports() const { return m_lastLEDStateReports; }

Q_SIGNALS:
    void isConnectedChanged(bool isConnected);
    void lastQueryChanged();
    void deviceIDChanged();
    void hasInaccessibleDeviceChanged(bool hasInaccessibleDevice);

private:
    class ReplyAwaiter;
    class ReconnectAwaiter;
    struct PendingReceiver {
        ReplyMatch match;
        std::coroutine_handle<> continuation;
        std::optional<RequestResult<Bytes>> *result = nullptr;
    };
    struct PendingReconnect {
        std::optional<LocationID> locationID;
        std::coroutine_handle<> continuation;
        std::optional<RequestResult<Done>> *result = nullptr;
    };
    struct Displaced {
        std::coroutine_handle<> continuation;
        std::function<void()> fail;
    };

    void onDeviceMatched(HidConnection *connection);
    void onDeviceRemoved(HidConnection *connection);
    void onInputReport(ByteView bytes);
    void onRequestTimeout();
    void onReconnectTimeout();
    void beginRequest(PendingReceiver receiver, const Bytes &report, std::chrono::milliseconds timeout);
    void beginReconnectWait(PendingReconnect wait, std::chrono::milliseconds timeout);
    void displace(Displaced displaced);
    void resumeDisplaced();
    void setConnected(bool connected);
    void setDeviceID(std::optional<std::string> id);
    void writeLEDState();
    QCoro::Task<> runAttachQueries(std::uint64_t attach);
    QCoro::Task<> refreshLastQuery();

    HidBus &m_bus;
    Timings m_timings;
    bool m_hasStarted = false;
    bool m_isConnected = false;
    bool m_hasInaccessibleDevice = false;
    std::optional<DeviceQueryResponse> m_lastQuery;
    std::optional<std::string> m_deviceID;
    std::optional<LocationID> m_currentLocationID;
    QPointer<HidConnection> m_device;
    std::uint64_t m_attachCount = 0; // tells the queries of one attach from those of the next
    std::vector<Bytes> m_lastLEDStateReports;

    std::optional<PendingReceiver> m_pendingReceiver;
    QTimer m_requestTimer;
    std::optional<PendingReconnect> m_pendingReconnect;
    QTimer m_reconnectTimer;
    std::vector<Displaced> m_displaced;

    // Tasks started by the manager hold this weakly and stop once it is gone.
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);
};
