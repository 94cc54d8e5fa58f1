#include "update/ui/UninstallConfirmation.h"

#include <QCoreApplication>

namespace UninstallConfirmation {

Alert alert(const Uninstaller::Plan &plan)
{
    using Kind = AppBundle::Installation::Kind;
    // Whole sentences per case, so that each reads naturally in every language.
    QString removes;
    switch (plan.installation.kind) {
    case Kind::ownBundle:
        removes = QCoreApplication::translate(
            "UninstallConfirmation",
            "This deletes the app and its settings and support folder (with any calendars linked there).");
        break;
    case Kind::packageManaged:
        removes = QCoreApplication::translate(
                      "UninstallConfirmation",
                      "This deletes Kestrix's settings and support folder (with any calendars linked there). The "
                      "app itself belongs to the package \"%1\": remove that with your package manager (for "
                      "example: sudo apt remove %1).")
                      .arg(plan.installation.packageName);
        break;
    case Kind::notABundle:
    case Kind::notWritable:
        removes = QCoreApplication::translate(
                      "UninstallConfirmation",
                      "This deletes Kestrix's settings and support folder (with any calendars linked there). The "
                      "app's own files in %1 stay; delete them yourself.")
                      .arg(plan.bundlePath);
        break;
    }
    Alert out;
    out.message = QCoreApplication::translate("UninstallConfirmation", "Uninstall Kestrix?");
    out.informativeText = removes + QLatin1Char(' ') +
                          QCoreApplication::translate("UninstallConfirmation",
                                                      "Your Dorvel device and its saved settings are not affected -- "
                                                      "this only removes Kestrix from this computer.");
    out.buttons = {QCoreApplication::translate("UninstallConfirmation", "Cancel"),
                   QCoreApplication::translate("UninstallConfirmation", "Uninstall")};
    out.destructiveButton = 1;
    out.confirmingButton = 1;
    return out;
}

bool ask(const Uninstaller::Plan &plan, QWidget *parent)
{
    return confirm(alert(plan), parent);
}

} // namespace UninstallConfirmation
