#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The firmware release manifest the update server publishes: a JSON object whose "version" and
// "asset" are strings; other keys are ignored.
struct TarnManifest {
    QString version; // major.minor.patch, parsed by the caller
    QString asset;   // an absolute URL, or a reference resolved against the manifest's URL

    // No value unless the body is a JSON object with both keys holding strings.
    static std::optional<TarnManifest> fromJson(const QByteArray &body);

    // Where the image is: the asset resolved against the manifest's URL, so a bare file name names
    // a file in the manifest's folder. No value for an empty or malformed reference, or one that
    // does not end up as an http or https URL with a host (a manifest cannot send the updater to a
    // local file).
    static std::optional<QUrl> resolveAsset(const QUrl &manifestURL, const QString &asset);

    friend bool operator==(const TarnManifest &, const TarnManifest &) = default;
};
