#pragma once

#include "device/Bytes.h"
#include "platform/sim/SimulatedDorvel.h"
#include "platform/sim/SocketBus.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QSocketNotifier;

// Serves one simulated device on a socket bus folder under a name: the device side of
// SocketHidBus, used by kestrix-devsim and by tests. Any number of programs may connect; each
// message received is one report for the device, and its reply goes back on the same connection
// after the device's reply latency. A device that reboots is unplugged right after its reply and
// plugged in again (with the description's location changed when it moves) after its delay.
// Main thread only.
class SocketDeviceServer : public QObject, public SimulatedDeviceHost {
    Q_OBJECT
public:
    // The device must outlive the server. The description defaults to the Dorvel's ids at no
    // location.
    SocketDeviceServer(SimulatedDorvel &device, QString folder, QString name, QObject *parent = nullptr);
    // Unplugs, without signals.
    ~SocketDeviceServer() override;

    void requestReplug(SimulatedDorvel &device, std::optional<Replug> back) override;
    void forgetDevice(SimulatedDorvel &device) override;

    // Used from the next plug on.
    void setDescription(SocketBusDevice description) { m_description = std::move(description); }
    const SocketBusDevice &description() const { return m_description; }

    // Creates the folder when missing and the socket, then publishes the description in one
    // rename. False, with the reason, when the name is invalid or already served by a running
    // program, or the files cannot be made. Plugging while plugged does nothing.
    bool plug(QString *error = nullptr);
    // Removes the description and the socket, then closes every connection; replies still
    // waiting for their latency are dropped.
    void unplug();
    // Closes the socket and every connection but leaves the bus files behind, as a device program
    // that is killed does.
    void abandon();

    bool isPlugged() const { return m_listenFd >= 0; }
    int connectionCount() const { return static_cast<int>(m_clients.size()); }
    std::uint64_t reportsReceived() const { return m_reportsReceived; }
    const QString &name() const { return m_name; }
    QString descriptionPath() const;
    QString socketPath() const;

Q_SIGNALS:
    void pluggedChanged(bool plugged);
    // Plugging the device back in after a reboot failed (the files could not be made).
    void replugFailed(const QString &error);
    // A program connected or disconnected.
    void connectionCountChanged(int count);
    // The device handled one report; a reply without latency has been sent already.
    void reportHandled(ByteView report);

private:
    class Client;

    void acceptClients();
    void handleReport(Client *client, ByteView report);
    void dropClient(Client *client);
    void closeAll();
    void carryOutReplug(std::optional<Replug> back);

    SimulatedDorvel &m_device;
    QString m_folder;
    QString m_name;
    SocketBusDevice m_description;
    int m_listenFd = -1;
    std::unique_ptr<QSocketNotifier> m_listenNotifier;
    std::vector<QPointer<Client>> m_clients;
    std::uint64_t m_reportsReceived = 0;
    // Asked for while the current report was handled; the inner absence means "not coming back".
    std::optional<std::optional<Replug>> m_replugRequest;
    std::unique_ptr<QObject> m_replugContext; // owns the pending timers of a replug; reset cancels them
};
