#include "rules/ui/StatusRuleRowWidget.h"

#include "device/ui/Hsv255.h"
#include "rules/ui/LedEffectPicker.h"
#include "ui/ColorButton.h"
#include "ui/TextStyles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int effectMenuWidth = 160;
constexpr int finishEffectMenuWidth = 150;
constexpr int finishStepperWidth = 70;
constexpr int finishIndent = 28;
constexpr int colorButtonWidth = 40;

// Wide characters an effect picker has room for: its designed width at the usual text size.
constexpr int effectMenuCharacters = 12;

// The designed width, grown with the text size (a desktop's large-text setting) so the common
// effect names still fit; the rare longest ones may be cut, as they are at the designed width.
void fitEffectPicker(QComboBox &picker, int designedWidth)
{
    picker.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    picker.setMinimumContentsLength(effectMenuCharacters);
    picker.setFixedWidth(std::max(designedWidth, picker.sizeHint().width()));
}

} // namespace

StatusRuleRowWidget::StatusRuleRowWidget(bool offersFinishStep, QWidget *parent) : QWidget(parent)
{
    auto *lines = new QVBoxLayout(this);
    lines->setContentsMargins(0, 3, 4, 3);
    lines->setSpacing(4);

    auto *ruleLine = new QHBoxLayout;
    ruleLine->setSpacing(6);
    m_enabled = new QCheckBox(this);
    ruleLine->addWidget(m_enabled);
    m_name = new QLabel(this);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setMinimumWidth(40);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ruleLine->addWidget(m_name, 1);
    m_effect = new QComboBox(this);
    LedEffectPicker::fill(*m_effect);
    fitEffectPicker(*m_effect, effectMenuWidth);
    ruleLine->addWidget(m_effect);
    m_color = new ColorButton(this);
    m_color->setFixedWidth(colorButtonWidth);
    ruleLine->addWidget(m_color);
    lines->addLayout(ruleLine);

    connect(m_enabled, &QCheckBox::clicked, this, &StatusRuleRowWidget::enabledRequested);
    connect(m_effect, &QComboBox::activated, this, [this] {
        if (const auto effect = LedEffectPicker::current(*m_effect)) {
            Q_EMIT effectRequested(*effect);
        }
    });
    connect(m_color, &ColorButton::colorPicked, this, &StatusRuleRowWidget::colorRequested);

    if (!offersFinishStep) {
        return;
    }
    auto *finishLine = new QHBoxLayout;
    finishLine->setContentsMargins(finishIndent, 0, 0, 0);
    finishLine->setSpacing(4);
    m_finishEnabled = new QCheckBox(QCoreApplication::translate("StatusRuleRowWidget", "Finish effect"), this);
    QFont caption = m_finishEnabled->font();
    caption.setPointSizeF(caption.pointSizeF() * TextStyles::captionScale);
    m_finishEnabled->setFont(caption);
    m_finishEnabled->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    finishLine->addWidget(m_finishEnabled);
    finishLine->addStretch(1);
    m_finishEffect = new QComboBox(this);
    LedEffectPicker::fill(*m_finishEffect);
    fitEffectPicker(*m_finishEffect, finishEffectMenuWidth);
    finishLine->addWidget(m_finishEffect);
    m_finishColor = new ColorButton(this);
    m_finishColor->setFixedWidth(colorButtonWidth);
    finishLine->addWidget(m_finishColor);
    m_finishSeconds = new QSpinBox(this);
    m_finishSeconds->setRange(StatusRulesPresenter::finishSecondsMinimum, StatusRulesPresenter::finishSecondsMaximum);
    m_finishSeconds->setSuffix(QCoreApplication::translate("StatusRuleRowWidget", "s"));
    m_finishSeconds->setFixedWidth(std::max(finishStepperWidth, m_finishSeconds->sizeHint().width()));
    // Typed numbers are written once, when confirmed; the arrows write every step.
    m_finishSeconds->setKeyboardTracking(false);
    finishLine->addWidget(m_finishSeconds);
    lines->addLayout(finishLine);
    // The list sizes each row once; hidden finish controls keep their room so the row's height
    // stays the same when they appear.
    for (QWidget *control : std::initializer_list<QWidget *>{m_finishEffect, m_finishColor, m_finishSeconds}) {
        QSizePolicy policy = control->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        control->setSizePolicy(policy);
    }

    connect(m_finishEnabled, &QCheckBox::clicked, this, &StatusRuleRowWidget::finishEnabledRequested);
    connect(m_finishEffect, &QComboBox::activated, this, [this] {
        if (const auto effect = LedEffectPicker::current(*m_finishEffect)) {
            Q_EMIT finishEffectRequested(*effect);
        }
    });
    connect(m_finishColor, &ColorButton::colorPicked, this, &StatusRuleRowWidget::finishColorRequested);
    connect(m_finishSeconds, &QSpinBox::valueChanged, this, &StatusRuleRowWidget::finishSecondsRequested);
}

void StatusRuleRowWidget::render(const StatusRulesPresenter::RuleRow &row)
{
    namespace P = StatusRulesPresenter;
    m_name->setText(row.name);
    m_name->setToolTip(row.name);
    {
        const QSignalBlocker blockEnabled(m_enabled);
        const QSignalBlocker blockColor(m_color);
        m_enabled->setChecked(row.isEnabled);
        LedEffectPicker::select(*m_effect, row.effect);
        m_color->setColor(colorFromHsv255(row.color));
    }
    m_enabled->setAccessibleName(P::enabledAccessibleName(row.name));
    m_effect->setAccessibleName(P::effectAccessibleName(row.name));
    // Readers on Linux call a combo box by its current choice, so what it chooses is its description.
    m_effect->setAccessibleDescription(P::effectAccessibleName(row.name));
    m_color->setAccessibleName(P::colorAccessibleName(row.name));

    if (!m_finishEnabled) {
        return;
    }
    {
        const QSignalBlocker blockEnabled(m_finishEnabled);
        const QSignalBlocker blockColor(m_finishColor);
        const QSignalBlocker blockSeconds(m_finishSeconds);
        m_finishEnabled->setChecked(row.finishEnabled);
        LedEffectPicker::select(*m_finishEffect, row.finishEffect);
        m_finishColor->setColor(colorFromHsv255(row.finishColor));
        m_finishSeconds->setValue(row.finishSeconds);
    }
    m_finishEnabled->setAccessibleName(P::finishSwitchAccessibleName(row.name));
    m_finishEffect->setAccessibleName(P::finishEffectAccessibleName(row.name));
    m_finishEffect->setAccessibleDescription(P::finishEffectAccessibleName(row.name));
    m_finishColor->setAccessibleName(P::finishColorAccessibleName(row.name));
    m_finishSeconds->setAccessibleName(P::finishDurationAccessibleName(row.name));
    m_finishEffect->setVisible(row.showsFinishControls);
    m_finishColor->setVisible(row.showsFinishControls);
    m_finishSeconds->setVisible(row.showsFinishControls);
}

QList<QWidget *> StatusRuleRowWidget::focusChain() const
{
    QList<QWidget *> chain{m_enabled, m_effect, m_color};
    if (m_finishEnabled) {
        chain << m_finishEnabled << m_finishEffect << m_finishColor << m_finishSeconds;
    }
    return chain;
}
