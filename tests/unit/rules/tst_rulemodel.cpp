#include "RulesTestSupport.h"

#include "rules/RuleJson.h"
#include "rules/RuleStore.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <iterator>
#include <tuple>

namespace {

QByteArray json(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

// A rule with every field, finish step included, as the encoder writes it.
QJsonObject fullRuleObject()
{
    return QJsonDocument::fromJson(RuleJson::encodeRules({defaultStatusRules().front()})).array().first().toObject();
}

} // namespace

class RuleModelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void effectsHaveStableNamesAndFirmwareModes()
    {
        struct Row {
            const char *raw;
            const char *label;
            int mode;
        };
        // Pulsing is the firmware's fast breathe (2) and sits before the slow one (1).
        const Row expected[] = {{"solid", "Solid", 0},
                                {"pulsing", "Pulsing", 2},
                                {"breatheSlow", "Breathe (slow)", 1},
                                {"hueCycle", "Hue Cycle", 3},
                                {"rainbowSwirl", "Rainbow Swirl", 4},
                                {"staticGradient", "Gradient", 5},
                                {"twinkleSameHue", "Twinkle", 6},
                                {"twinkleRandomHue", "Twinkle (Random)", 7},
                                {"knightScanner", "Knight (Rotating Scanner)", 8}};
        QCOMPARE(LEDEffects::allCases.size(), std::size(expected));
        for (std::size_t i = 0; i < std::size(expected); ++i) {
            const LEDEffect effect = LEDEffects::allCases[i];
            QCOMPARE(LEDEffects::rawValue(effect), QLatin1String(expected[i].raw));
            QCOMPARE(LEDEffects::label(effect), QLatin1String(expected[i].label));
            QCOMPARE(int(LEDEffects::rgbMode(effect)), expected[i].mode);
            QCOMPARE(LEDEffects::fromRaw(LEDEffects::rawValue(effect)), std::optional(effect));
        }
        QCOMPARE(LEDEffects::fromRaw(u"Solid"), std::nullopt);
        QCOMPARE(LEDEffects::fromRaw(u"strobe"), std::nullopt);
    }

    void modeReportsCarryTheFirmwareMode()
    {
        StatusRule rule;
        rule.effect = LEDEffect::pulsing;
        QCOMPARE(rule.modeReport(), Dorvel::padded(Bytes{0x02, 0x01, 0x02}));
        QCOMPARE(FinishStepConfig{}.modeReport(), Dorvel::padded(Bytes{0x02, 0x01, 0x01})); // breatheSlow
        QCOMPARE((FallbackRGBState{1, 2, 3, LEDEffect::knightScanner}.modeReport()),
                 Dorvel::padded(Bytes{0x02, 0x01, 0x08}));
    }

    void defaultRulesInPriorityOrder()
    {
        QStringList rows;
        for (const StatusRule &rule : defaultStatusRules()) {
            QVERIFY(rule.saturation == 255);
            rows.append(rule.id + u'|' + rule.displayName + (rule.isEnabled ? u"|on|" : u"|off|") +
                        QString::number(rule.hue) + u'|' + LEDEffects::rawValue(rule.effect) +
                        (rule.value == 255 ? QString() : u"|value " + QString::number(rule.value)) +
                        (rule.finishStep ? u"|finish" : u""));
            QVERIFY(!rule.finishStep || *rule.finishStep == FinishStepConfig{});
            // No two rules look alike, or the light could not tell which one is on.
            for (const StatusRule &other : defaultStatusRules()) {
                QVERIFY2(&other == &rule || std::tie(other.hue, other.value, other.effect) !=
                                                std::tie(rule.hue, rule.value, rule.effect),
                         qPrintable(rule.id + u" looks like " + other.id));
            }
        }
        QCOMPARE(rows, QStringList({QStringLiteral("ai_execution|AI Execution|on|0|pulsing|finish"),
                                    QStringLiteral("meeting_soon|Meeting Soon|on|45|pulsing"),
                                    QStringLiteral("screen_shared|Screen Shared|off|228|breatheSlow"),
                                    QStringLiteral("mic_in_use|Mic In Use (Recording)|on|170|pulsing"),
                                    QStringLiteral("camera_in_use|Camera In Use|on|60|pulsing"),
                                    QStringLiteral("in_meeting|In Meeting|on|140|solid"),
                                    QStringLiteral("terminal_active|Terminal Active|on|200|solid|finish"),
                                    QStringLiteral("vpn_disconnected|VPN Disconnected|off|20|pulsing"),
                                    QStringLiteral("mic_muted|Mic Muted|on|0|solid"),
                                    QStringLiteral("mic_live|Mic Live|off|85|solid"),
                                    QStringLiteral("screen_locked|Screen Locked|off|28|solid|value 40"),
                                    QStringLiteral("do_not_disturb|Do Not Disturb|off|191|solid")}));
        QCOMPARE(FinishStepConfig{}, (FinishStepConfig{false, 5.0, 85, 255, 255, LEDEffect::breatheSlow}));
    }

