#pragma once

#include "update/Uninstaller.h"

#include <QString>
#include <QStringList>

class QWidget;

// The confirmation the menu shows before uninstalling: a warning with "Cancel" and "Uninstall"
// (destructive), in that order, whose text says what this copy's uninstallation really removes.
namespace UninstallConfirmation {

struct Alert {
    QString message;
    QString informativeText;
    QStringList buttons;        // in the order they are added
    int destructiveButton = -1; // index into buttons
    int confirmingButton = -1;  // the only answer that uninstalls

    friend bool operator==(const Alert &, const Alert &) = default;
};

Alert alert(const Uninstaller::Plan &plan);

// Shows the alert and waits for the answer; true only for "Uninstall".
bool ask(const Uninstaller::Plan &plan, QWidget *parent = nullptr);

} // namespace UninstallConfirmation
