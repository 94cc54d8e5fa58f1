<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AppUpdateError</name>
    <message>
        <source>Couldn&apos;t download the update</source>
        <translation>Das Update konnte nicht heruntergeladen werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t open the downloaded disk image</source>
        <translation>Das heruntergeladene Archiv konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Downloaded disk image didn&apos;t contain Kestrix.app</source>
        <translation>Das heruntergeladene Archiv enthielt kein Kestrix.app</translation>
    </message>
    <message>
        <source>Downloaded app failed signature verification</source>
        <translation>Die Signatur der heruntergeladenen App ist ungültig</translation>
    </message>
    <message>
        <source>This copy of Kestrix can&apos;t replace itself; update it through your package manager</source>
        <translation>Diese Kestrix-Installation kann sich nicht selbst ersetzen; aktualisieren Sie sie über Ihre Paketverwaltung</translation>
    </message>
    <message>
        <source>Couldn&apos;t start installing the update</source>
        <translation>Die Installation des Updates konnte nicht gestartet werden</translation>
    </message>
</context>
<context>
    <name>AppUpdatePresenter</name>
    <message>
        <source>Idle.</source>
        <translation>Bereit.</translation>
    </message>
    <message>
        <source>Checking for an update…</source>
        <translation>Suche nach einem Update …</translation>
    </message>
    <message>
        <source>Up to date.</source>
        <translation>Auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates.</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Update available: v%1.</source>
        <translation>Update verfügbar: v%1.</translation>
    </message>
    <message>
        <source>Downloading v%1…</source>
        <translation>v%1 wird heruntergeladen …</translation>
    </message>
    <message>
        <source>Verifying v%1&apos;s signature…</source>
        <translation>Signatur von v%1 wird geprüft …</translation>
    </message>
    <message>
        <source>v%1 is ready. Installing relaunches Kestrix -- any in-progress TARN firmware update should finish first.</source>
        <translation>v%1 ist bereit. Bei der Installation wird Kestrix neu gestartet – ein laufendes TARN-Firmware-Update sollte vorher abgeschlossen sein.</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Checking for Updates…</source>
        <translation>Suche nach Updates …</translation>
    </message>
    <message>
        <source>Check for Updates</source>
        <translation>Nach Updates suchen</translation>
    </message>
    <message>
        <source>Couldn&apos;t Check for Updates, Retry</source>
        <translation>Suche nach Updates fehlgeschlagen, erneut versuchen</translation>
    </message>
    <message>
        <source>Update Available: v%1</source>
        <translation>Update verfügbar: v%1</translation>
    </message>
    <message>
        <source>Verifying v%1…</source>
        <translation>v%1 wird geprüft …</translation>
    </message>
    <message>
        <source>v%1 Ready, Install and Relaunch</source>
        <translation>v%1 bereit, installieren und neu starten</translation>
    </message>
    <message>
        <source>%1, Retry</source>
        <translation>%1, erneut versuchen</translation>
    </message>
</context>
<context>
    <name>AppUpdateProgressView</name>
    <message>
        <source>Kestrix Update</source>
        <translation>Kestrix-Update</translation>
    </message>
    <message>
        <source>Install and Relaunch</source>
        <translation>Installieren und neu starten</translation>
    </message>
    <message>
        <source>Cancel Download</source>
        <translation>Download abbrechen</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Open in Browser Instead</source>
        <translation>Stattdessen im Browser öffnen</translation>
    </message>
</context>
<context>
    <name>ColorButton</name>
    <message>
        <source>No color</source>
        <translation>Keine Farbe</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Schwarz</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Weiß</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Grau</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rot</translation>
    </message>
    <message>
        <source>Dark Red</source>
        <translation>Dunkelrot</translation>
    </message>
    <message>
        <source>Orange</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>Dark Orange</source>
        <translation>Dunkelorange</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Gelb</translation>
    </message>
    <message>
        <source>Dark Yellow</source>
        <translation>Dunkelgelb</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Grün</translation>
    </message>
    <message>
        <source>Dark Green</source>
        <translation>Dunkelgrün</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>Dark Cyan</source>
        <translation>Dunkelcyan</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>Dark Blue</source>
        <translation>Dunkelblau</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Violett</translation>
    </message>
    <message>
        <source>Dark Purple</source>
        <translation>Dunkelviolett</translation>
    </message>
    <message>
        <source>Pink</source>
        <translation>Rosa</translation>
    </message>
    <message>
        <source>Dark Pink</source>
        <translation>Dunkelrosa</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>
Kestrix runs in the system tray of a desktop session and starts with it once installed.
Without a desktop session it runs only when asked for Qt&apos;s offscreen platform
(QT_QPA_PLATFORM=offscreen).

Environment:
  KESTRIX_DEVICE_BUS       a simulated device bus folder (kestrix-devsim) instead of hidraw
  KESTRIX_UPDATE_BASE_URL  base URL of the update server
  QT_LOGGING_RULES         diagnostics by subsystem, e.g. &quot;kestrix.device*=true&quot;
                           (kestrix.device, .signals, .rules, .timers, .firmware, .update)
</source>
        <translation>
Kestrix läuft im Systembereich einer Desktop-Sitzung und startet nach der Installation mit ihr.
Ohne Desktop-Sitzung läuft es nur, wenn Qts Offscreen-Plattform verlangt wird
(QT_QPA_PLATFORM=offscreen).

Umgebung:
  KESTRIX_DEVICE_BUS       Ordner eines simulierten Gerätebusses (kestrix-devsim) statt hidraw
  KESTRIX_UPDATE_BASE_URL  Basis-URL des Update-Servers
  QT_LOGGING_RULES         Diagnose nach Teilsystem, z. B. &quot;kestrix.device*=true&quot;
                           (kestrix.device, .signals, .rules, .timers, .firmware, .update)
</translation>
    </message>
    <message>
        <source>Desktop companion of the Dorvel: binds its button, sets its LED and turns the LED
into a status light for your microphone, camera, VPN, meetings and scripts.</source>
        <translation>Begleiter des Dorvel: belegt seine Taste, stellt seine LED ein und macht die LED
