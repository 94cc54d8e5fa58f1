#include "app/ui/WindowRouter.h"
#include "device/DorvelDeviceManager.h"
#include "device/KeyRecorder.h"
#include "device/ui/ApplicationKeyEventMonitor.h"
#include "device/ui/CustomShortcutPresenter.h"
#include "device/ui/CustomShortcutRecorderView.h"
#include "platform/sim/SimulatedHidBus.h"
#include "support/DeviceTestSupport.h"
#include "support/TestMain.h"
#include "support/WidgetTestSupport.h"
#include "ui/Stepper.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

using namespace std::chrono_literals;
using namespace CustomShortcutPresenter;

namespace {

DeviceQueryResponse boundTo(BindType type, std::optional<std::uint8_t> mods, std::optional<std::uint8_t> keycode,
                            std::optional<std::uint8_t> gapIndex = std::nullopt)
{
    DeviceQueryResponse state;
    state.bindType = type;
    state.currentCustomMods = mods;
    state.currentCustomKeycode = keycode;
    state.customRepeatGapIndex = gapIndex;
    return state;
}

} // namespace

class CustomShortcutWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each usage as the Linux desktops name it and as macOS menus draw it.
    void keyGlyphs_data()
    {
        QTest::addColumn<int>("usage");
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("mac");
        const std::tuple<int, const char *, const char *> rows[] = {
            {0x04, "A", "A"},       {0x1D, "Z", "Z"},         {0x1E, "1", "1"},       {0x26, "9", "9"},
            {0x27, "0", "0"},       {0x28, "Return", "⏎"},    {0x29, "Esc", "⎋"},     {0x2A, "Backspace", "⌫"},
            {0x2B, "Tab", "⇥"},     {0x2C, "Space", "Space"}, {0x3A, "F1", "F1"},     {0x45, "F12", "F12"},
            {0x4C, "Del", "⌦"},     {0x4F, "Right", "→"},     {0x50, "Left", "←"},    {0x51, "Down", "↓"},
            {0x52, "Up", "↑"},      {0x2D, "0x2D", "0x2D"},   {0x03, "0x03", "0x03"}, {0x39, "0x39", "0x39"},
            {0x46, "0x46", "0x46"}, {0x53, "0x53", "0x53"},   {0xFF, "0xFF", "0xFF"},
        };
        for (const auto &[usage, desktop, mac] : rows) {
            QTest::addRow("0x%02X", usage) << usage << QString::fromUtf8(desktop) << QString::fromUtf8(mac);
        }
    }
    void keyGlyphs()
    {
        QFETCH(int, usage);
        QFETCH(QString, desktop);
        QFETCH(QString, mac);
        QCOMPARE(keyGlyph(static_cast<std::uint8_t>(usage), KeyNames::desktop), desktop);
        QCOMPARE(keyGlyph(static_cast<std::uint8_t>(usage), KeyNames::macSymbols), mac);
    }

    void combosGapsAndTheView()
    {
        // A Linux build names the modifiers, in the fixed order, joined by "+".
        QCOMPARE(runningKeyNames(), KeyNames::desktop);
        QCOMPARE(formatCombo(0x0F, 0x04, KeyNames::desktop), QStringLiteral("Ctrl+Alt+Shift+Super+A"));
        QCOMPARE(formatCombo(0x0F, 0x04, KeyNames::macSymbols), QStringLiteral("⌃⌥⇧⌘A"));
        QCOMPARE(formatCombo(0x0A, 0x0E, KeyNames::desktop), QStringLiteral("Shift+Super+K"));
        QCOMPARE(formatCombo(0x05, 0x2C, KeyNames::desktop), QStringLiteral("Ctrl+Alt+Space"));
        QCOMPARE(formatCombo(0x0A, 0x0E, KeyNames::macSymbols), QStringLiteral("⇧⌘K"));
        QCOMPARE(formatCombo(0x00, 0x27), QStringLiteral("0"));

        QStringList gaps;
        for (std::uint16_t ms : gapTableMs) {
            gaps << formatGap(ms);
        }
        QCOMPARE(gaps.join(QLatin1Char(' ')), QStringLiteral("50ms 100ms 250ms 500ms 1s 2s 5s"));
        QCOMPARE(formatGap(999), QStringLiteral("999ms"));
        QCOMPARE(formatGap(1999), QStringLiteral("1s"));

        QCOMPARE(initialGapIndex(std::nullopt), 0);
        QCOMPARE(initialGapIndex(boundTo(BindType::custom, 1, 4)), 0);
        QCOMPARE(initialGapIndex(boundTo(BindType::custom, 1, 4, 6)), 6);
        QCOMPARE(initialGapIndex(boundTo(BindType::custom, 1, 4, 7)), 0);
        QCOMPARE(initialGapIndex(boundTo(BindType::preset, {}, {}, 9)), 0);

        QCOMPARE(hex(bindCustomReport(0x08, 0x0E, 3, 2)), hex(Dorvel::padded(Bytes{0x01, 0x08, 0x0E, 0x03, 0x02})));
        QCOMPARE(bindCustomReport(0x08, 0x0E, 3, 2).size(), 32U);

        State state;
        QCOMPARE(customShortcutView(state).recorderLabel, QStringLiteral("Click to record key combo"));
        state.gapIndex = 4;
        QCOMPARE(customShortcutView(state).gapCaption, QStringLiteral("Repeat gap: 1s"));
        state.gapIndex = 3;
        QCOMPARE(customShortcutView(state).gapCaption, QStringLiteral("Repeat gap: 500ms"));
        state.repeatCount = 4;
        QCOMPARE(customShortcutView(state).repeatLabel, QStringLiteral("Repeat: 4"));

        // Apply needs both a capture and a device.
        state.isConnected = true;
        QVERIFY(!customShortcutView(state).applyEnabled);
        state.capturedMods = 0x08;
        state.capturedKeycode = 0x0E;
        QCOMPARE(customShortcutView(state).recorderLabel, QStringLiteral("Super+K"));
        state.keyNames = KeyNames::macSymbols;
        QCOMPARE(customShortcutView(state).recorderLabel, QStringLiteral("⌘K"));
        QVERIFY(customShortcutView(state).applyEnabled);
        state.isConnected = false;
        QVERIFY(!customShortcutView(state).applyEnabled);
        state.isRecording = true;
        QCOMPARE(customShortcutView(state).recorderLabel, QStringLiteral("Press your key combination…"));

        QCOMPARE(customShortcutView(state).currentlyBound, std::nullopt);
        state.lastQuery = boundTo(BindType::preset, {}, {});
        QCOMPARE(customShortcutView(state).currentlyBound, std::nullopt);
        state.lastQuery = boundTo(BindType::custom, {}, {});
        QCOMPARE(customShortcutView(state).currentlyBound, QStringLiteral("Currently bound: —"));
        state.lastQuery = boundTo(BindType::custom, 0x01, 0x04);
        QCOMPARE(customShortcutView(state).currentlyBound, QStringLiteral("Currently bound: ⌃A"));
        state.keyNames = KeyNames::desktop;
        QCOMPARE(customShortcutView(state).currentlyBound, QStringLiteral("Currently bound: Ctrl+A"));
    }

    void recordApplyAndRefresh()
    {
        SimulatedHidBus bus;
        SimulatedDorvel device;
        // Bound to Control+A with the 1 s gap.
        device.handleReport(bindCustomReport(0x01, 0x04, 1, 4));
        ReportRecorder recorder(device);
        DorvelDeviceManager hid(bus);
        hid.start();
        const auto plug = bus.plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());
        KESTRIX_WAIT_FOR(hid.deviceID().has_value());

        ApplicationKeyEventMonitor keys({KeyboardConventions::KeyCodes::linuxXkbKeycode, false});
        CustomShortcutRecorderView view(hid, keys, {.delay = 0ms, .timeout = 1000ms});
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *record = view.findChildren<QPushButton *>().at(0);
        auto *apply = view.findChildren<QPushButton *>().at(1);
        auto *repeat = view.findChild<Stepper *>();
        auto *gap = view.findChild<QSlider *>();
        const auto labelTexts = [&] {
            QStringList texts;
            for (QLabel *label : view.findChildren<QLabel *>()) {
                if (label->isVisible()) {
                    texts << label->text();
                }
            }
            return texts;
        };
        QCOMPARE(apply->text(), QStringLiteral("Apply"));
        // The stored gap is taken when the window appears.
        QCOMPARE(gap->value(), 4);
        QVERIFY(labelTexts().contains(QStringLiteral("Repeat gap: 1s")));
        QVERIFY(labelTexts().contains(QStringLiteral("Currently bound: Ctrl+A")));
        QVERIFY(!apply->isEnabled());

        record->click();
        QCOMPARE(record->text(), QStringLiteral("Press your key combination…"));
        pressLinux(&view, Qt::Key_K, 37, Qt::MetaModifier);
        QCOMPARE(record->text(), QStringLiteral("Super+K"));
        QVERIFY(apply->isEnabled());

        // Without a device Apply waits; the capture survives the device coming back.
        bus.unplug(plug);
        KESTRIX_WAIT_FOR(!hid.isConnected());
        QVERIFY(!apply->isEnabled());
        bus.plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(apply->isEnabled());
        KESTRIX_WAIT_FOR(hid.deviceID().has_value());
        QVERIFY(runUntilIdle());

        QTest::keyClick(repeat, Qt::Key_Up);
        QTest::keyClick(repeat, Qt::Key_Up);
        QCOMPARE(repeat->text(), QStringLiteral("Repeat: 3"));
        gap->setValue(2);
        QVERIFY(labelTexts().contains(QStringLiteral("Repeat gap: 250ms")));
        recorder.reports.clear();
        apply->click();
        QVERIFY(!recorder.reports.empty());
        QCOMPARE(hex(recorder.reports.front()), hex(Dorvel::padded(Bytes{0x01, 0x08, 0x0E, 0x03, 0x02})));
        KESTRIX_WAIT_FOR(labelTexts().contains(QStringLiteral("Currently bound: Super+K")));
        QCOMPARE(recorder.commands(), (std::vector<std::uint8_t>{0x01, 0xFF}));
        QCOMPARE(device.binding().repeat, 3);
        QVERIFY(view.isVisible());

        // Hiding the window ends a recording.
        record->click();
        QVERIFY(view.recorder().isRecording());
        view.hide();
        QVERIFY(!view.recorder().isRecording());
    }

    void everyOpeningStartsAfresh()
    {
        SimulatedHidBus bus;
        SimulatedDorvel device;
        device.handleReport(Dorvel::padded(Bytes{0x01, 0x01, 0x04, 0x01, 9}));
        DorvelDeviceManager hid(bus);
        hid.start();
        bus.plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());
        ApplicationKeyEventMonitor keys({KeyboardConventions::KeyCodes::linuxXkbKeycode, false});
        WindowRouter router;
        router.registerWindow(QStringLiteral("custom-shortcut"),
                              [&] { return new CustomShortcutRecorderView(hid, keys); });

        QPointer<QWidget> first = router.openWindow(QStringLiteral("custom-shortcut"));
        QVERIFY(first);
        // An out-of-range stored gap opens at the first.
        QCOMPARE(first->findChild<QSlider *>()->value(), 0);
        first->findChild<Stepper *>()->setValue(5);
        first->findChild<QSlider *>()->setValue(6);
        static_cast<CustomShortcutRecorderView *>(first.data())->recorder().startRecording();
        pressLinux(first, Qt::Key_A, 30, {});
        first->close();
        KESTRIX_WAIT_FOR(first.isNull());

        QWidget *second = router.openWindow(QStringLiteral("custom-shortcut"));
        QCOMPARE(second->findChild<Stepper *>()->value(), 1);
        QCOMPARE(second->findChild<QSlider *>()->value(), 0);
        QCOMPARE(second->findChildren<QPushButton *>().at(0)->text(), QStringLiteral("Click to record key combo"));
        QCOMPARE(second->size(), QSize(360, 320));
    }
};

QTEST_MAIN(CustomShortcutWindowTest)
#include "tst_customshortcutwindow.moc"
