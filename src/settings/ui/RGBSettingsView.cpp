#include "settings/ui/RGBSettingsView.h"

#include "device/DorvelDeviceManager.h"
#include "device/ui/Hsv255.h"
#include "device/ui/LedLabels.h"
#include "rules/StatusRulesEngine.h"
#include "settings/ui/RGBSettingsPresenter.h"
#include "timers/TimerManager.h"
#include "ui/ColorButton.h"
#include "ui/MenuText.h"
#include "ui/Stepper.h"
#include "ui/UnitSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>
#include <QSlider>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int rgbWindowWidth = 420;
constexpr int rgbMargin = 20;
constexpr int sectionSpacing = 12;

// The initial values of each new window.
constexpr int initialBrightness = 255;
constexpr int initialFlashDurationMs = 800;
constexpr int initialPulses = 3;

QGroupBox *section(const QString &title, QWidget *parent)
{
    // A lone '&' would mark a shortcut letter.
    return new QGroupBox(MenuText::literal(title), parent);
}

QFormLayout *formRows(QGroupBox *box)
{
    auto *rows = new QFormLayout(box);
    rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    rows->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return rows;
}

UnitSlider *byteSlider(const QString &name, QWidget *parent)
{
    auto *slider = new UnitSlider(UnitSlider::bytePercent(), parent);
    slider->setRange(0, 255);
    slider->setSingleStep(1);
    slider->setPageStep(16);
    slider->setAccessibleName(name);
    return slider;
}

template <typename E, typename Label>
void fillPicker(QComboBox &picker, const auto &cases, Label label)
{
    picker.clear();
    for (E value : cases) {
        picker.addItem(label(value), static_cast<int>(rawValue(value)));
    }
}

template <typename E>
std::optional<E> pickedCase(const QComboBox &picker)
{
    bool ok = false;
    const int raw = picker.currentData().toInt(&ok);
    if (!ok || raw < 0 || raw > 255) {
        return std::nullopt;
    }
    return fromRaw<E>(static_cast<std::uint8_t>(raw));
}

template <typename E>
void selectCase(QComboBox &picker, E value)
{
    picker.setCurrentIndex(picker.findData(static_cast<int>(rawValue(value))));
}

// The slider with its value shown after it, for one form row.
QWidget *withValue(UnitSlider *slider, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    slider->setParent(row);
    layout->addWidget(slider, 1);
    layout->addWidget(slider->valueLabel());
    return row;
}

} // namespace

RGBSettingsView::RGBSettingsView(DorvelDeviceManager &hid, TimerManager &timers, StatusRulesEngine &rulesEngine,
                                 QWidget *parent)
    : RGBSettingsView(hid, timers, rulesEngine, DebouncedStateRefresh::Timings{}, parent)
{}

