#pragma once

#include "device/Dorvel.h"
#include "device/ui/DebouncedStateRefresh.h"

#include <QTimer>
#include <QWidget>

#include <chrono>

#include <cstdint>
#include <optional>

class ColorButton;
class DorvelDeviceManager;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class StatusRulesEngine;
class Stepper;
class TimerManager;
class UnitSlider;

// The content of the "RGB Settings" window: the device's own LED settings, each written to the
// device as one command report the moment the user changes it (nothing when no device is held).
// A change of the LED's on state, mode, color or brightness first stops a running timer, which
// hands the LED back to the rules; those and the white channel then refresh the device state once
// the changes settle. With the fallback toggle on, the window's color, brightness and mode are the
// rules engine's fallback appearance.
//
// The LED controls follow the device: on first showing and whenever the state's hue changes they
// are set from the device state, or without one from the stored fallback. Setting them that way
// writes nothing to the device, stops no timer and leaves the fallback alone; only the user's own
// changes do. The flash, suspend and sweep controls are the window's own choices (the device does
// not report them), apart from the sweep mode, which follows the device when it reports one.
//
// While the color dialog is open the LED follows the color being tried (at most one report per
// previewInterval, the last one always sent); cancelling the dialog puts the window's color back
// on the LED. Without a device the controls are disabled under "No Dorvel connected", and while a
// firmware update holds the device link under the update's reason.
class RGBSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr char windowId[] = "rgb-settings";
    static constexpr std::chrono::milliseconds previewInterval{40};

    // The three objects must outlive the view.
    RGBSettingsView(DorvelDeviceManager &hid, TimerManager &timers, StatusRulesEngine &rulesEngine,
                    DebouncedStateRefresh::Timings refreshTimings, QWidget *parent = nullptr);
    RGBSettingsView(DorvelDeviceManager &hid, TimerManager &timers, StatusRulesEngine &rulesEngine,
                    QWidget *parent = nullptr);
    ~RGBSettingsView() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildEffect();
    QWidget *buildColorAndBrightness();
    QWidget *buildFallback();
    QWidget *buildWhite();
    QWidget *buildFlash();
    QWidget *buildSuspend();
    QWidget *buildBreatheSweep();
    void alignLabelColumns();
    void connectControls();

    // Visibility of the device-dependent controls and the flash style choices.
    void renderDeviceOptions();
    void onLastQueryChanged();
    void syncFromDeviceQuery();
    void setBreatheSweep(Dorvel::BreatheSweepMode mode);

    void stopTimer();
    void write(const Bytes &report);
    void captureFallbackIfTracking();
    void sendFlashStyle();
    void previewColor(const QColor &color);
    void endPreview();
    void renderDeviceLink();

    DorvelDeviceManager &m_hid;
    TimerManager &m_timers;
    StatusRulesEngine &m_rulesEngine;
    DebouncedStateRefresh *m_refresh = nullptr;

    // Set while the window itself sets controls: their change handlers then do nothing.
    bool m_syncing = false;
    bool m_hasAppeared = false;
    Dorvel::FlashStyle m_flashStyle = Dorvel::FlashStyle::single;
    // The last seen hue and sweep mode of the device state, absent without a state.
    std::optional<std::uint8_t> m_seenHue;
    std::optional<Dorvel::BreatheSweepMode> m_seenSweep;

    QTimer m_previewWrite;     // runs while a previewed color waits to be written
    QColor m_previewColor;     // the color tried last in the open dialog
    bool m_previewing = false; // the LED shows a previewed color, not the window's

    QLabel *m_deviceNotice = nullptr;
    QList<QWidget *> m_deviceSections; // disabled while no device is held
    QCheckBox *m_ledOn = nullptr;
    QComboBox *m_mode = nullptr;
    ColorButton *m_color = nullptr;
    UnitSlider *m_brightness = nullptr;
    QCheckBox *m_fallback = nullptr;
    UnitSlider *m_white = nullptr;
    QCheckBox *m_flashWhenOff = nullptr;
    ColorButton *m_flashColor = nullptr;
    UnitSlider *m_flashDuration = nullptr;
    QFormLayout *m_flashRows = nullptr;
    QComboBox *m_flashStylePicker = nullptr;
    Stepper *m_pulses = nullptr;
    QComboBox *m_suspendMode = nullptr;
    QGroupBox *m_sweepSection = nullptr;
    QComboBox *m_breatheSweep = nullptr;
};
