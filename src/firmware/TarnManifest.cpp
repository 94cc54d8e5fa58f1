#include "firmware/TarnManifest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

std::optional<TarnManifest> TarnManifest::fromJson(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const QJsonValue version = object.value(QLatin1String("version"));
    const QJsonValue asset = object.value(QLatin1String("asset"));
    if (!version.isString() || !asset.isString()) {
        return std::nullopt;
    }
    return TarnManifest{version.toString(), asset.toString()};
}

std::optional<QUrl> TarnManifest::resolveAsset(const QUrl &manifestURL, const QString &asset)
{
    if (asset.trimmed().isEmpty()) {
        return std::nullopt;
    }
    const QUrl reference(asset, QUrl::StrictMode);
    if (!reference.isValid()) {
        return std::nullopt;
    }
    const QUrl resolved = manifestURL.resolved(reference);
    const QString scheme = resolved.scheme();
    if (!resolved.isValid() || resolved.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        return std::nullopt;
    }
    return resolved;
}