RGBSettingsView::RGBSettingsView(DorvelDeviceManager &hid, TimerManager &timers, StatusRulesEngine &rulesEngine,
                                 DebouncedStateRefresh::Timings refreshTimings, QWidget *parent)
    : QWidget(parent), m_hid(hid), m_timers(timers), m_rulesEngine(rulesEngine),
      m_refresh(new DebouncedStateRefresh(hid, refreshTimings, this))
{
    setWindowTitle(QCoreApplication::translate("RGBSettingsView", "RGB Settings"));

    auto *sections = new QVBoxLayout(this);
    sections->setContentsMargins(rgbMargin, rgbMargin, rgbMargin, rgbMargin);
    sections->setSpacing(sectionSpacing);
    // At least as large as its sections need (wider with larger text); the user may enlarge it.
    sections->setSizeConstraint(QLayout::SetMinimumSize);
    m_deviceNotice = new QLabel(this);
    m_deviceNotice->setObjectName(QStringLiteral("deviceNotice"));
    m_deviceNotice->setWordWrap(true);
    sections->addWidget(m_deviceNotice);
    {
        const QScopedValueRollback syncing(m_syncing, true);
        // The fallback is the rules engine's, stored without a device; everything else is written
        // to the device.
        m_deviceSections << buildEffect() << buildColorAndBrightness();
        sections->addWidget(m_deviceSections.at(0));
        sections->addWidget(m_deviceSections.at(1));
        sections->addWidget(buildFallback());
        m_deviceSections << buildWhite() << buildFlash() << buildSuspend() << buildBreatheSweep();
        for (qsizetype i = 2; i < m_deviceSections.size(); ++i) {
            sections->addWidget(m_deviceSections.at(i));
        }
    }
    // The designed width as a floor; a section's own minimum (larger text) widens the window.
    sections->addSpacerItem(
        new QSpacerItem(rgbWindowWidth - 2 * rgbMargin, 0, QSizePolicy::Fixed, QSizePolicy::Minimum));
    m_previewWrite.setSingleShot(true);
    m_previewWrite.setInterval(previewInterval);
    connect(&m_previewWrite, &QTimer::timeout, this, [this] {
        if (const auto hsv = hsv255(m_previewColor)) {
            write(Dorvel::ledColorReport(hsv->hue, hsv->saturation, hsv->value));
        }
    });
    alignLabelColumns();
    connectControls();

    const auto &state = m_hid.lastQuery();
    m_seenHue = state ? std::optional(state->hue) : std::nullopt;
    m_seenSweep = state ? state->breatheSweepMode : std::nullopt;
    renderDeviceOptions();
    renderDeviceLink();
}

RGBSettingsView::~RGBSettingsView() = default;

void RGBSettingsView::renderDeviceLink()
{
    const auto notice = RGBSettingsPresenter::deviceNotice(m_hid.isConnected(), m_hid.isLinkExclusive());
    m_deviceNotice->setVisible(notice.has_value());
    m_deviceNotice->setText(notice.value_or(QString()));
    for (QWidget *section : std::as_const(m_deviceSections)) {
        section->setEnabled(!notice);
        section->setToolTip(notice.value_or(QString()));
    }
    if (notice && m_color->dialog()) {
        // Nothing to preview on: the dialog goes with the device, or waits for the firmware update.
        m_color->dialog()->reject();
    }
}

void RGBSettingsView::previewColor(const QColor &color)
{
    if (!m_previewing) {
        // Trying a color is a change of the LED by hand: a running timer stops as for any other.
        m_previewing = true;
        stopTimer();
    }
    m_previewColor = color;
    if (!m_previewWrite.isActive()) {
        m_previewWrite.start();
    }
}

void RGBSettingsView::endPreview()
{
    m_previewWrite.stop();
    m_previewing = false;
}

QWidget *RGBSettingsView::buildEffect()
{
    QGroupBox *box = section(QCoreApplication::translate("RGBSettingsView", "Effect"), this);
    QFormLayout *rows = formRows(box);
    m_ledOn = new QCheckBox(QCoreApplication::translate("RGBSettingsView", "LED On"), box);
    m_ledOn->setObjectName(QStringLiteral("ledOn"));
    m_ledOn->setChecked(true);
    rows->addRow(m_ledOn);
    m_mode = new QComboBox(box);
    m_mode->setObjectName(QStringLiteral("mode"));
    m_mode->setAccessibleName(QCoreApplication::translate("RGBSettingsView", "Mode"));
    LedLabels::fillRgbModes(*m_mode);
    LedLabels::selectRgbMode(*m_mode, Dorvel::RGBMode::solid);
    rows->addRow(QCoreApplication::translate("RGBSettingsView", "Mode"), m_mode);
    return box;
}