zum Statuslicht für Mikrofon, Kamera, VPN, Besprechungen und Skripte.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Diese Hilfe anzeigen und beenden.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Die Version anzeigen und beenden.</translation>
    </message>
    <message>
        <source>Print one line for each device attach, firmware run, update and failure (diagnostics of every subsystem).</source>
        <translation>Eine Zeile für jedes Anschließen eines Geräts, jedes Firmware-Update, jedes Update und jeden Fehler ausgeben (Diagnose aller Teilsysteme).</translation>
    </message>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation>Siehe „%1 --help“.</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>Aufruf: %1 [Optionen]</translation>
    </message>
    <message>
        <source>%1: unexpected argument &apos;%2&apos;. %3</source>
        <translation>%1: unerwartetes Argument „%2“. %3</translation>
    </message>
    <message>
        <source>%1: the display platform &apos;%2&apos; has no desktop session to show on; run Kestrix from your desktop, or headless with QT_QPA_PLATFORM=offscreen.</source>
        <translation>%1: Die Anzeigeplattform „%2“ hat keine Desktop-Sitzung, in der sie anzeigen kann; starten Sie Kestrix aus Ihrer Arbeitsumgebung oder ohne Anzeige mit QT_QPA_PLATFORM=offscreen.</translation>
    </message>
    <message>
        <source>%1: needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set); run it from your desktop, or headless with QT_QPA_PLATFORM=offscreen.</source>
        <translation>%1: braucht eine Desktop-Sitzung (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt); starten Sie es aus Ihrer Arbeitsumgebung oder ohne Anzeige mit QT_QPA_PLATFORM=offscreen.</translation>
    </message>
</context>
<context>
    <name>CustomShortcutPresenter</name>
    <message>
        <source>Return</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>Rücktaste</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Leertaste</translation>
    </message>
    <message>
        <source>Del</source>
        <translation>Entf</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Runter</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Ctrl</source>
        <translation>Strg</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Umschalt</translation>
    </message>
    <message>
        <source>Super</source>
        <translation>Super</translation>
    </message>
    <message>
        <source>%1s</source>
        <extracomment>whole seconds</extracomment>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1ms</source>
        <extracomment>milliseconds</extracomment>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>Repeat: %1</source>
        <translation>Wiederholungen: %1</translation>
    </message>
    <message>
        <source>Custom Shortcut</source>
        <translation>Eigene Tastenkombination</translation>
    </message>
    <message>
        <source>Press your key combination…</source>
        <translation>Drücken Sie Ihre Tastenkombination …</translation>
    </message>
    <message>
        <source>Click to record key combo</source>
        <translation>Zum Aufnehmen klicken</translation>
    </message>
    <message>
        <source>Repeat gap: %1</source>
        <translation>Pause zwischen Wiederholungen: %1</translation>
    </message>
    <message>
        <source>Currently bound: %1</source>
        <translation>Derzeit belegt: %1</translation>
    </message>
</context>
<context>
    <name>CustomShortcutRecorderView</name>
    <message>
        <source>Custom Shortcut</source>
        <translation>Eigene Tastenkombination</translation>
    </message>
    <message>
        <source>Key combination to bind</source>
        <translation>Zu belegende Tastenkombination</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Wiederholungen</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Repeat gap</source>
        <translation>Pause zwischen Wiederholungen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
</context>
<context>
    <name>LEDEffects</name>
    <message>
        <source>Solid</source>
        <translation>Dauerlicht</translation>
    </message>
    <message>
        <source>Pulsing</source>
        <translation>Pulsieren</translation>
    </message>
    <message>
        <source>Breathe (slow)</source>
        <translation>Atmen (langsam)</translation>
    </message>
    <message>
        <source>Hue Cycle</source>
        <translation>Farbwechsel</translation>
    </message>
    <message>
        <source>Rainbow Swirl</source>
        <translation>Regenbogenwirbel</translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Twinkle</source>
        <translation>Funkeln</translation>
    </message>
    <message>
        <source>Twinkle (Random)</source>
        <translation>Funkeln (zufällig)</translation>
    </message>
    <message>
        <source>Knight (Rotating Scanner)</source>
        <translation>Lauflicht (rotierend)</translation>
    </message>
</context>
<context>
    <name>LedLabels</name>
    <message>
        <source>Solid</source>
        <translation>Dauerlicht</translation>
    </message>
    <message>
        <source>Breathe (slow)</source>
        <translation>Atmen (langsam)</translation>
    </message>
    <message>
        <source>Breathe (fast)</source>
        <translation>Atmen (schnell)</translation>
    </message>
    <message>
        <source>Hue Cycle</source>
        <translation>Farbwechsel</translation>
    </message>
    <message>
        <source>Rainbow Swirl</source>
        <translation>Regenbogenwirbel</translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Twinkle</source>
        <translation>Funkeln</translation>
    </message>
    <message>
        <source>Twinkle (Random)</source>
        <translation>Funkeln (zufällig)</translation>
    </message>
    <message>
        <source>Knight</source>
        <translation>Lauflicht</translation>
    </message>
