#include "timers/ui/TimerView.h"

#include "device/DorvelDeviceManager.h"
#include "device/ui/Hsv255.h"
#include "device/ui/LedLabels.h"
#include "timers/TimerManager.h"
#include "timers/TimerPresenter.h"
#include "ui/ColorButton.h"
#include "ui/TextStyles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpacerItem>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int timerWindowWidth = 380;
constexpr int timerMargin = 16;

QSpinBox *stepper(const TimerPresenter::Stepper &shape, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setRange(shape.minimum, shape.maximum);
    box->setPrefix(shape.prefix);
    box->setSuffix(shape.suffix);
    box->setValue(shape.initial);
    box->setAccessibleName(shape.name);
    return box;
}

ColorButton *colorPicker(QFormLayout &form, const QString &label, const QColor &initial, QWidget *parent)
{
    auto *button = new ColorButton(initial, parent);
    button->setAccessibleName(label);
    form.addRow(label, button);
    return button;
}

QComboBox *effectPicker(QFormLayout &form, const QString &label, Dorvel::RGBMode initial, QWidget *parent)
{
    auto *picker = new QComboBox(parent);
    LedLabels::fillRgbModes(*picker);
    LedLabels::selectRgbMode(*picker, initial);
    picker->setAccessibleName(label);
    form.addRow(label, picker);
    return picker;
}

QFormLayout *formIn(QWidget *widget)
{
    auto *form = new QFormLayout(widget);
    form->setContentsMargins(0, 0, 0, 0);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return form;
}

QHBoxLayout *buttonRow(QPushButton *button)
{
    auto *row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch(1);
    return row;
}

Dorvel::RGBMode modeOf(const QComboBox &picker)
{
    return LedLabels::currentRgbMode(picker).value_or(Dorvel::RGBMode::solid);
}

} // namespace

