#include "device/DorvelDeviceManager.h"
#include "device/ui/DebouncedStateRefresh.h"
#include "device/ui/Hsv255.h"
#include "device/ui/LedLabels.h"
#include "platform/sim/SimulatedHidBus.h"
#include "rules/ui/LedEffectPicker.h"
#include "support/DeviceTestSupport.h"
#include "support/TestMain.h"
#include "ui/ColorButton.h"
#include "ui/ErrorText.h"
#include "ui/UnitSlider.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>

#include <algorithm>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<HSVColor>)

namespace {

QString describe(const std::optional<HSVColor> &hsv)
{
    if (!hsv) {
        return QStringLiteral("none");
    }
    return QStringLiteral("%1/%2/%3").arg(hsv->hue).arg(hsv->saturation).arg(hsv->value);
}

int stateQueries(const ReportRecorder &recorder)
{
    const auto commands = recorder.commands();
    return static_cast<int>(std::count(commands.begin(), commands.end(), Dorvel::stateQueryCommand));
}

} // namespace

// The pieces the settings windows share: the device color scale, the mode and effect pickers, the
// color button and the debounced state refresh.
class SharedUiTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hsv255_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<std::optional<HSVColor>>("expected");
        const auto bytes = [](int h, int s, int v) {
            return std::optional<HSVColor>(
                HSVColor{static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(v)});
        };
        // Achromatic colors have no hue in Qt (-1); the device gets 0.
        QTest::newRow("white") << QColor(Qt::white) << bytes(0, 0, 255);
        QTest::newRow("black") << QColor(Qt::black) << bytes(0, 0, 0);
        QTest::newRow("grey") << QColor(128, 128, 128) << bytes(0, 0, 128);
        QTest::newRow("pure red") << QColor(255, 0, 0) << bytes(0, 255, 255);
        QTest::newRow("half-transparent red") << QColor(255, 0, 0, 128) << bytes(0, 255, 255);
        // Hue is a fraction of a full turn on the device: 120 degrees is 85, 240 is 170.
        QTest::newRow("green") << QColor(0, 255, 0) << bytes(85, 255, 255);
        QTest::newRow("blue") << QColor(0, 0, 255) << bytes(170, 255, 255);
        // 300 degrees = 212.5, truncated; value 0.5 of 255 = 127.5, truncated.
        QTest::newRow("dim magenta") << QColor::fromHsvF(300.0F / 360.0F, 1.0F, 0.5F) << bytes(212, 255, 127);
        QTest::newRow("last degree") << QColor::fromHsv(359, 255, 255) << bytes(254, 255, 255);
        QTest::newRow("from CMYK") << QColor::fromCmyk(0, 255, 255, 0) << bytes(0, 255, 255);
        QTest::newRow("invalid") << QColor() << std::optional<HSVColor>();
        QTest::newRow("outside sRGB") << QColor::fromRgbF(1.5F, 0.0F, 0.0F) << std::optional<HSVColor>();
    }

    void hsv255()
    {
        QFETCH(QColor, color);
        QFETCH(std::optional<HSVColor>, expected);
        QCOMPARE(describe(::hsv255(color)), describe(expected));
    }

    // A color shown from device bytes and read back unchanged must give the same bytes, or every
    // confirmation of an unchanged picker would drift the stored color.
    void deviceBytesRoundTrip()
    {
        for (int h = 0; h < 256; ++h) {
            for (int s : {0, 1, 2, 100, 127, 128, 254, 255}) {
                for (int v : {0, 1, 3, 128, 200, 254, 255}) {
                    const HSVColor bytes{static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(s),
                                         static_cast<std::uint8_t>(v)};
                    const QColor color = colorFromHsv255(bytes);
                    QCOMPARE(color.alpha(), 255);
                    const auto back = ::hsv255(color);
                    if (s != 0 && v != 0) {
                        QCOMPARE(describe(back), describe(bytes));
                    } else {
                        // Without saturation or value the hue is not kept by the color.
                        QVERIFY(back.has_value());
                        QCOMPARE(back->saturation, bytes.saturation);
                        QCOMPARE(back->value, bytes.value);
                    }
                }
            }
        }
    }

    void modePickers()
    {
        QComboBox modes;
        LedLabels::fillRgbModes(modes);
        QStringList labels;
        for (int i = 0; i < modes.count(); ++i) {
            labels << modes.itemText(i);
        }
        QCOMPARE(labels, QStringLiteral("Solid|Breathe (slow)|Breathe (fast)|Hue Cycle|Rainbow Swirl|Gradient|Twinkle|"
                                        "Twinkle (Random)|Knight")
                             .split(QLatin1Char('|')));
        QSignalSpy activated(&modes, &QComboBox::activated);
        for (Dorvel::RGBMode mode : allCases<Dorvel::RGBMode>()) {
            LedLabels::selectRgbMode(modes, mode);
            QCOMPARE(LedLabels::currentRgbMode(modes), std::optional(mode));
        }
        QCOMPARE(activated.count(), 0);

        QComboBox effects;
        LedEffectPicker::fill(effects);
        QCOMPARE(effects.count(), static_cast<int>(LEDEffects::allCases.size()));
        QCOMPARE(effects.itemText(1), QStringLiteral("Pulsing"));
        LedEffectPicker::select(effects, LEDEffect::knightScanner);
        QCOMPARE(LedEffectPicker::current(effects), std::optional(LEDEffect::knightScanner));
        QCOMPARE(effects.currentText(), QStringLiteral("Knight (Rotating Scanner)"));
        effects.setCurrentIndex(-1);
        QCOMPARE(LedEffectPicker::current(effects), std::nullopt);
    }

    // An error is red and legible on every light or dark window, not the same red on both.
    void errorTextReadsOnLightAndDarkWindows()
    {
        for (int gray = 0; gray <= 255; gray += 5) {
            if (gray > 90 && gray < 170) {
                continue; // mid-grey windows, where no red reaches body-text contrast
            }
            QPalette palette;
            palette.setColor(QPalette::Window, QColor(gray, gray, gray));
            const QColor error = ErrorText::color(palette);
            QVERIFY2(ErrorText::contrast(error, QColor(gray, gray, gray)) >= 4.5, qPrintable(QString::number(gray)));
            QCOMPARE(error.hslHue(), 0);
            QVERIFY(error.hslSaturation() > 100);
        }
        QPalette light;
        light.setColor(QPalette::Window, QColor(239, 239, 239));
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(36, 36, 36));
        QVERIFY(ErrorText::color(light).lightness() < ErrorText::color(dark).lightness());
    }

    // What assistive technologies hear: a color button names its color, a slider gives its value in
    // its unit (and takes one), and shows the same text on screen.
    void accessibleNamesAndValues()
    {
        const std::pair<QColor, const char *> colors[] = {
            {QColor(255, 0, 0), "Red"},       {QColor(255, 128, 0), "Orange"}, {QColor(255, 255, 0), "Yellow"},
            {QColor(0, 255, 0), "Green"},     {QColor(0, 255, 255), "Cyan"},   {QColor(0, 0, 255), "Blue"},
            {QColor(160, 0, 255), "Purple"},  {QColor(255, 0, 160), "Pink"},   {QColor(0, 0, 100), "Dark Blue"},
            {QColor(255, 255, 255), "White"}, {QColor(128, 128, 128), "Gray"}, {QColor(10, 10, 10), "Black"},
        };
        ColorButton button(QColor(1, 2, 3));
        for (const auto &[color, name] : colors) {
            button.setColor(color);
            QCOMPARE(button.accessibleDescription(), QString::fromLatin1(name));
        }

        QWidget window;
        auto *slider = new UnitSlider(UnitSlider::bytePercent(), &window);
        slider->setRange(0, 255);
        slider->setValue(128);
        QLabel *shown = slider->valueLabel();
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(slider);
        QVERIFY(accessible && accessible->valueInterface());
        QCOMPARE(accessible->role(), QAccessible::Slider);
        QCOMPARE(accessible->text(QAccessible::Value), QStringLiteral("50%"));
        QCOMPARE(shown->text(), QStringLiteral("50%"));
        QCOMPARE(qRound(accessible->valueInterface()->currentValue().toDouble()), 50);
        QCOMPARE(accessible->valueInterface()->maximumValue().toDouble(), 100.0);
        accessible->valueInterface()->setCurrentValue(25);
        QCOMPARE(slider->value(), 64);
        QCOMPARE(shown->text(), QStringLiteral("25%"));
    }

    void colorButton()
    {
        QWidget window;
        auto *button = new ColorButton(QColor(Qt::red), &window);
        button->setAccessibleName(QStringLiteral("Color"));
        window.show();
        QSignalSpy changed(button, &ColorButton::colorChanged);
        QSignalSpy picked(button, &ColorButton::colorPicked);

        // The same color in another colour model is no change.
        button->setColor(QColor(Qt::red).toHsv());
        QCOMPARE(changed.count(), 0);
        button->setColor(QColor(Qt::blue));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(picked.count(), 0);

        // Clicking returns at once with the dialog open on the current color.
        QTest::mouseClick(button, Qt::LeftButton);
        QColorDialog *dialog = button->dialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->currentColor(), QColor(Qt::blue));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Color"));
        dialog->setCurrentColor(QColor(0, 255, 0));
        dialog->accept();
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked.at(0).at(0).value<QColor>(), QColor(0, 255, 0));
        QCOMPARE(button->color(), QColor(0, 255, 0));
        QCOMPARE(changed.count(), 2);
        KESTRIX_WAIT_FOR(button->dialog() == nullptr);

        // Confirming the unchanged color, or cancelling a change, picks nothing.
        button->click();
        QVERIFY(button->dialog());
        button->dialog()->accept();
        KESTRIX_WAIT_FOR(button->dialog() == nullptr);
        button->click();
        button->dialog()->setCurrentColor(QColor(Qt::yellow));
        button->dialog()->reject();
        QCOMPARE(picked.count(), 1);
        QCOMPARE(button->color(), QColor(0, 255, 0));
    }

    void debouncedRefresh()
    {
        SimulatedHidBus bus;
        SimulatedDorvel device;
        ReportRecorder recorder(device);
        DorvelDeviceManager hid(bus);
        hid.start();
        bus.plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());
        const int queriesAtAttach = stateQueries(recorder);

        // A burst of changes ends in one query after the last of them, whose result is stored.
        hid.setLastQuery(std::nullopt);
        DebouncedStateRefresh refresh(hid, {.delay = 40ms, .timeout = 1000ms});
        for (int i = 0; i < 5; ++i) {
            refresh.schedule();
        }
        QVERIFY(refresh.isPending());
        QCOMPARE(stateQueries(recorder), queriesAtAttach);
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());
        QCOMPARE(stateQueries(recorder), queriesAtAttach + 1);

        // A cancelled wait sends nothing.
        refresh.schedule();
        refresh.cancel();
        QTest::qWait(100);
        QCOMPARE(stateQueries(recorder), queriesAtAttach + 1);

        // A query already sent still stores its result when the refresh is gone.
        hid.setLastQuery(std::nullopt);
        {
            DebouncedStateRefresh immediate(hid, {.delay = 40ms, .timeout = 1000ms});
            device.replyLatency = 30ms;
            immediate.refreshNow();
        }
        KESTRIX_WAIT_FOR(hid.lastQuery().has_value());

        // Without a device, the last state stays.
        bus.unplugAll();
        KESTRIX_WAIT_FOR(!hid.isConnected());
        DeviceQueryResponse kept;
        kept.hue = 7;
        hid.setLastQuery(kept);
        refresh.refreshNow();
        QTest::qWait(60);
        QCOMPARE(hid.lastQuery(), std::optional(kept));
    }
};

QTEST_MAIN(SharedUiTest)
#include "tst_sharedui.moc"
