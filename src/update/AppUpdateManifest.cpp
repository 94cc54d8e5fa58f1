#include "update/AppUpdateManifest.h"

#include <QJsonDocument>
#include <QJsonObject>

std::optional<AppUpdateManifest> AppUpdateManifest::decode(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const QJsonValue version = object.value(QStringLiteral("version"));
    const QJsonValue asset = object.value(QStringLiteral("asset"));
    if (!version.isString() || !asset.isString()) {
        return std::nullopt;
    }
    return AppUpdateManifest{version.toString(), asset.toString()};
}