</context>
<context>
    <name>LegalAgreementPresenter</name>
    <message>
        <source>Kestrix Terms of Use</source>
        <translation>Nutzungsbedingungen von Kestrix</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Zusammenfassung</translation>
    </message>
    <message>
        <source>Kestrix sets up your Dorvel device and drives its status light. It runs on your computer and needs no account.</source>
        <translation>Kestrix richtet Ihr Dorvel-Gerät ein und steuert sein Statuslicht. Es läuft auf Ihrem Computer und braucht kein Konto.</translation>
    </message>
    <message>
        <source>It looks at your microphone, camera, VPN and calendar only to choose the light&apos;s colour. It never records audio or video, never reads what your meetings are about, and sends none of this anywhere.</source>
        <translation>Es beachtet Mikrofon, Kamera, VPN und Kalender nur, um die Farbe des Lichts zu wählen. Es nimmt nie Ton oder Bild auf, liest nie, worum es in Ihren Besprechungen geht, und sendet nichts davon irgendwohin.</translation>
    </message>
    <message>
        <source>It goes online only to check for and download updates of the app and of the device&apos;s firmware.</source>
        <translation>Es geht nur online, um nach Updates der App und der Gerätefirmware zu suchen und sie herunterzuladen.</translation>
    </message>
    <message>
        <source>Your settings stay on your computer.</source>
        <translation>Ihre Einstellungen bleiben auf Ihrem Computer.</translation>
    </message>
    <message>
        <source>The app and the device come as they are; our liability is limited as set out below.</source>
        <translation>App und Gerät werden so bereitgestellt, wie sie sind; unsere Haftung ist wie unten beschrieben beschränkt.</translation>
    </message>
    <message>
        <source>If you do not agree, choose Decline and the app quits.</source>
        <translation>Wenn Sie nicht zustimmen, wählen Sie „Ablehnen“, und die App wird beendet.</translation>
    </message>
    <message>
        <source>1. Agreement</source>
        <translation>1. Vereinbarung</translation>
    </message>
    <message>
        <source>These terms are an agreement between you and %1 about the Kestrix application (&quot;the app&quot;). By choosing Accept you confirm that you have read them and agree to them. If you use the app for an organisation, you accept them on its behalf and confirm that you may do so.</source>
        <translation>Diese Bedingungen sind eine Vereinbarung zwischen Ihnen und %1 über die Anwendung Kestrix („die App“). Mit „Annehmen“ bestätigen Sie, dass Sie sie gelesen haben und ihnen zustimmen. Wenn Sie die App für eine Organisation nutzen, nehmen Sie sie in deren Namen an und bestätigen, dass Sie dazu berechtigt sind.</translation>
    </message>
    <message>
        <source>2. What the App Does</source>
        <translation>2. Was die App tut</translation>
    </message>
    <message>
        <source>The app is a companion to the Dorvel, a one-button USB device with a coloured light. It binds the button to an action or a key combination, sets the light&apos;s own behaviour, turns the light into a status light that follows signals of your computer, runs countdown and pomodoro timers on it, and updates the device&apos;s firmware and the app itself.</source>
        <translation>Die App begleitet den Dorvel, ein USB-Gerät mit einer Taste und einem farbigen Licht. Sie belegt die Taste mit einer Aktion oder einer Tastenkombination, legt das eigene Verhalten des Lichts fest, macht das Licht zu einem Statuslicht, das Signalen Ihres Computers folgt, lässt darauf Countdown- und Pomodoro-Timer laufen und aktualisiert die Firmware des Geräts und die App selbst.</translation>
    </message>
    <message>
        <source>3. Licence</source>
        <translation>3. Lizenz</translation>
    </message>
    <message>
        <source>%1 grants you a personal, non-exclusive, non-transferable and revocable licence to install and use the app on computers you own or control, for use with Dorvel devices. All rights not expressly granted remain with %1.</source>
        <translation>%1 gewährt Ihnen eine persönliche, nicht ausschließliche, nicht übertragbare und widerrufliche Lizenz, die App auf Computern, die Ihnen gehören oder die Sie verwalten, zur Verwendung mit Dorvel-Geräten zu installieren und zu nutzen. Alle nicht ausdrücklich gewährten Rechte verbleiben bei %1.</translation>
    </message>
    <message>
        <source>4. Restrictions</source>
        <translation>4. Einschränkungen</translation>
    </message>
    <message>
        <source>You may not sell, rent or sublicense the app, remove its notices, or use it to harm others or to break the law. Where the law allows you to study or adapt the app regardless of these terms, that right is not affected.</source>
        <translation>Sie dürfen die App nicht verkaufen, vermieten oder unterlizenzieren, ihre Hinweise nicht entfernen und sie nicht nutzen, um anderen zu schaden oder gegen Gesetze zu verstoßen. Soweit das Gesetz Ihnen erlaubt, die App unabhängig von diesen Bedingungen zu untersuchen oder anzupassen, bleibt dieses Recht unberührt.</translation>
    </message>
    <message>
        <source>5. What the App Reads on Your Computer</source>
        <translation>5. Was die App auf Ihrem Computer liest</translation>
    </message>
    <message>
        <source>To decide the light&apos;s colour the app reads whether your microphone is muted or in use, whether a camera is in use, whether a VPN connection is up, the start and end times of your calendar events and your response to them, and the names and values that your own scripts report to it. It reads these only while it runs and keeps only their latest state in memory.</source>
        <translation>Um die Farbe des Lichts zu bestimmen, liest die App, ob Ihr Mikrofon stumm oder in Gebrauch ist, ob eine Kamera in Gebrauch ist, ob eine VPN-Verbindung besteht, Beginn und Ende Ihrer Kalendertermine und Ihre Antwort darauf sowie die Namen und Werte, die Ihre eigenen Skripte ihr melden. Sie liest diese nur, während sie läuft, und behält nur den jeweils letzten Stand im Arbeitsspeicher.</translation>
    </message>
    <message>
        <source>6. What the App Does Not Collect</source>
        <translation>6. Was die App nicht erfasst</translation>
    </message>
    <message>
        <source>The app does not record, store or transmit audio, video, calendar content, keystrokes or files. It contains no analytics, advertising or tracking, and it does not create an account or a profile of you. Key combinations you record are sent only to your device.</source>
        <translation>Die App nimmt keine Töne, Bilder, Kalenderinhalte, Tastenanschläge oder Dateien auf, speichert oder überträgt sie nicht. Sie enthält keine Analyse, Werbung oder Verfolgung und legt kein Konto und kein Profil über Sie an. Tastenkombinationen, die Sie aufnehmen, werden nur an Ihr Gerät gesendet.</translation>
    </message>
    <message>
        <source>7. Settings Stored Locally</source>
        <translation>7. Lokal gespeicherte Einstellungen</translation>
    </message>
    <message>
        <source>Your status rules, light settings and the version of these terms you accepted are kept in a settings file in your user folder. The device keeps its own button binding and light settings. Deleting the settings file resets the app; it does not reset the device.</source>
        <translation>Ihre Statusregeln, Lichteinstellungen und die Version dieser Bedingungen, die Sie angenommen haben, werden in einer Einstellungsdatei in Ihrem Benutzerordner gespeichert. Das Gerät speichert seine Tastenbelegung und Lichteinstellungen selbst. Wenn Sie die Einstellungsdatei löschen, wird die App zurückgesetzt, nicht aber das Gerät.</translation>
    </message>
    <message>
        <source>8. Network Connections</source>
        <translation>8. Netzwerkverbindungen</translation>
    </message>
    <message>
        <source>The app contacts the update server of %1 to check for new versions of the app and of the device&apos;s firmware and to download them. These requests carry no personal data beyond what every connection reveals, such as your network address, which the server keeps only as long as needed to run and protect the service. The app makes no other connections of its own.</source>
        <translation>Die App kontaktiert den Update-Server von %1, um nach neuen Versionen der App und der Gerätefirmware zu suchen und sie herunterzuladen. Diese Anfragen enthalten keine personenbezogenen Daten über das hinaus, was jede Verbindung preisgibt, etwa Ihre Netzwerkadresse, die der Server nur so lange speichert, wie es für Betrieb und Schutz des Dienstes nötig ist. Die App baut von sich aus keine anderen Verbindungen auf.</translation>
    </message>
    <message>
        <source>9. The Device</source>
        <translation>9. Das Gerät</translation>
    </message>
    <message>
        <source>The device acts on the binding and light settings stored in it, also when the app is not running. A key combination bound to the button is typed by the device as a keyboard into whatever has focus; you are responsible for the combinations you choose and where you press them.</source>
        <translation>Das Gerät handelt nach der in ihm gespeicherten Belegung und den Lichteinstellungen, auch wenn die App nicht läuft. Eine auf die Taste gelegte Tastenkombination tippt das Gerät wie eine Tastatur in das, was gerade den Fokus hat; Sie sind für die gewählten Kombinationen verantwortlich und dafür, wo Sie sie auslösen.</translation>
    </message>
    <message>
        <source>10. Firmware Updates</source>
        <translation>10. Firmware-Updates</translation>
    </message>
    <message>
        <source>Firmware updates are offered for supported models and installed only when you start them. Keep the device plugged in until the update has finished. An interrupted update may leave the device unusable until it is updated again; %1 provides the means to recover it where the hardware allows.</source>
        <translation>Firmware-Updates werden für unterstützte Modelle angeboten und nur installiert, wenn Sie sie starten. Lassen Sie das Gerät eingesteckt, bis das Update abgeschlossen ist. Ein unterbrochenes Update kann das Gerät unbrauchbar machen, bis es erneut aktualisiert wird; %1 stellt Mittel zur Wiederherstellung bereit, soweit die Hardware es erlaubt.</translation>
    </message>
    <message>
        <source>11. App Updates</source>
        <translation>11. App-Updates</translation>
    </message>
    <message>
        <source>The app checks for new versions and installs one only after you confirm, and only when the new version carries the signature of %1. Updates may change, add or remove features; these terms apply to every version unless new terms are presented to you.</source>
        <translation>Die App sucht nach neuen Versionen und installiert eine nur nach Ihrer Bestätigung und nur, wenn die neue Version die Signatur von %1 trägt. Updates können Funktionen ändern, hinzufügen oder entfernen; diese Bedingungen gelten für jede Version, sofern Ihnen keine neuen Bedingungen vorgelegt werden.</translation>
    </message>
    <message>
        <source>12. Scripts and Local Signals</source>
        <translation>12. Skripte und lokale Signale</translation>
    </message>
    <message>
        <source>The app listens for signals from programs you run through a local socket that only your user account can reach. It does not run those programs and is not responsible for what they do.</source>
        <translation>Die App empfängt Signale von Programmen, die Sie ausführen, über einen lokalen Socket, den nur Ihr Benutzerkonto erreichen kann. Sie führt diese Programme nicht aus und ist nicht für deren Handeln verantwortlich.</translation>
    </message>
    <message>
        <source>13. Permissions</source>
        <translation>13. Berechtigungen</translation>
    </message>
    <message>
        <source>Some features need access that your operating system controls, such as the microphone status, cameras, calendars or the USB device itself. You can refuse or withdraw that access at any time; the features that depend on it then stop working.</source>
        <translation>Manche Funktionen brauchen Zugriffe, die Ihr Betriebssystem regelt, etwa auf den Mikrofonstatus, Kameras, Kalender oder das USB-Gerät selbst. Sie können diesen Zugriff jederzeit verweigern oder entziehen; die davon abhängigen Funktionen arbeiten dann nicht mehr.</translation>
    </message>
    <message>
        <source>14. Third-Party Software</source>
        <translation>14. Software von Drittanbietern</translation>
    </message>
    <message>
        <source>The app includes open-source components that are licensed to you under their own licences, which prevail over these terms for those components. Their notices are shipped with the app.</source>
        <translation>Die App enthält Open-Source-Komponenten, die Ihnen unter ihren eigenen Lizenzen überlassen werden; für diese Komponenten haben jene Lizenzen Vorrang vor diesen Bedingungen. Ihre Hinweise werden mit der App ausgeliefert.</translation>
    </message>
    <message>
        <source>15. Intellectual Property</source>
        <translation>15. Geistiges Eigentum</translation>
    </message>
    <message>
        <source>The app, its name, its icons and its documentation belong to %1 or its licensors. These terms give you no right to use the names or marks of %1.</source>
        <translation>Die App, ihr Name, ihre Symbole und ihre Dokumentation gehören %1 oder deren Lizenzgebern. Diese Bedingungen geben Ihnen kein Recht, die Namen oder Marken von %1 zu verwenden.</translation>
    </message>
    <message>
        <source>16. Not a Safety Device</source>
        <translation>16. Kein Sicherheitsgerät</translation>
    </message>
    <message>
        <source>The status light is a convenience. Do not rely on it to tell whether your microphone or camera is live, or to warn you of anything where a wrong or missing light could cause harm; check your computer&apos;s own indicators.</source>
        <translation>Das Statuslicht ist eine Annehmlichkeit. Verlassen Sie sich nicht darauf, um zu erkennen, ob Mikrofon oder Kamera aktiv sind, oder um vor etwas gewarnt zu werden, bei dem ein falsches oder fehlendes Licht Schaden anrichten könnte; achten Sie auf die eigenen Anzeigen Ihres Computers.</translation>
    </message>
    <message>
        <source>17. No Warranty</source>
        <translation>17. Keine Gewährleistung</translation>
    </message>
    <message>
        <source>The app is provided &quot;as is&quot; and &quot;as available&quot;, without warranties of any kind, express or implied, including fitness for a particular purpose and non-infringement, to the extent the law allows. The warranty of the device itself is the one stated with it at purchase.</source>
        <translation>Die App wird, soweit gesetzlich zulässig, „wie besehen“ und „wie verfügbar“ bereitgestellt, ohne ausdrückliche oder stillschweigende Gewährleistung jeglicher Art, einschließlich der Eignung für einen bestimmten Zweck und der Nichtverletzung von Rechten. Für das Gerät selbst gilt die beim Kauf angegebene Gewährleistung.</translation>
    </message>
    <message>
        <source>18. Limitation of Liability</source>
        <translation>18. Haftungsbeschränkung</translation>
    </message>
    <message>
        <source>To the extent the law allows, %1 is not liable for indirect, incidental or consequential damages, or for lost data, profits or time, arising from the use of the app. Nothing in these terms limits liability that cannot be limited by law, such as for intent, gross negligence or injury to persons.</source>
        <translation>Soweit gesetzlich zulässig, haftet %1 nicht für indirekte, beiläufige oder Folgeschäden oder für verlorene Daten, Gewinne oder Zeit, die aus der Nutzung der App entstehen. Nichts in diesen Bedingungen beschränkt eine Haftung, die gesetzlich nicht beschränkt werden kann, etwa bei Vorsatz, grober Fahrlässigkeit oder Personenschäden.</translation>
    </message>
    <message>
        <source>19. Changes to These Terms</source>
        <translation>19. Änderungen dieser Bedingungen</translation>
    </message>
    <message>
        <source>%1 may update these terms. When a new version needs your agreement, the app asks for it again before you can use its features; until then the version you accepted applies.</source>
        <translation>%1 kann diese Bedingungen aktualisieren. Braucht eine neue Version Ihre Zustimmung, fragt die App erneut danach, bevor Sie ihre Funktionen nutzen können; bis dahin gilt die Version, die Sie angenommen haben.</translation>
    </message>
    <message>
        <source>20. Ending the Agreement and Governing Law</source>
        <translation>20. Beendigung der Vereinbarung und anwendbares Recht</translation>
    </message>
    <message>
        <source>You may end this agreement at any time by uninstalling the app. It ends on its own if you break these terms. It is governed by the laws of the place where %1 is established, without taking away the protection that the consumer law of your country gives you.</source>
        <translation>Sie können diese Vereinbarung jederzeit beenden, indem Sie die App deinstallieren. Sie endet von selbst, wenn Sie gegen diese Bedingungen verstoßen. Es gilt das Recht des Ortes, an dem %1 niedergelassen ist, ohne dass Ihnen der Schutz entzogen wird, den Ihnen das Verbraucherrecht Ihres Landes gewährt.</translation>
    </message>
    <message>
        <source>21. Contact</source>
        <translation>21. Kontakt</translation>
    </message>
    <message>
        <source>Version %1 · Effective 1 December 2026 · Published at tamsel.example/legal/kestrix-terms</source>
        <translation>Version %1 · Gültig ab 1. Dezember 2026 · Veröffentlicht unter tamsel.example/legal/kestrix-terms</translation>
    </message>
    <message>
        <source>You&apos;ve already agreed to these terms (version %1).</source>
        <translation>Sie haben diesen Bedingungen bereits zugestimmt (Version %1).</translation>
    </message>