    void everyDefaultRuleSurvivesAJsonRoundTrip()
    {
        const QByteArray encoded = RuleJson::encodeRules(defaultStatusRules());
        QCOMPARE(RuleJson::decodeRules(encoded), std::optional(defaultStatusRules()));
        // "finishStep" is left out, not written as null, where a rule has none.
        const QJsonArray array = QJsonDocument::fromJson(encoded).array();
        QVERIFY(array.at(0).toObject().contains(QLatin1String("finishStep")));
        QVERIFY(!array.at(1).toObject().contains(QLatin1String("finishStep")));
        const FallbackRGBState fallback{10, 20, 30, LEDEffect::hueCycle};
        QCOMPARE(RuleJson::decodeFallback(RuleJson::encodeFallback(fallback)), std::optional(fallback));
        QCOMPARE(RuleJson::encodeFallback(std::nullopt), QByteArray("null"));
    }

    void oneBadFieldRejectsTheWholeList_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("inFinishStep");
        QTest::addColumn<QJsonValue>("replacement"); // undefined: the key is removed
        const QJsonValue missing(QJsonValue::Undefined);
        for (const char *key : {"id", "displayName", "isEnabled", "hue", "saturation", "value", "effect"}) {
            QTest::addRow("rule without %s", key) << QString::fromLatin1(key) << false << missing;
        }
        for (const char *key : {"isEnabled", "durationSeconds", "hue", "saturation", "value", "effect"}) {
            QTest::addRow("finish step without %s", key) << QString::fromLatin1(key) << true << missing;
        }
        const auto row = [](const char *name, const char *key, bool inFinish, QJsonValue value) {
            QTest::newRow(name) << QString::fromLatin1(key) << inFinish << value;
        };
        row("unknown effect", "effect", false, QStringLiteral("strobe"));
        row("hue 256", "hue", false, 256);
        row("saturation -1", "saturation", false, -1);
        row("fractional value", "value", false, 3.5);
        row("hue as text", "hue", false, QStringLiteral("12"));
        row("isEnabled as number", "isEnabled", false, 1);
        row("finishStep null", "finishStep", false, QJsonValue(QJsonValue::Null));
        row("negative duration", "durationSeconds", true, -0.5);
        row("finish effect unknown", "effect", true, QStringLiteral("blink"));
    }
    void oneBadFieldRejectsTheWholeList()
    {
        QFETCH(QString, key);
        QFETCH(bool, inFinishStep);
        QFETCH(QJsonValue, replacement);
        QJsonObject rule = fullRuleObject();
        QJsonObject finish = rule.value(QLatin1String("finishStep")).toObject();
        QJsonObject &target = inFinishStep ? finish : rule;
        if (replacement.isUndefined()) {
            target.remove(key);
        } else {
            target.insert(key, replacement);
        }
        if (inFinishStep) {
            rule.insert(QLatin1String("finishStep"), finish);
        }
        const QJsonArray goodThenBad{fullRuleObject(), rule};
        QCOMPARE(RuleJson::decodeRules(json(goodThenBad)), std::nullopt);
    }

    void lenientWhereTheFormAllows()
    {
        QJsonObject rule = fullRuleObject();
        rule.remove(QLatin1String("finishStep"));
        rule.insert(QLatin1String("hue"), 7.0); // integral, though written as a fraction
        rule.insert(QLatin1String("addedLater"), QStringLiteral("ignored"));
        const auto decoded = RuleJson::decodeRules(json({rule}));
        QVERIFY(decoded.has_value());
        QCOMPARE(decoded->front().hue, 7);
        QCOMPARE(decoded->front().finishStep, std::nullopt);
        QCOMPARE(RuleJson::decodeRules("[]"), std::optional(std::vector<StatusRule>{}));

        for (const char *bad : {"", "{}", "[1]", "[{}] trailing", "null"}) {
            QCOMPARE(RuleJson::decodeRules(bad), std::nullopt);
        }
        QCOMPARE(RuleJson::decodeFallback("null"), std::nullopt);
        QCOMPARE(RuleJson::decodeFallback(R"({"hue":1,"saturation":2,"value":3})"), std::nullopt);
    }

    void storedListsAreCompletedWithMissingDefaults()
    {
        TemporaryConfigHome home;
        const QString key = RuleStore::globalKey();
        QCOMPARE(RuleStore::loadRules(key), defaultStatusRules()); // nothing stored

        auto defaults = defaultStatusRules();
        StatusRule live = ruleIn(defaults, "mic_live");
        live.isEnabled = true;
        StatusRule muted = ruleIn(defaults, "mic_muted");
        muted.hue = 10;
        // Stored as text, as an older build or a hand edit leaves it.
        home.store(key, QString::fromUtf8(RuleJson::encodeRules({live, muted})));
        const auto loaded = RuleStore::loadRules(key);
        QCOMPARE(ids(loaded), (QStringList{QStringLiteral("mic_live"), QStringLiteral("mic_muted"),
                                           QStringLiteral("ai_execution"), QStringLiteral("meeting_soon"),
                                           QStringLiteral("screen_shared"), QStringLiteral("mic_in_use"),
                                           QStringLiteral("camera_in_use"), QStringLiteral("in_meeting"),
                                           QStringLiteral("terminal_active"), QStringLiteral("vpn_disconnected"),
                                           QStringLiteral("screen_locked"), QStringLiteral("do_not_disturb")}));
        QCOMPARE(loaded[0], live);
        QCOMPARE(loaded[1], muted);
        QCOMPARE(loaded[2], defaults.front());

        // A list saved before the desktop rules existed, in the user's order and with a script rule
        // of their own under one of the new names: the list stays as it was, the script rule
        // included, and only the rules it lacks come below it, switched off.
        std::vector<StatusRule> saved;
        std::copy_if(defaults.begin(), defaults.end(), std::back_inserter(saved), [](const StatusRule &rule) {
            return rule.id != QLatin1String("screen_locked") && rule.id != QLatin1String("do_not_disturb") &&
                   rule.id != QLatin1String("screen_shared");
        });
        std::swap(saved[0], saved[7]);
        saved[3].isEnabled = false;
        const StatusRule script{QStringLiteral("do_not_disturb"),
                                QStringLiteral("Focus (script)"),
                                true,
                                5,
                                6,
                                7,
                                LEDEffect::twinkleSameHue,
                                std::nullopt};
        saved.insert(saved.begin() + 1, script);
        home.store(key, RuleJson::encodeRules(saved));
        std::vector<StatusRule> expected = saved;
        expected.push_back(ruleIn(defaults, "screen_shared"));
        expected.push_back(ruleIn(defaults, "screen_locked"));
        QCOMPARE(RuleStore::loadRules(key), expected);
        QVERIFY(!expected[10].isEnabled && !expected[11].isEnabled);

        home.store(key, QByteArray("[]"));
        QCOMPARE(RuleStore::loadRules(key), defaultStatusRules());
    }

    void unreadableSettingsReadAsAbsent()
    {
        TemporaryConfigHome home;
        const QString key = QStringLiteral("statusRules.v1.fallbackState");
        home.store(key, QByteArray("null"));
        QCOMPARE(RuleStore::loadFallbackState(key), std::nullopt);
        home.store(key, QByteArray(R"({"hue":1,"saturation":2,"value":3,"effect":"solid"})"));
        QCOMPARE(RuleStore::loadFallbackState(key), (FallbackRGBState{1, 2, 3, LEDEffect::solid}));

        const QString enabled = QStringLiteral("statusRules.v1.fallbackEnabled");
        QVERIFY(!RuleStore::loadFallbackEnabled(enabled));
        home.store(enabled, QStringLiteral("banana")); // QVariant would read any such text as true
        QVERIFY(!RuleStore::loadFallbackEnabled(enabled));
        home.store(enabled, QStringLiteral("true"));
        QVERIFY(RuleStore::loadFallbackEnabled(enabled));
    }

    void savingOverUnreadableDataKeepsACopy()
    {
        TemporaryConfigHome home;
        const QString key = QStringLiteral("statusRules.v1.0123456789abcdef");
        const QByteArray unreadable(R"([{"id":"mic_muted","effect":"strobe"}])");
        home.store(key, unreadable);
        RuleStore::saveRules(key, defaultStatusRules());
        QCOMPARE(home.stored(key + QStringLiteral(".unreadable")).toByteArray(), unreadable);
        QCOMPARE(RuleStore::loadRules(key), defaultStatusRules());
        // Readable data is simply replaced, and the first copy is not overwritten by later saves.
        RuleStore::saveRules(key, {});
        QCOMPARE(home.stored(key + QStringLiteral(".unreadable")).toByteArray(), unreadable);

        const QString fallback = RuleStore::fallbackStateKey(key);
        home.store(fallback, QByteArray("null"));
        RuleStore::saveFallbackState(fallback, std::nullopt);
        QVERIFY(!home.stored(fallback + QStringLiteral(".unreadable")).isValid());
        home.store(fallback, QByteArray(R"({"hue":300})"));
        RuleStore::saveFallbackState(fallback, std::nullopt);
        QCOMPARE(home.stored(fallback + QStringLiteral(".unreadable")).toByteArray(), QByteArray(R"({"hue":300})"));
    }
};

QTEST_GUILESS_MAIN(RuleModelTest)
#include "tst_rulemodel.moc"
