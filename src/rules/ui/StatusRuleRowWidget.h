#pragma once

#include "rules/LEDEffect.h"
#include "rules/StatusRulesPresenter.h"

#include <QColor>
#include <QWidget>

class ColorButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// One entry of the status rules list: the rule's switch, name, effect menu and colour button and,
// for a rule that offers one, the finish-step line below (its switch and, while that is on, the
// finish effect, colour and duration). Renders StatusRulesPresenter::RuleRow and reports the
// user's changes only; rendering emits nothing.
class StatusRuleRowWidget : public QWidget {
    Q_OBJECT
public:
    // The row shape (one line or two) is fixed by whether the rule offers a finish step.
    StatusRuleRowWidget(bool offersFinishStep, QWidget *parent = nullptr);

    void render(const StatusRulesPresenter::RuleRow &row);

    // The controls in focus order.
    QList<QWidget *> focusChain() const;

Q_SIGNALS:
    void enabledRequested(bool enabled);
    void effectRequested(LEDEffect effect);
    void colorRequested(const QColor &color);
    void finishEnabledRequested(bool enabled);
    void finishEffectRequested(LEDEffect effect);
    void finishColorRequested(const QColor &color);
    void finishSecondsRequested(int seconds);

private:
    QCheckBox *m_enabled = nullptr;
    QLabel *m_name = nullptr;
    QComboBox *m_effect = nullptr;
    ColorButton *m_color = nullptr;
    QCheckBox *m_finishEnabled = nullptr;
    QComboBox *m_finishEffect = nullptr;
    ColorButton *m_finishColor = nullptr;
    QSpinBox *m_finishSeconds = nullptr;
};
