#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The application release manifest: a JSON object whose "version" and "asset" are both strings
// (other keys are ignored). "asset" is an absolute URL of the release image or a reference to
// resolve against the manifest's own URL.
struct AppUpdateManifest {
    QString version;
    QString asset;

    // Nothing unless the body is such an object.
    static std::optional<AppUpdateManifest> decode(const QByteArray &body);

    friend bool operator==(const AppUpdateManifest &, const AppUpdateManifest &) = default;
};
