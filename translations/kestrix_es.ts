<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
<context>
    <name>AppUpdateError</name>
    <message>
        <source>Couldn&apos;t download the update</source>
        <translation>No se pudo descargar la actualización</translation>
    </message>
    <message>
        <source>Couldn&apos;t open the downloaded disk image</source>
        <translation>No se pudo abrir el archivo descargado</translation>
    </message>
    <message>
        <source>Downloaded disk image didn&apos;t contain Kestrix.app</source>
        <translation>El archivo descargado no contenía Kestrix.app</translation>
    </message>
    <message>
        <source>Downloaded app failed signature verification</source>
        <translation>La firma de la aplicación descargada no es válida</translation>
    </message>
    <message>
        <source>This copy of Kestrix can&apos;t replace itself; update it through your package manager</source>
        <translation>Esta copia de Kestrix no puede reemplazarse a sí misma; actualícela con su gestor de paquetes</translation>
    </message>
    <message>
        <source>Couldn&apos;t start installing the update</source>
        <translation>No se pudo iniciar la instalación de la actualización</translation>
    </message>
</context>
<context>
    <name>AppUpdatePresenter</name>
    <message>
        <source>Idle.</source>
        <translation>En espera.</translation>
    </message>
    <message>
        <source>Checking for an update…</source>
        <translation>Buscando una actualización…</translation>
    </message>
    <message>
        <source>Up to date.</source>
        <translation>Actualizado.</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates.</source>
        <translation>No se pudieron buscar actualizaciones.</translation>
    </message>
    <message>
        <source>Update available: v%1.</source>
        <translation>Actualización disponible: v%1.</translation>
    </message>
    <message>
        <source>Downloading v%1…</source>
        <translation>Descargando la v%1…</translation>
    </message>
    <message>
        <source>Verifying v%1&apos;s signature…</source>
        <translation>Verificando la firma de la v%1…</translation>
    </message>
    <message>
        <source>v%1 is ready. Installing relaunches Kestrix -- any in-progress TARN firmware update should finish first.</source>
        <translation>La v%1 está lista. Al instalarla, Kestrix se reinicia: cualquier actualización del firmware TARN en curso debería terminar antes.</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Buscar actualizaciones…</translation>
    </message>
    <message>
        <source>Checking for Updates…</source>
        <translation>Buscando actualizaciones…</translation>
    </message>
    <message>
        <source>Check for Updates</source>
        <translation>Buscar actualizaciones</translation>
    </message>
    <message>
        <source>Couldn&apos;t Check for Updates, Retry</source>
        <translation>No se pudieron buscar actualizaciones, reintentar</translation>
    </message>
    <message>
        <source>Update Available: v%1</source>
        <translation>Actualización disponible: v%1</translation>
    </message>
    <message>
        <source>Verifying v%1…</source>
        <translation>Verificando la v%1…</translation>
    </message>
    <message>
        <source>v%1 Ready, Install and Relaunch</source>
        <translation>v%1 lista, instalar y reiniciar</translation>
    </message>
    <message>
        <source>%1, Retry</source>
        <translation>%1, reintentar</translation>
    </message>
</context>
<context>
    <name>AppUpdateProgressView</name>
    <message>
        <source>Kestrix Update</source>
        <translation>Actualización de Kestrix</translation>
    </message>
    <message>
        <source>Install and Relaunch</source>
        <translation>Instalar y reiniciar</translation>
    </message>
    <message>
        <source>Cancel Download</source>
        <translation>Cancelar la descarga</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Reintentar</translation>
    </message>
    <message>
        <source>Open in Browser Instead</source>
        <translation>Abrir en el navegador</translation>
    </message>
</context>
<context>
    <name>ColorButton</name>
    <message>
        <source>No color</source>
        <translation>Sin color</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Negro</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Blanco</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Gris</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rojo</translation>
    </message>
    <message>
        <source>Dark Red</source>
        <translation>Rojo oscuro</translation>
    </message>
    <message>
        <source>Orange</source>
        <translation>Naranja</translation>
    </message>
    <message>
        <source>Dark Orange</source>
        <translation>Naranja oscuro</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Amarillo</translation>
    </message>
    <message>
        <source>Dark Yellow</source>
        <translation>Amarillo oscuro</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Verde</translation>
    </message>
    <message>
        <source>Dark Green</source>
        <translation>Verde oscuro</translation>
    </message>
    <message>
        <source>Cyan</source>
        <translation>Cian</translation>
    </message>
    <message>
        <source>Dark Cyan</source>
        <translation>Cian oscuro</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Azul</translation>
    </message>
    <message>
        <source>Dark Blue</source>
        <translation>Azul oscuro</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Morado</translation>
    </message>
    <message>
        <source>Dark Purple</source>
        <translation>Morado oscuro</translation>
    </message>
    <message>
        <source>Pink</source>
        <translation>Rosa</translation>
    </message>
    <message>
        <source>Dark Pink</source>
        <translation>Rosa oscuro</translation>
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
Kestrix se ejecuta en la bandeja del sistema de una sesión de escritorio y se inicia con ella una vez instalado.
Sin sesión de escritorio solo se ejecuta si se pide la plataforma offscreen de Qt
(QT_QPA_PLATFORM=offscreen).

Entorno:
  KESTRIX_DEVICE_BUS       carpeta de un bus de dispositivos simulado (kestrix-devsim) en lugar de hidraw
  KESTRIX_UPDATE_BASE_URL  URL base del servidor de actualizaciones
  QT_LOGGING_RULES         diagnóstico por subsistema, p. ej. &quot;kestrix.device*=true&quot;
                           (kestrix.device, .signals, .rules, .timers, .firmware, .update)
</translation>
    </message>
    <message>
        <source>Desktop companion of the Dorvel: binds its button, sets its LED and turns the LED
into a status light for your microphone, camera, VPN, meetings and scripts.</source>
        <translation>Compañero del Dorvel: asigna su botón, ajusta su LED y convierte el LED
