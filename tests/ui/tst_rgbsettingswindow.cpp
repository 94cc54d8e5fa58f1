#include "device/DorvelDeviceManager.h"
#include "device/ui/Hsv255.h"
#include "device/ui/LedLabels.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/StatusRulesEngine.h"
#include "settings/ui/RGBSettingsPresenter.h"
#include "settings/ui/RGBSettingsView.h"
#include "support/DeviceTestSupport.h"
#include "support/FakeClock.h"
#include "support/TestMain.h"
#include "timers/TimerManager.h"
#include "ui/ColorButton.h"
#include "ui/Stepper.h"
#include "unit/rules/RulesTestSupport.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>

#include <algorithm>
#include <memory>

using namespace std::chrono_literals;
using Style = Dorvel::FlashStyle;

namespace {

// The first bytes of a 32-byte report; the rest must be zero.
QString report(std::initializer_list<std::uint8_t> head)
{
    return hex(Dorvel::padded(Bytes(head)));
}

DeviceQueryResponse stateWith(std::optional<std::uint8_t> flashStyleCount,
                              std::optional<Dorvel::BreatheSweepMode> sweep = std::nullopt)
{
    DeviceQueryResponse state;
    state.flashStyleCount = flashStyleCount;
    state.breatheSweepMode = sweep;
    return state;
}

} // namespace

