#include "ui/UnitSlider.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace {

// What a screen reader asks a slider for, in the slider's unit.
class UnitSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit UnitSliderAccessible(UnitSlider *slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) {
            return slider()->valueText();
        }
        // Readers on Linux get a value only as a number: a slider without a description of its own
        // describes itself by its value with the unit ("50%"), so the unit is read out too.
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Description && text.isEmpty()) {
            return slider()->valueText();
        }
        return text;
    }

    QVariant currentValue() const override { return slider()->unitValue(slider()->value()); }
    QVariant maximumValue() const override { return slider()->unitValue(slider()->maximum()); }
    QVariant minimumValue() const override { return slider()->unitValue(slider()->minimum()); }
    QVariant minimumStepSize() const override
    {
        return std::abs(slider()->unitValue(slider()->minimum() + slider()->singleStep()) -
                        slider()->unitValue(slider()->minimum()));
    }
    void setCurrentValue(const QVariant &value) override
    {
        // The nearest position to the value asked for.
        const double wanted = value.toDouble();
        int best = slider()->minimum();
        for (int position = slider()->minimum(); position <= slider()->maximum(); ++position) {
            if (std::abs(slider()->unitValue(position) - wanted) < std::abs(slider()->unitValue(best) - wanted)) {
                best = position;
            }
        }
        slider()->setValue(best);
    }

private:
    UnitSlider *slider() const { return static_cast<UnitSlider *>(widget()); }
};

QAccessibleInterface *unitSliderFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("UnitSlider") && object && object->isWidgetType()) {
        return new UnitSliderAccessible(static_cast<UnitSlider *>(object));
    }
    return nullptr;
}

} // namespace

UnitSlider::UnitSlider(Unit unit, QWidget *parent) : QSlider(Qt::Horizontal, parent), m_unit(std::move(unit))
{
    static const bool installed = [] {
        QAccessible::installFactory(unitSliderFactory);
        return true;
    }();
    Q_UNUSED(installed);
    connect(this, &QSlider::valueChanged, this, [this](int position) {
        if (m_label) {
            m_label->setText(m_unit.text(position));
        }
        // Screen readers hear the new value in the unit.
        QAccessibleValueChangeEvent event(this, m_unit.value(position));
        QAccessible::updateAccessibility(&event);
        if (accessibleDescription().isEmpty()) {
            QAccessibleEvent described(this, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&described);
        }
    });
}

QLabel *UnitSlider::valueLabel()
{
    if (!m_label) {
        m_label = new QLabel(m_unit.text(value()), parentWidget());
        m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // As wide as the widest text, so the slider does not move while the value changes.
        int widest = 0;
        for (int position : {minimum(), maximum()}) {
            widest = std::max(widest, m_label->fontMetrics().horizontalAdvance(m_unit.text(position)));
        }
        m_label->setMinimumWidth(widest);
    }
    return m_label;
}

UnitSlider::Unit UnitSlider::bytePercent()
{
    const auto percent = [](int position) {
        return position * 100.0 / 255.0;
    };
    return {percent, [percent](int position) -> QString {
                //: a percentage, as the language writes it ("50 %" in German)
                return QCoreApplication::translate("UnitSlider", "%1%").arg(qRound(percent(position)));
            }};
}