TimerView::TimerView(TimerManager &timer, DorvelDeviceManager &hid, QWidget *parent)
    : QWidget(parent), m_timer(timer), m_hid(hid)
{
    namespace P = TimerPresenter;
    setWindowTitle(QCoreApplication::translate("TimerView", "Timer"));

    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(timerMargin, timerMargin, timerMargin, timerMargin);
    stack->setSpacing(12);
    // As large as its content needs, at least the designed width; the user may enlarge it.
    stack->setSizeConstraint(QLayout::SetMinimumSize);

    m_countdownFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_countdownFont.setPointSizeF(font().pointSizeF() * TextStyles::titleScale);

    m_startNotice = new QLabel(this);
    m_startNotice->setObjectName(QStringLiteral("startNotice"));
    m_startNotice->setWordWrap(true);
    stack->addWidget(m_startNotice);

    // "Timer": a simple countdown.
    m_simpleSection = new QGroupBox(QCoreApplication::translate("TimerView", "Timer"), this);
    auto *simpleRows = new QVBoxLayout(m_simpleSection);

    m_simpleSetup = new QWidget(m_simpleSection);
    QFormLayout *simpleForm = formIn(m_simpleSetup);
    m_simpleMinutes = stepper(P::simpleMinutesStepper(), m_simpleSetup);
    simpleForm->addRow(m_simpleMinutes);
    m_simpleColor = colorPicker(*simpleForm, QCoreApplication::translate("TimerView", "Alert color"),
                                QColor::fromRgbF(1, 0, 0), m_simpleSetup);
    m_simpleEffect = effectPicker(*simpleForm, QCoreApplication::translate("TimerView", "Alert effect"),
                                  Dorvel::RGBMode::breatheFast, m_simpleSetup);
    m_simpleStart = new QPushButton(QCoreApplication::translate("TimerView", "Start"), m_simpleSetup);
    m_simpleStart->setAccessibleName(QCoreApplication::translate("TimerView", "Start timer"));
    simpleForm->addRow(buttonRow(m_simpleStart));
    simpleRows->addWidget(m_simpleSetup);

    m_simpleRunning = new QWidget(m_simpleSection);
    auto *simpleRunningRows = new QVBoxLayout(m_simpleRunning);
    simpleRunningRows->setContentsMargins(0, 0, 0, 0);
    m_simpleStatus = new QLabel(m_simpleRunning);
    simpleRunningRows->addWidget(m_simpleStatus);
    m_simpleStop = new QPushButton(m_simpleRunning);
    simpleRunningRows->addLayout(buttonRow(m_simpleStop));
    simpleRows->addWidget(m_simpleRunning);
    stack->addWidget(m_simpleSection);

    // "Pomodoro Timer": work and break phases.
    m_pomodoroSection = new QGroupBox(QCoreApplication::translate("TimerView", "Pomodoro Timer"), this);
    auto *pomodoroRows = new QVBoxLayout(m_pomodoroSection);

    m_pomodoroSetup = new QWidget(m_pomodoroSection);
    QFormLayout *pomodoroForm = formIn(m_pomodoroSetup);
    const auto solid = Dorvel::RGBMode::solid;
    m_workMinutes = stepper(P::workMinutesStepper(), m_pomodoroSetup);
    pomodoroForm->addRow(m_workMinutes);
    m_workColor = colorPicker(*pomodoroForm, QCoreApplication::translate("TimerView", "Work color"),
                              QColor::fromRgbF(0, 1.0f / 3, 1), m_pomodoroSetup);
    m_workEffect =
        effectPicker(*pomodoroForm, QCoreApplication::translate("TimerView", "Work effect"), solid, m_pomodoroSetup);
    m_breakMinutes = stepper(P::breakMinutesStepper(), m_pomodoroSetup);
    pomodoroForm->addRow(m_breakMinutes);
    m_breakColor = colorPicker(*pomodoroForm, QCoreApplication::translate("TimerView", "Break color"),
                               QColor::fromRgbF(0, 0.8f, 0.4f), m_pomodoroSetup);
    m_breakEffect =
        effectPicker(*pomodoroForm, QCoreApplication::translate("TimerView", "Break effect"), solid, m_pomodoroSetup);
    m_longBreakMinutes = stepper(P::longBreakMinutesStepper(), m_pomodoroSetup);
    pomodoroForm->addRow(m_longBreakMinutes);
    m_longBreakColor = colorPicker(*pomodoroForm, QCoreApplication::translate("TimerView", "Long break color"),
                                   QColor::fromRgbF(0.6f, 0.2f, 1), m_pomodoroSetup);
    m_longBreakEffect = effectPicker(*pomodoroForm, QCoreApplication::translate("TimerView", "Long break effect"),
                                     solid, m_pomodoroSetup);
    m_cyclesBeforeLongBreak = stepper(P::cyclesBeforeLongBreakStepper(), m_pomodoroSetup);
    pomodoroForm->addRow(m_cyclesBeforeLongBreak);
    m_limitSession = new QCheckBox(QCoreApplication::translate("TimerView", "Limit session"), m_pomodoroSetup);
    pomodoroForm->addRow(m_limitSession);
    m_totalCycles = stepper(P::totalCyclesStepper(), m_pomodoroSetup);
    m_totalCycles->setVisible(false);
    pomodoroForm->addRow(m_totalCycles);
    m_pomodoroStart = new QPushButton(QCoreApplication::translate("TimerView", "Start"), m_pomodoroSetup);
    m_pomodoroStart->setAccessibleName(QCoreApplication::translate("TimerView", "Start pomodoro"));
    pomodoroForm->addRow(buttonRow(m_pomodoroStart));
    pomodoroRows->addWidget(m_pomodoroSetup);

    m_pomodoroRunning = new QWidget(m_pomodoroSection);
    auto *pomodoroRunningRows = new QVBoxLayout(m_pomodoroRunning);
    pomodoroRunningRows->setContentsMargins(0, 0, 0, 0);
    m_phase = new QLabel(m_pomodoroRunning);
    QFont headline = m_phase->font();
    headline.setBold(true);
    m_phase->setFont(headline);
    pomodoroRunningRows->addWidget(m_phase);
    m_pomodoroRemaining = new QLabel(m_pomodoroRunning);
    m_pomodoroRemaining->setFont(m_countdownFont);
    pomodoroRunningRows->addWidget(m_pomodoroRemaining);
    m_cycle = new QLabel(m_pomodoroRunning);
    m_cycle->setFont(TextStyles::scaled(m_cycle->font(), TextStyles::captionScale));
    m_cycle->setForegroundRole(QPalette::PlaceholderText);
    pomodoroRunningRows->addWidget(m_cycle);
    m_pomodoroStop = new QPushButton(QCoreApplication::translate("TimerView", "Stop"), m_pomodoroRunning);
    m_pomodoroStop->setAccessibleName(QCoreApplication::translate("TimerView", "Stop pomodoro"));
    pomodoroRunningRows->addLayout(buttonRow(m_pomodoroStop));
    pomodoroRows->addWidget(m_pomodoroRunning);
    stack->addWidget(m_pomodoroSection);
    // The designed width as a floor; a section's own minimum (larger text) widens the window.
    stack->addSpacerItem(
        new QSpacerItem(timerWindowWidth - 2 * timerMargin, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));

    connect(m_simpleStart, &QPushButton::clicked, this, &TimerView::startSimple);
    connect(m_pomodoroStart, &QPushButton::clicked, this, &TimerView::startPomodoro);
    // Keyboard users land on the button that undoes what they just did.
    connect(m_simpleStop, &QPushButton::clicked, this, [this] {
        m_timer.cancelIfRunning();
        m_simpleStart->setFocus();
    });
    connect(m_pomodoroStop, &QPushButton::clicked, this, [this] {
        m_timer.cancelIfRunning();
        m_pomodoroStart->setFocus();
    });
    connect(m_limitSession, &QCheckBox::toggled, m_totalCycles, &QWidget::setVisible);

    connect(&timer, &TimerManager::kindChanged, this, &TimerView::render);
    connect(&timer, &TimerManager::isExpiredChanged, this, &TimerView::render);
    connect(&timer, &TimerManager::remainingSecondsChanged, this, &TimerView::render);
    connect(&timer, &TimerManager::pomodoroPhaseChanged, this, &TimerView::render);
    connect(&timer, &TimerManager::pomodoroCycleCountChanged, this, &TimerView::render);
    connect(&hid, &DorvelDeviceManager::isLinkExclusiveChanged, this, &TimerView::render);
    render();
}