</context>
<context>
    <name>LegalAgreementView</name>
    <message>
        <source>Legal Agreement</source>
        <translation>Nutzungsbedingungen</translation>
    </message>
    <message>
        <source>I have read and agree to the terms above</source>
        <translation>Ich habe die obigen Bedingungen gelesen und stimme ihnen zu</translation>
    </message>
    <message>
        <source>Decline</source>
        <translation>Ablehnen</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Annehmen</translation>
    </message>
</context>
<context>
    <name>LinkNotices</name>
    <message>
        <source>No Dorvel connected</source>
        <translation>Kein Dorvel angeschlossen</translation>
    </message>
    <message>
        <source>Unavailable while the firmware update is running</source>
        <translation>Nicht verfügbar, solange das Firmware-Update läuft</translation>
    </message>
</context>
<context>
    <name>MenuPresenter</name>
    <message numerus="yes">
        <source>%n Minutes</source>
        <translation>
            <numerusform>%n Minute</numerusform>
            <numerusform>%n Minuten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n Hour</source>
        <translation>
            <numerusform>%n Stunde</numerusform>
            <numerusform>%n Stunden</numerusform>
        </translation>
    </message>
    <message>
        <source>Until Tomorrow</source>
        <translation>Bis morgen</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>Toggle Mic Mute</source>
        <translation>Mikrofon stumm/laut schalten</translation>
    </message>
    <message>
        <source>Presets unavailable during the update</source>
        <translation>Voreinstellungen während des Updates nicht verfügbar</translation>
    </message>
    <message>
        <source>RGB Settings…</source>
        <translation>RGB-Einstellungen …</translation>
    </message>
    <message>
        <source>Status Rules…</source>
        <translation>Statusregeln …</translation>
    </message>
    <message>
        <source>Advanced Setup…</source>
        <translation>Erweiterte Einrichtung …</translation>
    </message>
    <message>
        <source>Feature Request…</source>
        <translation>Funktion vorschlagen …</translation>
    </message>
    <message>
        <source>Uninstall Kestrix…</source>
        <translation>Kestrix deinstallieren …</translation>
    </message>
    <message>
        <source>Terms…</source>
        <translation>Nutzungsbedingungen …</translation>
    </message>
    <message>
        <source>Quit Kestrix</source>
        <translation>Kestrix beenden</translation>
    </message>
    <message>
        <source>Pause Status Light</source>
        <translation>Statuslicht pausieren</translation>
    </message>
    <message>
        <source>Paused until %1</source>
        <translation>Pausiert bis %1</translation>
    </message>
    <message>
        <source>Kestrix — %1</source>
        <translation>Kestrix – %1</translation>
    </message>
    <message>
        <source>Dorvel found, no access</source>
        <translation>Dorvel gefunden, kein Zugriff</translation>
    </message>
    <message>
        <source>No Dorvel connected</source>
        <translation>Kein Dorvel angeschlossen</translation>
    </message>
    <message>
        <source>Pomodoro %1 %2</source>
        <translation>Pomodoro %1 %2</translation>
    </message>
    <message>
        <source>Timer: Time&apos;s up!</source>
        <translation>Timer: Die Zeit ist um!</translation>
    </message>
    <message>
        <source>Timer %1</source>
        <translation>Timer %1</translation>
    </message>
    <message>
        <source>Status light paused until %1</source>
        <translation>Statuslicht pausiert bis %1</translation>
    </message>
    <message>
        <source>%1 (finishing)</source>
        <translation>%1 (Abschluss)</translation>
    </message>
    <message>
        <source>No status active, fallback color</source>
        <translation>Kein Status aktiv, Ersatzfarbe</translation>
    </message>
    <message>
        <source>No status active, LED off</source>
        <translation>Kein Status aktiv, LED aus</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Verbunden</translation>
    </message>
    <message>
        <source>Mic: —</source>
        <translation>Mikrofon: —</translation>
    </message>
    <message>
        <source>Mic: Muted</source>
        <translation>Mikrofon: stumm</translation>
    </message>
    <message>
        <source>Mic: Live</source>
        <translation>Mikrofon: aktiv</translation>
    </message>
    <message>
        <source>✓ Custom Shortcut…</source>
        <translation>✓ Eigene Tastenkombination …</translation>
    </message>
    <message>
        <source>Custom Shortcut…</source>
        <translation>Eigene Tastenkombination …</translation>
    </message>
    <message>
        <source>✓ %1</source>
        <translation>✓ %1</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Device: Found, No Access</source>
        <translation>Gerät: gefunden, kein Zugriff</translation>
    </message>
    <message>
        <source>Device: Not Found</source>
        <translation>Gerät: nicht gefunden</translation>
    </message>
    <message>
        <source>Device: Connected</source>
        <translation>Gerät: verbunden</translation>
    </message>
    <message>
        <source>Device: %1 v%2</source>
        <translation>Gerät: %1 v%2</translation>
    </message>
    <message>
        <source>Install the device access rule (70-dorvel.rules), then replug</source>
        <translation>Installieren Sie die Zugriffsregel für das Gerät (70-dorvel.rules) und stecken Sie es neu ein</translation>
    </message>
    <message>
        <source>Kestrix v%1</source>
        <translation>Kestrix v%1</translation>
    </message>
    <message>
        <source>What would you like to see added or changed?</source>
        <translation>Was sollte hinzukommen oder sich ändern?</translation>
    </message>
    <message>
        <source>TARN Firmware Update In Progress</source>
        <translation>TARN-Firmware-Update läuft</translation>
    </message>
    <message>
        <source>Quitting now won&apos;t damage the device, but you&apos;ll lose track of whether the update finished.</source>
        <translation>Beenden schadet dem Gerät nicht, aber Sie erfahren dann nicht, ob das Update abgeschlossen wurde.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Trotzdem beenden</translation>
    </message>