en una luz de estado para su micrófono, cámara, VPN, reuniones y scripts.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Mostrar esta ayuda y salir.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Mostrar la versión y salir.</translation>
    </message>
    <message>
        <source>Print one line for each device attach, firmware run, update and failure (diagnostics of every subsystem).</source>
        <translation>Mostrar una línea por cada conexión de dispositivo, actualización del firmware, actualización y error (diagnóstico de todos los subsistemas).</translation>
    </message>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation>Pruebe «%1 --help».</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>Uso: %1 [opciones]</translation>
    </message>
    <message>
        <source>%1: unexpected argument &apos;%2&apos;. %3</source>
        <translation>%1: argumento inesperado «%2». %3</translation>
    </message>
    <message>
        <source>%1: the display platform &apos;%2&apos; has no desktop session to show on; run Kestrix from your desktop, or headless with QT_QPA_PLATFORM=offscreen.</source>
        <translation>%1: la plataforma de visualización «%2» no tiene ninguna sesión de escritorio en la que mostrarse; ejecute Kestrix desde su escritorio, o sin pantalla con QT_QPA_PLATFORM=offscreen.</translation>
    </message>
    <message>
        <source>%1: needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set); run it from your desktop, or headless with QT_QPA_PLATFORM=offscreen.</source>
        <translation>%1: necesita una sesión de escritorio (no están definidas ni DISPLAY ni WAYLAND_DISPLAY); ejecútelo desde su escritorio, o sin pantalla con QT_QPA_PLATFORM=offscreen.</translation>
    </message>
</context>
<context>
    <name>CustomShortcutPresenter</name>
    <message>
        <source>Return</source>
        <translation>Intro</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>Retroceso</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Espacio</translation>
    </message>
    <message>
        <source>Del</source>
        <translation>Supr</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Derecha</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Izquierda</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Abajo</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Arriba</translation>
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
        <translation>Mayús</translation>
    </message>
    <message>
        <source>Super</source>
        <translation>Súper</translation>
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
        <translation>Repeticiones: %1</translation>
    </message>
    <message>
        <source>Custom Shortcut</source>
        <translation>Atajo personalizado</translation>
    </message>
    <message>
        <source>Press your key combination…</source>
        <translation>Pulse su combinación de teclas…</translation>
    </message>
    <message>
        <source>Click to record key combo</source>
        <translation>Pulse para grabar una combinación</translation>
    </message>
    <message>
        <source>Repeat gap: %1</source>
        <translation>Pausa entre repeticiones: %1</translation>
    </message>
    <message>
        <source>Currently bound: %1</source>
        <translation>Asignado actualmente: %1</translation>
    </message>
</context>
<context>
    <name>CustomShortcutRecorderView</name>
    <message>
        <source>Custom Shortcut</source>
        <translation>Atajo personalizado</translation>
    </message>
    <message>
        <source>Key combination to bind</source>
        <translation>Combinación de teclas que asignar</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Repeticiones</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Repeat gap</source>
        <translation>Pausa entre repeticiones</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Aplicar</translation>
    </message>
</context>
<context>
    <name>LEDEffects</name>
    <message>
        <source>Solid</source>
        <translation>Fijo</translation>
    </message>
    <message>
        <source>Pulsing</source>
        <translation>Pulsante</translation>
    </message>
    <message>
        <source>Breathe (slow)</source>
        <translation>Respiración (lenta)</translation>
    </message>
    <message>
        <source>Hue Cycle</source>
        <translation>Ciclo de tonos</translation>
    </message>
    <message>
        <source>Rainbow Swirl</source>
        <translation>Remolino arcoíris</translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Degradado</translation>
    </message>
    <message>
        <source>Twinkle</source>
        <translation>Centelleo</translation>
    </message>
    <message>
        <source>Twinkle (Random)</source>
        <translation>Centelleo (aleatorio)</translation>
    </message>
    <message>
        <source>Knight (Rotating Scanner)</source>
        <translation>Barrido (giratorio)</translation>
    </message>
</context>
<context>
    <name>LedLabels</name>
    <message>
        <source>Solid</source>
        <translation>Fijo</translation>
    </message>
    <message>
        <source>Breathe (slow)</source>
        <translation>Respiración (lenta)</translation>
    </message>
    <message>
        <source>Breathe (fast)</source>
        <translation>Respiración (rápida)</translation>
    </message>
    <message>
        <source>Hue Cycle</source>
        <translation>Ciclo de tonos</translation>
    </message>
    <message>
        <source>Rainbow Swirl</source>
        <translation>Remolino arcoíris</translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Degradado</translation>
    </message>
    <message>
        <source>Twinkle</source>
        <translation>Centelleo</translation>
    </message>
    <message>
        <source>Twinkle (Random)</source>
        <translation>Centelleo (aleatorio)</translation>
    </message>
    <message>
        <source>Knight</source>
        <translation>Barrido</translation>
    </message>
