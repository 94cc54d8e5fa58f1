#include "app/ui/LegalAgreementPresenter.h"

#include "app/LegalAgreementGate.h"

#include <QCoreApplication>

namespace LegalAgreementPresenter {

QString makerName()
{
    return QStringLiteral("Tamsel Labs");
}

QString supportEmail()
{
    return QStringLiteral("support@tamsel.example");
}

QString summaryBody(const QStringList &points)
{
    QStringList lines;
    for (const QString &point : points) {
        lines.append(QStringLiteral("\u2022 ") + point);
    }
    return lines.join(QLatin1Char('\n'));
}

Terms terms()
{
    // Built on each call, in the language installed at that moment.
    return [] {
        Terms t;
        t.title = QCoreApplication::translate("LegalAgreementPresenter", "Kestrix Terms of Use");
        t.summaryTitle = QCoreApplication::translate("LegalAgreementPresenter", "Summary");
        t.summary = {
            QCoreApplication::translate(
                "LegalAgreementPresenter",
                "Kestrix sets up your Dorvel device and drives its status light. It runs on your "
                "computer and needs no account."),
            QCoreApplication::translate(
                "LegalAgreementPresenter",
                "It looks at your microphone, camera, VPN and calendar only to choose the light's "
                "colour. It never records audio or video, never reads what your meetings are about, "
                "and sends none of this anywhere."),
            QCoreApplication::translate("LegalAgreementPresenter",
                                        "It goes online only to check for and download updates of the app and of the "
                                        "device's firmware."),
            QCoreApplication::translate("LegalAgreementPresenter", "Your settings stay on your computer."),
            QCoreApplication::translate("LegalAgreementPresenter",
                                        "The app and the device come as they are; our liability is limited as set out "
                                        "below."),
            QCoreApplication::translate("LegalAgreementPresenter",
                                        "If you do not agree, choose Decline and the app quits."),
        };
        t.sections = {
            {QCoreApplication::translate("LegalAgreementPresenter", "1. Agreement"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "These terms are an agreement between you and %1 about the Kestrix application "
                 "(\"the app\"). By choosing Accept you confirm that you have read them and agree to "
                 "them. If you use the app for an organisation, you accept them on its behalf and "
                 "confirm that you may do so.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "2. What the App Does"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The app is a companion to the Dorvel, a one-button USB device with a coloured "
                 "light. It binds the button to an action or a key combination, sets the light's own "
                 "behaviour, turns the light into a status light that follows signals of your "
                 "computer, runs countdown and pomodoro timers on it, and updates the device's "
                 "firmware and the app itself.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "3. Licence"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "%1 grants you a personal, non-exclusive, non-transferable and revocable licence to "
                 "install and use the app on computers you own or control, for use with Dorvel "
                 "devices. All rights not expressly granted remain with %1.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "4. Restrictions"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "You may not sell, rent or sublicense the app, remove its notices, or use it to harm "
                 "others or to break the law. Where the law allows you to study or adapt the app "
                 "regardless of these terms, that right is not affected.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "5. What the App Reads on Your Computer"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "To decide the light's colour the app reads whether your microphone is muted or in "
                 "use, whether a camera is in use, whether a VPN connection is up, the start and end "
                 "times of your calendar events and your response to them, and the names and values "
                 "that your own scripts report to it. It reads these only while it runs and keeps "
                 "only their latest state in memory.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "6. What the App Does Not Collect"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The app does not record, store or transmit audio, video, calendar content, "
                 "keystrokes or files. It contains no analytics, advertising or tracking, and it does "
                 "not create an account or a profile of you. Key combinations you record are sent "
                 "only to your device.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "7. Settings Stored Locally"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "Your status rules, light settings and the version of these terms you accepted are "
                 "kept in a settings file in your user folder. The device keeps its own button "
                 "binding and light settings. Deleting the settings file resets the app; it does not "
                 "reset the device.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "8. Network Connections"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The app contacts the update server of %1 to check for new versions of the app and "
                 "of the device's firmware and to download them. These requests carry no personal "
                 "data beyond what every connection reveals, such as your network address, which the "
                 "server keeps only as long as needed to run and protect the service. The app "
                 "makes no other connections of its own.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "9. The Device"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The device acts on the binding and light settings stored in it, also when the app is "
                 "not running. A key combination bound to the button is typed by the device as a "
                 "keyboard into whatever has focus; you are responsible for the combinations you "
                 "choose and where you press them.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "10. Firmware Updates"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "Firmware updates are offered for supported models and installed only when you start "
                 "them. Keep the device plugged in until the update has finished. An interrupted "
                 "update may leave the device unusable until it is updated again; %1 provides the "
                 "means to recover it where the hardware allows.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "11. App Updates"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The app checks for new versions and installs one only after you confirm, and only "
                 "when the new version carries the signature of %1. Updates may change, add or "
                 "remove features; these terms apply to every version unless new terms are "
                 "presented to you.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "12. Scripts and Local Signals"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The app listens for signals from programs you run through a local socket that only "
                 "your user account can reach. It does not run those programs and is not responsible "
                 "for what they do.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "13. Permissions"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "Some features need access that your operating system controls, such as the "
                 "microphone status, cameras, calendars or the USB device itself. You can refuse or "
                 "withdraw that access at any time; the features that depend on it then stop "
                 "working.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "14. Third-Party Software"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The app includes open-source components that are licensed to you under their own "
                 "licences, which prevail over these terms for those components. Their notices are "
                 "shipped with the app.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "15. Intellectual Property"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The app, its name, its icons and its documentation belong to %1 or its licensors. "
                 "These terms give you no right to use the names or marks of %1.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "16. Not a Safety Device"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The status light is a convenience. Do not rely on it to tell whether your "
                 "microphone or camera is live, or to warn you of anything where a wrong or missing "
                 "light could cause harm; check your computer's own indicators.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "17. No Warranty"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "The app is provided \"as is\" and \"as available\", without warranties of any kind, "
                 "express or implied, including fitness for a particular purpose and "
                 "non-infringement, to the extent the law allows. The warranty of the device itself is "
                 "the one stated with it at purchase.")},
            {QCoreApplication::translate("LegalAgreementPresenter", "18. Limitation of Liability"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "To the extent the law allows, %1 is not liable for indirect, incidental or "
                 "consequential damages, or for lost data, profits or time, arising from the use of "
                 "the app. Nothing in these terms limits liability that cannot be limited by law, "
                 "such as for intent, gross negligence or injury to persons.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "19. Changes to These Terms"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "%1 may update these terms. When a new version needs your agreement, the app asks "
                 "for it again before you can use its features; until then the version you accepted "
                 "applies.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "20. Ending the Agreement and Governing Law"),
             QCoreApplication::translate(
                 "LegalAgreementPresenter",
                 "You may end this agreement at any time by uninstalling the app. It ends on its own if "
                 "you break these terms. It is governed by the laws of the place where %1 is "
                 "established, without taking away the protection that the consumer law of your "
                 "country gives you.")
                 .arg(makerName())},
            {QCoreApplication::translate("LegalAgreementPresenter", "21. Contact"),
             makerName() + QStringLiteral(" · ") + supportEmail()},
        };
        t.versionCaption = QCoreApplication::translate("LegalAgreementPresenter",
                                                       "Version %1 · Effective 1 December 2026 · Published at "
                                                       "tamsel.example/legal/kestrix-terms")
                               .arg(LegalAgreementGate::currentVersion);
        return t;
    }();
}

Content present(bool hasAccepted, bool hasReadAndAgreed)
{
    Content content;
    content.showsAcceptedNotice = hasAccepted;
    content.showsAgreementControls = !hasAccepted;
    if (hasAccepted) {
        content.acceptedNotice =
            QCoreApplication::translate("LegalAgreementPresenter", "You've already agreed to these terms (version %1).")
                .arg(LegalAgreementGate::currentVersion);
    }
    content.isAcceptEnabled = !hasAccepted && hasReadAndAgreed;
    return content;
}

} // namespace LegalAgreementPresenter
