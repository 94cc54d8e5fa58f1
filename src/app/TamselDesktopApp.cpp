#include "app/TamselDesktopApp.h"

#include "app/AppResources.h"
#include "app/ui/TrayMenu.h"
#include "device/DorvelDeviceManager.h"
#include "platform/HidBus.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

TamselDesktopApp::TamselDesktopApp(std::unique_ptr<HidBus> bus, QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_hid(std::make_unique<DorvelDeviceManager>(*m_bus))
{
    m_menu = std::make_unique<TrayMenu>(*m_hid);
    connect(m_menu.get(), &TrayMenu::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

TamselDesktopApp::~TamselDesktopApp()
{
    // The tray icon refers to the menu; drop it first.
    delete m_tray;
    m_tray = nullptr;
}

void TamselDesktopApp::launch()
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(AppResources::menuBarIcon(), this);
        m_tray->setToolTip(QStringLiteral("Kestrix"));
        m_tray->setContextMenu(m_menu.get());
        m_tray->show();
    } else {
        std::fputs("Kestrix: no system tray is available; running without a tray icon.\n", stderr);
    }
    QTimer::singleShot(0, this, &TamselDesktopApp::start);
}

// The start-up sequence. Later features join in their order: watchers bound to the rules engine
// and started, the trigger server, the silent app-update check, the firmware check on each attach.
void TamselDesktopApp::start()
{
    if (m_hasStarted) {
        return;
    }
    m_hasStarted = true;
    m_hid->start();
    Q_EMIT started();
}
