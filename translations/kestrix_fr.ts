<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AppUpdateError</name>
    <message>
        <source>Couldn&apos;t download the update</source>
        <translation>Impossible de télécharger la mise à jour</translation>
    </message>
    <message>
        <source>Couldn&apos;t open the downloaded disk image</source>
        <translation>Impossible d’ouvrir l’archive téléchargée</translation>
    </message>
    <message>
        <source>Downloaded disk image didn&apos;t contain Kestrix.app</source>
        <translation>L’archive téléchargée ne contient pas Kestrix.app</translation>
    </message>
    <message>
        <source>Downloaded app failed signature verification</source>
        <translation>La signature de l’application téléchargée n’est pas valide</translation>
    </message>
    <message>
        <source>This copy of Kestrix can&apos;t replace itself; update it through your package manager</source>
        <translation>Cette copie de Kestrix ne peut pas se remplacer elle-même&#xa0;; mettez-la à jour avec votre gestionnaire de paquets</translation>
    </message>
    <message>
        <source>Couldn&apos;t start installing the update</source>
        <translation>Impossible de lancer l’installation de la mise à jour</translation>
    </message>
</context>
<context>
    <name>AppUpdatePresenter</name>
    <message>
        <source>Idle.</source>
        <translation>En attente.</translation>
    </message>
    <message>
        <source>Checking for an update…</source>
        <translation>Recherche d’une mise à jour…</translation>
    </message>
    <message>
        <source>Up to date.</source>
        <translation>À jour.</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates.</source>
        <translation>Impossible de rechercher des mises à jour.</translation>
    </message>
    <message>
        <source>Update available: v%1.</source>
        <translation>Mise à jour disponible&#xa0;: v%1.</translation>
    </message>
    <message>
        <source>Downloading v%1…</source>
        <translation>Téléchargement de la v%1…</translation>
    </message>
    <message>
        <source>Verifying v%1&apos;s signature…</source>
        <translation>Vérification de la signature de la v%1…</translation>
    </message>
    <message>
        <source>v%1 is ready. Installing relaunches Kestrix -- any in-progress TARN firmware update should finish first.</source>
        <translation>La v%1 est prête. L’installation relance Kestrix – toute mise à jour du micrologiciel TARN en cours doit d’abord se terminer.</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Rechercher des mises à jour…</translation>
    </message>
    <message>
        <source>Checking for Updates…</source>
        <translation>Recherche de mises à jour…</translation>
    </message>
    <message>
        <source>Check for Updates</source>
        <translation>Rechercher des mises à jour</translation>
    </message>
    <message>
        <source>Couldn&apos;t Check for Updates, Retry</source>
        <translation>Recherche de mises à jour impossible, réessayer</translation>
    </message>
    <message>
        <source>Update Available: v%1</source>
        <translation>Mise à jour disponible&#xa0;: v%1</translation>
    </message>
    <message>
        <source>Verifying v%1…</source>
        <translation>Vérification de la v%1…</translation>
    </message>
    <message>
        <source>v%1 Ready, Install and Relaunch</source>
        <translation>v%1 prête, installer et relancer</translation>
    </message>
    <message>
        <source>%1, Retry</source>
        <translation>%1, réessayer</translation>
    </message>
</context>
<context>
    <name>AppUpdateProgressView</name>
    <message>
        <source>Kestrix Update</source>
        <translation>Mise à jour de Kestrix</translation>
    </message>
    <message>
        <source>Install and Relaunch</source>
        <translation>Installer et relancer</translation>
    </message>
    <message>
        <source>Cancel Download</source>
        <translation>Annuler le téléchargement</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>Open in Browser Instead</source>
        <translation>Ouvrir plutôt dans le navigateur</translation>
    </message>
</context>
<context>
    <name>ColorButton</name>
    <message>
        <source>No color</source>
        <translation>Aucune couleur</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Noir</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Blanc</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Gris</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rouge</translation>
    </message>
    <message>
        <source>Dark Red</source>
        <translation>Rouge foncé</translation>
    </message>
    <message>
        <source>Orange</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>Dark Orange</source>
        <translation>Orange foncé</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Jaune</translation>
    </message>
    <message>
        <source>Dark Yellow</source>
        <translation>Jaune foncé</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Vert</translation>
    </message>
    <message>
        <source>Dark Green</source>
        <translation>Vert foncé</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>Dark Cyan</source>
        <translation>Cyan foncé</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Bleu</translation>
    </message>
    <message>
        <source>Dark Blue</source>
        <translation>Bleu foncé</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Violet</translation>
    </message>
    <message>
        <source>Dark Purple</source>
        <translation>Violet foncé</translation>
    </message>
    <message>
        <source>Pink</source>
        <translation>Rose</translation>
    </message>
    <message>
        <source>Dark Pink</source>
        <translation>Rose foncé</translation>
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
Kestrix fonctionne dans la zone de notification d’une session de bureau et démarre avec elle une fois installé.
Sans session de bureau, il ne fonctionne que si la plateforme offscreen de Qt est demandée
(QT_QPA_PLATFORM=offscreen).

Environnement&#xa0;:
  KESTRIX_DEVICE_BUS       dossier d’un bus d’appareils simulé (kestrix-devsim) au lieu de hidraw
  KESTRIX_UPDATE_BASE_URL  URL de base du serveur de mises à jour
  QT_LOGGING_RULES         diagnostics par sous-système, p. ex. &quot;kestrix.device*=true&quot;
                           (kestrix.device, .signals, .rules, .timers, .firmware, .update)
</translation>
    </message>
    <message>
        <source>Desktop companion of the Dorvel: binds its button, sets its LED and turns the LED
into a status light for your microphone, camera, VPN, meetings and scripts.</source>
        <translation>Compagnon du Dorvel&#xa0;: associe son bouton, règle sa LED et fait de la LED
un voyant d’état pour votre micro, votre caméra, votre VPN, vos réunions et vos scripts.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Afficher cette aide et quitter.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Afficher la version et quitter.</translation>
    </message>
    <message>
        <source>Print one line for each device attach, firmware run, update and failure (diagnostics of every subsystem).</source>
        <translation>Afficher une ligne pour chaque branchement d’appareil, mise à jour du micrologiciel, mise à jour et erreur (diagnostics de tous les sous-systèmes).</translation>
    </message>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation>Essayez «&#xa0;%1 --help&#xa0;».</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>Utilisation&#xa0;: %1 [options]</translation>
    </message>
    <message>
        <source>%1: unexpected argument &apos;%2&apos;. %3</source>
        <translation>%1&#xa0;: argument inattendu «&#xa0;%2&#xa0;». %3</translation>
    </message>
    <message>
        <source>%1: the display platform &apos;%2&apos; has no desktop session to show on; run Kestrix from your desktop, or headless with QT_QPA_PLATFORM=offscreen.</source>
        <translation>%1&#xa0;: la plateforme d’affichage «&#xa0;%2&#xa0;» n’a aucune session de bureau où s’afficher&#xa0;; lancez Kestrix depuis votre bureau, ou sans affichage avec QT_QPA_PLATFORM=offscreen.</translation>
    </message>
    <message>
        <source>%1: needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set); run it from your desktop, or headless with QT_QPA_PLATFORM=offscreen.</source>
        <translation>%1&#xa0;: une session de bureau est nécessaire (ni DISPLAY ni WAYLAND_DISPLAY n’est défini)&#xa0;; lancez-le depuis votre bureau, ou sans affichage avec QT_QPA_PLATFORM=offscreen.</translation>
    </message>