</context>
<context>
    <name>MenuWindow</name>
    <message>
        <source>Preset</source>
        <translation>Voreinstellung</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Medien</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
</context>
<context>
    <name>PresetAction</name>
    <message>
        <source>Lock Screen</source>
        <translation>Bildschirm sperren</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stummschalten</translation>
    </message>
    <message>
        <source>Volume Up</source>
        <translation>Lauter</translation>
    </message>
    <message>
        <source>Volume Down</source>
        <translation>Leiser</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>Wiedergabe / Pause</translation>
    </message>
    <message>
        <source>Power Off (Linux &amp; Windows only)</source>
        <translation>Ausschalten (nur Linux &amp; Windows)</translation>
    </message>
    <message>
        <source>Screenshot</source>
        <translation>Bildschirmfoto</translation>
    </message>
    <message>
        <source>Next Track</source>
        <translation>Nächster Titel</translation>
    </message>
    <message>
        <source>Prev Track</source>
        <translation>Vorheriger Titel</translation>
    </message>
    <message>
        <source>Brightness Up</source>
        <translation>Heller</translation>
    </message>
    <message>
        <source>Brightness Down</source>
        <translation>Dunkler</translation>
    </message>
    <message>
        <source>Sleep</source>
        <translation>Bereitschaft</translation>
    </message>
    <message>
        <source>Show Desktop (Linux &amp; Windows only)</source>
        <translation>Arbeitsfläche anzeigen (nur Linux &amp; Windows)</translation>
    </message>
    <message>
        <source>AI Interrupt</source>
        <translation>KI unterbrechen</translation>
    </message>
