#include "update/AppUpdateError.h"

QString message(AppUpdateError error)
{
    switch (error) {
    case AppUpdateError::downloadFailed:
        return QStringLiteral("Couldn't download the update");
    case AppUpdateError::mountFailed:
        return QStringLiteral("Couldn't open the downloaded disk image");
    case AppUpdateError::appNotFoundInImage:
        return QStringLiteral("Downloaded disk image didn't contain Kestrix.app");
    case AppUpdateError::signatureVerificationFailed:
        return QStringLiteral("Downloaded app failed signature verification");
    case AppUpdateError::bundleNotReplaceable:
        return QStringLiteral("This copy of Kestrix can't replace itself; update it through your package manager");
    case AppUpdateError::installStartFailed:
        return QStringLiteral("Couldn't start installing the update");
    }
    return {};
}
