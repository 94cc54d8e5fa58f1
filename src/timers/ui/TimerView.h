#pragma once

#include <QFont>
#include <QWidget>

class ColorButton;
class DorvelDeviceManager;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class TimerManager;

// The content of the "Timer" window: a simple countdown ("Timer") and a pomodoro session
// ("Pomodoro Timer"), each with a set-up form while no timer exists and a running form while its
// own kind runs; the other kind's section is hidden meanwhile. The set-up values live in this view
// only: they start from fixed values each time the window is made and survive the switches between
// the forms. Closing the window leaves a timer running; no timer starts while a firmware update
// holds the device link. Renders TimerPresenter::timerWindow() on every change of the timer
// manager's published values and of the link.
class TimerView : public QWidget {
    Q_OBJECT
public:
    static constexpr char windowId[] = "timer";

    // Both managers must outlive the view.
    TimerView(TimerManager &timer, DorvelDeviceManager &hid, QWidget *parent = nullptr);

private:
    void render();
    void startSimple();
    void startPomodoro();

    TimerManager &m_timer;
    DorvelDeviceManager &m_hid;
    QFont m_countdownFont; // the title size in the system's monospaced font

    QLabel *m_startNotice = nullptr;
    QGroupBox *m_simpleSection = nullptr;
    QWidget *m_simpleSetup = nullptr;
    QSpinBox *m_simpleMinutes = nullptr;
    ColorButton *m_simpleColor = nullptr;
    QComboBox *m_simpleEffect = nullptr;
    QWidget *m_simpleRunning = nullptr;
    QLabel *m_simpleStatus = nullptr;
    QPushButton *m_simpleStart = nullptr;
    QPushButton *m_simpleStop = nullptr;

    QGroupBox *m_pomodoroSection = nullptr;
    QWidget *m_pomodoroSetup = nullptr;
    QSpinBox *m_workMinutes = nullptr;
    ColorButton *m_workColor = nullptr;
    QComboBox *m_workEffect = nullptr;
    QSpinBox *m_breakMinutes = nullptr;
    ColorButton *m_breakColor = nullptr;
    QComboBox *m_breakEffect = nullptr;
    QSpinBox *m_longBreakMinutes = nullptr;
    ColorButton *m_longBreakColor = nullptr;
    QComboBox *m_longBreakEffect = nullptr;
    QSpinBox *m_cyclesBeforeLongBreak = nullptr;
    QCheckBox *m_limitSession = nullptr;
    QSpinBox *m_totalCycles = nullptr;
    QWidget *m_pomodoroRunning = nullptr;
    QLabel *m_phase = nullptr;
    QLabel *m_pomodoroRemaining = nullptr;
    QLabel *m_cycle = nullptr;
    QPushButton *m_pomodoroStart = nullptr;
    QPushButton *m_pomodoroStop = nullptr;
};