</context>
<context>
    <name>RGBSettingsPresenter</name>
    <message>
        <source>Single Flash</source>
        <translation>Einzelblitz</translation>
    </message>
    <message>
        <source>Strobe</source>
        <translation>Stroboskop</translation>
    </message>
    <message>
        <source>Wipe</source>
        <translation>Wischen</translation>
    </message>
    <message>
        <source>Breathe Once</source>
        <translation>Einmal atmen</translation>
    </message>
    <message>
        <source>Keep animating</source>
        <translation>Weiter animieren</translation>
    </message>
    <message>
        <source>Freeze</source>
        <translation>Einfrieren</translation>
    </message>
    <message>
        <source>Go dark</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>Scale with slider</source>
        <translation>Mit Regler skalieren</translation>
    </message>
    <message>
        <source>Always full sweep</source>
        <translation>Immer voller Bereich</translation>
    </message>
    <message>
        <source>Pulses: %1</source>
        <translation>Pulse: %1</translation>
    </message>
</context>
<context>
    <name>RGBSettingsView</name>
    <message>
        <source>RGB Settings</source>
        <translation>RGB-Einstellungen</translation>
    </message>
    <message>
        <source>Effect</source>
        <translation>Effekt</translation>
    </message>
    <message>
        <source>LED On</source>
        <translation>LED an</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Color &amp; Brightness</source>
        <translation>Farbe &amp; Helligkeit</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Fallback</source>
        <translation>Ersatz</translation>
    </message>
    <message>
        <source>Use as fallback when no rule is active</source>
        <translation>Als Ersatz verwenden, wenn keine Regel aktiv ist</translation>
    </message>
    <message>
        <source>White Channel</source>
        <translation>Weißkanal</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Weiß</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Blinken</translation>
    </message>
    <message>
        <source>Flash when off</source>
        <translation>Blinken, wenn aus</translation>
    </message>
    <message>
        <source>Flash Color</source>
        <translation>Blinkfarbe</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Stil</translation>
    </message>
    <message>
        <source>Pulses</source>
        <translation>Pulse</translation>
    </message>
    <message>
        <source>Suspend Behavior</source>
        <translation>Verhalten im Ruhezustand</translation>
    </message>
    <message>
        <source>When host sleeps</source>
        <translation>Wenn der Rechner ruht</translation>
    </message>
    <message>
        <source>Breathe Sweep</source>
        <translation>Atem-Umfang</translation>
    </message>
    <message>
        <source>Breathing style</source>
        <translation>Atemstil</translation>
    </message>
</context>
<context>
    <name>SingleInstanceGuard</name>
    <message>
        <source>%1 is not a folder, so %2 cannot be made</source>
        <translation>%1 ist kein Ordner, daher kann %2 nicht angelegt werden</translation>
    </message>
    <message>
        <source>%1 cannot be used</source>
        <translation>%1 kann nicht verwendet werden</translation>
    </message>
    <message>
        <source>%1 is not writable, so %2 cannot be made</source>
        <translation>%1 ist nicht beschreibbar, daher kann %2 nicht angelegt werden</translation>
    </message>
    <message>
        <source>%1 could not be made (is the disk full?)</source>
        <translation>%1 konnte nicht angelegt werden (ist der Datenträger voll?)</translation>
    </message>
    <message>
        <source>%1 is not a lock file, but stands where the lock file goes</source>
        <translation>%1 ist keine Sperrdatei, liegt aber dort, wo die Sperrdatei hingehört</translation>
    </message>
    <message>
        <source>the lock file %1 cannot be made: %2 may not be written (does another user own it?)</source>
        <translation>die Sperrdatei %1 kann nicht angelegt werden: %2 darf nicht beschrieben werden (gehört es einem anderen Benutzer?)</translation>
    </message>
    <message>
        <source>the lock file %1 cannot be written (is the disk full or read-only?)</source>
        <translation>die Sperrdatei %1 kann nicht geschrieben werden (ist der Datenträger voll oder schreibgeschützt?)</translation>
    </message>
</context>
<context>
    <name>StatusRule</name>
    <message>
        <source>Screen Locked</source>
        <translation>Bildschirm gesperrt</translation>
    </message>
    <message>
        <source>AI Execution</source>
        <translation>KI arbeitet</translation>
    </message>
    <message>
        <source>Meeting Soon</source>
        <translation>Besprechung in Kürze</translation>
    </message>
    <message>
        <source>Screen Shared</source>
        <translation>Bildschirm geteilt</translation>
    </message>
    <message>
        <source>Mic In Use (Recording)</source>
        <translation>Mikrofon nimmt auf</translation>
    </message>
    <message>
        <source>Camera In Use</source>
        <translation>Kamera in Gebrauch</translation>
    </message>
    <message>
        <source>In Meeting</source>
        <translation>In einer Besprechung</translation>
    </message>
    <message>
        <source>Terminal Active</source>
        <translation>Terminal aktiv</translation>
    </message>
    <message>
        <source>VPN Disconnected</source>
        <translation>VPN getrennt</translation>
    </message>
    <message>
        <source>Mic Muted</source>
        <translation>Mikrofon stumm</translation>
    </message>
    <message>
        <source>Mic Live</source>
        <translation>Mikrofon aktiv</translation>
    </message>
    <message>
        <source>Do Not Disturb</source>
        <translation>Nicht stören</translation>
    </message>
</context>
<context>
    <name>StatusRuleRowWidget</name>
    <message>
        <source>Finish effect</source>
        <translation>Abschlusseffekt</translation>
    </message>
    <message>
        <source>s</source>
        <translation> s</translation>
    </message>
