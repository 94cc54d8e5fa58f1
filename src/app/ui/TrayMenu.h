#pragma once

#include <QMenu>
#include <QPointer>

class DorvelDeviceManager;
class QAction;

// The tray icon's menu. Renders MenuPresenter texts and recomputes them on every change of the
// observed objects; emits intents, performs nothing itself.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    explicit TrayMenu(DorvelDeviceManager &device, QWidget *parent = nullptr);

    // Re-reads every observed value; also called on each change signal.
    void refresh();

Q_SIGNALS:
    void quitRequested();

private:
    DorvelDeviceManager &m_device;
    QAction *m_deviceStatus = nullptr;
    QAction *m_accessHint = nullptr;
    QAction *m_version = nullptr;
};