QWidget *RGBSettingsView::buildColorAndBrightness()
{
    QGroupBox *box = section(QCoreApplication::translate("RGBSettingsView", "Color & Brightness"), this);
    QFormLayout *rows = formRows(box);
    m_color = new ColorButton(QColor(Qt::red), box);
    m_color->setObjectName(QStringLiteral("color"));
    m_color->setAccessibleName(QCoreApplication::translate("RGBSettingsView", "Color"));
    m_color->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    rows->addRow(QCoreApplication::translate("RGBSettingsView", "Color"), m_color);
    m_brightness = byteSlider(QCoreApplication::translate("RGBSettingsView", "Brightness"), box);
    m_brightness->setObjectName(QStringLiteral("brightness"));
    m_brightness->setValue(initialBrightness);
    rows->addRow(QCoreApplication::translate("RGBSettingsView", "Brightness"), withValue(m_brightness, box));
    return box;
}

QWidget *RGBSettingsView::buildFallback()
{
    QGroupBox *box = section(QCoreApplication::translate("RGBSettingsView", "Fallback"), this);
    QFormLayout *rows = formRows(box);
    m_fallback =
        new QCheckBox(QCoreApplication::translate("RGBSettingsView", "Use as fallback when no rule is active"), box);
    m_fallback->setObjectName(QStringLiteral("fallback"));
    m_fallback->setChecked(m_rulesEngine.fallbackEnabled());
    rows->addRow(m_fallback);
    return box;
}

QWidget *RGBSettingsView::buildWhite()
{
    QGroupBox *box = section(QCoreApplication::translate("RGBSettingsView", "White Channel"), this);
    QFormLayout *rows = formRows(box);
    m_white = byteSlider(QCoreApplication::translate("RGBSettingsView", "White"), box);
    m_white->setObjectName(QStringLiteral("white"));
    rows->addRow(QCoreApplication::translate("RGBSettingsView", "White"), withValue(m_white, box));
    return box;
}

QWidget *RGBSettingsView::buildFlash()
{
    using namespace RGBSettingsPresenter;
    QGroupBox *box = section(QCoreApplication::translate("RGBSettingsView", "Flash"), this);
    m_flashRows = formRows(box);
    m_flashWhenOff = new QCheckBox(QCoreApplication::translate("RGBSettingsView", "Flash when off"), box);
    m_flashWhenOff->setObjectName(QStringLiteral("flashWhenOff"));
    m_flashWhenOff->setChecked(true);
    m_flashRows->addRow(m_flashWhenOff);

    m_flashColor = new ColorButton(QColor(Qt::white), box);
    m_flashColor->setObjectName(QStringLiteral("flashColor"));
    m_flashColor->setAccessibleName(QCoreApplication::translate("RGBSettingsView", "Flash Color"));
    m_flashColor->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_flashRows->addRow(QCoreApplication::translate("RGBSettingsView", "Flash Color"), m_flashColor);

    // In steps of 50 ms: one slider step is one step of the duration.
    const auto milliseconds = [](int steps) {
        return static_cast<double>(steps * flashDurationStepMs);
    };
    m_flashDuration = new UnitSlider({milliseconds,
                                      [](int steps) -> QString {
                                          return QString::number(steps * flashDurationStepMs) +
                                                 QCoreApplication::translate("RGBSettingsView", " ms");
                                      }},
                                     box);
    m_flashDuration->setObjectName(QStringLiteral("flashDuration"));
    m_flashDuration->setAccessibleName(QCoreApplication::translate("RGBSettingsView", "Duration"));
    m_flashDuration->setRange(flashDurationMinimumMs / flashDurationStepMs,
                              flashDurationMaximumMs / flashDurationStepMs);
    m_flashDuration->setSingleStep(1);
    m_flashDuration->setPageStep(4);
    m_flashDuration->setValue(initialFlashDurationMs / flashDurationStepMs);
    m_flashRows->addRow(QCoreApplication::translate("RGBSettingsView", "Duration"), withValue(m_flashDuration, box));

    m_flashStylePicker = new QComboBox(box);
    m_flashStylePicker->setObjectName(QStringLiteral("flashStyle"));
    m_flashStylePicker->setAccessibleName(QCoreApplication::translate("RGBSettingsView", "Style"));
    m_flashRows->addRow(QCoreApplication::translate("RGBSettingsView", "Style"), m_flashStylePicker);

    m_pulses = new Stepper(&pulsesLabel, box);
    m_pulses->setObjectName(QStringLiteral("pulses"));
    m_pulses->setAccessibleName(QCoreApplication::translate("RGBSettingsView", "Pulses"));
    m_pulses->setRange(pulsesMinimum, pulsesMaximum);
    m_pulses->setValue(initialPulses);
    m_pulses->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_flashRows->addRow(m_pulses);
    return box;
}

