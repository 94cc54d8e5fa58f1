#include "rules/RuleJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace RuleJson {
namespace {

// Reads required fields of one object; the first missing or ill-typed one makes the reader fail
// for good, and later reads return placeholders nobody uses.
class FieldReader {
public:
    explicit FieldReader(const QJsonObject &object) : m_object(object) {}

    bool ok() const { return m_ok; }

    QString string(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        require(value.isString());
        return value.toString();
    }

    bool boolean(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        require(value.isBool());
        return value.toBool();
    }

    // An integral number 0...255; 7.0 counts, 7.5 does not.
    std::uint8_t byte(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        const double number = value.toDouble(-1);
        require(value.isDouble() && number >= 0 && number <= 255 && number == std::trunc(number));
        return m_ok ? static_cast<std::uint8_t>(number) : std::uint8_t{0};
    }

    // Any finite number of seconds from zero up.
    double seconds(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        const double number = value.toDouble(-1);
        require(value.isDouble() && std::isfinite(number) && number >= 0);
        return m_ok ? number : 0.0;
    }

    LEDEffect effect(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        const std::optional<LEDEffect> effect = value.isString() ? LEDEffects::fromRaw(value.toString()) : std::nullopt;
        require(effect.has_value());
        return effect.value_or(LEDEffect::solid);
    }

    std::optional<QJsonObject> optionalObject(QLatin1StringView key)
    {
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined()) {
            return std::nullopt;
        }
        require(value.isObject());
        return value.toObject();
    }

    void require(bool condition) { m_ok = m_ok && condition; }

private:
    const QJsonObject &m_object;
    bool m_ok = true;
};

std::optional<FinishStepConfig> decodeFinishStep(const QJsonObject &object)
{
    FieldReader read(object);
    FinishStepConfig step;
    step.isEnabled = read.boolean(QLatin1StringView("isEnabled"));
    step.durationSeconds = read.seconds(QLatin1StringView("durationSeconds"));
    step.hue = read.byte(QLatin1StringView("hue"));
    step.saturation = read.byte(QLatin1StringView("saturation"));
    step.value = read.byte(QLatin1StringView("value"));
    step.effect = read.effect(QLatin1StringView("effect"));
    return read.ok() ? std::optional(step) : std::nullopt;
}

std::optional<StatusRule> decodeRule(const QJsonObject &object)
{
    FieldReader read(object);
    StatusRule rule;
    rule.id = read.string(QLatin1StringView("id"));
    rule.displayName = read.string(QLatin1StringView("displayName"));
    rule.isEnabled = read.boolean(QLatin1StringView("isEnabled"));
    rule.hue = read.byte(QLatin1StringView("hue"));
    rule.saturation = read.byte(QLatin1StringView("saturation"));
    rule.value = read.byte(QLatin1StringView("value"));
    rule.effect = read.effect(QLatin1StringView("effect"));
    if (const auto finish = read.optionalObject(QLatin1StringView("finishStep"))) {
        rule.finishStep = decodeFinishStep(*finish);
        read.require(rule.finishStep.has_value());
    }
    return read.ok() ? std::optional(rule) : std::nullopt;
}

std::optional<FallbackRGBState> decodeFallbackObject(const QJsonObject &object)
{
    FieldReader read(object);
    FallbackRGBState state;
    state.hue = read.byte(QLatin1StringView("hue"));
    state.saturation = read.byte(QLatin1StringView("saturation"));
    state.value = read.byte(QLatin1StringView("value"));
    state.effect = read.effect(QLatin1StringView("effect"));
    return read.ok() ? std::optional(state) : std::nullopt;
}

// Hue, saturation, value and effect: the appearance every encoded object carries.
template <typename Appearance>
QJsonObject appearanceObject(const Appearance &appearance)
{
    return QJsonObject{{QLatin1StringView("hue"), int(appearance.hue)},
                       {QLatin1StringView("saturation"), int(appearance.saturation)},
                       {QLatin1StringView("value"), int(appearance.value)},
                       {QLatin1StringView("effect"), LEDEffects::rawValue(appearance.effect)}};
}

QJsonObject encodeRule(const StatusRule &rule)
{
    QJsonObject object = appearanceObject(rule);
    object.insert(QLatin1StringView("id"), rule.id);
    object.insert(QLatin1StringView("displayName"), rule.displayName);
    object.insert(QLatin1StringView("isEnabled"), rule.isEnabled);
    if (rule.finishStep) {
        QJsonObject finish = appearanceObject(*rule.finishStep);
        finish.insert(QLatin1StringView("isEnabled"), rule.finishStep->isEnabled);
        finish.insert(QLatin1StringView("durationSeconds"), rule.finishStep->durationSeconds);
        object.insert(QLatin1StringView("finishStep"), finish);
    }
    return object;
}

} // namespace

QByteArray encodeRules(const std::vector<StatusRule> &rules)
{
    QJsonArray array;
    for (const StatusRule &rule : rules) {
        array.append(encodeRule(rule));
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<std::vector<StatusRule>> decodeRules(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    const QJsonArray array = document.array();
    std::vector<StatusRule> rules;
    rules.reserve(std::size_t(array.size()));
    for (const QJsonValue element : array) {
        std::optional<StatusRule> rule = element.isObject() ? decodeRule(element.toObject()) : std::nullopt;
        if (!rule) {
            return std::nullopt;
        }
        rules.push_back(std::move(*rule));
    }
    return rules;
}

QByteArray encodeFallback(const std::optional<FallbackRGBState> &state)
{
    if (!state) {
        return QByteArrayLiteral("null");
    }
    return QJsonDocument(appearanceObject(*state)).toJson(QJsonDocument::Compact);
}

std::optional<FallbackRGBState> decodeFallback(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return decodeFallbackObject(document.object());
}

} // namespace RuleJson