</context>
<context>
    <name>LegalAgreementPresenter</name>
    <message>
        <source>Kestrix Terms of Use</source>
        <translation>Condiciones de uso de Kestrix</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Resumen</translation>
    </message>
    <message>
        <source>Kestrix sets up your Dorvel device and drives its status light. It runs on your computer and needs no account.</source>
        <translation>Kestrix configura su dispositivo Dorvel y controla su luz de estado. Se ejecuta en su equipo y no necesita ninguna cuenta.</translation>
    </message>
    <message>
        <source>It looks at your microphone, camera, VPN and calendar only to choose the light&apos;s colour. It never records audio or video, never reads what your meetings are about, and sends none of this anywhere.</source>
        <translation>Observa su micrófono, su cámara, su VPN y su calendario solo para elegir el color de la luz. Nunca graba audio ni vídeo, nunca lee de qué tratan sus reuniones y no envía nada de esto a ninguna parte.</translation>
    </message>
    <message>
        <source>It goes online only to check for and download updates of the app and of the device&apos;s firmware.</source>
        <translation>Solo se conecta a Internet para buscar y descargar actualizaciones de la aplicación y del firmware del dispositivo.</translation>
    </message>
    <message>
        <source>Your settings stay on your computer.</source>
        <translation>Sus ajustes se quedan en su equipo.</translation>
    </message>
    <message>
        <source>The app and the device come as they are; our liability is limited as set out below.</source>
        <translation>La aplicación y el dispositivo se ofrecen tal cual; nuestra responsabilidad está limitada según se indica más abajo.</translation>
    </message>
    <message>
        <source>If you do not agree, choose Decline and the app quits.</source>
        <translation>Si no está de acuerdo, elija «Rechazar» y la aplicación se cerrará.</translation>
    </message>
    <message>
        <source>1. Agreement</source>
        <translation>1. Acuerdo</translation>
    </message>
    <message>
        <source>These terms are an agreement between you and %1 about the Kestrix application (&quot;the app&quot;). By choosing Accept you confirm that you have read them and agree to them. If you use the app for an organisation, you accept them on its behalf and confirm that you may do so.</source>
        <translation>Estas condiciones son un acuerdo entre usted y %1 sobre la aplicación Kestrix («la aplicación»). Al elegir «Aceptar» confirma que las ha leído y que está de acuerdo con ellas. Si usa la aplicación en nombre de una organización, las acepta en su nombre y confirma que está autorizado para hacerlo.</translation>
    </message>
    <message>
        <source>2. What the App Does</source>
        <translation>2. Qué hace la aplicación</translation>
    </message>
    <message>
        <source>The app is a companion to the Dorvel, a one-button USB device with a coloured light. It binds the button to an action or a key combination, sets the light&apos;s own behaviour, turns the light into a status light that follows signals of your computer, runs countdown and pomodoro timers on it, and updates the device&apos;s firmware and the app itself.</source>
        <translation>La aplicación acompaña al Dorvel, un dispositivo USB de un solo botón con una luz de colores. Asigna al botón una acción o una combinación de teclas, ajusta el comportamiento propio de la luz, la convierte en una luz de estado que sigue las señales de su equipo, ejecuta en ella temporizadores de cuenta atrás y pomodoro, y actualiza el firmware del dispositivo y la propia aplicación.</translation>
    </message>
    <message>
        <source>3. Licence</source>
        <translation>3. Licencia</translation>
    </message>
    <message>
        <source>%1 grants you a personal, non-exclusive, non-transferable and revocable licence to install and use the app on computers you own or control, for use with Dorvel devices. All rights not expressly granted remain with %1.</source>
        <translation>%1 le concede una licencia personal, no exclusiva, intransferible y revocable para instalar y usar la aplicación en los equipos que posea o controle, para su uso con dispositivos Dorvel. Todos los derechos no concedidos expresamente siguen siendo de %1.</translation>
    </message>
    <message>
        <source>4. Restrictions</source>
        <translation>4. Restricciones</translation>
    </message>
    <message>
        <source>You may not sell, rent or sublicense the app, remove its notices, or use it to harm others or to break the law. Where the law allows you to study or adapt the app regardless of these terms, that right is not affected.</source>
        <translation>No puede vender, alquilar ni sublicenciar la aplicación, quitar sus avisos ni usarla para perjudicar a otros o infringir la ley. Cuando la ley le permita estudiar o adaptar la aplicación con independencia de estas condiciones, ese derecho no se ve afectado.</translation>
    </message>
    <message>
        <source>5. What the App Reads on Your Computer</source>
        <translation>5. Qué lee la aplicación en su equipo</translation>
    </message>
    <message>
        <source>To decide the light&apos;s colour the app reads whether your microphone is muted or in use, whether a camera is in use, whether a VPN connection is up, the start and end times of your calendar events and your response to them, and the names and values that your own scripts report to it. It reads these only while it runs and keeps only their latest state in memory.</source>
        <translation>Para decidir el color de la luz, la aplicación lee si su micrófono está silenciado o en uso, si hay una cámara en uso, si hay una conexión VPN activa, las horas de inicio y fin de sus eventos de calendario y su respuesta a ellos, y los nombres y valores que le comunican sus propios scripts. Solo los lee mientras se ejecuta y solo guarda en memoria su último estado.</translation>
    </message>
    <message>
        <source>6. What the App Does Not Collect</source>
        <translation>6. Qué no recopila la aplicación</translation>
    </message>
    <message>
        <source>The app does not record, store or transmit audio, video, calendar content, keystrokes or files. It contains no analytics, advertising or tracking, and it does not create an account or a profile of you. Key combinations you record are sent only to your device.</source>
        <translation>La aplicación no graba, almacena ni transmite audio, vídeo, contenido del calendario, pulsaciones de teclas ni archivos. No contiene analíticas, publicidad ni seguimiento, y no crea ninguna cuenta ni perfil sobre usted. Las combinaciones de teclas que grabe solo se envían a su dispositivo.</translation>
    </message>
    <message>
        <source>7. Settings Stored Locally</source>
        <translation>7. Ajustes guardados localmente</translation>
    </message>
    <message>
        <source>Your status rules, light settings and the version of these terms you accepted are kept in a settings file in your user folder. The device keeps its own button binding and light settings. Deleting the settings file resets the app; it does not reset the device.</source>
        <translation>Sus reglas de estado, los ajustes de la luz y la versión de estas condiciones que aceptó se guardan en un archivo de ajustes en su carpeta de usuario. El dispositivo guarda por sí mismo la asignación de su botón y los ajustes de la luz. Borrar el archivo de ajustes restablece la aplicación, pero no el dispositivo.</translation>
    </message>
    <message>
        <source>8. Network Connections</source>
        <translation>8. Conexiones de red</translation>
    </message>
    <message>
        <source>The app contacts the update server of %1 to check for new versions of the app and of the device&apos;s firmware and to download them. These requests carry no personal data beyond what every connection reveals, such as your network address, which the server keeps only as long as needed to run and protect the service. The app makes no other connections of its own.</source>
        <translation>La aplicación contacta con el servidor de actualizaciones de %1 para buscar nuevas versiones de la aplicación y del firmware del dispositivo y descargarlas. Estas solicitudes no contienen más datos personales que los que revela cualquier conexión, como su dirección de red, que el servidor conserva solo el tiempo necesario para prestar y proteger el servicio. La aplicación no establece ninguna otra conexión por su cuenta.</translation>
    </message>
    <message>
        <source>9. The Device</source>
        <translation>9. El dispositivo</translation>
    </message>
    <message>
        <source>The device acts on the binding and light settings stored in it, also when the app is not running. A key combination bound to the button is typed by the device as a keyboard into whatever has focus; you are responsible for the combinations you choose and where you press them.</source>
        <translation>El dispositivo actúa según la asignación y los ajustes de luz guardados en él, también cuando la aplicación no se está ejecutando. El dispositivo escribe la combinación de teclas asignada al botón, como un teclado, en el elemento que tenga el foco; usted es responsable de las combinaciones que elija y de dónde las pulse.</translation>
    </message>
    <message>
        <source>10. Firmware Updates</source>
        <translation>10. Actualizaciones del firmware</translation>
    </message>
    <message>
        <source>Firmware updates are offered for supported models and installed only when you start them. Keep the device plugged in until the update has finished. An interrupted update may leave the device unusable until it is updated again; %1 provides the means to recover it where the hardware allows.</source>
        <translation>Las actualizaciones del firmware se ofrecen para los modelos compatibles y solo se instalan cuando usted las inicia. Mantenga el dispositivo conectado hasta que termine la actualización. Una actualización interrumpida puede dejar el dispositivo inutilizable hasta que se actualice de nuevo; %1 proporciona los medios para recuperarlo cuando el hardware lo permite.</translation>
    </message>
    <message>
        <source>11. App Updates</source>
        <translation>11. Actualizaciones de la aplicación</translation>
    </message>
    <message>
        <source>The app checks for new versions and installs one only after you confirm, and only when the new version carries the signature of %1. Updates may change, add or remove features; these terms apply to every version unless new terms are presented to you.</source>
        <translation>La aplicación busca nuevas versiones y solo instala una después de que usted lo confirme, y solo si la nueva versión lleva la firma de %1. Las actualizaciones pueden cambiar, añadir o quitar funciones; estas condiciones se aplican a todas las versiones salvo que se le presenten condiciones nuevas.</translation>
    </message>
    <message>
        <source>12. Scripts and Local Signals</source>
        <translation>12. Scripts y señales locales</translation>
    </message>
    <message>
        <source>The app listens for signals from programs you run through a local socket that only your user account can reach. It does not run those programs and is not responsible for what they do.</source>
        <translation>La aplicación recibe señales de los programas que usted ejecuta a través de un socket local al que solo puede acceder su cuenta de usuario. No ejecuta esos programas y no es responsable de lo que hagan.</translation>
    </message>
    <message>
        <source>13. Permissions</source>
        <translation>13. Permisos</translation>
    </message>
    <message>
        <source>Some features need access that your operating system controls, such as the microphone status, cameras, calendars or the USB device itself. You can refuse or withdraw that access at any time; the features that depend on it then stop working.</source>
        <translation>Algunas funciones necesitan accesos que controla su sistema operativo, como el estado del micrófono, las cámaras, los calendarios o el propio dispositivo USB. Puede denegar o retirar ese acceso en cualquier momento; las funciones que dependen de él dejarán entonces de funcionar.</translation>
    </message>
    <message>
        <source>14. Third-Party Software</source>
        <translation>14. Software de terceros</translation>
    </message>
    <message>
        <source>The app includes open-source components that are licensed to you under their own licences, which prevail over these terms for those components. Their notices are shipped with the app.</source>
        <translation>La aplicación incluye componentes de código abierto que se le licencian bajo sus propias licencias, que prevalecen sobre estas condiciones para dichos componentes. Sus avisos se distribuyen con la aplicación.</translation>
    </message>
    <message>
        <source>15. Intellectual Property</source>
        <translation>15. Propiedad intelectual</translation>
    </message>
    <message>
        <source>The app, its name, its icons and its documentation belong to %1 or its licensors. These terms give you no right to use the names or marks of %1.</source>
        <translation>La aplicación, su nombre, sus iconos y su documentación pertenecen a %1 o a sus licenciantes. Estas condiciones no le otorgan ningún derecho a usar los nombres o marcas de %1.</translation>
    </message>
    <message>
        <source>16. Not a Safety Device</source>
        <translation>16. No es un dispositivo de seguridad</translation>
    </message>
    <message>
        <source>The status light is a convenience. Do not rely on it to tell whether your microphone or camera is live, or to warn you of anything where a wrong or missing light could cause harm; check your computer&apos;s own indicators.</source>
        <translation>La luz de estado es una comodidad. No confíe en ella para saber si su micrófono o su cámara están activos, ni para que le avise de algo en lo que una luz errónea o ausente pueda causar daños; consulte los indicadores de su propio equipo.</translation>
    </message>
    <message>
        <source>17. No Warranty</source>
        <translation>17. Sin garantía</translation>
    </message>
    <message>
        <source>The app is provided &quot;as is&quot; and &quot;as available&quot;, without warranties of any kind, express or implied, including fitness for a particular purpose and non-infringement, to the extent the law allows. The warranty of the device itself is the one stated with it at purchase.</source>
        <translation>En la medida en que la ley lo permita, la aplicación se ofrece «tal cual» y «según disponibilidad», sin garantías de ningún tipo, expresas o implícitas, incluidas la idoneidad para un fin determinado y la no infracción. La garantía del dispositivo es la indicada en el momento de la compra.</translation>
    </message>
    <message>
        <source>18. Limitation of Liability</source>
        <translation>18. Limitación de responsabilidad</translation>
    </message>
    <message>
        <source>To the extent the law allows, %1 is not liable for indirect, incidental or consequential damages, or for lost data, profits or time, arising from the use of the app. Nothing in these terms limits liability that cannot be limited by law, such as for intent, gross negligence or injury to persons.</source>
        <translation>En la medida en que la ley lo permita, %1 no es responsable de daños indirectos, incidentales o consecuentes, ni de la pérdida de datos, beneficios o tiempo derivada del uso de la aplicación. Nada en estas condiciones limita la responsabilidad que la ley no permite limitar, como en caso de dolo, negligencia grave o daños a las personas.</translation>
    </message>
    <message>
        <source>19. Changes to These Terms</source>
        <translation>19. Cambios en estas condiciones</translation>
    </message>
    <message>
        <source>%1 may update these terms. When a new version needs your agreement, the app asks for it again before you can use its features; until then the version you accepted applies.</source>
        <translation>%1 puede actualizar estas condiciones. Cuando una nueva versión necesite su conformidad, la aplicación se la volverá a pedir antes de que pueda usar sus funciones; hasta entonces se aplica la versión que aceptó.</translation>
    </message>
    <message>
        <source>20. Ending the Agreement and Governing Law</source>
        <translation>20. Finalización del acuerdo y ley aplicable</translation>
    </message>
    <message>
        <source>You may end this agreement at any time by uninstalling the app. It ends on its own if you break these terms. It is governed by the laws of the place where %1 is established, without taking away the protection that the consumer law of your country gives you.</source>
        <translation>Puede poner fin a este acuerdo en cualquier momento desinstalando la aplicación. Termina por sí mismo si usted incumple estas condiciones. Se rige por las leyes del lugar donde está establecida %1, sin privarle de la protección que le otorga la legislación de consumo de su país.</translation>
    </message>
    <message>
        <source>21. Contact</source>
        <translation>21. Contacto</translation>
    </message>
    <message>
        <source>Version %1 · Effective 1 December 2026 · Published at tamsel.example/legal/kestrix-terms</source>
        <translation>Versión %1 · En vigor desde el 1 de diciembre de 2026 · Publicada en tamsel.example/legal/kestrix-terms</translation>
    </message>
    <message>
        <source>You&apos;ve already agreed to these terms (version %1).</source>
        <translation>Ya ha aceptado estas condiciones (versión %1).</translation>
    </message>
