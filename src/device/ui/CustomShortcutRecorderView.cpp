#include "device/ui/CustomShortcutRecorderView.h"

#include "device/DorvelDeviceManager.h"
#include "device/KeyRecorder.h"
#include "device/ui/CustomShortcutPresenter.h"
#include "ui/Stepper.h"
#include "ui/TextStyles.h"
#include "ui/UnitSlider.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int recorderWindowWidth = 360;
constexpr int recorderWindowHeight = 320;
constexpr int recorderMargin = 20;
constexpr int recorderRowSpacing = 12;

} // namespace

CustomShortcutRecorderView::CustomShortcutRecorderView(DorvelDeviceManager &hid, KeyEventMonitor &keyEvents,
                                                       QWidget *parent)
    : CustomShortcutRecorderView(hid, keyEvents, DebouncedStateRefresh::Timings{}, parent)
{}

CustomShortcutRecorderView::CustomShortcutRecorderView(DorvelDeviceManager &hid, KeyEventMonitor &keyEvents,
                                                       DebouncedStateRefresh::Timings refreshTimings, QWidget *parent)
    : QWidget(parent), m_hid(hid), m_recorder(new KeyRecorder(keyEvents, this)),
      m_refresh(new DebouncedStateRefresh(hid, refreshTimings, this))
{
    using namespace CustomShortcutPresenter;
    setWindowTitle(QCoreApplication::translate("CustomShortcutRecorderView", "Custom Shortcut"));
    // The designed size to start with; the layout's minimum keeps larger text from clipping.
    resize(recorderWindowWidth, recorderWindowHeight);

    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(recorderMargin, recorderMargin, recorderMargin, recorderMargin);
    rows->setSpacing(recorderRowSpacing);

    m_title = new QLabel(this);
    QFont headline = m_title->font();
    headline.setBold(true);
    m_title->setFont(headline);
    rows->addWidget(m_title);

    m_deviceNotice = new QLabel(this);
    m_deviceNotice->setObjectName(QStringLiteral("deviceNotice"));
    m_deviceNotice->setWordWrap(true);
    rows->addWidget(m_deviceNotice);

    // Its name is its visible text (the combination, or what to do), set on each render.
    m_recordButton = new QPushButton(this);
    m_recordButton->setAccessibleDescription(
        QCoreApplication::translate("CustomShortcutRecorderView", "Key combination to bind"));
    m_recordButton->setMinimumHeight(m_recordButton->sizeHint().height() + 8);
    rows->addWidget(m_recordButton);

    m_repeat = new Stepper(&repeatLabel, this);
    m_repeat->setRange(minimumRepeatCount, maximumRepeatCount);
    m_repeat->setValue(minimumRepeatCount);
    m_repeat->setAccessibleName(QCoreApplication::translate("CustomShortcutRecorderView", "Repeat"));
    rows->addWidget(m_repeat, 0, Qt::AlignLeft);

    auto *gapRows = new QVBoxLayout;
    gapRows->setSpacing(4);
    m_gapCaption = new QLabel(this);
    m_gapCaption->setFont(TextStyles::scaled(m_gapCaption->font(), TextStyles::captionScale));
    gapRows->addWidget(m_gapCaption);
    // Read out in milliseconds, as the caption above it shows the gap.
    const auto gapMs = [](int index) {
        return static_cast<double>(gapTableMs[static_cast<std::size_t>(std::clamp(index, 0, 6))]);
    };
    m_gap = new UnitSlider({gapMs,
                            [gapMs](int index) -> QString {
                                return QString::number(static_cast<int>(gapMs(index))) +
                                       QCoreApplication::translate("CustomShortcutRecorderView", " ms");
                            }},
                           this);
    m_gap->setRange(0, static_cast<int>(gapTableMs.size()) - 1);
    m_gap->setSingleStep(1);
    m_gap->setPageStep(1);
    m_gap->setTickPosition(QSlider::TicksBelow);
    m_gap->setTickInterval(1);
    m_gap->setAccessibleName(QCoreApplication::translate("CustomShortcutRecorderView", "Repeat gap"));
    gapRows->addWidget(m_gap);
    rows->addLayout(gapRows);

    m_apply = new QPushButton(QCoreApplication::translate("CustomShortcutRecorderView", "Apply"), this);
    rows->addWidget(m_apply, 0, Qt::AlignLeft);

    m_currentlyBound = new QLabel(this);
    m_currentlyBound->setFont(TextStyles::scaled(m_currentlyBound->font(), TextStyles::captionScale));
    m_currentlyBound->setForegroundRole(QPalette::PlaceholderText);
    m_currentlyBound->setTextFormat(Qt::PlainText);
    rows->addWidget(m_currentlyBound);
    rows->addStretch(1);

    setTabOrder(m_recordButton, m_repeat);
    setTabOrder(m_repeat, m_gap);
    setTabOrder(m_gap, m_apply);

    connect(m_recordButton, &QPushButton::clicked, this, [this] {
        if (m_recorder->isRecording()) {
            m_recorder->stopRecording();
        } else {
            m_recorder->startRecording();
        }
    });
    connect(m_apply, &QPushButton::clicked, this, &CustomShortcutRecorderView::apply);
    connect(m_repeat, &QSpinBox::valueChanged, this, &CustomShortcutRecorderView::render);
    connect(m_gap, &QSlider::valueChanged, this, &CustomShortcutRecorderView::render);
    connect(m_recorder, &KeyRecorder::isRecordingChanged, this, &CustomShortcutRecorderView::render);
    connect(m_recorder, &KeyRecorder::capturedChanged, this, &CustomShortcutRecorderView::render);
    connect(&m_hid, &DorvelDeviceManager::isConnectedChanged, this, &CustomShortcutRecorderView::render);
    connect(&m_hid, &DorvelDeviceManager::lastQueryChanged, this, &CustomShortcutRecorderView::render);
    connect(&m_hid, &DorvelDeviceManager::isLinkExclusiveChanged, this, &CustomShortcutRecorderView::render);
    render();
}