</context>
<context>
    <name>CustomShortcutPresenter</name>
    <message>
        <source>Return</source>
        <translation>Entrée</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Échap</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>Retour arrière</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Espace</translation>
    </message>
    <message>
        <source>Del</source>
        <translation>Suppr</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Droite</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Gauche</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Bas</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Haut</translation>
    </message>
    <message>
        <source>Ctrl</source>
        <translation>Ctrl</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Maj</translation>
    </message>
    <message>
        <source>Super</source>
        <translation>Super</translation>
    </message>
    <message>
        <source>%1s</source>
        <extracomment>whole seconds</extracomment>
        <translation>%1&#xa0;s</translation>
    </message>
    <message>
        <source>%1ms</source>
        <extracomment>milliseconds</extracomment>
        <translation>%1&#xa0;ms</translation>
    </message>
    <message>
        <source>Repeat: %1</source>
        <translation>Répétitions&#xa0;: %1</translation>
    </message>
    <message>
        <source>Custom Shortcut</source>
        <translation>Raccourci personnalisé</translation>
    </message>
    <message>
        <source>Press your key combination…</source>
        <translation>Appuyez sur votre combinaison de touches…</translation>
    </message>
    <message>
        <source>Click to record key combo</source>
        <translation>Cliquez pour enregistrer une combinaison</translation>
    </message>
    <message>
        <source>Repeat gap: %1</source>
        <translation>Intervalle entre répétitions&#xa0;: %1</translation>
    </message>
    <message>
        <source>Currently bound: %1</source>
        <translation>Actuellement associé&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>CustomShortcutRecorderView</name>
    <message>
        <source>Custom Shortcut</source>
        <translation>Raccourci personnalisé</translation>
    </message>
    <message>
        <source>Key combination to bind</source>
        <translation>Combinaison de touches à associer</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Répétitions</translation>
    </message>
    <message>
        <source> ms</source>
        <translation>&#xa0;ms</translation>
    </message>
    <message>
        <source>Repeat gap</source>
        <translation>Intervalle entre répétitions</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Appliquer</translation>
    </message>
</context>
<context>
    <name>LEDEffects</name>
    <message>
        <source>Solid</source>
        <translation>Fixe</translation>
    </message>
    <message>
        <source>Pulsing</source>
        <translation>Pulsation</translation>
    </message>
    <message>
        <source>Breathe (slow)</source>
        <translation>Respiration (lente)</translation>
    </message>
    <message>
        <source>Hue Cycle</source>
        <translation>Cycle de teintes</translation>
    </message>
    <message>
        <source>Rainbow Swirl</source>
        <translation>Tourbillon arc-en-ciel</translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Dégradé</translation>
    </message>
    <message>
        <source>Twinkle</source>
        <translation>Scintillement</translation>
    </message>
    <message>
        <source>Twinkle (Random)</source>
        <translation>Scintillement (aléatoire)</translation>
    </message>
    <message>
        <source>Knight (Rotating Scanner)</source>
        <translation>Balayage (rotatif)</translation>
    </message>
</context>
<context>
    <name>LedLabels</name>
    <message>
        <source>Solid</source>
        <translation>Fixe</translation>
    </message>
    <message>
        <source>Breathe (slow)</source>
        <translation>Respiration (lente)</translation>
    </message>
    <message>
        <source>Breathe (fast)</source>
        <translation>Respiration (rapide)</translation>
    </message>
    <message>
        <source>Hue Cycle</source>
        <translation>Cycle de teintes</translation>
    </message>
    <message>
        <source>Rainbow Swirl</source>
        <translation>Tourbillon arc-en-ciel</translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Dégradé</translation>
    </message>
    <message>
        <source>Twinkle</source>
        <translation>Scintillement</translation>
    </message>
    <message>
        <source>Twinkle (Random)</source>
        <translation>Scintillement (aléatoire)</translation>
    </message>
    <message>
        <source>Knight</source>
        <translation>Balayage</translation>
    </message>
