#include "ui/Stepper.h"

#include <QLineEdit>

Stepper::Stepper(Format format, QWidget *parent) : QSpinBox(parent), m_format(std::move(format))
{
    lineEdit()->setReadOnly(true);
    setFocusPolicy(Qt::StrongFocus);
}

QString Stepper::textFromValue(int value) const
{
    return m_format(value);
}

int Stepper::valueFromText(const QString &) const
{
    return value();
}

QValidator::State Stepper::validate(QString &, int &) const
{
    return QValidator::Acceptable;
}
