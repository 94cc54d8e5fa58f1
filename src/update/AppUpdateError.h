#pragma once

#include <QString>

// Why preparing an application update failed; each case carries the sentence the user sees.
enum class AppUpdateError {
    downloadFailed,
    mountFailed,
    appNotFoundInImage,
    signatureVerificationFailed,
    // The running copy was installed by a package manager, or sits where it cannot be replaced:
    // swapping it would fail after the application has quit, with nothing to relaunch it.
    bundleNotReplaceable,
    // The swap could not be started; the application keeps running.
    installStartFailed,
};

QString message(AppUpdateError error);