</context>
<context>
    <name>StatusRulesPresenter</name>
    <message>
        <source>Status Rules</source>
        <translation>Statusregeln</translation>
    </message>
    <message>
        <source>Drag a rule by its handle, or press Ctrl+Shift+Up or Ctrl+Shift+Down to move the focused rule.</source>
        <translation>Ziehen Sie eine Regel an ihrem Griff oder drücken Sie Strg+Umschalt+Hoch bzw. Strg+Umschalt+Runter, um die ausgewählte Regel zu verschieben.</translation>
    </message>
    <message>
        <source>Highest priority first -- drag to reorder. The topmost enabled rule whose condition is currently true wins the LED.</source>
        <translation>Höchste Priorität zuerst – zum Umsortieren ziehen. Die oberste aktivierte Regel, deren Bedingung gerade zutrifft, bestimmt die LED.</translation>
    </message>
    <message>
        <source>%1s</source>
        <extracomment>seconds, as the finish step&apos;s stepper shows them</extracomment>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 enabled</source>
        <translation>%1 aktiviert</translation>
    </message>
    <message>
        <source>%1 effect</source>
        <translation>Effekt für %1</translation>
    </message>
    <message>
        <source>%1 color</source>
        <translation>Farbe für %1</translation>
    </message>
    <message>
        <source>%1 finish effect</source>
        <translation>Abschlusseffekt für %1</translation>
    </message>
    <message>
        <source>Finish effect for %1</source>
        <translation>Abschlusseffekt für %1</translation>
    </message>
    <message>
        <source>%1 finish color</source>
        <translation>Abschlussfarbe für %1</translation>
    </message>
    <message>
        <source>%1 finish duration in seconds</source>
        <translation>Abschlussdauer für %1 in Sekunden</translation>
    </message>
    <message>
        <source>All Calendars</source>
        <translation>Alle Kalender</translation>
    </message>
    <message>
        <source>No Calendars</source>
        <translation>Keine Kalender</translation>
    </message>
    <message>
        <source>Calendars (%1/%2)</source>
        <translation>Kalender (%1/%2)</translation>
    </message>
    <message>
        <source>Calendars included in Meeting Soon / In Meeting:</source>
        <translation>Kalender für „Besprechung in Kürze“ / „In einer Besprechung“:</translation>
    </message>
    <message>
        <source>Your addresses:</source>
        <translation>Ihre Adressen:</translation>
    </message>
    <message>
        <source>you@example.com, you@work.example</source>
        <translation>sie@example.com, sie@arbeit.example</translation>
    </message>
    <message>
        <source>The addresses your meeting invitations go to, separated by commas. Meetings you declined under one of them do not count.</source>
        <translation>Die Adressen, an die Ihre Besprechungseinladungen gehen, durch Kommas getrennt. Besprechungen, die Sie unter einer davon abgelehnt haben, zählen nicht.</translation>
    </message>
</context>
<context>
    <name>TamselDesktopApp</name>
    <message>
        <source>Kestrix is already running.</source>
        <translation>Kestrix läuft bereits.</translation>
    </message>
</context>
<context>
    <name>TarnUpdateError</name>
    <message>
        <source>TARN Update Failed: Couldn&apos;t Download, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Download nicht möglich, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Reverted, Still On Old Firmware, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Gerät zurückgesetzt, noch alte Firmware, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update Unavailable: Published Image Too Large for This Device</source>
        <translation>TARN-Update nicht verfügbar: Veröffentlichtes Abbild zu groß für dieses Gerät</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Rejected Image Size, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Gerät lehnt Abbildgröße ab, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update Failed: Another Update Already In Progress, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Ein anderes Update läuft bereits, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update Unavailable: This Unit Needs a One-Time Manual Reflash</source>
        <translation>TARN-Update nicht verfügbar: Dieses Gerät muss einmalig von Hand neu geflasht werden</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Flash Write Error, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Schreibfehler im Flash des Geräts, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Protocol Error, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Protokollfehler des Geräts, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update Failed: Connection Desynced, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Verbindung nicht mehr synchron, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Stopped Responding, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Gerät antwortet nicht mehr, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update Failed: Checksum Rejected, Old Firmware Still Running, Retry</source>
        <translation>TARN-Update fehlgeschlagen: Prüfsumme abgelehnt, alte Firmware läuft weiter, erneut versuchen</translation>
    </message>
    <message>
        <source>TARN Update: Device Hasn&apos;t Reconnected Yet, Retry</source>
        <translation>TARN-Update: Gerät hat sich noch nicht wieder verbunden, erneut versuchen</translation>
    </message>
</context>
<context>
    <name>TarnUpdatePresenter</name>
    <message>
        <source>Idle.</source>
        <translation>Bereit.</translation>
    </message>
    <message>
        <source>Checking for an update…</source>
        <translation>Suche nach einem Update …</translation>
    </message>
    <message>
        <source>Up to date (%1).</source>
        <translation>Auf dem neuesten Stand (%1).</translation>
    </message>
    <message>
        <source>Update available: %1 → %2.</source>
        <translation>Update verfügbar: %1 → %2.</translation>
    </message>
    <message>
        <source>Downloading the firmware image…</source>
        <translation>Firmware-Abbild wird heruntergeladen …</translation>
    </message>
    <message>
        <source>Transferring to the device…</source>
        <translation>Übertragung auf das Gerät …</translation>
    </message>
    <message>
        <source>Verifying on the device (flash read-back check)…</source>
        <translation>Prüfung auf dem Gerät (Rücklesen des Flash) …</translation>
    </message>
    <message numerus="yes">
        <source>Waiting for the device to reboot (up to %n seconds)…</source>
        <translation>
            <numerusform>Warten auf den Neustart des Geräts (bis zu %n Sekunde) …</numerusform>
            <numerusform>Warten auf den Neustart des Geräts (bis zu %n Sekunden) …</numerusform>
        </translation>
    </message>
    <message>
        <source>Confirming the new version…</source>
        <translation>Neue Version wird bestätigt …</translation>
    </message>
    <message>
        <source>Succeeded. Now running %1.</source>
        <translation>Erfolgreich. Jetzt läuft %1.</translation>
    </message>
    <message>
        <source>TARN Firmware Update</source>
        <translation>TARN-Firmware-Update</translation>
    </message>
    <message>
        <source>Check for TARN Update…</source>
        <translation>Nach TARN-Update suchen …</translation>
    </message>
    <message>
        <source>Checking for TARN Update…</source>
        <translation>Suche nach TARN-Update …</translation>
    </message>
    <message>
        <source>Check for TARN Update (Up to Date, %1)</source>
        <translation>Nach TARN-Update suchen (aktuell, %1)</translation>
    </message>
    <message>
        <source>TARN Update Available: %1 → %2</source>
        <translation>TARN-Update verfügbar: %1 → %2</translation>
    </message>
    <message>
        <source>Downloading TARN Update…</source>
        <translation>TARN-Update wird heruntergeladen …</translation>
    </message>
    <message>
        <source>Updating TARN Firmware… %1%</source>
        <translation>TARN-Firmware wird aktualisiert … %1 %</translation>
    </message>
    <message>
        <source>Verifying TARN Update…</source>
        <translation>TARN-Update wird geprüft …</translation>
    </message>
    <message>
        <source>Rebooting Device (up to %1s)…</source>
        <translation>Gerät startet neu (bis zu %1 s) …</translation>
    </message>
    <message>
        <source>Confirming Update…</source>
        <translation>Update wird bestätigt …</translation>
    </message>
    <message>
        <source>TARN Update Succeeded: %1</source>
        <translation>TARN-Update erfolgreich: %1</translation>
    </message>
    <message numerus="yes">
        <source>%1 / %n bytes</source>
        <translation>
            <numerusform>%1 / %n Byte</numerusform>
            <numerusform>%1 / %n Bytes</numerusform>
        </translation>
    </message>
    <message>
        <source>Firmware transfer</source>
        <translation>Firmwareübertragung</translation>
    </message>