</context>
<context>
    <name>LegalAgreementPresenter</name>
    <message>
        <source>Kestrix Terms of Use</source>
        <translation>Conditions d’utilisation de Kestrix</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Résumé</translation>
    </message>
    <message>
        <source>Kestrix sets up your Dorvel device and drives its status light. It runs on your computer and needs no account.</source>
        <translation>Kestrix configure votre appareil Dorvel et pilote son voyant d’état. Il fonctionne sur votre ordinateur et ne nécessite aucun compte.</translation>
    </message>
    <message>
        <source>It looks at your microphone, camera, VPN and calendar only to choose the light&apos;s colour. It never records audio or video, never reads what your meetings are about, and sends none of this anywhere.</source>
        <translation>Il observe votre micro, votre caméra, votre VPN et votre agenda uniquement pour choisir la couleur du voyant. Il n’enregistre jamais ni son ni image, ne lit jamais l’objet de vos réunions et n’envoie rien de tout cela nulle part.</translation>
    </message>
    <message>
        <source>It goes online only to check for and download updates of the app and of the device&apos;s firmware.</source>
        <translation>Il ne se connecte à Internet que pour rechercher et télécharger les mises à jour de l’application et du micrologiciel de l’appareil.</translation>
    </message>
    <message>
        <source>Your settings stay on your computer.</source>
        <translation>Vos réglages restent sur votre ordinateur.</translation>
    </message>
    <message>
        <source>The app and the device come as they are; our liability is limited as set out below.</source>
        <translation>L’application et l’appareil sont fournis en l’état&#xa0;; notre responsabilité est limitée comme indiqué ci-dessous.</translation>
    </message>
    <message>
        <source>If you do not agree, choose Decline and the app quits.</source>
        <translation>Si vous n’êtes pas d’accord, choisissez «&#xa0;Refuser&#xa0;» et l’application se ferme.</translation>
    </message>
    <message>
        <source>1. Agreement</source>
        <translation>1. Accord</translation>
    </message>
    <message>
        <source>These terms are an agreement between you and %1 about the Kestrix application (&quot;the app&quot;). By choosing Accept you confirm that you have read them and agree to them. If you use the app for an organisation, you accept them on its behalf and confirm that you may do so.</source>
        <translation>Les présentes conditions constituent un accord entre vous et %1 concernant l’application Kestrix («&#xa0;l’application&#xa0;»). En choisissant «&#xa0;Accepter&#xa0;», vous confirmez les avoir lues et les accepter. Si vous utilisez l’application pour le compte d’une organisation, vous les acceptez en son nom et confirmez y être habilité.</translation>
    </message>
    <message>
        <source>2. What the App Does</source>
        <translation>2. Ce que fait l’application</translation>
    </message>
    <message>
        <source>The app is a companion to the Dorvel, a one-button USB device with a coloured light. It binds the button to an action or a key combination, sets the light&apos;s own behaviour, turns the light into a status light that follows signals of your computer, runs countdown and pomodoro timers on it, and updates the device&apos;s firmware and the app itself.</source>
        <translation>L’application accompagne le Dorvel, un appareil USB à un bouton doté d’un voyant coloré. Elle associe le bouton à une action ou à une combinaison de touches, règle le comportement propre du voyant, en fait un voyant d’état qui suit les signaux de votre ordinateur, y fait tourner des minuteurs et des pomodoros, et met à jour le micrologiciel de l’appareil ainsi que l’application elle-même.</translation>
    </message>
    <message>
        <source>3. Licence</source>
        <translation>3. Licence</translation>
    </message>
    <message>
        <source>%1 grants you a personal, non-exclusive, non-transferable and revocable licence to install and use the app on computers you own or control, for use with Dorvel devices. All rights not expressly granted remain with %1.</source>
        <translation>%1 vous concède une licence personnelle, non exclusive, non cessible et révocable pour installer et utiliser l’application sur les ordinateurs dont vous êtes propriétaire ou que vous contrôlez, avec des appareils Dorvel. Tous les droits non expressément concédés restent à %1.</translation>
    </message>
    <message>
        <source>4. Restrictions</source>
        <translation>4. Restrictions</translation>
    </message>
    <message>
        <source>You may not sell, rent or sublicense the app, remove its notices, or use it to harm others or to break the law. Where the law allows you to study or adapt the app regardless of these terms, that right is not affected.</source>
        <translation>Vous ne pouvez pas vendre, louer ni sous-licencier l’application, en retirer les mentions, ni l’utiliser pour nuire à autrui ou enfreindre la loi. Lorsque la loi vous permet d’étudier ou d’adapter l’application indépendamment des présentes conditions, ce droit n’est pas affecté.</translation>
    </message>
    <message>
        <source>5. What the App Reads on Your Computer</source>
        <translation>5. Ce que l’application lit sur votre ordinateur</translation>
    </message>
    <message>
        <source>To decide the light&apos;s colour the app reads whether your microphone is muted or in use, whether a camera is in use, whether a VPN connection is up, the start and end times of your calendar events and your response to them, and the names and values that your own scripts report to it. It reads these only while it runs and keeps only their latest state in memory.</source>
        <translation>Pour choisir la couleur du voyant, l’application lit si votre micro est coupé ou utilisé, si une caméra est utilisée, si une connexion VPN est active, les heures de début et de fin de vos événements d’agenda et votre réponse à ceux-ci, ainsi que les noms et valeurs que vos propres scripts lui transmettent. Elle ne les lit que pendant son exécution et n’en garde en mémoire que le dernier état.</translation>
    </message>
    <message>
        <source>6. What the App Does Not Collect</source>
        <translation>6. Ce que l’application ne collecte pas</translation>
    </message>
    <message>
        <source>The app does not record, store or transmit audio, video, calendar content, keystrokes or files. It contains no analytics, advertising or tracking, and it does not create an account or a profile of you. Key combinations you record are sent only to your device.</source>
        <translation>L’application n’enregistre, ne conserve et ne transmet ni son, ni vidéo, ni contenu d’agenda, ni frappes de touches, ni fichiers. Elle ne contient ni statistiques d’usage, ni publicité, ni pistage, et ne crée ni compte ni profil vous concernant. Les combinaisons de touches que vous enregistrez ne sont envoyées qu’à votre appareil.</translation>
    </message>
    <message>
        <source>7. Settings Stored Locally</source>
        <translation>7. Réglages stockés localement</translation>
    </message>
    <message>
        <source>Your status rules, light settings and the version of these terms you accepted are kept in a settings file in your user folder. The device keeps its own button binding and light settings. Deleting the settings file resets the app; it does not reset the device.</source>
        <translation>Vos règles d’état, vos réglages du voyant et la version des présentes conditions que vous avez acceptée sont conservés dans un fichier de réglages de votre dossier personnel. L’appareil conserve lui-même l’association de son bouton et ses réglages de voyant. Supprimer le fichier de réglages réinitialise l’application&#xa0;; cela ne réinitialise pas l’appareil.</translation>
    </message>
    <message>
        <source>8. Network Connections</source>
        <translation>8. Connexions réseau</translation>
    </message>
    <message>
        <source>The app contacts the update server of %1 to check for new versions of the app and of the device&apos;s firmware and to download them. These requests carry no personal data beyond what every connection reveals, such as your network address, which the server keeps only as long as needed to run and protect the service. The app makes no other connections of its own.</source>
        <translation>L’application contacte le serveur de mises à jour de %1 pour rechercher de nouvelles versions de l’application et du micrologiciel de l’appareil et pour les télécharger. Ces requêtes ne contiennent aucune donnée personnelle au-delà de ce que révèle toute connexion, comme votre adresse réseau, que le serveur ne conserve que le temps nécessaire au fonctionnement et à la protection du service. L’application n’établit aucune autre connexion de sa propre initiative.</translation>
    </message>
    <message>
        <source>9. The Device</source>
        <translation>9. L’appareil</translation>
    </message>
    <message>
        <source>The device acts on the binding and light settings stored in it, also when the app is not running. A key combination bound to the button is typed by the device as a keyboard into whatever has focus; you are responsible for the combinations you choose and where you press them.</source>
        <translation>L’appareil applique l’association et les réglages de voyant qu’il contient, même lorsque l’application n’est pas lancée. Une combinaison de touches associée au bouton est saisie par l’appareil, comme par un clavier, dans l’élément qui a le focus&#xa0;; vous êtes responsable des combinaisons choisies et de l’endroit où vous les déclenchez.</translation>
    </message>
    <message>
        <source>10. Firmware Updates</source>
        <translation>10. Mises à jour du micrologiciel</translation>
    </message>
    <message>
        <source>Firmware updates are offered for supported models and installed only when you start them. Keep the device plugged in until the update has finished. An interrupted update may leave the device unusable until it is updated again; %1 provides the means to recover it where the hardware allows.</source>
        <translation>Les mises à jour du micrologiciel sont proposées pour les modèles pris en charge et ne sont installées que lorsque vous les lancez. Laissez l’appareil branché jusqu’à la fin de la mise à jour. Une mise à jour interrompue peut rendre l’appareil inutilisable jusqu’à une nouvelle mise à jour&#xa0;; %1 fournit les moyens de le récupérer lorsque le matériel le permet.</translation>
    </message>
    <message>
        <source>11. App Updates</source>
        <translation>11. Mises à jour de l’application</translation>
    </message>
    <message>
        <source>The app checks for new versions and installs one only after you confirm, and only when the new version carries the signature of %1. Updates may change, add or remove features; these terms apply to every version unless new terms are presented to you.</source>
        <translation>L’application recherche de nouvelles versions et n’en installe une qu’après votre confirmation, et seulement si la nouvelle version porte la signature de %1. Les mises à jour peuvent modifier, ajouter ou retirer des fonctionnalités&#xa0;; les présentes conditions s’appliquent à chaque version, sauf si de nouvelles conditions vous sont présentées.</translation>
    </message>
    <message>
        <source>12. Scripts and Local Signals</source>
        <translation>12. Scripts et signaux locaux</translation>
    </message>
    <message>
        <source>The app listens for signals from programs you run through a local socket that only your user account can reach. It does not run those programs and is not responsible for what they do.</source>
        <translation>L’application reçoit les signaux des programmes que vous exécutez par un socket local accessible uniquement à votre compte utilisateur. Elle n’exécute pas ces programmes et n’est pas responsable de ce qu’ils font.</translation>
    </message>
    <message>
        <source>13. Permissions</source>
        <translation>13. Autorisations</translation>
    </message>
    <message>
        <source>Some features need access that your operating system controls, such as the microphone status, cameras, calendars or the USB device itself. You can refuse or withdraw that access at any time; the features that depend on it then stop working.</source>
        <translation>Certaines fonctionnalités nécessitent des accès contrôlés par votre système d’exploitation, comme l’état du micro, les caméras, les agendas ou l’appareil USB lui-même. Vous pouvez refuser ou retirer cet accès à tout moment&#xa0;; les fonctionnalités qui en dépendent cessent alors de fonctionner.</translation>
    </message>
    <message>
        <source>14. Third-Party Software</source>
        <translation>14. Logiciels tiers</translation>
    </message>
    <message>
        <source>The app includes open-source components that are licensed to you under their own licences, which prevail over these terms for those components. Their notices are shipped with the app.</source>
        <translation>L’application comprend des composants libres qui vous sont concédés sous leurs propres licences, lesquelles prévalent sur les présentes conditions pour ces composants. Leurs mentions sont fournies avec l’application.</translation>
    </message>
    <message>
        <source>15. Intellectual Property</source>
        <translation>15. Propriété intellectuelle</translation>
    </message>
    <message>
        <source>The app, its name, its icons and its documentation belong to %1 or its licensors. These terms give you no right to use the names or marks of %1.</source>
        <translation>L’application, son nom, ses icônes et sa documentation appartiennent à %1 ou à ses concédants. Les présentes conditions ne vous donnent aucun droit d’utiliser les noms ou marques de %1.</translation>
    </message>
    <message>
        <source>16. Not a Safety Device</source>
        <translation>16. Pas un dispositif de sécurité</translation>
    </message>
    <message>
        <source>The status light is a convenience. Do not rely on it to tell whether your microphone or camera is live, or to warn you of anything where a wrong or missing light could cause harm; check your computer&apos;s own indicators.</source>
        <translation>Le voyant d’état est une commodité. Ne comptez pas sur lui pour savoir si votre micro ou votre caméra est actif, ni pour vous avertir de quoi que ce soit lorsqu’un voyant erroné ou absent pourrait causer un dommage&#xa0;; fiez-vous aux indicateurs de votre ordinateur.</translation>
    </message>
    <message>
        <source>17. No Warranty</source>
        <translation>17. Absence de garantie</translation>
    </message>
    <message>
        <source>The app is provided &quot;as is&quot; and &quot;as available&quot;, without warranties of any kind, express or implied, including fitness for a particular purpose and non-infringement, to the extent the law allows. The warranty of the device itself is the one stated with it at purchase.</source>
        <translation>Dans la mesure permise par la loi, l’application est fournie «&#xa0;en l’état&#xa0;» et «&#xa0;selon disponibilité&#xa0;», sans garantie d’aucune sorte, expresse ou implicite, y compris d’adéquation à un usage particulier et d’absence de contrefaçon. La garantie de l’appareil lui-même est celle indiquée lors de l’achat.</translation>
    </message>
    <message>
        <source>18. Limitation of Liability</source>
        <translation>18. Limitation de responsabilité</translation>
    </message>
    <message>
        <source>To the extent the law allows, %1 is not liable for indirect, incidental or consequential damages, or for lost data, profits or time, arising from the use of the app. Nothing in these terms limits liability that cannot be limited by law, such as for intent, gross negligence or injury to persons.</source>
        <translation>Dans la mesure permise par la loi, %1 n’est pas responsable des dommages indirects, accessoires ou consécutifs, ni des pertes de données, de bénéfices ou de temps résultant de l’utilisation de l’application. Rien dans les présentes conditions ne limite une responsabilité que la loi interdit de limiter, notamment en cas de faute intentionnelle, de faute lourde ou de dommage corporel.</translation>
    </message>
    <message>
        <source>19. Changes to These Terms</source>
        <translation>19. Modification des présentes conditions</translation>
    </message>
    <message>
        <source>%1 may update these terms. When a new version needs your agreement, the app asks for it again before you can use its features; until then the version you accepted applies.</source>
        <translation>%1 peut mettre à jour les présentes conditions. Lorsqu’une nouvelle version requiert votre accord, l’application vous le redemande avant que vous puissiez utiliser ses fonctionnalités&#xa0;; d’ici là, la version que vous avez acceptée s’applique.</translation>
    </message>
    <message>
        <source>20. Ending the Agreement and Governing Law</source>
        <translation>20. Fin de l’accord et droit applicable</translation>
    </message>
    <message>
        <source>You may end this agreement at any time by uninstalling the app. It ends on its own if you break these terms. It is governed by the laws of the place where %1 is established, without taking away the protection that the consumer law of your country gives you.</source>
        <translation>Vous pouvez mettre fin au présent accord à tout moment en désinstallant l’application. Il prend fin de lui-même si vous enfreignez les présentes conditions. Il est régi par le droit du lieu où %1 est établi, sans vous priver de la protection que vous accorde le droit de la consommation de votre pays.</translation>
    </message>
    <message>
        <source>21. Contact</source>
        <translation>21. Contact</translation>
    </message>
    <message>
        <source>Version %1 · Effective 1 December 2026 · Published at tamsel.example/legal/kestrix-terms</source>
        <translation>Version %1 · En vigueur le 1er décembre 2026 · Publiée sur tamsel.example/legal/kestrix-terms</translation>
    </message>
    <message>
        <source>You&apos;ve already agreed to these terms (version %1).</source>
        <translation>Vous avez déjà accepté ces conditions (version %1).</translation>
    </message>
</context>
<context>
    <name>LegalAgreementView</name>
    <message>
        <source>Legal Agreement</source>
        <translation>Conditions d’utilisation</translation>
    </message>
    <message>
        <source>I have read and agree to the terms above</source>
        <translation>J’ai lu et j’accepte les conditions ci-dessus</translation>
    </message>
    <message>
        <source>Decline</source>
        <translation>Refuser</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Accepter</translation>
    </message>
</context>
<context>
    <name>LinkNotices</name>
    <message>
        <source>No Dorvel connected</source>
        <translation>Aucun Dorvel branché</translation>
    </message>
    <message>
        <source>Unavailable while the firmware update is running</source>
        <translation>Indisponible pendant la mise à jour du micrologiciel</translation>
    </message>
</context>
<context>
    <name>MenuPresenter</name>
    <message numerus="yes">
        <source>%n Minutes</source>
        <translation>
            <numerusform>%n minute</numerusform>
            <numerusform>%n minutes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n Hour</source>
        <translation>
            <numerusform>%n heure</numerusform>
            <numerusform>%n heures</numerusform>
        </translation>
    </message>
    <message>
        <source>Until Tomorrow</source>
        <translation>Jusqu’à demain</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reprendre</translation>
    </message>
    <message>
        <source>Toggle Mic Mute</source>
        <translation>Couper/rétablir le micro</translation>
    </message>
    <message>
        <source>Presets unavailable during the update</source>
        <translation>Préréglages indisponibles pendant la mise à jour</translation>
    </message>
    <message>
        <source>RGB Settings…</source>
        <translation>Réglages RVB…</translation>
    </message>
    <message>
        <source>Status Rules…</source>
        <translation>Règles d’état…</translation>
    </message>
    <message>
        <source>Advanced Setup…</source>
        <translation>Configuration avancée…</translation>
    </message>
    <message>
        <source>Feature Request…</source>
        <translation>Suggérer une fonctionnalité…</translation>
    </message>
    <message>
        <source>Uninstall Kestrix…</source>
        <translation>Désinstaller Kestrix…</translation>
    </message>
    <message>
        <source>Terms…</source>
        <translation>Conditions d’utilisation…</translation>
    </message>
    <message>
        <source>Quit Kestrix</source>
        <translation>Quitter Kestrix</translation>
    </message>
    <message>
        <source>Pause Status Light</source>
        <translation>Mettre en pause le voyant d’état</translation>
    </message>
    <message>
        <source>Paused until %1</source>
        <translation>En pause jusqu’à %1</translation>
    </message>
    <message>
        <source>Kestrix — %1</source>
        <translation>Kestrix — %1</translation>
    </message>
    <message>
        <source>Dorvel found, no access</source>
        <translation>Dorvel détecté, accès refusé</translation>
    </message>
    <message>
        <source>No Dorvel connected</source>
        <translation>Aucun Dorvel branché</translation>
    </message>
    <message>
        <source>Pomodoro %1 %2</source>
        <translation>Pomodoro %1 %2</translation>
    </message>
    <message>
        <source>Timer: Time&apos;s up!</source>
        <translation>Minuteur&#xa0;: temps écoulé&#xa0;!</translation>
    </message>
    <message>
        <source>Timer %1</source>
        <translation>Minuteur %1</translation>
    </message>
    <message>
        <source>Status light paused until %1</source>
        <translation>Voyant d’état en pause jusqu’à %1</translation>
    </message>
    <message>
        <source>%1 (finishing)</source>
        <translation>%1 (fin)</translation>
    </message>
    <message>
        <source>No status active, fallback color</source>
        <translation>Aucun état actif, couleur par défaut</translation>
    </message>
    <message>
        <source>No status active, LED off</source>
        <translation>Aucun état actif, LED éteinte</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Connecté</translation>
    </message>
    <message>
        <source>Mic: —</source>
        <translation>Micro&#xa0;: —</translation>
    </message>
    <message>
        <source>Mic: Muted</source>
        <translation>Micro&#xa0;: coupé</translation>
    </message>
    <message>
        <source>Mic: Live</source>
        <translation>Micro&#xa0;: actif</translation>
    </message>
    <message>
        <source>✓ Custom Shortcut…</source>
        <translation>✓ Raccourci personnalisé…</translation>
    </message>
    <message>
        <source>Custom Shortcut…</source>
        <translation>Raccourci personnalisé…</translation>
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
        <translation>Appareil&#xa0;: détecté, accès refusé</translation>
    </message>
    <message>
        <source>Device: Not Found</source>
        <translation>Appareil&#xa0;: introuvable</translation>
    </message>
    <message>
        <source>Device: Connected</source>
        <translation>Appareil&#xa0;: connecté</translation>
    </message>
    <message>
        <source>Device: %1 v%2</source>
        <translation>Appareil&#xa0;: %1 v%2</translation>
    </message>
    <message>
        <source>Install the device access rule (70-dorvel.rules), then replug</source>
        <translation>Installez la règle d’accès à l’appareil (70-dorvel.rules), puis rebranchez-le</translation>
    </message>
    <message>
        <source>Kestrix v%1</source>
        <translation>Kestrix v%1</translation>
    </message>
    <message>
        <source>What would you like to see added or changed?</source>
        <translation>Que souhaitez-vous voir ajouté ou modifié&#xa0;?</translation>
    </message>
    <message>
        <source>TARN Firmware Update In Progress</source>
        <translation>Mise à jour du micrologiciel TARN en cours</translation>
    </message>
    <message>
        <source>Quitting now won&apos;t damage the device, but you&apos;ll lose track of whether the update finished.</source>
        <translation>Quitter maintenant n’endommagera pas l’appareil, mais vous ne saurez pas si la mise à jour s’est terminée.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Quitter quand même</translation>
    </message>
</context>
<context>
    <name>MenuWindow</name>
    <message>
        <source>Preset</source>
        <translation>Préréglage</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Multimédia</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Système</translation>
    </message>
</context>
<context>
    <name>PresetAction</name>
    <message>
        <source>Lock Screen</source>
        <translation>Verrouiller l’écran</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Couper le son</translation>
    </message>
    <message>
        <source>Volume Up</source>
        <translation>Augmenter le volume</translation>
    </message>
    <message>
        <source>Volume Down</source>
        <translation>Baisser le volume</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>Lecture / Pause</translation>
    </message>
    <message>
        <source>Power Off (Linux &amp; Windows only)</source>
        <translation>Éteindre (Linux &amp; Windows uniquement)</translation>
    </message>
    <message>
        <source>Screenshot</source>
        <translation>Capture d’écran</translation>
    </message>
    <message>
        <source>Next Track</source>
        <translation>Piste suivante</translation>
    </message>
    <message>
        <source>Prev Track</source>
        <translation>Piste précédente</translation>
    </message>
    <message>
        <source>Brightness Up</source>
        <translation>Augmenter la luminosité</translation>
    </message>
    <message>
        <source>Brightness Down</source>
        <translation>Baisser la luminosité</translation>
    </message>
    <message>
        <source>Sleep</source>
        <translation>Mettre en veille</translation>
    </message>
    <message>
        <source>Show Desktop (Linux &amp; Windows only)</source>
        <translation>Afficher le bureau (Linux &amp; Windows uniquement)</translation>
    </message>
    <message>
        <source>AI Interrupt</source>
        <translation>Interrompre l’IA</translation>
    </message>
</context>
<context>
    <name>RGBSettingsPresenter</name>
    <message>
        <source>Single Flash</source>
        <translation>Flash unique</translation>
    </message>
    <message>
        <source>Strobe</source>
        <translation>Stroboscope</translation>
    </message>
    <message>
        <source>Wipe</source>
        <translation>Balayage</translation>
    </message>
    <message>
        <source>Breathe Once</source>
        <translation>Respiration unique</translation>
    </message>
    <message>
        <source>Keep animating</source>
        <translation>Continuer l’animation</translation>
    </message>
    <message>
        <source>Freeze</source>
        <translation>Figer</translation>
    </message>
    <message>
        <source>Go dark</source>
        <translation>Éteindre</translation>
    </message>
    <message>
        <source>Scale with slider</source>
        <translation>Suivre le curseur</translation>
    </message>
    <message>
        <source>Always full sweep</source>
        <translation>Toujours l’amplitude complète</translation>
    </message>
    <message>
        <source>Pulses: %1</source>
        <translation>Impulsions&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>RGBSettingsView</name>
    <message>
        <source>RGB Settings</source>
        <translation>Réglages RVB</translation>
    </message>
    <message>
        <source>Effect</source>
        <translation>Effet</translation>
    </message>
    <message>
        <source>LED On</source>
        <translation>LED allumée</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Color &amp; Brightness</source>
        <translation>Couleur &amp; luminosité</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Couleur</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Fallback</source>
        <translation>Couleur par défaut</translation>
    </message>
    <message>
        <source>Use as fallback when no rule is active</source>
        <translation>Utiliser par défaut quand aucune règle n’est active</translation>
    </message>
    <message>
        <source>White Channel</source>
        <translation>Canal blanc</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Blanc</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Clignotement</translation>
    </message>
    <message>
        <source>Flash when off</source>
        <translation>Clignoter quand éteinte</translation>
    </message>
    <message>
        <source>Flash Color</source>
        <translation>Couleur du clignotement</translation>
    </message>
    <message>
        <source> ms</source>
        <translation>&#xa0;ms</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Style</translation>
    </message>
    <message>
        <source>Pulses</source>
        <translation>Impulsions</translation>
    </message>
    <message>
        <source>Suspend Behavior</source>
        <translation>Comportement en veille</translation>
    </message>
    <message>
        <source>When host sleeps</source>
        <translation>Quand l’ordinateur est en veille</translation>
    </message>
    <message>
        <source>Breathe Sweep</source>
        <translation>Amplitude de la respiration</translation>
    </message>
    <message>
        <source>Breathing style</source>
        <translation>Style de respiration</translation>
    </message>
</context>
<context>
    <name>SingleInstanceGuard</name>
    <message>
        <source>%1 is not a folder, so %2 cannot be made</source>
        <translation>%1 n’est pas un dossier, %2 ne peut donc pas être créé</translation>
    </message>
    <message>
        <source>%1 cannot be used</source>
        <translation>%1 est inutilisable</translation>
    </message>
    <message>
        <source>%1 is not writable, so %2 cannot be made</source>
        <translation>%1 n’est pas accessible en écriture, %2 ne peut donc pas être créé</translation>
    </message>
    <message>
        <source>%1 could not be made (is the disk full?)</source>
        <translation>%1 n’a pas pu être créé (le disque est-il plein&#xa0;?)</translation>
    </message>
    <message>
        <source>%1 is not a lock file, but stands where the lock file goes</source>
        <translation>%1 n’est pas un fichier de verrou, mais occupe l’emplacement du fichier de verrou</translation>
    </message>
    <message>
        <source>the lock file %1 cannot be made: %2 may not be written (does another user own it?)</source>
        <translation>le fichier de verrou %1 ne peut pas être créé&#xa0;: écriture interdite dans %2 (appartient-il à un autre utilisateur&#xa0;?)</translation>
    </message>
    <message>
        <source>the lock file %1 cannot be written (is the disk full or read-only?)</source>
        <translation>le fichier de verrou %1 ne peut pas être écrit (le disque est-il plein ou en lecture seule&#xa0;?)</translation>
    </message>
</context>
<context>
    <name>StatusRule</name>
    <message>
        <source>Screen Locked</source>
        <translation>Écran verrouillé</translation>
    </message>
    <message>
        <source>AI Execution</source>
        <translation>IA en cours d’exécution</translation>
    </message>
    <message>
        <source>Meeting Soon</source>
        <translation>Réunion imminente</translation>
    </message>
    <message>
        <source>Screen Shared</source>
        <translation>Écran partagé</translation>
    </message>
    <message>
        <source>Mic In Use (Recording)</source>
        <translation>Micro utilisé (enregistrement)</translation>
    </message>
    <message>
        <source>Camera In Use</source>
        <translation>Caméra utilisée</translation>
    </message>
    <message>
        <source>In Meeting</source>
        <translation>En réunion</translation>
    </message>
    <message>
        <source>Terminal Active</source>
        <translation>Terminal actif</translation>
    </message>
    <message>
        <source>VPN Disconnected</source>
        <translation>VPN déconnecté</translation>
    </message>
    <message>
        <source>Mic Muted</source>
        <translation>Micro coupé</translation>
    </message>
    <message>
        <source>Mic Live</source>
        <translation>Micro actif</translation>
    </message>
    <message>
        <source>Do Not Disturb</source>
        <translation>Ne pas déranger</translation>
    </message>
</context>
<context>
    <name>StatusRuleRowWidget</name>
    <message>
        <source>Finish effect</source>
        <translation>Effet de fin</translation>
    </message>
    <message>
        <source>s</source>
        <translation>&#xa0;s</translation>
    </message>
</context>
<context>
    <name>StatusRulesPresenter</name>
    <message>
        <source>Status Rules</source>
        <translation>Règles d’état</translation>
    </message>
    <message>
        <source>Drag a rule by its handle, or press Ctrl+Shift+Up or Ctrl+Shift+Down to move the focused rule.</source>
        <translation>Faites glisser une règle par sa poignée, ou appuyez sur Ctrl+Maj+Haut ou Ctrl+Maj+Bas pour déplacer la règle sélectionnée.</translation>
    </message>
    <message>
        <source>Highest priority first -- drag to reorder. The topmost enabled rule whose condition is currently true wins the LED.</source>
        <translation>Priorité la plus haute en premier – faites glisser pour réordonner. La première règle activée dont la condition est remplie commande la LED.</translation>
    </message>
    <message>
        <source>%1s</source>
        <extracomment>seconds, as the finish step&apos;s stepper shows them</extracomment>
        <translation>%1&#xa0;s</translation>
    </message>
    <message>
        <source>%1 enabled</source>
        <translation>%1 activée</translation>
    </message>
    <message>
        <source>%1 effect</source>
        <translation>Effet de %1</translation>
    </message>
    <message>
        <source>%1 color</source>
        <translation>Couleur de %1</translation>
    </message>
    <message>
        <source>%1 finish effect</source>
        <translation>Effet de fin de %1</translation>
    </message>
    <message>
        <source>Finish effect for %1</source>
        <translation>Effet de fin pour %1</translation>
    </message>
    <message>
        <source>%1 finish color</source>
        <translation>Couleur de fin de %1</translation>
    </message>
    <message>
        <source>%1 finish duration in seconds</source>
        <translation>Durée de fin de %1 en secondes</translation>
    </message>
    <message>
        <source>All Calendars</source>
        <translation>Tous les agendas</translation>
    </message>
    <message>
        <source>No Calendars</source>
        <translation>Aucun agenda</translation>
    </message>
    <message>
        <source>Calendars (%1/%2)</source>
        <translation>Agendas (%1/%2)</translation>
    </message>
    <message>
        <source>Calendars included in Meeting Soon / In Meeting:</source>
        <translation>Agendas pris en compte pour «&#xa0;Réunion imminente&#xa0;» / «&#xa0;En réunion&#xa0;»&#xa0;:</translation>
    </message>
    <message>
        <source>Your addresses:</source>
        <translation>Vos adresses&#xa0;:</translation>
    </message>
    <message>
        <source>you@example.com, you@work.example</source>
        <translation>vous@example.com, vous@travail.example</translation>
    </message>
    <message>
        <source>The addresses your meeting invitations go to, separated by commas. Meetings you declined under one of them do not count.</source>
        <translation>Les adresses auxquelles vous recevez vos invitations, séparées par des virgules. Les réunions refusées sous l’une d’elles ne comptent pas.</translation>
    </message>
</context>
<context>
    <name>TamselDesktopApp</name>
    <message>
        <source>Kestrix is already running.</source>
        <translation>Kestrix est déjà en cours d’exécution.</translation>
    </message>
</context>
<context>
    <name>TarnUpdateError</name>
    <message>
        <source>TARN Update Failed: Couldn&apos;t Download, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: téléchargement impossible, réessayer</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Reverted, Still On Old Firmware, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: l’appareil est revenu à l’ancien micrologiciel, réessayer</translation>
    </message>
    <message>
        <source>TARN Update Unavailable: Published Image Too Large for This Device</source>
        <translation>Mise à jour TARN indisponible&#xa0;: image publiée trop grande pour cet appareil</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Rejected Image Size, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: taille d’image refusée par l’appareil, réessayer</translation>
    </message>
    <message>
        <source>TARN Update Failed: Another Update Already In Progress, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: une autre mise à jour est déjà en cours, réessayer</translation>
    </message>
    <message>
        <source>TARN Update Unavailable: This Unit Needs a One-Time Manual Reflash</source>
        <translation>Mise à jour TARN indisponible&#xa0;: cet appareil doit être reflashé une fois à la main</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Flash Write Error, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: erreur d’écriture de la mémoire flash, réessayer</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Protocol Error, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: erreur de protocole de l’appareil, réessayer</translation>
    </message>
    <message>
        <source>TARN Update Failed: Connection Desynced, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: connexion désynchronisée, réessayer</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Stopped Responding, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: l’appareil ne répond plus, réessayer</translation>
    </message>
    <message>
        <source>TARN Update Failed: Checksum Rejected, Old Firmware Still Running, Retry</source>
        <translation>Échec de la mise à jour TARN&#xa0;: somme de contrôle refusée, l’ancien micrologiciel fonctionne toujours, réessayer</translation>
    </message>
    <message>
        <source>TARN Update: Device Hasn&apos;t Reconnected Yet, Retry</source>
        <translation>Mise à jour TARN&#xa0;: l’appareil ne s’est pas encore reconnecté, réessayer</translation>
    </message>
</context>
<context>
    <name>TarnUpdatePresenter</name>
    <message>
        <source>Idle.</source>
        <translation>En attente.</translation>
    </message>
    <message>
        <source>Checking for an update…</source>
        <translation>Recherche d’une mise à jour…</translation>
    </message>
    <message>
        <source>Up to date (%1).</source>
        <translation>À jour (%1).</translation>
    </message>
    <message>
        <source>Update available: %1 → %2.</source>
        <translation>Mise à jour disponible&#xa0;: %1 → %2.</translation>
    </message>
    <message>
        <source>Downloading the firmware image…</source>
        <translation>Téléchargement de l’image du micrologiciel…</translation>
    </message>
    <message>
        <source>Transferring to the device…</source>
        <translation>Transfert vers l’appareil…</translation>
    </message>
    <message>
        <source>Verifying on the device (flash read-back check)…</source>
        <translation>Vérification sur l’appareil (relecture de la mémoire flash)…</translation>
    </message>
    <message numerus="yes">
        <source>Waiting for the device to reboot (up to %n seconds)…</source>
        <translation>
            <numerusform>Attente du redémarrage de l’appareil (jusqu’à %n seconde)…</numerusform>
            <numerusform>Attente du redémarrage de l’appareil (jusqu’à %n secondes)…</numerusform>
        </translation>
    </message>
    <message>
        <source>Confirming the new version…</source>
        <translation>Confirmation de la nouvelle version…</translation>
    </message>
    <message>
        <source>Succeeded. Now running %1.</source>
        <translation>Réussi. Version en service&#xa0;: %1.</translation>
    </message>
    <message>
        <source>TARN Firmware Update</source>
        <translation>Mise à jour du micrologiciel TARN</translation>
    </message>
    <message>
        <source>Check for TARN Update…</source>
        <translation>Rechercher une mise à jour TARN…</translation>
    </message>
    <message>
        <source>Checking for TARN Update…</source>
        <translation>Recherche d’une mise à jour TARN…</translation>
    </message>
    <message>
        <source>Check for TARN Update (Up to Date, %1)</source>
        <translation>Rechercher une mise à jour TARN (à jour, %1)</translation>
    </message>
    <message>
        <source>TARN Update Available: %1 → %2</source>
        <translation>Mise à jour TARN disponible&#xa0;: %1 → %2</translation>
    </message>
    <message>
        <source>Downloading TARN Update…</source>
        <translation>Téléchargement de la mise à jour TARN…</translation>
    </message>
    <message>
        <source>Updating TARN Firmware… %1%</source>
        <translation>Mise à jour du micrologiciel TARN… %1&#xa0;%</translation>
    </message>
    <message>
        <source>Verifying TARN Update…</source>
        <translation>Vérification de la mise à jour TARN…</translation>
    </message>
    <message>
        <source>Rebooting Device (up to %1s)…</source>
        <translation>Redémarrage de l’appareil (jusqu’à %1&#xa0;s)…</translation>
    </message>
    <message>
        <source>Confirming Update…</source>
        <translation>Confirmation de la mise à jour…</translation>
    </message>
    <message>
        <source>TARN Update Succeeded: %1</source>
        <translation>Mise à jour TARN réussie&#xa0;: %1</translation>
    </message>
    <message numerus="yes">
        <source>%1 / %n bytes</source>
        <translation>
            <numerusform>%1 / %n octet</numerusform>
            <numerusform>%1 / %n octets</numerusform>
        </translation>
    </message>
    <message>
        <source>Firmware transfer</source>
        <translation>Transfert du micrologiciel</translation>
    </message>
</context>
<context>
    <name>TarnUpdateProgressView</name>
    <message>
        <source>TARN Firmware Update</source>
        <translation>Mise à jour du micrologiciel TARN</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Réessayer</translation>
    </message>
</context>
<context>
    <name>TimerPresenter</name>
    <message>
        <source>Work</source>
        <translation>Travail</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Long break</source>
        <translation>Pause longue</translation>
    </message>
    <message>
        <source>Timer…</source>
        <translation>Minuteur…</translation>
    </message>
    <message>
        <source>Timer: Time&apos;s up!</source>
        <translation>Minuteur&#xa0;: temps écoulé&#xa0;!</translation>
    </message>
    <message>
        <source>Timer: %1 %2</source>
        <translation>Minuteur&#xa0;: %1 %2</translation>
    </message>
    <message>
        <source>Timer: %1</source>
        <translation>Minuteur&#xa0;: %1</translation>
    </message>
    <message>
        <source>cycle %1 / %2</source>
        <translation>cycle %1 / %2</translation>
    </message>
    <message>
        <source>cycle %1</source>
        <translation>cycle %1</translation>
    </message>
    <message>
        <source>Time&apos;s up!</source>
        <translation>Temps écoulé&#xa0;!</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Duration: </source>
        <translation>Durée&#xa0;: </translation>
    </message>
    <message>
        <source> min</source>
        <translation>&#xa0;min</translation>
    </message>
    <message>
        <source>Work: </source>
        <translation>Travail&#xa0;: </translation>
    </message>
    <message>
        <source>Break: </source>
        <translation>Pause&#xa0;: </translation>
    </message>
    <message>
        <source>Long break: </source>
        <translation>Pause longue&#xa0;: </translation>
    </message>
    <message>
        <source>Long break every</source>
        <translation>Pause longue tous les</translation>
    </message>
    <message>
        <source>Long break every: </source>
        <translation>Pause longue tous les&#xa0;: </translation>
    </message>
    <message>
        <source> cycles</source>
        <translation> cycles</translation>
    </message>
    <message>
        <source>Total cycles</source>
        <translation>Nombre total de cycles</translation>
    </message>
    <message>
        <source>Total cycles: </source>
        <translation>Nombre total de cycles&#xa0;: </translation>
    </message>
</context>
<context>
    <name>TimerView</name>
    <message>
        <source>Timer</source>
        <translation>Minuteur</translation>
    </message>
    <message>
        <source>Alert color</source>
        <translation>Couleur d’alerte</translation>
    </message>
    <message>
        <source>Alert effect</source>
        <translation>Effet d’alerte</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Démarrer</translation>
    </message>
    <message>
        <source>Start timer</source>
        <translation>Démarrer le minuteur</translation>
    </message>
    <message>
        <source>Pomodoro Timer</source>
        <translation>Minuteur Pomodoro</translation>
    </message>
    <message>
        <source>Work color</source>
        <translation>Couleur du travail</translation>
    </message>
    <message>
        <source>Work effect</source>
        <translation>Effet du travail</translation>
    </message>
    <message>
        <source>Break color</source>
        <translation>Couleur de la pause</translation>
    </message>
    <message>
        <source>Break effect</source>
        <translation>Effet de la pause</translation>
    </message>
    <message>
        <source>Long break color</source>
        <translation>Couleur de la pause longue</translation>
    </message>
    <message>
        <source>Long break effect</source>
        <translation>Effet de la pause longue</translation>
    </message>
    <message>
        <source>Limit session</source>
        <translation>Limiter la session</translation>
    </message>
    <message>
        <source>Start pomodoro</source>
        <translation>Démarrer le pomodoro</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Stop pomodoro</source>
        <translation>Arrêter le pomodoro</translation>
    </message>
</context>
<context>
    <name>TrayMenu</name>
    <message>
        <source>Preset</source>
        <translation>Préréglage</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Système</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Multimédia</translation>
    </message>
</context>
<context>
    <name>UninstallConfirmation</name>
    <message>
        <source>This deletes the app and its settings and support folder (with any calendars linked there).</source>
        <translation>Cette action supprime l’application ainsi que son dossier de réglages et de données (avec les agendas qui y sont liés).</translation>
    </message>
    <message>
        <source>This deletes Kestrix&apos;s settings and support folder (with any calendars linked there). The app itself belongs to the package &quot;%1&quot;: remove that with your package manager (for example: sudo apt remove %1).</source>
        <translation>Cette action supprime le dossier de réglages et de données de Kestrix (avec les agendas qui y sont liés). L’application elle-même appartient au paquet «&#xa0;%1&#xa0;»&#xa0;: supprimez-le avec votre gestionnaire de paquets (par exemple&#xa0;: sudo apt remove %1).</translation>
    </message>
    <message>
        <source>This deletes Kestrix&apos;s settings and support folder (with any calendars linked there). The app&apos;s own files in %1 stay; delete them yourself.</source>
        <translation>Cette action supprime le dossier de réglages et de données de Kestrix (avec les agendas qui y sont liés). Les fichiers de l’application dans %1 restent en place&#xa0;; supprimez-les vous-même.</translation>
    </message>
    <message>
        <source>Uninstall Kestrix?</source>
        <translation>Désinstaller Kestrix&#xa0;?</translation>
    </message>
    <message>
        <source>Your Dorvel device and its saved settings are not affected -- this only removes Kestrix from this computer.</source>
        <translation>Votre appareil Dorvel et ses réglages enregistrés ne sont pas touchés – seul Kestrix est retiré de cet ordinateur.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Désinstaller</translation>
    </message>
</context>
<context>
    <name>UnitSlider</name>
    <message>
        <source>%1%</source>
        <extracomment>a percentage, as the language writes it (&quot;50 %&quot; in German)</extracomment>
        <translation>%1&#xa0;%</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Kestrix is already running.</source>
        <translation>Kestrix est déjà en cours d’exécution.</translation>
    </message>
    <message>
        <source>Kestrix can&apos;t start: %1.</source>
        <translation>Kestrix ne peut pas démarrer&#xa0;: %1.</translation>
    </message>
</context>
</TS>