</context>
<context>
    <name>LegalAgreementView</name>
    <message>
        <source>Legal Agreement</source>
        <translation>Condiciones de uso</translation>
    </message>
    <message>
        <source>I have read and agree to the terms above</source>
        <translation>He leído y acepto las condiciones anteriores</translation>
    </message>
    <message>
        <source>Decline</source>
        <translation>Rechazar</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>LinkNotices</name>
    <message>
        <source>No Dorvel connected</source>
        <translation>Ningún Dorvel conectado</translation>
    </message>
    <message>
        <source>Unavailable while the firmware update is running</source>
        <translation>No disponible mientras se actualiza el firmware</translation>
    </message>
</context>
<context>
    <name>MenuPresenter</name>
    <message numerus="yes">
        <source>%n Minutes</source>
        <translation>
            <numerusform>%n minuto</numerusform>
            <numerusform>%n minutos</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n Hour</source>
        <translation>
            <numerusform>%n hora</numerusform>
            <numerusform>%n horas</numerusform>
        </translation>
    </message>
    <message>
        <source>Until Tomorrow</source>
        <translation>Hasta mañana</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Reanudar</translation>
    </message>
    <message>
        <source>Toggle Mic Mute</source>
        <translation>Silenciar/activar el micrófono</translation>
    </message>
    <message>
        <source>Presets unavailable during the update</source>
        <translation>Acciones predefinidas no disponibles durante la actualización</translation>
    </message>
    <message>
        <source>RGB Settings…</source>
        <translation>Ajustes RGB…</translation>
    </message>
    <message>
        <source>Status Rules…</source>
        <translation>Reglas de estado…</translation>
    </message>
    <message>
        <source>Advanced Setup…</source>
        <translation>Configuración avanzada…</translation>
    </message>
    <message>
        <source>Feature Request…</source>
        <translation>Sugerir una función…</translation>
    </message>
    <message>
        <source>Uninstall Kestrix…</source>
        <translation>Desinstalar Kestrix…</translation>
    </message>
    <message>
        <source>Terms…</source>
        <translation>Condiciones de uso…</translation>
    </message>
    <message>
        <source>Quit Kestrix</source>
        <translation>Salir de Kestrix</translation>
    </message>
    <message>
        <source>Pause Status Light</source>
        <translation>Pausar la luz de estado</translation>
    </message>
    <message>
        <source>Paused until %1</source>
        <translation>En pausa hasta las %1</translation>
    </message>
    <message>
        <source>Kestrix — %1</source>
        <translation>Kestrix — %1</translation>
    </message>
    <message>
        <source>Dorvel found, no access</source>
        <translation>Dorvel encontrado, sin acceso</translation>
    </message>
    <message>
        <source>No Dorvel connected</source>
        <translation>Ningún Dorvel conectado</translation>
    </message>
    <message>
        <source>Pomodoro %1 %2</source>
        <translation>Pomodoro %1 %2</translation>
    </message>
    <message>
        <source>Timer: Time&apos;s up!</source>
        <translation>Temporizador: ¡Se acabó el tiempo!</translation>
    </message>
    <message>
        <source>Timer %1</source>
        <translation>Temporizador %1</translation>
    </message>
    <message>
        <source>Status light paused until %1</source>
        <translation>Luz de estado en pausa hasta las %1</translation>
    </message>
    <message>
        <source>%1 (finishing)</source>
        <translation>%1 (finalizando)</translation>
    </message>
    <message>
        <source>No status active, fallback color</source>
        <translation>Ningún estado activo, color de reserva</translation>
    </message>
    <message>
        <source>No status active, LED off</source>
        <translation>Ningún estado activo, LED apagado</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>Conectado</translation>
    </message>
    <message>
        <source>Mic: —</source>
        <translation>Micrófono: —</translation>
    </message>
    <message>
        <source>Mic: Muted</source>
        <translation>Micrófono: silenciado</translation>
    </message>
    <message>
        <source>Mic: Live</source>
        <translation>Micrófono: activo</translation>
    </message>
    <message>
        <source>✓ Custom Shortcut…</source>
        <translation>✓ Atajo personalizado…</translation>
    </message>
    <message>
        <source>Custom Shortcut…</source>
        <translation>Atajo personalizado…</translation>
    </message>
    <message>
        <source>✓ %1</source>
        <translation>✓ %1</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Estándar</translation>
    </message>
    <message>
        <source>Device: Found, No Access</source>
        <translation>Dispositivo: encontrado, sin acceso</translation>
    </message>
    <message>
        <source>Device: Not Found</source>
        <translation>Dispositivo: no encontrado</translation>
    </message>
    <message>
        <source>Device: Connected</source>
        <translation>Dispositivo: conectado</translation>
    </message>
    <message>
        <source>Device: %1 v%2</source>
        <translation>Dispositivo: %1 v%2</translation>
    </message>
    <message>
        <source>Install the device access rule (70-dorvel.rules), then replug</source>
        <translation>Instale la regla de acceso al dispositivo (70-dorvel.rules) y vuelva a conectarlo</translation>
    </message>
    <message>
        <source>Kestrix v%1</source>
        <translation>Kestrix v%1</translation>
    </message>
    <message>
        <source>What would you like to see added or changed?</source>
        <translation>¿Qué le gustaría que se añadiera o cambiara?</translation>
    </message>
    <message>
        <source>TARN Firmware Update In Progress</source>
        <translation>Actualización del firmware TARN en curso</translation>
    </message>
    <message>
        <source>Quitting now won&apos;t damage the device, but you&apos;ll lose track of whether the update finished.</source>
        <translation>Salir ahora no dañará el dispositivo, pero no sabrá si la actualización terminó.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Salir de todos modos</translation>
    </message>
