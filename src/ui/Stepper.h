#pragma once

#include <QSpinBox>

#include <functional>

// A stepper whose whole text is a label made from its value ("Repeat: 3"): the value changes by
// the arrows, the Up/Down and Page keys and the wheel, never by typing. Keyboard focus, the
// accessible value and valueChanged are those of QSpinBox.
class Stepper : public QSpinBox {
    Q_OBJECT
public:
    using Format = std::function<QString(int)>;

    explicit Stepper(Format format, QWidget *parent = nullptr);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &input, int &pos) const override;

private:
    Format m_format;
};
