#include "device/DorvelDeviceManager.h"
#include "device/ui/Hsv255.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/RuleStore.h"
#include "rules/StatusRulesEngine.h"
#include "rules/ui/StatusRuleListModel.h"
#include "rules/ui/StatusRuleListView.h"
#include "rules/ui/StatusRuleRowWidget.h"
#include "rules/ui/StatusRulesSettingsView.h"
#include "signals/CalendarWatcher.h"
#include "support/DeviceTestSupport.h"
#include "support/FakeCalendarStore.h"
#include "support/TestMain.h"
#include "support/WidgetTestSupport.h"
#include "ui/ColorButton.h"
#include "unit/rules/RulesTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSpinBox>
#include <QToolButton>

#include <memory>

namespace {
QSet<QString> nameSet(std::initializer_list<const char *> items)
{
    const QStringList list = names(items);
    return QSet<QString>(list.begin(), list.end());
}
} // namespace

// The status rules window against the real engine, a simulated device and a calendar watcher on a
// fake store, offscreen.
class StatusRulesWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryConfigHome> home;
    std::unique_ptr<SimulatedHidBus> bus;
    std::unique_ptr<SimulatedDorvel> device;
    std::unique_ptr<DorvelDeviceManager> hid;
    std::unique_ptr<StatusRulesEngine> engine;
    FakeCalendarStore *store = nullptr;
    std::unique_ptr<CalendarWatcher> calendar;

    void makeCalendar(QList<CalendarInfo> calendars)
    {
        auto fake = std::make_unique<FakeCalendarStore>();
        fake->calendarList = std::move(calendars);
        store = fake.get();
        calendar = std::make_unique<CalendarWatcher>(std::move(fake));
        calendar->start();
    }
    void plug()
    {
        bus->plug(*device, 0x14200000);
        KESTRIX_WAIT_FOR(engine->activeProfileKey() != RuleStore::globalKey());
    }
    static int rowOf(const StatusRulesSettingsView &view, const char *id)
    {
        for (int row = 0; row < view.model().rowCount(); ++row) {
            if (view.model().index(row).data(StatusRuleListModel::RuleIdRole).toString() == QLatin1String(id)) {
                return row;
            }
        }
        return -1;
    }
    static QLineEdit *addressesField(const QWidget &view)
    {
        for (QLineEdit *field : view.findChildren<QLineEdit *>()) {
            if (field->accessibleName() == QLatin1String("Your addresses:")) {
                return field;
            }
        }
        return nullptr;
    }
    static std::optional<FinishStepConfig> finishOf(std::vector<StatusRule> rules, const char *id)
    {
        return ruleIn(rules, id).finishStep;
    }
    // The LED shows this hue and mode.
    bool ledShows(std::uint8_t hue, Dorvel::RGBMode mode) const
    {
        return device->led().on && device->led().hue == hue && device->led().mode == mode;
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TemporaryConfigHome>();
        bus = std::make_unique<SimulatedHidBus>();
        device = std::make_unique<SimulatedDorvel>();
        hid = std::make_unique<DorvelDeviceManager>(*bus);
        engine = std::make_unique<StatusRulesEngine>(*hid);
        hid->start();
    }
    void cleanup()
    {
        calendar.reset();
        engine.reset();
        hid.reset();
        bus.reset();
        device.reset();
        home.reset();
    }

    void movingMicMutedAboveMeetingSoonMakesItWinAndSurvivesARestart()
    {
        makeCalendar({});
        plug();
        engine->updateSignal(QStringLiteral("mic_muted"), true);
        engine->updateSignal(QStringLiteral("meeting_soon"), true);
        KESTRIX_WAIT_FOR(ledShows(45, Dorvel::RGBMode::breatheFast));
        {
            StatusRulesSettingsView view(*engine, *calendar);
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            const int muted = rowOf(view, "mic_muted");
            const int soon = rowOf(view, "meeting_soon");
            // What a drop above "Meeting Soon" hands the model: the dragged row's payload.
            QMimeData *dragged = view.model().mimeData({view.model().index(muted)});
            QVERIFY(view.model().dropMimeData(dragged, Qt::MoveAction, soon, 0, {}));
            delete dragged;
            QCOMPARE(rowOf(view, "mic_muted"), soon);
            KESTRIX_WAIT_FOR(ledShows(0, Dorvel::RGBMode::solid));
            // Each row's widgets moved with it.
            QCOMPARE(view.list().rowWidget(soon)->findChild<QLabel *>()->text(), QStringLiteral("Mic Muted"));

            // From the keyboard: the focused rule goes one down, below the meeting again, and back up.
            QCheckBox *switchOfMuted = view.list().rowWidget(soon)->findChild<QCheckBox *>();
            switchOfMuted->setFocus();
            QTest::keyClick(switchOfMuted, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(rowOf(view, "mic_muted"), soon + 1);
            QVERIFY(switchOfMuted->hasFocus());
            KESTRIX_WAIT_FOR(ledShows(45, Dorvel::RGBMode::breatheFast));
            QTest::keyClick(switchOfMuted, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(rowOf(view, "mic_muted"), soon);
            KESTRIX_WAIT_FOR(ledShows(0, Dorvel::RGBMode::solid));

            // A list reordered elsewhere (another device's profile) gets rows of its own.
            std::vector<StatusRule> reversed(engine->rules().rbegin(), engine->rules().rend());
            engine->setRules(reversed);
            for (int row = 0; row < int(reversed.size()); ++row) {
                QCOMPARE(view.list().rowWidget(row)->findChild<QLabel *>()->text(), reversed[row].displayName);
            }
            engine->setRules(std::vector<StatusRule>(reversed.rbegin(), reversed.rend()));
        }
        // A new engine, as at the next launch, reads the new order for this device.
        engine.reset();
        engine = std::make_unique<StatusRulesEngine>(*hid);
        QCOMPARE(engine->rules()[1].id, QStringLiteral("mic_muted"));
        QCOMPARE(engine->rules()[2].id, QStringLiteral("meeting_soon"));
    }

    // A moved row's own controls edit its rule, not the rule that was at its place before.
    void editsOfAMovedRowReachItsRuleTheLEDAndStorage()
    {
        makeCalendar({});
        plug();
        engine->updateSignal(QStringLiteral("mic_muted"), true);
        engine->updateSignal(QStringLiteral("meeting_soon"), true);
        StatusRulesSettingsView view(*engine, *calendar);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int soon = rowOf(view, "meeting_soon");
        QMimeData *dragged = view.model().mimeData({view.model().index(rowOf(view, "mic_muted"))});
        QVERIFY(view.model().dropMimeData(dragged, Qt::MoveAction, soon, 0, {}));
        delete dragged;
        KESTRIX_WAIT_FOR(ledShows(0, Dorvel::RGBMode::solid));
        StatusRuleRowWidget *row = view.list().rowWidget(soon);
        QCOMPARE(row->findChild<QLabel *>()->text(), QStringLiteral("Mic Muted"));

        Q_EMIT row->findChildren<ColorButton *>()[0]->colorPicked(colorFromHsv255(HSVColor{100, 255, 255}));
        QComboBox *effect = row->findChildren<QComboBox *>()[0];
        effect->setCurrentIndex(effect->findText(QStringLiteral("Hue Cycle")));
        Q_EMIT effect->activated(effect->currentIndex());
        KESTRIX_WAIT_FOR(ledShows(100, Dorvel::RGBMode::hueCycle));
        for (std::vector<StatusRule> rules : {engine->rules(), RuleStore::loadRules(engine->activeProfileKey())}) {
            QCOMPARE(ruleIn(rules, "mic_muted").hue, std::uint8_t(100));
            QCOMPARE(ruleIn(rules, "mic_muted").effect, LEDEffect::hueCycle);
            QCOMPARE(ruleIn(rules, "meeting_soon").hue, std::uint8_t(45));
            QCOMPARE(ruleIn(rules, "meeting_soon").effect, LEDEffect::pulsing);
        }

        QTest::mouseClick(row->findChild<QCheckBox *>(), Qt::LeftButton);
        KESTRIX_WAIT_FOR(ledShows(45, Dorvel::RGBMode::breatheFast));
        for (std::vector<StatusRule> rules : {engine->rules(), RuleStore::loadRules(engine->activeProfileKey())}) {
            QVERIFY(!ruleIn(rules, "mic_muted").isEnabled);
            QVERIFY(ruleIn(rules, "meeting_soon").isEnabled);
        }
    }

    void enablingTheFinishEffectOfARuleStoredWithoutOneCreatesAndEnablesTheDefault()
    {
        std::vector<StatusRule> stored = defaultStatusRules();
        ruleIn(stored, "ai_execution").finishStep.reset();
        RuleStore::saveRules(RuleStore::globalKey(), stored);
        engine = std::make_unique<StatusRulesEngine>(*hid);
        makeCalendar({});

        StatusRulesSettingsView view(*engine, *calendar);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        StatusRuleRowWidget *row = view.list().rowWidget(rowOf(view, "ai_execution"));
        const auto switches = row->findChildren<QCheckBox *>();
        QCOMPARE(switches.size(), 2);
        QCheckBox *finishSwitch = switches[1];
        QCOMPARE(finishSwitch->text(), QStringLiteral("Finish effect"));
        auto *seconds = row->findChild<QSpinBox *>();
        QVERIFY(!seconds->isVisible());

        QTest::mouseClick(finishSwitch, Qt::LeftButton);
        FinishStepConfig expected;
        expected.isEnabled = true;
        QCOMPARE(finishOf(engine->rules(), "ai_execution"), std::optional(expected));
        QCOMPARE(finishOf(RuleStore::loadRules(RuleStore::globalKey()), "ai_execution"), std::optional(expected));
        QVERIFY(finishSwitch->isChecked());
        QVERIFY(seconds->isVisible());
        QCOMPARE(seconds->text(), QStringLiteral("5s"));
        QCOMPARE(row->findChildren<QComboBox *>().size(), 2);
        QVERIFY(row->findChildren<QComboBox *>()[1]->isVisible());

        // The stepper stops at a minute.
        seconds->setFocus();
        for (int i = 0; i < 70; ++i) {
            QTest::keyClick(seconds, Qt::Key_Up);
        }
        QCOMPARE(seconds->text(), QStringLiteral("60s"));
        QCOMPARE(finishOf(engine->rules(), "ai_execution")->durationSeconds, 60.0);

        // A colour picked for the finish step, half transparent: only its hue, saturation and value
        // land, on the finish step and not on the rule.
        const auto buttons = row->findChildren<ColorButton *>();
        QCOMPARE(buttons.size(), 2);
        QColor picked = colorFromHsv255(HSVColor{200, 100, 50});
        picked.setAlphaF(0.5f);
        Q_EMIT buttons[1]->colorPicked(picked);
        const FinishStepConfig step = *finishOf(engine->rules(), "ai_execution");
        QCOMPARE((HSVColor{step.hue, step.saturation, step.value}), (HSVColor{200, 100, 50}));
        std::vector<StatusRule> now = engine->rules();
        QCOMPARE(ruleIn(now, "ai_execution").hue, ruleIn(stored, "ai_execution").hue);
        QCOMPARE(buttons[1]->color().alpha(), 255);
    }

    void calendarsLineEditsTheExcludedSetAndTheUserAddresses()
    {
        makeCalendar({{QStringLiteral("b"), QStringLiteral("Work")},
                      {QStringLiteral("a"), QStringLiteral("Home")},
                      {QStringLiteral("c"), QStringLiteral("R&D")}});
        StatusRulesSettingsView view(*engine, *calendar);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *button = view.findChild<QToolButton *>();
        QVERIFY(button->isVisible());
        QCOMPARE(button->text(), QStringLiteral("All Calendars"));
        const QList<QAction *> items = button->menu()->actions();
        QStringList titles;
        for (QAction *item : items) {
            titles.append(item->iconText()); // as drawn: an accelerator mark dropped, "&&" as "&"
        }
        QCOMPARE(titles, (names({"Home", "R&D", "Work"})));

        for (QAction *item : items) {
            item->trigger();
        }
        QCOMPARE(button->text(), QStringLiteral("No Calendars"));
        QStringList excluded = TemporaryConfigHome::stored(CalendarWatcher::excludedCalendarIDsKey()).toStringList();
        excluded.sort();
        QCOMPARE(excluded, (names({"a", "b", "c"})));
        items[2]->trigger();
        QCOMPARE(button->text(), QStringLiteral("Calendars (1/3)"));
        QCOMPARE(calendar->excludedCalendarIDs(), (nameSet({"a", "c"})));

        // The user's addresses: those nothing else gives are stored, and all are used by the very
        // next evaluation.
        qputenv("EMAIL", "found@example.org");
        QLineEdit *addresses = addressesField(view);
        QCOMPARE(addresses->text(), calendar->userAddresses().join(QStringLiteral(", ")));
        addresses->setFocus();
        addresses->selectAll();
        QTest::keyClicks(addresses, QStringLiteral("me@example.org,  Me@Work.example, FOUND@example.org"));
        QTest::keyClick(addresses, Qt::Key_Return);
        const QStringList mine = names({"me@example.org", "Me@Work.example"});
        QCOMPARE(TemporaryConfigHome::stored(CalendarWatcher::userAddressesKey()).toStringList(), mine);
        QCOMPARE(store->queries.last().userAddresses.mid(0, 3), mine + names({"found@example.org"}));
        QVERIFY(addresses->text().startsWith(QStringLiteral("me@example.org, Me@Work.example, found@example.org")));
        // Emptied, the setting goes and only the found addresses are left.
        addresses->selectAll();
        QTest::keyClick(addresses, Qt::Key_Backspace);
        QTest::keyClick(addresses, Qt::Key_Return);
        QVERIFY(!TemporaryConfigHome::stored(CalendarWatcher::userAddressesKey()).isValid());
        QCOMPARE(calendar->userAddresses().first(), QStringLiteral("found@example.org"));
        QCOMPARE(store->queries.last().userAddresses, calendar->userAddresses());
        QCOMPARE(addresses->text(), calendar->userAddresses().join(QStringLiteral(", ")));
        qunsetenv("EMAIL");
    }

    void withoutCalendarsTheLineIsAbsent()
    {
        makeCalendar({});
        StatusRulesSettingsView view(*engine, *calendar);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(!view.findChild<QToolButton *>()->isVisible());
        QVERIFY(!addressesField(view)->isVisible());
    }
};

QTEST_MAIN(StatusRulesWindowTest)
#include "tst_statusruleswindow.moc"