</context>
<context>
    <name>MenuWindow</name>
    <message>
        <source>Preset</source>
        <translation>Acción predefinida</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Multimedia</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
</context>
<context>
    <name>PresetAction</name>
    <message>
        <source>Lock Screen</source>
        <translation>Bloquear la pantalla</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Silenciar</translation>
    </message>
    <message>
        <source>Volume Up</source>
        <translation>Subir el volumen</translation>
    </message>
    <message>
        <source>Volume Down</source>
        <translation>Bajar el volumen</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>Reproducir / Pausa</translation>
    </message>
    <message>
        <source>Power Off (Linux &amp; Windows only)</source>
        <translation>Apagar (solo Linux &amp; Windows)</translation>
    </message>
    <message>
        <source>Screenshot</source>
        <translation>Captura de pantalla</translation>
    </message>
    <message>
        <source>Next Track</source>
        <translation>Pista siguiente</translation>
    </message>
    <message>
        <source>Prev Track</source>
        <translation>Pista anterior</translation>
    </message>
    <message>
        <source>Brightness Up</source>
        <translation>Subir el brillo</translation>
    </message>
    <message>
        <source>Brightness Down</source>
        <translation>Bajar el brillo</translation>
    </message>
    <message>
        <source>Sleep</source>
        <translation>Suspender</translation>
    </message>
    <message>
        <source>Show Desktop (Linux &amp; Windows only)</source>
        <translation>Mostrar el escritorio (solo Linux &amp; Windows)</translation>
    </message>
    <message>
        <source>AI Interrupt</source>
        <translation>Interrumpir la IA</translation>
    </message>