// The color and brightness window against a simulated device: what each control writes, what the
// window leaves alone when it merely shows the device's state, and the rules it keeps with timers
// and the fallback.
class RGBSettingsWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryConfigHome> home;
    std::unique_ptr<SimulatedHidBus> bus;
    std::unique_ptr<SimulatedDorvel> device;
    std::unique_ptr<ReportRecorder> recorder;
    std::unique_ptr<DorvelDeviceManager> hid;
    std::unique_ptr<StatusRulesEngine> engine;
    std::unique_ptr<FakeClock> clock;
    std::unique_ptr<TimerManager> timers;
    std::unique_ptr<RGBSettingsView> view;

    static constexpr DebouncedStateRefresh::Timings refreshTimings{.delay = 50ms, .timeout = 1000ms};

    void attach(SimulatedDorvel::Config config = {})
    {
        device = std::make_unique<SimulatedDorvel>(config);
        recorder = std::make_unique<ReportRecorder>(*device);
        bus->plug(*device, 0x14200000);
        KESTRIX_WAIT_FOR(hid->lastQuery().has_value());
        // The identity query of the attach is the last one it sends.
        KESTRIX_WAIT_FOR(hid->deviceID().has_value());
        recorder->reports.clear();
    }
    void openWindow(DebouncedStateRefresh::Timings timings = refreshTimings)
    {
        view = std::make_unique<RGBSettingsView>(*hid, *timers, *engine, timings);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }
    template <typename T>
    T *control(const char *name)
    {
        T *found = view->findChild<T *>(QLatin1String(name));
        if (!found) {
            qFatal("no control %s", name);
        }
        return found;
    }
    QString lastReport() const { return recorder->reports.empty() ? QString() : hex(recorder->reports.back()); }
    int countOf(std::uint8_t command) const
    {
        const auto commands = recorder->commands();
        return static_cast<int>(std::count(commands.begin(), commands.end(), command));
    }
    void pickInDialog(ColorButton *button, const QColor &color)
    {
        button->click();
        QVERIFY(button->dialog());
        button->dialog()->setCurrentColor(color);
        button->dialog()->accept();
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TemporaryConfigHome>();
        bus = std::make_unique<SimulatedHidBus>();
        hid = std::make_unique<DorvelDeviceManager>(*bus);
        engine = std::make_unique<StatusRulesEngine>(*hid);
        clock = std::make_unique<FakeClock>();
        timers = std::make_unique<TimerManager>(*hid, *engine, *clock);
        hid->start();
    }
    void cleanup()
    {
        view.reset();
        timers.reset();
        engine.reset();
        hid.reset();
        bus.reset();
        recorder.reset();
        device.reset();
        home.reset();
    }

    void deviceOptions()
    {
        using namespace RGBSettingsPresenter;
        const auto styles = [](const std::optional<DeviceQueryResponse> &state) {
            return availableFlashStyles(state);
        };
        QCOMPARE(styles(std::nullopt), (std::vector{Style::single, Style::strobe, Style::wipe, Style::breatheOnce}));
        QCOMPARE(styles(stateWith(std::nullopt)).size(), 4U);
        QCOMPARE(styles(stateWith(0)), std::vector<Style>{});
        QCOMPARE(styles(stateWith(2)), (std::vector{Style::single, Style::strobe}));
        QCOMPARE(styles(stateWith(9)).size(), 4U);
        QVERIFY(!showsBreatheSweep(std::nullopt));
        QVERIFY(!showsBreatheSweep(stateWith(4)));
        QVERIFY(showsBreatheSweep(stateWith(4, Dorvel::BreatheSweepMode::fullSweep)));

        // The fast breathe is the rules' "pulsing"; every other mode has the effect of its name.
        QCOMPARE(effectForMode(Dorvel::RGBMode::breatheFast), LEDEffect::pulsing);
        for (Dorvel::RGBMode mode : allCases<Dorvel::RGBMode>()) {
            QCOMPARE(LEDEffects::rgbMode(effectForMode(mode)), mode);
        }
    }

    void everyControlWritesItsReport()
    {
        attach();
        openWindow();
        QCOMPARE(countOf(Dorvel::ledCommand), 0);

        control<QCheckBox>("ledOn")->click();
        QCOMPARE(lastReport(), report({0x02, 0x03, 0x00}));
        control<QComboBox>("mode")->setCurrentIndex(3);
        QCOMPARE(lastReport(), report({0x02, 0x01, 0x03}));
        pickInDialog(control<ColorButton>("color"), QColor(0, 0, 255));
        QCOMPARE(lastReport(), report({0x02, 0x00, 170, 255, 255}));
        control<QSlider>("brightness")->setValue(100);
        QCOMPARE(lastReport(), report({0x02, 0x02, 100}));
        control<QSlider>("white")->setValue(7);
        QCOMPARE(lastReport(), report({0x02, 0x07, 7}));
        control<QCheckBox>("flashWhenOff")->click();
        QCOMPARE(lastReport(), report({0x02, 0x04, 0x00}));
        pickInDialog(control<ColorButton>("flashColor"), QColor(0, 255, 0));
        QCOMPARE(lastReport(), report({0x02, 0x05, 85, 255, 255}));
        // 500 ms, low byte first.
        QTest::keyClick(control<QSlider>("flashDuration"), Qt::Key_Home);
        QTest::keyClick(control<QSlider>("flashDuration"), Qt::Key_PageUp);
        QTest::keyClick(control<QSlider>("flashDuration"), Qt::Key_Right);
        QTest::keyClick(control<QSlider>("flashDuration"), Qt::Key_Right);
        QCOMPARE(lastReport(), report({0x02, 0x06, 0xF4, 0x01}));

        // Pulses go with strobe only, and the stepper shows only for it.
        auto *style = control<QComboBox>("flashStyle");
        auto *pulses = control<Stepper>("pulses");
        QVERIFY(!pulses->isVisible());
        style->setCurrentIndex(style->findText(QStringLiteral("Strobe")));
        QCOMPARE(lastReport(), report({0x02, 0x08, 0x01, 0x03}));
        QVERIFY(pulses->isVisible());
        QCOMPARE(pulses->text(), QStringLiteral("Pulses: 3"));
        QTest::keyClick(pulses, Qt::Key_Up);
        QCOMPARE(lastReport(), report({0x02, 0x08, 0x01, 0x04}));
        style->setCurrentIndex(style->findText(QStringLiteral("Wipe")));
        QCOMPARE(lastReport(), report({0x02, 0x08, 0x02, 0x00}));
        QVERIFY(!pulses->isVisible());

        auto *suspend = control<QComboBox>("suspendMode");
        suspend->setCurrentIndex(suspend->findText(QStringLiteral("Go dark")));
        QCOMPARE(lastReport(), report({0x02, 0x0A, 0x02}));
        auto *sweep = control<QComboBox>("breatheSweep");
        QVERIFY(sweep->isVisible());
        sweep->setCurrentIndex(sweep->findText(QStringLiteral("Always full sweep")));
        QCOMPARE(lastReport(), report({0x02, 0x0B, 0x02}));

        // The device stores them all.
        const SimulatedDorvel::Led &led = device->led();
        QCOMPARE(led.white, 7);
        QCOMPARE(led.flashDurationMs, 500);
        QCOMPARE(led.suspendMode, Dorvel::SuspendMode::goDark);
        QCOMPARE(led.sweepMode, Dorvel::BreatheSweepMode::fullSweep);
        QCOMPARE(led.hue, 170);
    }

    // The window shows the device's state (and follows its hue) without writing anything back,
    // stopping a timer or touching the fallback.
    void showingTheDeviceStateWritesNothing()
    {
        attach();
        engine->setFallbackEnabled(true);
        engine->setFallbackState(FallbackRGBState{10, 20, 30, LEDEffect::solid});
        KESTRIX_WAIT_FOR(hid->lastQuery()->hue == 10);
        timers->startSimple(5, HSVColor{1, 2, 3}, Dorvel::RGBMode::solid);
        QVERIFY(timers->kind().has_value());
        // Set by hand on the device, as the firmware's own buttons or another program might.
        device->handleReport(Dorvel::ledModeReport(Dorvel::RGBMode::knightScanner));
        device->handleReport(Dorvel::ledColorReport(85, 200, 90));
        device->handleReport(Dorvel::padded(Bytes{0x02, 0x07, 40}));
        device->handleReport(Dorvel::padded(Bytes{0x02, 0x0B, 0x02}));
        hid->setLastQuery(QCoro::waitFor(hid->queryDevice(1s)).value());
        recorder->reports.clear();

        openWindow();
        QCOMPARE(LedLabels::currentRgbMode(*control<QComboBox>("mode")), Dorvel::RGBMode::knightScanner);
        QCOMPARE(hsv255(control<ColorButton>("color")->color()), (HSVColor{85, 200, 90}));
        QCOMPARE(control<QSlider>("brightness")->value(), 90);
        QCOMPARE(control<QSlider>("white")->value(), 40);
        QCOMPARE(control<QComboBox>("breatheSweep")->currentText(), QStringLiteral("Always full sweep"));

        // Another writer changes the LED's hue: the window follows.
        device->handleReport(Dorvel::ledColorReport(120, 255, 255));
        QCOMPARE(countOf(Dorvel::ledCommand), 1);
        recorder->reports.clear();
        hid->setLastQuery(QCoro::waitFor(hid->queryDevice(1s)).value());
        QCOMPARE(hsv255(control<ColorButton>("color")->color()), (HSVColor{120, 255, 255}));
        QCOMPARE(control<QSlider>("brightness")->value(), 255);

        // Long enough for a refresh the window should not have scheduled to go out.
        QTest::qWait(int(TestTime::scaled(refreshTimings.delay * 3).count()));
        QCOMPARE(countOf(Dorvel::ledCommand), 0);
        QVERIFY(timers->kind().has_value());
        QCOMPARE(engine->fallbackState(), (FallbackRGBState{10, 20, 30, LEDEffect::solid}));
    }

    void changingTheModeStopsTheTimerFirst()
    {
        attach();
        engine->setFallbackEnabled(true);
        engine->setFallbackState(FallbackRGBState{170, 255, 255, LEDEffect::solid});
        timers->startPomodoro({});
        QCOMPARE(timers->kind(), std::optional(TimerKind::pomodoro));
        QVERIFY(engine->isPaused());
        openWindow();
        recorder->reports.clear();

        control<QComboBox>("mode")->setCurrentIndex(control<QComboBox>("mode")->findText(QStringLiteral("Hue Cycle")));
        QCOMPARE(timers->kind(), std::nullopt);
        QVERIFY(!engine->isPaused());
        // The rules take the LED back (the fallback's look) before the window's mode goes out.
        const std::vector<Bytes> &sent = recorder->reports;
        const auto modeReport = std::find(sent.begin(), sent.end(), Dorvel::ledModeReport(Dorvel::RGBMode::hueCycle));
        const auto fallbackColor = std::find(sent.begin(), sent.end(), Dorvel::ledColorReport(170, 255, 255));
        QVERIFY(modeReport != sent.end());
        QVERIFY(fallbackColor < modeReport);
    }

    void dragWritesEveryValueAndQueriesOnce()
    {
        attach();
        // The real wait: the presses must all come within it however slow the machine is.
        const DebouncedStateRefresh::Timings settle{.delay = TestTime::scaled(400ms),
                                                    .timeout = TestTime::scaled(1000ms)};
        openWindow(settle);
        auto *brightness = control<QSlider>("brightness");
        brightness->setFocus();
        QTest::keyClick(brightness, Qt::Key_End);
        recorder->reports.clear();
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(brightness, Qt::Key_Left);
        }
        QCOMPARE(countOf(Dorvel::ledCommand), 10);
        QCOMPARE(lastReport(), report({0x02, 0x02, 245}));
        QCOMPARE(countOf(Dorvel::stateQueryCommand), 0);
        KESTRIX_WAIT_FOR(countOf(Dorvel::stateQueryCommand) == 1);
        KESTRIX_WAIT_FOR(hid->lastQuery()->value == 245);
        QTest::qWait(settle.delay.count());
        QCOMPARE(countOf(Dorvel::stateQueryCommand), 1);
    }

    void fallbackTakesTheBrightnessAsValue()
    {
        attach();
        openWindow();
        control<QSlider>("brightness")->setValue(128);
        pickInDialog(control<ColorButton>("color"), QColor(255, 0, 0));
        // Off: nothing is recorded.
        QCOMPARE(engine->fallbackState(), std::nullopt);

        control<QCheckBox>("fallback")->click();
        QVERIFY(engine->fallbackEnabled());
        QCOMPARE(engine->fallbackState(), (FallbackRGBState{0, 255, 128, LEDEffect::solid}));
        // While on, each change of mode, color or brightness updates it.
        control<QComboBox>("mode")->setCurrentIndex(2);
        QCOMPARE(engine->fallbackState(), (FallbackRGBState{0, 255, 128, LEDEffect::pulsing}));
        control<QSlider>("brightness")->setValue(64);
        QCOMPARE(engine->fallbackState()->value, 64);
        control<QCheckBox>("fallback")->click();
        QVERIFY(!engine->fallbackEnabled());
        control<QSlider>("brightness")->setValue(200);
        QCOMPARE(engine->fallbackState()->value, 64);
    }

    void sectionsFollowTheDevice()
    {
        // A reply of 29 bytes carries neither a sweep mode nor a flash-style count.
        attach({.replyLength = 29});
        openWindow();
        QVERIFY(!control<QGroupBox>("breatheSweepSection")->isVisible());
        QCOMPARE(control<QComboBox>("flashStyle")->count(), 4);
        QVERIFY(control<QComboBox>("flashStyle")->isVisible());
        view.reset();
        bus->unplugAll();
        KESTRIX_WAIT_FOR(!hid->isConnected());

        attach({.flashStyleCount = 0});
        openWindow();
        QVERIFY(control<QGroupBox>("breatheSweepSection")->isVisible());
        QVERIFY(!control<QComboBox>("flashStyle")->isVisible());
        QVERIFY(!control<Stepper>("pulses")->isVisible());
    }

    // Without a device the window shows the stored fallback, says the device is missing and offers
    // no control that would write to it, until one comes; the fallback stays the user's to switch.
    void withoutADeviceTheFallbackShows()
    {
        engine->setFallbackState(FallbackRGBState{170, 128, 77, LEDEffect::pulsing});
        openWindow();
        QCOMPARE(LedLabels::currentRgbMode(*control<QComboBox>("mode")), Dorvel::RGBMode::breatheFast);
        QCOMPARE(hsv255(control<ColorButton>("color")->color()), (HSVColor{170, 128, 77}));
        QCOMPARE(control<QSlider>("brightness")->value(), 77);
        QVERIFY(!control<QGroupBox>("breatheSweepSection")->isVisible());
        auto *notice = control<QLabel>("deviceNotice");
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->text(), QStringLiteral("No Dorvel connected"));
        const char *deviceControls[] = {"ledOn",        "mode",       "color",         "brightness", "white",
                                        "flashWhenOff", "flashColor", "flashDuration", "flashStyle", "suspendMode"};
        for (const char *name : deviceControls) {
            QVERIFY2(!control<QWidget>(name)->isEnabled(), name);
        }
        QVERIFY(control<QCheckBox>("fallback")->isEnabled());

        attach();
        QVERIFY(!notice->isVisible());
        for (const char *name : deviceControls) {
            QVERIFY2(control<QWidget>(name)->isEnabled(), name);
        }
        control<QSlider>("white")->setValue(9);
        QCOMPARE(lastReport(), report({0x02, 0x07, 9}));
    }

    // While the color dialog is open the LED follows the color being tried, one report for a burst
    // of changes; cancelling puts the window's color back, confirming writes the new one once.
    void theColorDialogPreviewsOnTheLed()
    {
        attach();
        openWindow();
        auto *color = control<ColorButton>("color");
        const auto before = hsv255(color->color());
        QVERIFY(before);
        timers->startSimple(5, HSVColor{1, 2, 3}, Dorvel::RGBMode::solid);
        color->click();
        QColorDialog *dialog = color->dialog();
        QVERIFY(dialog);
        recorder->reports.clear();
        QStringList tried;
        for (int step = 1; step <= 10; ++step) {
            const QColor trying = QColor::fromHsv(step * 20, 255, 255);
            dialog->setCurrentColor(trying);
            const HSVColor hsv = *hsv255(trying);
            tried << report({0x02, 0x00, hsv.hue, hsv.saturation, hsv.value});
        }
        KESTRIX_WAIT_FOR(device->led().hue == hsv255(QColor::fromHsv(200, 255, 255))->hue);
        // Stopping the timer gave the LED back to the rules; of the ten colors tried, the last went out.
        QStringList previewed;
        for (const Bytes &sent : recorder->reports) {
            if (tried.contains(hex(sent))) {
                previewed << hex(sent);
            }
        }
        QCOMPARE(previewed, QStringList{tried.last()});
        QCOMPARE(timers->kind(), std::nullopt); // trying a color is changing the LED by hand
        QCOMPARE(hsv255(color->color()), before);

        dialog->reject();
        QCOMPARE(lastReport(), report({0x02, 0x00, before->hue, before->saturation, before->value}));
        QCOMPARE(device->led().hue, before->hue);
        QCOMPARE(hsv255(color->color()), before);

        // Confirmed: the chosen color goes out once, no preview after it.
        color->click();
        color->dialog()->setCurrentColor(QColor(0, 0, 255));
        recorder->reports.clear();
        color->dialog()->accept();
        QTest::qWait(int(RGBSettingsView::previewInterval.count()) * 3);
        QCOMPARE(countOf(Dorvel::ledCommand), 1);
        QCOMPARE(hex(recorder->reports.front()), report({0x02, 0x00, 170, 255, 255}));
    }
};

QTEST_MAIN(RGBSettingsWindowTest)
#include "tst_rgbsettingswindow.moc"
