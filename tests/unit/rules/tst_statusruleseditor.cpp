#include "RulesTestSupport.h"

#include "device/DorvelDeviceManager.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/RuleStore.h"
#include "rules/StatusRulesEditing.h"
#include "rules/StatusRulesEngine.h"
#include "rules/StatusRulesPresenter.h"
#include "support/TestMain.h"

#include <QSignalSpy>

#include <cmath>
#include <limits>
#include <memory>

namespace {
QStringList names(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items) {
        out.append(QString::fromUtf8(item));
    }
    return out;
}
} // namespace

namespace {

QList<CalendarInfo> calendars(int count)
{
    QList<CalendarInfo> list;
    for (int i = 0; i < count; ++i) {
        list.append({QStringLiteral("cal-%1").arg(i), QStringLiteral("Calendar %1").arg(i)});
    }
    return list;
}

} // namespace

// The status rules window's logic without its widgets: what it shows of a rule and of the
// calendars, and how its reorder edits the engine's list.
class StatusRulesEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryConfigHome> home;
    std::unique_ptr<SimulatedHidBus> bus;
    std::unique_ptr<DorvelDeviceManager> hid;
    std::unique_ptr<StatusRulesEngine> engine;

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TemporaryConfigHome>();
        bus = std::make_unique<SimulatedHidBus>();
        hid = std::make_unique<DorvelDeviceManager>(*bus);
        engine = std::make_unique<StatusRulesEngine>(*hid);
    }
    void cleanup()
    {
        engine.reset();
        hid.reset();
        bus.reset();
        home.reset();
    }

    void moveFollowsTheStandardMoveOfOffsets_data()
    {
        QTest::addColumn<std::vector<int>>("sources");
        QTest::addColumn<int>("target");
        QTest::addColumn<QStringList>("order");
        // Defaults: ai_execution, meeting_soon, screen_shared, mic_in_use, camera_in_use, in_meeting,
        // terminal_active, vpn_disconnected, mic_muted, mic_live, then two desktop rules, which the
        // rows below leave last (but the one moving to the very end).
        QTest::newRow("mic_muted above meeting_soon")
            << std::vector<int>{8} << 1
            << names({"ai_execution", "mic_muted", "meeting_soon", "screen_shared", "mic_in_use", "camera_in_use",
                      "in_meeting", "terminal_active", "vpn_disconnected", "mic_live"});
        QTest::newRow("first to the end")
            << std::vector<int>{0} << 12
            << names({"meeting_soon", "screen_shared", "mic_in_use", "camera_in_use", "in_meeting", "terminal_active",
                      "vpn_disconnected", "mic_muted", "mic_live", "screen_locked", "do_not_disturb", "ai_execution"});
        QTest::newRow("scattered rows keep their order, before the target's old rule")
            << std::vector<int>{7, 0, 3} << 6
            << names({"meeting_soon", "screen_shared", "camera_in_use", "in_meeting", "ai_execution", "mic_in_use",
                      "vpn_disconnected", "terminal_active", "mic_muted", "mic_live"});
        QTest::newRow("onto itself changes nothing")
            << std::vector<int>{4} << 5
            << names({"ai_execution", "meeting_soon", "screen_shared", "mic_in_use", "camera_in_use", "in_meeting",
                      "terminal_active", "vpn_disconnected", "mic_muted", "mic_live"});
    }
    void moveFollowsTheStandardMoveOfOffsets()
    {
        QFETCH(std::vector<int>, sources);
        QFETCH(int, target);
        QFETCH(QStringList, order);
        if (order.size() < 12) {
            order << QStringLiteral("screen_locked") << QStringLiteral("do_not_disturb");
        }
        StatusRulesEditing::moveRules(*engine, sources, target);
        QCOMPARE(ids(engine->rules()), order);
        // Stored at once, under the profile in use.
        QCOMPARE(ids(RuleStore::loadRules(RuleStore::globalKey())), order);
    }

    void editsOfARowThatIsNoLongerThereWriteNothing()
    {
        QSignalSpy changes(engine.get(), &StatusRulesEngine::rulesChanged);
        StatusRulesEditing::moveRules(*engine, {12}, 0);
        StatusRulesEditing::moveRules(*engine, {0}, 13);
        StatusRulesEditing::setRuleEnabled(*engine, 12, false);
        StatusRulesEditing::setFinishEnabled(*engine, -1, true);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!RuleStore::hasData(RuleStore::globalKey()));
    }

    void ruleRowShowsTheFinishStepOnlyWhereOfferedAndEnabled()
    {
        namespace P = StatusRulesPresenter;
        StatusRule rule = defaultStatusRules()[0]; // ai_execution, finish step stored disabled
        rule.finishStep.reset();
        P::RuleRow row = P::ruleRow(rule);
        QVERIFY(row.showsFinishRow);
        QVERIFY(!row.finishEnabled);
        QVERIFY(!row.showsFinishControls);
        // Without a finish step the controls would show what a new one gets.
        QCOMPARE(row.finishEffect, LEDEffect::breatheSlow);
        QCOMPARE(row.finishColor, (HSVColor{85, 255, 255}));
        QCOMPARE(row.finishDurationText, QStringLiteral("5s"));

        rule.finishStep = FinishStepConfig{true, 2.7, 10, 20, 30, LEDEffect::knightScanner};
        row = P::ruleRow(rule);
        QVERIFY(row.showsFinishControls);
        QCOMPARE(row.finishColor, (HSVColor{10, 20, 30}));
        QCOMPARE(row.finishSeconds, 2);
        QCOMPARE(row.finishDurationText, QStringLiteral("2s"));

        // A stored duration outside the stepper's range shows at its nearest end.
        rule.finishStep->durationSeconds = 600;
        QCOMPARE(P::ruleRow(rule).finishSeconds, 60);
        rule.finishStep->durationSeconds = std::numeric_limits<double>::quiet_NaN();
        QCOMPARE(P::ruleRow(rule).finishSeconds, 1);

        // Any other rule has no finish line, even with a finish step stored.
        rule.id = QStringLiteral("mic_muted");
        row = P::ruleRow(rule);
        QVERIFY(!row.showsFinishRow);
        QVERIFY(!row.showsFinishControls);
    }

    void calendarSummaryCountsIncludedCalendarsOfThoseThereAre_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("excluded");
        QTest::addColumn<QString>("summary");
        QTest::newRow("none excluded") << 5 << QStringList{} << QStringLiteral("All Calendars");
        QTest::newRow("two of five excluded") << 5 << names({"cal-1", "cal-4"}) << QStringLiteral("Calendars (3/5)");
        QTest::newRow("every one excluded") << 2 << names({"cal-0", "cal-1"}) << QStringLiteral("No Calendars");
        // An excluded calendar that is gone (deleted, its account removed) counts for nothing.
        QTest::newRow("a gone calendar excluded") << 2 << names({"gone"}) << QStringLiteral("All Calendars");
        QTest::newRow("a gone one and one there") << 2 << names({"gone", "cal-1"}) << QStringLiteral("Calendars (1/2)");
    }
    void calendarSummaryCountsIncludedCalendarsOfThoseThereAre()
    {
        QFETCH(int, count);
        QFETCH(QStringList, excluded);
        QFETCH(QString, summary);
        const QSet<QString> excludedSet(excluded.begin(), excluded.end());
        const auto line = StatusRulesPresenter::calendarsLine(calendars(count), excludedSet, {});
        QVERIFY(line.isShown);
        QCOMPARE(line.summary, summary);
        QCOMPARE(line.items.size(), count);
        for (const auto &item : line.items) {
            QCOMPARE(item.isIncluded, !excludedSet.contains(item.id));
        }
    }

    void userAddressesAreSplitAtCommasAndKeptOnce()
    {
        QCOMPARE(StatusRulesPresenter::parseUserAddresses(
                     QStringLiteral(" ana@example.org,, Ana.B@work.example;ANA@example.org  x@y ")),
                 (names({"ana@example.org", "Ana.B@work.example", "x@y"})));
        QVERIFY(StatusRulesPresenter::parseUserAddresses(QStringLiteral(" , ")).isEmpty());
        QCOMPARE(StatusRulesPresenter::userAddressesText(names({"a@b", "c@d"})), QStringLiteral("a@b, c@d"));
    }
};

QTEST_MAIN(StatusRulesEditorTest)
#include "tst_statusruleseditor.moc"