</context>
<context>
    <name>RGBSettingsPresenter</name>
    <message>
        <source>Single Flash</source>
        <translation>Destello único</translation>
    </message>
    <message>
        <source>Strobe</source>
        <translation>Estroboscópico</translation>
    </message>
    <message>
        <source>Wipe</source>
        <translation>Barrido</translation>
    </message>
    <message>
        <source>Breathe Once</source>
        <translation>Respirar una vez</translation>
    </message>
    <message>
        <source>Keep animating</source>
        <translation>Seguir animando</translation>
    </message>
    <message>
        <source>Freeze</source>
        <translation>Congelar</translation>
    </message>
    <message>
        <source>Go dark</source>
        <translation>Apagar</translation>
    </message>
    <message>
        <source>Scale with slider</source>
        <translation>Escalar con el control</translation>
    </message>
    <message>
        <source>Always full sweep</source>
        <translation>Siempre el recorrido completo</translation>
    </message>
    <message>
        <source>Pulses: %1</source>
        <translation>Pulsos: %1</translation>
    </message>
</context>
<context>
    <name>RGBSettingsView</name>
    <message>
        <source>RGB Settings</source>
        <translation>Ajustes RGB</translation>
    </message>
    <message>
        <source>Effect</source>
        <translation>Efecto</translation>
    </message>
    <message>
        <source>LED On</source>
        <translation>LED encendido</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Modo</translation>
    </message>
    <message>
        <source>Color &amp; Brightness</source>
        <translation>Color y brillo</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Brillo</translation>
    </message>
    <message>
        <source>Fallback</source>
        <translation>Reserva</translation>
    </message>
    <message>
        <source>Use as fallback when no rule is active</source>
        <translation>Usar como reserva cuando no haya ninguna regla activa</translation>
    </message>
    <message>
        <source>White Channel</source>
        <translation>Canal blanco</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Blanco</translation>
    </message>
    <message>
        <source>Flash</source>
        <translation>Destello</translation>
    </message>
    <message>
        <source>Flash when off</source>
        <translation>Destellar cuando esté apagado</translation>
    </message>
    <message>
        <source>Flash Color</source>
        <translation>Color del destello</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duración</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Estilo</translation>
    </message>
    <message>
        <source>Pulses</source>
        <translation>Pulsos</translation>
    </message>
    <message>
        <source>Suspend Behavior</source>
        <translation>Comportamiento en suspensión</translation>
    </message>
    <message>
        <source>When host sleeps</source>
        <translation>Cuando el equipo se suspende</translation>
    </message>
    <message>
        <source>Breathe Sweep</source>
        <translation>Recorrido de la respiración</translation>
    </message>
    <message>
        <source>Breathing style</source>
        <translation>Estilo de respiración</translation>
    </message>
</context>
<context>
    <name>SingleInstanceGuard</name>
    <message>
        <source>%1 is not a folder, so %2 cannot be made</source>
        <translation>%1 no es una carpeta, así que no se puede crear %2</translation>
    </message>
    <message>
        <source>%1 cannot be used</source>
        <translation>No se puede usar %1</translation>
    </message>
    <message>
        <source>%1 is not writable, so %2 cannot be made</source>
        <translation>No se puede escribir en %1, así que no se puede crear %2</translation>
    </message>
    <message>
        <source>%1 could not be made (is the disk full?)</source>
        <translation>No se pudo crear %1 (¿está lleno el disco?)</translation>
    </message>
    <message>
        <source>%1 is not a lock file, but stands where the lock file goes</source>
        <translation>%1 no es un archivo de bloqueo, pero ocupa el lugar del archivo de bloqueo</translation>
    </message>
    <message>
        <source>the lock file %1 cannot be made: %2 may not be written (does another user own it?)</source>
        <translation>no se puede crear el archivo de bloqueo %1: no se permite escribir en %2 (¿pertenece a otro usuario?)</translation>
    </message>
    <message>
        <source>the lock file %1 cannot be written (is the disk full or read-only?)</source>
        <translation>no se puede escribir el archivo de bloqueo %1 (¿está el disco lleno o es de solo lectura?)</translation>
    </message>
</context>
<context>
    <name>StatusRule</name>
    <message>
        <source>Screen Locked</source>
        <translation>Pantalla bloqueada</translation>
    </message>
    <message>
        <source>AI Execution</source>
        <translation>IA en ejecución</translation>
    </message>
    <message>
        <source>Meeting Soon</source>
        <translation>Reunión próxima</translation>
    </message>
    <message>
        <source>Screen Shared</source>
        <translation>Pantalla compartida</translation>
    </message>
    <message>
        <source>Mic In Use (Recording)</source>
        <translation>Micrófono en uso (grabando)</translation>
    </message>
    <message>
        <source>Camera In Use</source>
        <translation>Cámara en uso</translation>
    </message>
    <message>
        <source>In Meeting</source>
        <translation>En una reunión</translation>
    </message>
    <message>
        <source>Terminal Active</source>
        <translation>Terminal activo</translation>
    </message>
    <message>
        <source>VPN Disconnected</source>
        <translation>VPN desconectada</translation>
    </message>
    <message>
        <source>Mic Muted</source>
        <translation>Micrófono silenciado</translation>
    </message>
    <message>
        <source>Mic Live</source>
        <translation>Micrófono activo</translation>
    </message>
    <message>
        <source>Do Not Disturb</source>
        <translation>No molestar</translation>
    </message>
