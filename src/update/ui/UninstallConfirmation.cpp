#include "update/ui/UninstallConfirmation.h"

namespace UninstallConfirmation {

Alert alert(const Uninstaller::Plan &plan)
{
    using Kind = AppBundle::Installation::Kind;
    const QString data = QStringLiteral("settings and support folder (with any calendars linked there)");
    QString removes;
    switch (plan.installation.kind) {
    case Kind::ownBundle:
        removes = QStringLiteral("This deletes the app and its ") + data + QLatin1Char('.');
        break;
    case Kind::packageManaged:
        removes = QStringLiteral("This deletes Kestrix's ") + data +
                  QStringLiteral(". The app itself belongs to the package \"%1\": remove that with your package "
                                 "manager (for example: sudo apt remove %1).")
                      .arg(plan.installation.packageName);
        break;
    case Kind::notABundle:
    case Kind::notWritable:
        removes = QStringLiteral("This deletes Kestrix's ") + data +
                  QStringLiteral(". The app's own files in %1 stay; delete them yourself.").arg(plan.bundlePath);
        break;
    }
    Alert out;
    out.message = QStringLiteral("Uninstall Kestrix?");
    out.informativeText = removes + QStringLiteral(" Your Dorvel device and its saved settings are not affected -- "
                                                   "this only removes Kestrix from this computer.");
    out.buttons = {QStringLiteral("Cancel"), QStringLiteral("Uninstall")};
    out.destructiveButton = 1;
    out.confirmingButton = 1;
    return out;
}

bool ask(const Uninstaller::Plan &plan, QWidget *parent)
{
    return confirm(alert(plan), parent);
}

} // namespace UninstallConfirmation
