#include "device/DorvelDeviceManager.h"
#include "device/ui/Hsv255.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/StatusRulesEngine.h"
#include "support/DeviceTestSupport.h"
#include "support/FakeClock.h"
#include "support/TestMain.h"
#include "support/WidgetTestSupport.h"
#include "timers/TimerManager.h"
#include "timers/ui/TimerView.h"
#include "unit/rules/RulesTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <memory>

using namespace std::chrono_literals;
using Dorvel::RGBMode;

// The timer window against the real timer manager and rules engine, a simulated device and a
// clock the test moves, offscreen.
class TimerWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryConfigHome> home;
    std::unique_ptr<SimulatedHidBus> bus;
    std::unique_ptr<SimulatedDorvel> device;
    std::unique_ptr<DorvelDeviceManager> hid;
    std::unique_ptr<StatusRulesEngine> engine;
    std::unique_ptr<FakeClock> clock;
    std::unique_ptr<TimerManager> timer;

    template <typename T>
    static T *named(const QWidget &view, const QString &name)
    {
        for (T *child : view.findChildren<T *>()) {
            if (child->accessibleName() == name || child->property("text").toString() == name) {
                return child;
            }
        }
        return nullptr;
    }
    static QGroupBox *section(const QWidget &view, const char *title)
    {
        for (QGroupBox *box : view.findChildren<QGroupBox *>()) {
            if (box->title() == QLatin1String(title)) {
                return box;
            }
        }
        return nullptr;
    }
    // The visible labels of a section, top to bottom.
    static QStringList shownTexts(const QGroupBox &box)
    {
        QStringList texts;
        for (const QLabel *label : box.findChildren<QLabel *>()) {
            if (label->isVisible() && !label->text().isEmpty()) {
                texts.append(label->text());
            }
        }
        return texts;
    }
    bool ledShows(std::uint8_t hue, RGBMode mode) const
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
        clock = std::make_unique<FakeClock>();
        timer = std::make_unique<TimerManager>(*hid, *engine, *clock, TimerManager::Timings{1ms});
        hid->start();
        bus->plug(*device, 0x14200000);
        KESTRIX_WAIT_FOR(hid->lastQuery().has_value());
        // The rules show "Camera In Use": hue 60, pulsing (the device's fast breathe).
        engine->updateSignal(QStringLiteral("camera_in_use"), true);
        KESTRIX_WAIT_FOR(ledShows(60, RGBMode::breatheFast));
    }
    void cleanup()
    {
        timer.reset();
        engine.reset();
        hid.reset();
        bus.reset();
        device.reset();
        clock.reset();
        home.reset();
    }

    void simpleTimerAlertsOnTheLEDAndDismissGivesItBackToTheRules()
    {
        TimerView view(*timer, *hid);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QGroupBox *simple = section(view, "Timer");
        QGroupBox *pomodoro = section(view, "Pomodoro Timer");
        QVERIFY(simple->isVisible() && pomodoro->isVisible());

        auto *minutes = named<QSpinBox>(view, QStringLiteral("Duration"));
        QCOMPARE(minutes->text(), QStringLiteral("Duration: 5 min"));
        minutes->setValue(1);
        auto *effect = named<QComboBox>(view, QStringLiteral("Alert effect"));
        QCOMPARE(effect->currentText(), QStringLiteral("Breathe (fast)"));
        effect->setCurrentIndex(effect->findText(QStringLiteral("Knight")));
        QTest::mouseClick(named<QPushButton>(view, QStringLiteral("Start timer")), Qt::LeftButton);

        QCOMPARE(timer->kind(), std::optional(TimerKind::simple));
        QVERIFY(!pomodoro->isVisible());
        QVERIFY(!minutes->isVisible());
        QCOMPARE(shownTexts(*simple), QStringList{QStringLiteral("1:00")});
        clock->advance(1s);
        KESTRIX_WAIT_FOR(shownTexts(*simple) == QStringList{QStringLiteral("0:59")});
        QCOMPARE(named<QPushButton>(view, QStringLiteral("Stop"))->isVisible(), true);

        clock->advance(59s);
        KESTRIX_WAIT_FOR(timer->isExpired());
        QCOMPARE(shownTexts(*simple), QStringList{QStringLiteral("Time's up!")});
        // The alert: the chosen effect in the default red.
        KESTRIX_WAIT_FOR(ledShows(0, RGBMode::knightScanner));
        QCOMPARE(device->led().saturation, 255);

        QPushButton *dismiss = named<QPushButton>(view, QStringLiteral("Dismiss"));
        QVERIFY(dismiss && dismiss->isVisible());
        QTest::mouseClick(dismiss, Qt::LeftButton);
        QVERIFY(!timer->kind());
        KESTRIX_WAIT_FOR(ledShows(60, RGBMode::breatheFast));
        QVERIFY(simple->isVisible() && pomodoro->isVisible());
        // The set-up survived the run.
        QVERIFY(minutes->isVisible());
        QCOMPARE(minutes->value(), 1);
        QCOMPARE(effect->currentText(), QStringLiteral("Knight"));
    }

    void limitedPomodoroShowsItsPhaseAndCycleAndOutlivesTheWindow()
    {
        auto view = std::make_unique<TimerView>(*timer, *hid);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        auto *total = named<QSpinBox>(*view, QStringLiteral("Total cycles"));
        QVERIFY(!total->isVisible());
        named<QCheckBox>(*view, QStringLiteral("Limit session"))->click();
        QVERIFY(total->isVisible());
        QCOMPARE(total->text(), QStringLiteral("Total cycles: 8"));
        total->setValue(2);
        named<QSpinBox>(*view, QStringLiteral("Work"))->setValue(1);
        QTest::mouseClick(named<QPushButton>(*view, QStringLiteral("Start pomodoro")), Qt::LeftButton);

        QGroupBox *pomodoro = section(*view, "Pomodoro Timer");
        QVERIFY(!section(*view, "Timer")->isVisible());
        QCOMPARE(shownTexts(*pomodoro), (names({"Work", "1:00", "cycle 1 / 2"})));
        // Work in the default work color.
        const auto work = hsv255(QColor::fromRgbF(0, 1.0f / 3, 1));
        QVERIFY(work && work->hue > 150 && work->hue < 160);
        KESTRIX_WAIT_FOR(ledShows(work->hue, RGBMode::solid));
        clock->advance(60s);
        KESTRIX_WAIT_FOR(shownTexts(*pomodoro) == (names({"Break", "5:00", "cycle 2 / 2"})));

        // Closing the window leaves the session running; a new window shows it.
        view.reset();
        QCOMPARE(timer->kind(), std::optional(TimerKind::pomodoro));
        view = std::make_unique<TimerView>(*timer, *hid);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QCOMPARE(shownTexts(*section(*view, "Pomodoro Timer")), (names({"Break", "5:00", "cycle 2 / 2"})));
        QTest::mouseClick(named<QPushButton>(*view, QStringLiteral("Stop pomodoro")), Qt::LeftButton);
        QVERIFY(!timer->kind());
        KESTRIX_WAIT_FOR(ledShows(60, RGBMode::breatheFast));
        // A new window starts from the initial set-up.
        QVERIFY(!named<QSpinBox>(*view, QStringLiteral("Total cycles"))->isVisible());
        QCOMPARE(named<QSpinBox>(*view, QStringLiteral("Work"))->value(), 25);
    }
};

QTEST_MAIN(TimerWindowTest)
#include "tst_timerwindow.moc"
