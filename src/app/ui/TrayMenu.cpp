#include "app/ui/TrayMenu.h"

#include "app/AppInfo.h"
#include "app/ui/MenuPresenter.h"
#include "device/DorvelDeviceManager.h"

TrayMenu::TrayMenu(DorvelDeviceManager &device, QWidget *parent) : QMenu(parent), m_device(device)
{
    m_deviceStatus = addAction(QString());
    m_deviceStatus->setEnabled(false);
    m_accessHint = addAction(QString());
    m_accessHint->setEnabled(false);
    addSeparator();
    m_version = addAction(QString());
    m_version->setEnabled(false);
    addSeparator();
    QAction *quit = addAction(QStringLiteral("Quit Kestrix"));
    connect(quit, &QAction::triggered, this, &TrayMenu::quitRequested);

    connect(&m_device, &DorvelDeviceManager::isConnectedChanged, this, &TrayMenu::refresh);
    connect(&m_device, &DorvelDeviceManager::lastQueryChanged, this, &TrayMenu::refresh);
    connect(&m_device, &DorvelDeviceManager::hasInaccessibleDeviceChanged, this, &TrayMenu::refresh);
    refresh();
}

void TrayMenu::refresh()
{
    m_deviceStatus->setText(MenuPresenter::deviceStatusLabel(m_device.isConnected(), m_device.lastQuery(),
                                                             m_device.hasInaccessibleDevice()));
    const QString hint = MenuPresenter::deviceAccessHint(m_device.isConnected(), m_device.hasInaccessibleDevice());
    m_accessHint->setText(hint);
    m_accessHint->setVisible(!hint.isEmpty());
    m_version->setText(MenuPresenter::appVersionLabel(QString::fromLatin1(AppInfo::shortVersion)));
}