QWidget *RGBSettingsView::buildSuspend()
{
    QGroupBox *box = section(QCoreApplication::translate("RGBSettingsView", "Suspend Behavior"), this);
    QFormLayout *rows = formRows(box);
    m_suspendMode = new QComboBox(box);
    m_suspendMode->setObjectName(QStringLiteral("suspendMode"));
    m_suspendMode->setAccessibleName(QCoreApplication::translate("RGBSettingsView", "When host sleeps"));
    fillPicker<Dorvel::SuspendMode>(*m_suspendMode, allCases<Dorvel::SuspendMode>(),
                                    &RGBSettingsPresenter::suspendModeLabel);
    selectCase(*m_suspendMode, Dorvel::SuspendMode::keepAnimating);
    rows->addRow(QCoreApplication::translate("RGBSettingsView", "When host sleeps"), m_suspendMode);
    return box;
}

QWidget *RGBSettingsView::buildBreatheSweep()
{
    m_sweepSection = section(QCoreApplication::translate("RGBSettingsView", "Breathe Sweep"), this);
    m_sweepSection->setObjectName(QStringLiteral("breatheSweepSection"));
    QFormLayout *rows = formRows(m_sweepSection);
    m_breatheSweep = new QComboBox(m_sweepSection);
    m_breatheSweep->setObjectName(QStringLiteral("breatheSweep"));
    m_breatheSweep->setAccessibleName(QCoreApplication::translate("RGBSettingsView", "Breathing style"));
    fillPicker<Dorvel::BreatheSweepMode>(*m_breatheSweep, allCases<Dorvel::BreatheSweepMode>(),
                                         &RGBSettingsPresenter::breatheSweepLabel);
    selectCase(*m_breatheSweep, Dorvel::BreatheSweepMode::scaled);
    rows->addRow(QCoreApplication::translate("RGBSettingsView", "Breathing style"), m_breatheSweep);
    return m_sweepSection;
}

void RGBSettingsView::alignLabelColumns()
{
    // One label column for all sections, as wide as the widest label.
    const QList<QFormLayout *> forms = findChildren<QFormLayout *>();
    QList<QWidget *> labels;
    int width = 0;
    for (QFormLayout *form : forms) {
        for (int row = 0; row < form->rowCount(); ++row) {
            if (QLayoutItem *item = form->itemAt(row, QFormLayout::LabelRole); item && item->widget()) {
                labels << item->widget();
                width = std::max(width, item->widget()->sizeHint().width());
            }
        }
    }
    for (QWidget *label : std::as_const(labels)) {
        label->setMinimumWidth(width);
    }
    // And one column for the sliders' values, so the sliders line up.
    const QList<UnitSlider *> sliders = findChildren<UnitSlider *>();
    int valueWidth = 0;
    for (UnitSlider *slider : sliders) {
        valueWidth = std::max(valueWidth, slider->valueLabel()->minimumWidth());
    }
    for (UnitSlider *slider : sliders) {
        slider->valueLabel()->setMinimumWidth(valueWidth);
    }
}