</context>
<context>
    <name>TarnUpdateProgressView</name>
    <message>
        <source>TARN Firmware Update</source>
        <translation>TARN-Firmware-Update</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
</context>
<context>
    <name>TimerPresenter</name>
    <message>
        <source>Work</source>
        <translation>Arbeit</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Long break</source>
        <translation>Lange Pause</translation>
    </message>
    <message>
        <source>Timer…</source>
        <translation>Timer …</translation>
    </message>
    <message>
        <source>Timer: Time&apos;s up!</source>
        <translation>Timer: Die Zeit ist um!</translation>
    </message>
    <message>
        <source>Timer: %1 %2</source>
        <translation>Timer: %1 %2</translation>
    </message>
    <message>
        <source>Timer: %1</source>
        <translation>Timer: %1</translation>
    </message>
    <message>
        <source>cycle %1 / %2</source>
        <translation>Durchgang %1 / %2</translation>
    </message>
    <message>
        <source>cycle %1</source>
        <translation>Durchgang %1</translation>
    </message>
    <message>
        <source>Time&apos;s up!</source>
        <translation>Die Zeit ist um!</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Duration: </source>
        <translation>Dauer: </translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Work: </source>
        <translation>Arbeit: </translation>
    </message>
    <message>
        <source>Break: </source>
        <translation>Pause: </translation>
    </message>
    <message>
        <source>Long break: </source>
        <translation>Lange Pause: </translation>
    </message>
    <message>
        <source>Long break every</source>
        <translation>Lange Pause alle</translation>
    </message>
    <message>
        <source>Long break every: </source>
        <translation>Lange Pause alle: </translation>
    </message>
    <message>
        <source> cycles</source>
        <translation> Durchgänge</translation>
    </message>
    <message>
        <source>Total cycles</source>
        <translation>Durchgänge insgesamt</translation>
    </message>
    <message>
        <source>Total cycles: </source>
        <translation>Durchgänge insgesamt: </translation>
    </message>
</context>
<context>
    <name>TimerView</name>
    <message>
        <source>Timer</source>
        <translation>Timer</translation>
    </message>
    <message>
        <source>Alert color</source>
        <translation>Alarmfarbe</translation>
    </message>
    <message>
        <source>Alert effect</source>
        <translation>Alarmeffekt</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Starten</translation>
    </message>
    <message>
        <source>Start timer</source>
        <translation>Timer starten</translation>
    </message>
    <message>
        <source>Pomodoro Timer</source>
        <translation>Pomodoro-Timer</translation>
    </message>
    <message>
        <source>Work color</source>
        <translation>Arbeitsfarbe</translation>
    </message>
    <message>
        <source>Work effect</source>
        <translation>Arbeitseffekt</translation>
    </message>
    <message>
        <source>Break color</source>
        <translation>Pausenfarbe</translation>
    </message>
    <message>
        <source>Break effect</source>
        <translation>Pauseneffekt</translation>
    </message>
    <message>
        <source>Long break color</source>
        <translation>Farbe der langen Pause</translation>
    </message>
    <message>
        <source>Long break effect</source>
        <translation>Effekt der langen Pause</translation>
    </message>
    <message>
        <source>Limit session</source>
        <translation>Sitzung begrenzen</translation>
    </message>
    <message>
        <source>Start pomodoro</source>
        <translation>Pomodoro starten</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Stop pomodoro</source>
        <translation>Pomodoro stoppen</translation>
    </message>
</context>
<context>
    <name>TrayMenu</name>
    <message>
        <source>Preset</source>
        <translation>Voreinstellung</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Medien</translation>
    </message>
</context>
<context>
    <name>UninstallConfirmation</name>
    <message>
        <source>This deletes the app and its settings and support folder (with any calendars linked there).</source>
        <translation>Dies löscht die App und ihren Einstellungs- und Datenordner (mit allen dort verknüpften Kalendern).</translation>
    </message>
    <message>
        <source>This deletes Kestrix&apos;s settings and support folder (with any calendars linked there). The app itself belongs to the package &quot;%1&quot;: remove that with your package manager (for example: sudo apt remove %1).</source>
        <translation>Dies löscht den Einstellungs- und Datenordner von Kestrix (mit allen dort verknüpften Kalendern). Die App selbst gehört zum Paket „%1“: Entfernen Sie es mit Ihrer Paketverwaltung (zum Beispiel: sudo apt remove %1).</translation>
    </message>
    <message>
        <source>This deletes Kestrix&apos;s settings and support folder (with any calendars linked there). The app&apos;s own files in %1 stay; delete them yourself.</source>
        <translation>Dies löscht den Einstellungs- und Datenordner von Kestrix (mit allen dort verknüpften Kalendern). Die Dateien der App in %1 bleiben erhalten; löschen Sie sie selbst.</translation>
    </message>
    <message>
        <source>Uninstall Kestrix?</source>
        <translation>Kestrix deinstallieren?</translation>
    </message>
    <message>
        <source>Your Dorvel device and its saved settings are not affected -- this only removes Kestrix from this computer.</source>
        <translation>Ihr Dorvel-Gerät und seine gespeicherten Einstellungen bleiben unberührt – dies entfernt nur Kestrix von diesem Computer.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Deinstallieren</translation>
    </message>
</context>
<context>
    <name>UnitSlider</name>
    <message>
        <source>%1%</source>
        <extracomment>a percentage, as the language writes it (&quot;50 %&quot; in German)</extracomment>
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Kestrix is already running.</source>
        <translation>Kestrix läuft bereits.</translation>
    </message>
    <message>
        <source>Kestrix can&apos;t start: %1.</source>
        <translation>Kestrix kann nicht starten: %1.</translation>
    </message>
</context>
</TS>
