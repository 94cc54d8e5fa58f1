#pragma once

#include "device/ui/DebouncedStateRefresh.h"

#include <QPointer>
#include <QWidget>

class DorvelDeviceManager;
class KeyEventMonitor;
class KeyRecorder;
class QLabel;
class QPushButton;
class QSlider;
class Stepper;

// The content of the "Custom Shortcut" window: records a key combination, lets the user choose
// how often the device types it per press and the pause between repeats, and applies it to the
// device. Each window starts from repeat count 1, the device's stored gap (or the first) and no
// capture; the recorder and its key monitor live only as long as the window is shown. Renders
// CustomShortcutPresenter::customShortcutView() on every change of the recorder, the device link
// or its own controls.
class CustomShortcutRecorderView : public QWidget {
    Q_OBJECT
public:
    static constexpr char windowId[] = "custom-shortcut";

    // The manager and the monitor must outlive the view. `refreshTimings` bounds the state query
    // sent after Apply (its delay is not used: the query goes out at once).
    CustomShortcutRecorderView(DorvelDeviceManager &hid, KeyEventMonitor &keyEvents,
                               DebouncedStateRefresh::Timings refreshTimings, QWidget *parent = nullptr);
    CustomShortcutRecorderView(DorvelDeviceManager &hid, KeyEventMonitor &keyEvents, QWidget *parent = nullptr);
    ~CustomShortcutRecorderView() override;

    KeyRecorder &recorder() { return *m_recorder; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void render();
    void apply();

    DorvelDeviceManager &m_hid;
    KeyRecorder *m_recorder = nullptr;
    DebouncedStateRefresh *m_refresh = nullptr;
    bool m_hasAppeared = false;

    QLabel *m_title = nullptr;
    QLabel *m_deviceNotice = nullptr;
    QPushButton *m_recordButton = nullptr;
    Stepper *m_repeat = nullptr;
    QLabel *m_gapCaption = nullptr;
    QSlider *m_gap = nullptr;
    QPushButton *m_apply = nullptr;
    QLabel *m_currentlyBound = nullptr;
};