void TimerView::render()
{
    const TimerPresenter::TimerWindow window = TimerPresenter::timerWindow(
        m_timer.kind(), m_timer.isExpired(), m_timer.pomodoroPhase(), m_timer.remainingSeconds(),
        m_timer.pomodoroCycleCount(), m_timer.pomodoroSettings().sessionLimit, m_hid.isLinkExclusive());

    m_startNotice->setVisible(!window.startNotice.isEmpty());
    m_startNotice->setText(window.startNotice);
    for (QPushButton *start : {m_simpleStart, m_pomodoroStart}) {
        start->setEnabled(window.startEnabled);
        start->setToolTip(window.startNotice);
    }

    m_simpleSection->setVisible(window.showsSimpleSection);
    m_simpleSetup->setVisible(window.showsSimpleSetup);
    m_simpleRunning->setVisible(!window.showsSimpleSetup);
    m_simpleStatus->setText(window.simpleStatus);
    m_simpleStatus->setFont(window.simpleStatusIsCountdown ? m_countdownFont : font());
    m_simpleStop->setText(window.simpleButton);

    m_pomodoroSection->setVisible(window.showsPomodoroSection);
    m_pomodoroSetup->setVisible(window.showsPomodoroSetup);
    m_pomodoroRunning->setVisible(!window.showsPomodoroSetup);
    m_phase->setText(window.phaseName);
    m_pomodoroRemaining->setText(window.pomodoroRemaining);
    m_cycle->setText(window.cycleLine);
}

void TimerView::startSimple()
{
    const auto color = hsv255(m_simpleColor->color());
    if (!color) {
        return;
    }
    m_timer.startSimple(m_simpleMinutes->value(), *color, modeOf(*m_simpleEffect));
    if (m_simpleStop->isVisible()) {
        m_simpleStop->setFocus();
    }
}

void TimerView::startPomodoro()
{
    const auto work = hsv255(m_workColor->color());
    const auto shortBreak = hsv255(m_breakColor->color());
    const auto longBreak = hsv255(m_longBreakColor->color());
    if (!work || !shortBreak || !longBreak) {
        return;
    }
    PomodoroSettings settings;
    settings.workMinutes = m_workMinutes->value();
    settings.breakMinutes = m_breakMinutes->value();
    settings.longBreakMinutes = m_longBreakMinutes->value();
    settings.cyclesBeforeLongBreak = m_cyclesBeforeLongBreak->value();
    if (m_limitSession->isChecked()) {
        settings.sessionLimit = m_totalCycles->value();
    }
    settings.workColor = *work;
    settings.breakColor = *shortBreak;
    settings.longBreakColor = *longBreak;
    settings.workEffect = modeOf(*m_workEffect);
    settings.breakEffect = modeOf(*m_breakEffect);
    settings.longBreakEffect = modeOf(*m_longBreakEffect);
    m_timer.startPomodoro(settings);
    if (m_pomodoroStop->isVisible()) {
        m_pomodoroStop->setFocus();
    }
}