void RGBSettingsView::connectControls()
{
    using namespace RGBSettingsPresenter;
    // Each handler acts on the user's changes only; see m_syncing.
    const auto user = [this](auto handler) {
        return [this, handler](auto &&...args) {
            if (!m_syncing) {
                handler(std::forward<decltype(args)>(args)...);
            }
        };
    };

    connect(m_ledOn, &QCheckBox::toggled, this, user([this](bool on) {
                stopTimer();
                write(Dorvel::ledEnabledReport(on));
                m_refresh->schedule();
            }));
    connect(m_mode, &QComboBox::currentIndexChanged, this, user([this](int) {
                const auto mode = LedLabels::currentRgbMode(*m_mode);
                if (!mode) {
                    return;
                }
                stopTimer();
                write(Dorvel::ledModeReport(*mode));
                captureFallbackIfTracking();
                m_refresh->schedule();
            }));
    connect(m_color, &ColorButton::colorPreviewed, this, &RGBSettingsView::previewColor);
    connect(m_color, &ColorButton::previewCancelled, this, [this] {
        const bool wasPreviewing = m_previewing;
        endPreview();
        if (const auto hsv = hsv255(m_color->color()); wasPreviewing && hsv) {
            write(Dorvel::ledColorReport(hsv->hue, hsv->saturation, hsv->value));
        }
    });
    connect(m_color, &ColorButton::colorChanged, this, user([this](const QColor &color) {
                // The confirmed color replaces any preview still waiting to be written.
                endPreview();
                stopTimer();
                const auto hsv = hsv255(color);
                if (!hsv) {
                    return;
                }
                write(Dorvel::ledColorReport(hsv->hue, hsv->saturation, hsv->value));
                captureFallbackIfTracking();
                m_refresh->schedule();
            }));
    connect(m_brightness, &QSlider::valueChanged, this, user([this](int value) {
                stopTimer();
                write(brightnessReport(value));
                captureFallbackIfTracking();
                m_refresh->schedule();
            }));
    connect(m_fallback, &QCheckBox::toggled, this, user([this](bool on) {
                m_rulesEngine.setFallbackEnabled(on);
                captureFallbackIfTracking();
            }));
    connect(&m_rulesEngine, &StatusRulesEngine::fallbackEnabledChanged, this, [this](bool on) {
        const QScopedValueRollback syncing(m_syncing, true);
        m_fallback->setChecked(on);
    });
    connect(m_white, &QSlider::valueChanged, this, user([this](int value) {
                write(whiteReport(value));
                m_refresh->schedule();
            }));
    connect(m_flashWhenOff, &QCheckBox::toggled, this, user([this](bool on) { write(flashWhenOffReport(on)); }));
    connect(m_flashColor, &ColorButton::colorChanged, this, user([this](const QColor &color) {
                if (const auto hsv = hsv255(color)) {
                    write(flashColorReport(*hsv));
                }
            }));
    connect(m_flashDuration, &QSlider::valueChanged, this,
            user([this](int steps) { write(flashDurationReport(steps * flashDurationStepMs)); }));
    connect(m_flashStylePicker, &QComboBox::currentIndexChanged, this, user([this](int) {
                if (const auto style = pickedCase<Dorvel::FlashStyle>(*m_flashStylePicker)) {
                    m_flashStyle = *style;
                    renderDeviceOptions();
                    sendFlashStyle();
                }
            }));
    connect(m_pulses, &QSpinBox::valueChanged, this, user([this](int) { sendFlashStyle(); }));
    connect(m_suspendMode, &QComboBox::currentIndexChanged, this, user([this](int) {
                if (const auto mode = pickedCase<Dorvel::SuspendMode>(*m_suspendMode)) {
                    write(suspendModeReport(*mode));
                }
            }));
    connect(m_breatheSweep, &QComboBox::currentIndexChanged, this, user([this](int) {
                if (const auto mode = pickedCase<Dorvel::BreatheSweepMode>(*m_breatheSweep)) {
                    write(breatheSweepReport(*mode));
                }
            }));
    connect(&m_hid, &DorvelDeviceManager::lastQueryChanged, this, &RGBSettingsView::onLastQueryChanged);
    connect(&m_hid, &DorvelDeviceManager::isConnectedChanged, this, &RGBSettingsView::renderDeviceLink);
    connect(&m_hid, &DorvelDeviceManager::isLinkExclusiveChanged, this, &RGBSettingsView::renderDeviceLink);
}

