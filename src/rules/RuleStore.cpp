#include "rules/RuleStore.h"

#include "rules/RuleJson.h"
#include "util/AppSettings.h"
#include "util/Logging.h"

#include <QSettings>

#include <algorithm>

namespace RuleStore {
namespace {

// JSON is written as bytes; a value edited by hand or by an older build may come back as text.
std::optional<QByteArray> storedJson(const QString &key)
{
    const QVariant stored = AppSettings::open()->value(key);
    switch (stored.typeId()) {
    case QMetaType::QByteArray:
        return stored.toByteArray();
    case QMetaType::QString:
        return stored.toString().toUtf8();
    default:
        return std::nullopt;
    }
}

// Stored data that no longer decodes is never thrown away: before the first save over it, it moves
// to the key + ".unreadable", where a later build (or the user) can still recover it. An earlier
// copy there is kept.
void preserveUnreadable(QSettings &settings, const QString &key, bool (*decodes)(const QByteArray &))
{
    const QVariant stored = settings.value(key);
    QByteArray raw;
    if (stored.typeId() == QMetaType::QByteArray) {
        raw = stored.toByteArray();
    } else if (stored.typeId() == QMetaType::QString) {
        raw = stored.toString().toUtf8();
    } else if (!stored.isValid()) {
        return;
    }
    const QString backupKey = key + QStringLiteral(".unreadable");
    if ((stored.isValid() && raw.isNull()) || !decodes(raw)) {
        if (!settings.contains(backupKey)) {
            settings.setValue(backupKey, stored);
        }
    }
}

bool rulesDecode(const QByteArray &json)
{
    return RuleJson::decodeRules(json).has_value();
}

bool fallbackDecodes(const QByteArray &json)
{
    return json.trimmed() == "null" || RuleJson::decodeFallback(json).has_value();
}

} // namespace

QString globalKey()
{
    return QStringLiteral("statusRules.v1");
}

QString deviceKey(const std::string &deviceID)
{
    return globalKey() + QLatin1Char('.') + QString::fromStdString(deviceID);
}

QString fallbackEnabledKey(const QString &profileKey)
{
    return profileKey + QStringLiteral(".fallbackEnabled");
}

QString fallbackStateKey(const QString &profileKey)
{
    return profileKey + QStringLiteral(".fallbackState");
}

bool hasData(const QString &key)
{
    return AppSettings::open()->contains(key);
}

std::vector<StatusRule> loadRules(const QString &key)
{
    const std::optional<QByteArray> json = storedJson(key);
    if (!json) {
        return defaultStatusRules();
    }
    std::optional<std::vector<StatusRule>> rules = RuleJson::decodeRules(*json);
    if (!rules) {
        qCWarning(lcRules, "the stored rules under %s are unreadable; using the defaults", qUtf8Printable(key));
        return defaultStatusRules();
    }
    if (rules->empty()) {
        return defaultStatusRules();
    }
    for (const StatusRule &builtIn : defaultStatusRules()) {
        const bool present =
            std::any_of(rules->begin(), rules->end(), [&](const StatusRule &rule) { return rule.id == builtIn.id; });
        if (!present) {
            rules->push_back(builtIn);
        }
    }
    return std::move(*rules);
}

std::optional<FallbackRGBState> loadFallbackState(const QString &key)
{
    const std::optional<QByteArray> json = storedJson(key);
    return json ? RuleJson::decodeFallback(*json) : std::nullopt;
}

bool loadFallbackEnabled(const QString &key)
{
    const QVariant stored = AppSettings::open()->value(key);
    if (stored.typeId() == QMetaType::Bool) {
        return stored.toBool();
    }
    // INI files hold text; QVariant would call any text but "false" and "0" true.
    return stored.typeId() == QMetaType::QString && stored.toString() == QLatin1StringView("true");
}

void saveRules(const QString &key, const std::vector<StatusRule> &rules)
{
    auto settings = AppSettings::open();
    preserveUnreadable(*settings, key, rulesDecode);
    settings->setValue(key, RuleJson::encodeRules(rules));
}

void saveFallbackState(const QString &key, const std::optional<FallbackRGBState> &state)
{
    auto settings = AppSettings::open();
    preserveUnreadable(*settings, key, fallbackDecodes);
    settings->setValue(key, RuleJson::encodeFallback(state));
}

void saveFallbackEnabled(const QString &key, bool enabled)
{
    AppSettings::open()->setValue(key, enabled);
}

} // namespace RuleStore
