#pragma once

#include "device/HidBus.h"

#include <QFileSystemWatcher>
#include <QPointer>
#include <QString>

#include <map>
#include <set>

// A HID bus over a socket bus folder (see SocketBus.h): device programs such as kestrix-devsim
// appear on it as devices. The folder is watched, never polled.
class SocketHidBus : public HidBus {
    Q_OBJECT
public:
    // The folder is created, owner-only, on start when it does not exist yet.
    explicit SocketHidBus(QString folder, QObject *parent = nullptr);
    ~SocketHidBus() override;

    void start(const HidMatching &matching) override;
    const QString &folder() const { return m_folder; }

private:
    class Connection;
    enum class ScanReason { folderChanged, peerGone };

    void scan(ScanReason reason);
    void scheduleScan(ScanReason reason);
    void openDevice(const QString &name, ScanReason reason);
    void remove(Connection *connection);
    void peerGone(Connection *connection);

    QString m_folder;
    HidMatching m_matching;
    bool m_started = false;
    bool m_peerGoneScanQueued = false;
    QFileSystemWatcher m_watcher;
    std::map<QString, QPointer<Connection>> m_connections; // by device name
    // Names whose peer went away twice on the same socket without the folder changing in between:
    // they wait for the next change, so a program that keeps closing its connections cannot spin
    // the bus.
    std::set<QString> m_heldBack;
};