void RGBSettingsView::renderDeviceOptions()
{
    using namespace RGBSettingsPresenter;
    const QScopedValueRollback syncing(m_syncing, true);
    const auto &state = m_hid.lastQuery();

    const std::vector<Dorvel::FlashStyle> styles = availableFlashStyles(state);
    if (m_flashStylePicker->count() != static_cast<int>(styles.size())) {
        fillPicker<Dorvel::FlashStyle>(*m_flashStylePicker, styles, &flashStyleLabel);
    }
    // A chosen style the device does not offer stays chosen, with no item selected.
    selectCase(*m_flashStylePicker, m_flashStyle);
    m_flashRows->setRowVisible(m_flashStylePicker, !styles.empty());
    m_flashRows->setRowVisible(m_pulses, !styles.empty() && m_flashStyle == Dorvel::FlashStyle::strobe);

    m_sweepSection->setVisible(showsBreatheSweep(state));
}

void RGBSettingsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_hasAppeared) {
        return;
    }
    m_hasAppeared = true;
    const auto &state = m_hid.lastQuery();
    if (state && state->breatheSweepMode) {
        setBreatheSweep(*state->breatheSweepMode);
    }
    syncFromDeviceQuery();
}

void RGBSettingsView::onLastQueryChanged()
{
    const auto &state = m_hid.lastQuery();
    const std::optional<std::uint8_t> hue = state ? std::optional(state->hue) : std::nullopt;
    const std::optional<Dorvel::BreatheSweepMode> sweep = state ? state->breatheSweepMode : std::nullopt;
    renderDeviceOptions();
    if (sweep != m_seenSweep) {
        m_seenSweep = sweep;
        if (sweep) {
            setBreatheSweep(*sweep);
        }
    }
    if (hue != m_seenHue) {
        m_seenHue = hue;
        syncFromDeviceQuery();
    }
}

void RGBSettingsView::syncFromDeviceQuery()
{
    const RGBSettingsPresenter::LedSync sync =
        RGBSettingsPresenter::syncFromDevice(m_hid.lastQuery(), m_rulesEngine.fallbackState());
    const QScopedValueRollback syncing(m_syncing, true);
    if (sync.ledOn) {
        m_ledOn->setChecked(*sync.ledOn);
    }
    if (sync.mode) {
        LedLabels::selectRgbMode(*m_mode, *sync.mode);
    }
    if (sync.color) {
        m_color->setColor(colorFromHsv255(*sync.color));
    }
    if (sync.brightness) {
        m_brightness->setValue(static_cast<int>(*sync.brightness));
    }
    if (sync.white) {
        m_white->setValue(static_cast<int>(*sync.white));
    }
}

void RGBSettingsView::setBreatheSweep(Dorvel::BreatheSweepMode mode)
{
    const QScopedValueRollback syncing(m_syncing, true);
    selectCase(*m_breatheSweep, mode);
}

void RGBSettingsView::stopTimer()
{
    m_timers.cancelIfRunning();
}

void RGBSettingsView::write(const Bytes &report)
{
    // Nothing the window does reaches the device while a firmware update holds the link: the
    // controls are greyed, and the color put back as the update closes the dialog stays unwritten.
    if (m_hid.isLinkExclusive()) {
        return;
    }
    if (HidConnection *device = m_hid.device()) {
        device->writeReport(report);
    }
}

void RGBSettingsView::captureFallbackIfTracking()
{
    const auto hsv = hsv255(m_color->color());
    const auto mode = LedLabels::currentRgbMode(*m_mode);
    if (!hsv || !mode || !m_rulesEngine.fallbackEnabled()) {
        return;
    }
    m_rulesEngine.setFallbackState(RGBSettingsPresenter::fallbackState(*hsv, m_brightness->value(), *mode));
}

void RGBSettingsView::sendFlashStyle()
{
    write(RGBSettingsPresenter::flashStyleReport(m_flashStyle, m_pulses->value()));
}
