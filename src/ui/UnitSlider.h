#pragma once

#include <QSlider>

#include <functional>

class QLabel;

// A slider whose value means something in a unit (a brightness in percent, a duration in
// milliseconds): assistive technologies get that value and its text ("50%", "800 ms") instead of
// the raw position, and valueLabel() shows the same text on screen beside it.
class UnitSlider : public QSlider {
    Q_OBJECT
public:
    struct Unit {
        std::function<double(int)> value; // the position in the unit
        std::function<QString(int)> text; // the position as read out and shown
    };

    UnitSlider(Unit unit, QWidget *parent = nullptr);

    double unitValue(int position) const { return m_unit.value(position); }
    QString valueText() const { return m_unit.text(value()); }

    // A label that follows valueText(); made on first call, a child of the slider's parent.
    QLabel *valueLabel();

    // Percent of 0..255, shown rounded: "50%".
    static Unit bytePercent();

private:
    Unit m_unit;
    QLabel *m_label = nullptr;
};