</context>
<context>
    <name>StatusRuleRowWidget</name>
    <message>
        <source>Finish effect</source>
        <translation>Efecto final</translation>
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
        <translation>Reglas de estado</translation>
    </message>
    <message>
        <source>Drag a rule by its handle, or press Ctrl+Shift+Up or Ctrl+Shift+Down to move the focused rule.</source>
        <translation>Arrastre una regla por su asa, o pulse Ctrl+Mayús+Arriba o Ctrl+Mayús+Abajo para mover la regla seleccionada.</translation>
    </message>
    <message>
        <source>Highest priority first -- drag to reorder. The topmost enabled rule whose condition is currently true wins the LED.</source>
        <translation>Mayor prioridad primero; arrastre para reordenar. La primera regla activada cuya condición se cumpla controla el LED.</translation>
    </message>
    <message>
        <source>%1s</source>
        <extracomment>seconds, as the finish step&apos;s stepper shows them</extracomment>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 enabled</source>
        <translation>%1 activada</translation>
    </message>
    <message>
        <source>%1 effect</source>
        <translation>Efecto de %1</translation>
    </message>
    <message>
        <source>%1 color</source>
        <translation>Color de %1</translation>
    </message>
    <message>
        <source>%1 finish effect</source>
        <translation>Efecto final de %1</translation>
    </message>
    <message>
        <source>Finish effect for %1</source>
        <translation>Efecto final para %1</translation>
    </message>
    <message>
        <source>%1 finish color</source>
        <translation>Color final de %1</translation>
    </message>
    <message>
        <source>%1 finish duration in seconds</source>
        <translation>Duración final de %1 en segundos</translation>
    </message>
    <message>
        <source>All Calendars</source>
        <translation>Todos los calendarios</translation>
    </message>
    <message>
        <source>No Calendars</source>
        <translation>Ningún calendario</translation>
    </message>
    <message>
        <source>Calendars (%1/%2)</source>
        <translation>Calendarios (%1/%2)</translation>
    </message>
    <message>
        <source>Calendars included in Meeting Soon / In Meeting:</source>
        <translation>Calendarios incluidos en «Reunión próxima» / «En una reunión»:</translation>
    </message>
    <message>
        <source>Your addresses:</source>
        <translation>Sus direcciones:</translation>
    </message>
    <message>
        <source>you@example.com, you@work.example</source>
        <translation>usted@example.com, usted@trabajo.example</translation>
    </message>
    <message>
        <source>The addresses your meeting invitations go to, separated by commas. Meetings you declined under one of them do not count.</source>
        <translation>Las direcciones a las que llegan sus invitaciones a reuniones, separadas por comas. No cuentan las reuniones que haya rechazado con alguna de ellas.</translation>
    </message>
</context>
<context>
    <name>TamselDesktopApp</name>
    <message>
        <source>Kestrix is already running.</source>
        <translation>Kestrix ya se está ejecutando.</translation>
    </message>
</context>
<context>
    <name>TarnUpdateError</name>
    <message>
        <source>TARN Update Failed: Couldn&apos;t Download, Retry</source>
        <translation>Error en la actualización TARN: no se pudo descargar, reintentar</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Reverted, Still On Old Firmware, Retry</source>
        <translation>Error en la actualización TARN: el dispositivo volvió al firmware anterior, reintentar</translation>
    </message>
    <message>
        <source>TARN Update Unavailable: Published Image Too Large for This Device</source>
        <translation>Actualización TARN no disponible: la imagen publicada es demasiado grande para este dispositivo</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Rejected Image Size, Retry</source>
        <translation>Error en la actualización TARN: el dispositivo rechazó el tamaño de la imagen, reintentar</translation>
    </message>
    <message>
        <source>TARN Update Failed: Another Update Already In Progress, Retry</source>
        <translation>Error en la actualización TARN: ya hay otra actualización en curso, reintentar</translation>
    </message>
    <message>
        <source>TARN Update Unavailable: This Unit Needs a One-Time Manual Reflash</source>
        <translation>Actualización TARN no disponible: esta unidad necesita una reprogramación manual única</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Flash Write Error, Retry</source>
        <translation>Error en la actualización TARN: error de escritura en la memoria flash, reintentar</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Protocol Error, Retry</source>
        <translation>Error en la actualización TARN: error de protocolo del dispositivo, reintentar</translation>
    </message>
    <message>
        <source>TARN Update Failed: Connection Desynced, Retry</source>
        <translation>Error en la actualización TARN: conexión desincronizada, reintentar</translation>
    </message>
    <message>
        <source>TARN Update Failed: Device Stopped Responding, Retry</source>
        <translation>Error en la actualización TARN: el dispositivo dejó de responder, reintentar</translation>
    </message>
    <message>
        <source>TARN Update Failed: Checksum Rejected, Old Firmware Still Running, Retry</source>
        <translation>Error en la actualización TARN: suma de comprobación rechazada, sigue el firmware anterior, reintentar</translation>
    </message>
    <message>
        <source>TARN Update: Device Hasn&apos;t Reconnected Yet, Retry</source>
        <translation>Actualización TARN: el dispositivo aún no se ha vuelto a conectar, reintentar</translation>
    </message>
</context>
<context>
    <name>TarnUpdatePresenter</name>
    <message>
        <source>Idle.</source>
        <translation>En espera.</translation>
    </message>
    <message>
        <source>Checking for an update…</source>
        <translation>Buscando una actualización…</translation>
    </message>
    <message>
        <source>Up to date (%1).</source>
        <translation>Actualizado (%1).</translation>
    </message>
    <message>
        <source>Update available: %1 → %2.</source>
        <translation>Actualización disponible: %1 → %2.</translation>
    </message>
    <message>
        <source>Downloading the firmware image…</source>
        <translation>Descargando la imagen del firmware…</translation>
    </message>
    <message>
        <source>Transferring to the device…</source>
        <translation>Transfiriendo al dispositivo…</translation>
    </message>
    <message>
        <source>Verifying on the device (flash read-back check)…</source>
        <translation>Verificando en el dispositivo (relectura de la memoria flash)…</translation>
    </message>
    <message numerus="yes">
        <source>Waiting for the device to reboot (up to %n seconds)…</source>
        <translation>
            <numerusform>Esperando a que el dispositivo se reinicie (hasta %n segundo)…</numerusform>
            <numerusform>Esperando a que el dispositivo se reinicie (hasta %n segundos)…</numerusform>
        </translation>
    </message>
    <message>
        <source>Confirming the new version…</source>
        <translation>Confirmando la nueva versión…</translation>
    </message>
    <message>
        <source>Succeeded. Now running %1.</source>
        <translation>Completado. Ahora se ejecuta la %1.</translation>
    </message>
    <message>
        <source>TARN Firmware Update</source>
        <translation>Actualización del firmware TARN</translation>
    </message>
    <message>
        <source>Check for TARN Update…</source>
        <translation>Buscar actualización TARN…</translation>
    </message>
    <message>
        <source>Checking for TARN Update…</source>
        <translation>Buscando actualización TARN…</translation>
    </message>
    <message>
        <source>Check for TARN Update (Up to Date, %1)</source>
        <translation>Buscar actualización TARN (actualizado, %1)</translation>
    </message>
    <message>
        <source>TARN Update Available: %1 → %2</source>
        <translation>Actualización TARN disponible: %1 → %2</translation>
    </message>
    <message>
        <source>Downloading TARN Update…</source>
        <translation>Descargando la actualización TARN…</translation>
    </message>
    <message>
        <source>Updating TARN Firmware… %1%</source>
        <translation>Actualizando el firmware TARN… %1 %</translation>
    </message>
    <message>
        <source>Verifying TARN Update…</source>
        <translation>Verificando la actualización TARN…</translation>
    </message>
    <message>
        <source>Rebooting Device (up to %1s)…</source>
        <translation>Reiniciando el dispositivo (hasta %1 s)…</translation>
    </message>
    <message>
        <source>Confirming Update…</source>
        <translation>Confirmando la actualización…</translation>
    </message>
    <message>
        <source>TARN Update Succeeded: %1</source>
        <translation>Actualización TARN completada: %1</translation>
    </message>
    <message numerus="yes">
        <source>%1 / %n bytes</source>
        <translation>
            <numerusform>%1 / %n byte</numerusform>
            <numerusform>%1 / %n bytes</numerusform>
        </translation>
    </message>
    <message>
        <source>Firmware transfer</source>
        <translation>Transferencia del firmware</translation>
    </message>
