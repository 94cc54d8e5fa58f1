#pragma once

#include <QCoreApplication>
#include <QString>

// What the windows say beside the controls that write to the device when those cannot.
namespace LinkNotices {

// No device is held.
inline QString noDevice()
{
    return QCoreApplication::translate("LinkNotices", "No Dorvel connected");
}

// A firmware update holds the device link (its reboot included).
inline QString heldByFirmwareUpdate()
{
    return QCoreApplication::translate("LinkNotices", "Unavailable while the firmware update is running");
}

} // namespace LinkNotices
