#include "update/AppUpdateError.h"

#include <QCoreApplication>

QString message(AppUpdateError error)
{
    switch (error) {
    case AppUpdateError::downloadFailed:
        return QCoreApplication::translate("AppUpdateError", "Couldn't download the update");
    case AppUpdateError::mountFailed:
        return QCoreApplication::translate("AppUpdateError", "Couldn't open the downloaded disk image");
    case AppUpdateError::appNotFoundInImage:
        return QCoreApplication::translate("AppUpdateError", "Downloaded disk image didn't contain Kestrix.app");
    case AppUpdateError::signatureVerificationFailed:
        return QCoreApplication::translate("AppUpdateError", "Downloaded app failed signature verification");
    case AppUpdateError::bundleNotReplaceable:
        return QCoreApplication::translate(
            "AppUpdateError", "This copy of Kestrix can't replace itself; update it through your package manager");
    case AppUpdateError::installStartFailed:
        return QCoreApplication::translate("AppUpdateError", "Couldn't start installing the update");
    }
    return {};
}
