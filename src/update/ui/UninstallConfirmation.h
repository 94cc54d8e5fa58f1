#pragma once

#include "ui/Alert.h"
#include "update/Uninstaller.h"

#include <QString>
#include <QStringList>

class QWidget;

// The confirmation the menu shows before uninstalling: a warning with "Cancel" and "Uninstall"
// (destructive), in that order, whose text says what this copy's uninstallation really removes.
namespace UninstallConfirmation {

using Alert = ::Alert;

Alert alert(const Uninstaller::Plan &plan);

// Shows the alert and waits for the answer; true only for "Uninstall".
bool ask(const Uninstaller::Plan &plan, QWidget *parent = nullptr);

} // namespace UninstallConfirmation
