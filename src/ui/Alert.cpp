#include "ui/Alert.h"

#include <QMessageBox>
#include <QPushButton>

bool confirm(const Alert &alert, QWidget *parent)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestrix"), alert.message, QMessageBox::NoButton, parent);
    box.setInformativeText(alert.informativeText);
    QList<QAbstractButton *> buttons;
    for (int i = 0; i < alert.buttons.size(); ++i) {
        const auto role = i == alert.destructiveButton ? QMessageBox::DestructiveRole : QMessageBox::RejectRole;
        buttons.append(box.addButton(alert.buttons[i], role));
    }
    box.setDefaultButton(qobject_cast<QPushButton *>(buttons.value(0)));
    box.exec();
    return box.clickedButton() != nullptr && box.clickedButton() == buttons.value(alert.confirmingButton);
}