</context>
<context>
    <name>TarnUpdateProgressView</name>
    <message>
        <source>TARN Firmware Update</source>
        <translation>Actualización del firmware TARN</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Reintentar</translation>
    </message>
</context>
<context>
    <name>TimerPresenter</name>
    <message>
        <source>Work</source>
        <translation>Trabajo</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>Descanso</translation>
    </message>
    <message>
        <source>Long break</source>
        <translation>Descanso largo</translation>
    </message>
    <message>
        <source>Timer…</source>
        <translation>Temporizador…</translation>
    </message>
    <message>
        <source>Timer: Time&apos;s up!</source>
        <translation>Temporizador: ¡Se acabó el tiempo!</translation>
    </message>
    <message>
        <source>Timer: %1 %2</source>
        <translation>Temporizador: %1 %2</translation>
    </message>
    <message>
        <source>Timer: %1</source>
        <translation>Temporizador: %1</translation>
    </message>
    <message>
        <source>cycle %1 / %2</source>
        <translation>ciclo %1 / %2</translation>
    </message>
    <message>
        <source>cycle %1</source>
        <translation>ciclo %1</translation>
    </message>
    <message>
        <source>Time&apos;s up!</source>
        <translation>¡Se acabó el tiempo!</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duración</translation>
    </message>
    <message>
        <source>Duration: </source>
        <translation>Duración: </translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Work: </source>
        <translation>Trabajo: </translation>
    </message>
    <message>
        <source>Break: </source>
        <translation>Descanso: </translation>
    </message>
    <message>
        <source>Long break: </source>
        <translation>Descanso largo: </translation>
    </message>
    <message>
        <source>Long break every</source>
        <translation>Descanso largo cada</translation>
    </message>
    <message>
        <source>Long break every: </source>
        <translation>Descanso largo cada: </translation>
    </message>
    <message>
        <source> cycles</source>
        <translation> ciclos</translation>
    </message>
    <message>
        <source>Total cycles</source>
        <translation>Ciclos en total</translation>
    </message>
    <message>
        <source>Total cycles: </source>
        <translation>Ciclos en total: </translation>
    </message>
</context>
<context>
    <name>TimerView</name>
    <message>
        <source>Timer</source>
        <translation>Temporizador</translation>
    </message>
    <message>
        <source>Alert color</source>
        <translation>Color de aviso</translation>
    </message>
    <message>
        <source>Alert effect</source>
        <translation>Efecto de aviso</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Iniciar</translation>
    </message>
    <message>
        <source>Start timer</source>
        <translation>Iniciar el temporizador</translation>
    </message>
    <message>
        <source>Pomodoro Timer</source>
        <translation>Temporizador Pomodoro</translation>
    </message>
    <message>
        <source>Work color</source>
        <translation>Color de trabajo</translation>
    </message>
    <message>
        <source>Work effect</source>
        <translation>Efecto de trabajo</translation>
    </message>
    <message>
        <source>Break color</source>
        <translation>Color de descanso</translation>
    </message>
    <message>
        <source>Break effect</source>
        <translation>Efecto de descanso</translation>
    </message>
    <message>
        <source>Long break color</source>
        <translation>Color del descanso largo</translation>
    </message>
    <message>
        <source>Long break effect</source>
        <translation>Efecto del descanso largo</translation>
    </message>
    <message>
        <source>Limit session</source>
        <translation>Limitar la sesión</translation>
    </message>
    <message>
        <source>Start pomodoro</source>
        <translation>Iniciar el pomodoro</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Stop pomodoro</source>
        <translation>Detener el pomodoro</translation>
    </message>
</context>
<context>
    <name>TrayMenu</name>
    <message>
        <source>Preset</source>
        <translation>Acción predefinida</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Sistema</translation>
    </message>
    <message>
        <source>Media</source>
        <translation>Multimedia</translation>
    </message>
</context>
<context>
    <name>UninstallConfirmation</name>
    <message>
        <source>This deletes the app and its settings and support folder (with any calendars linked there).</source>
        <translation>Esto elimina la aplicación y su carpeta de ajustes y datos (con los calendarios vinculados en ella).</translation>
    </message>
    <message>
        <source>This deletes Kestrix&apos;s settings and support folder (with any calendars linked there). The app itself belongs to the package &quot;%1&quot;: remove that with your package manager (for example: sudo apt remove %1).</source>
        <translation>Esto elimina la carpeta de ajustes y datos de Kestrix (con los calendarios vinculados en ella). La aplicación en sí pertenece al paquete «%1»: elimínelo con su gestor de paquetes (por ejemplo: sudo apt remove %1).</translation>
    </message>
    <message>
        <source>This deletes Kestrix&apos;s settings and support folder (with any calendars linked there). The app&apos;s own files in %1 stay; delete them yourself.</source>
        <translation>Esto elimina la carpeta de ajustes y datos de Kestrix (con los calendarios vinculados en ella). Los archivos de la aplicación en %1 se conservan; elimínelos usted mismo.</translation>
    </message>
    <message>
        <source>Uninstall Kestrix?</source>
        <translation>¿Desinstalar Kestrix?</translation>
    </message>
    <message>
        <source>Your Dorvel device and its saved settings are not affected -- this only removes Kestrix from this computer.</source>
        <translation>Su dispositivo Dorvel y sus ajustes guardados no se ven afectados: esto solo quita Kestrix de este equipo.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Desinstalar</translation>
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
        <translation>Kestrix ya se está ejecutando.</translation>
    </message>
    <message>
        <source>Kestrix can&apos;t start: %1.</source>
        <translation>Kestrix no puede iniciarse: %1.</translation>
    </message>
</context>
</TS>