CustomShortcutRecorderView::~CustomShortcutRecorderView() = default;

void CustomShortcutRecorderView::render()
{
    const CustomShortcutPresenter::View view = CustomShortcutPresenter::customShortcutView({
        .isRecording = m_recorder->isRecording(),
        .capturedMods = m_recorder->capturedMods(),
        .capturedKeycode = m_recorder->capturedKeycode(),
        .repeatCount = m_repeat->value(),
        .gapIndex = m_gap->value(),
        .isConnected = m_hid.isConnected(),
        .isLinkHeld = m_hid.isLinkExclusive(),
        .lastQuery = m_hid.lastQuery(),
    });
    m_title->setText(view.title);
    m_deviceNotice->setVisible(view.deviceNotice.has_value());
    m_deviceNotice->setText(view.deviceNotice.value_or(QString()));
    if (!view.controlsEnabled && m_recorder->isRecording()) {
        // The device went away: no key goes on being taken from the desktop for it.
        m_recorder->stopRecording();
        return; // rendered again by the recorder's change
    }
    m_recordButton->setText(view.recorderLabel);
    m_recordButton->setAccessibleName(view.recorderLabel);
    for (QWidget *control :
         {static_cast<QWidget *>(m_recordButton), static_cast<QWidget *>(m_repeat), static_cast<QWidget *>(m_gap)}) {
        control->setEnabled(view.controlsEnabled);
    }
    m_gapCaption->setText(view.gapCaption);
    m_gap->setAccessibleDescription(view.gapCaption);
    m_apply->setEnabled(view.applyEnabled);
    m_apply->setToolTip(view.applyToolTip);
    m_currentlyBound->setVisible(view.currentlyBound.has_value());
    m_currentlyBound->setText(view.currentlyBound.value_or(QString()));
}

void CustomShortcutRecorderView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_hasAppeared) {
        m_hasAppeared = true;
        m_gap->setValue(CustomShortcutPresenter::initialGapIndex(m_hid.lastQuery()));
    }
}

void CustomShortcutRecorderView::hideEvent(QHideEvent *event)
{
    // No key monitor outlives the window on screen.
    m_recorder->stopRecording();
    QWidget::hideEvent(event);
}

void CustomShortcutRecorderView::apply()
{
    const auto mods = m_recorder->capturedMods();
    const auto keycode = m_recorder->capturedKeycode();
    if (!mods || !keycode) {
        return;
    }
    if (HidConnection *device = m_hid.device()) {
        device->writeReport(
            CustomShortcutPresenter::bindCustomReport(*mods, *keycode, m_repeat->value(), m_gap->value()));
    }
    // The command is not acknowledged: the refreshed state is what shows the new binding.
    m_refresh->refreshNow();
}
