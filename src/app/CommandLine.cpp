#include "app/CommandLine.h"

#include "app/AppInfo.h"
#include "app/AppResources.h"
#include "app/Translations.h"
#include "update/AppBundle.h"
#include "update/AppUpdateError.h"
#include "update/PackageDatabase.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QLoggingCategory>

#include <cstdio>

namespace CommandLine {

namespace {

constexpr int exitUsage = 2;

QString programName()
{
    return QStringLiteral("kestrix");
}

// Options QGuiApplication and QApplication read themselves (removing them from argv only when the
// application object is created): accepted here so Qt still sees them, and never shown in --help.
const QStringList qtValueOptions{
    QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"),
    QStringLiteral("geometry"),
    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),
    QStringLiteral("session"),
    QStringLiteral("name"),
    QStringLiteral("title"),
    QStringLiteral("style"),
    QStringLiteral("stylesheet"),
};
const QStringList qtFlagOptions{QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                                QStringLiteral("dograb"), QStringLiteral("sync")};

QCommandLineOption hidden(QCommandLineOption option)
{
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The help's closing part; translations keep its columns aligned.
const char *const environmentHelp = QT_TRANSLATE_NOOP(
    "CommandLine", "\n"
                   "Kestrix runs in the system tray of a desktop session and starts with it once installed.\n"
                   "Without a desktop session it runs only when asked for Qt's offscreen platform\n"
                   "(QT_QPA_PLATFORM=offscreen).\n"
                   "\n"
                   "Environment:\n"
                   "  KESTRIX_DEVICE_BUS       a simulated device bus folder (kestrix-devsim) instead of hidraw\n"
                   "  KESTRIX_UPDATE_BASE_URL  base URL of the update server\n"
                   "  QT_LOGGING_RULES         diagnostics by subsystem, e.g. \"kestrix.device*=true\"\n"
                   "                           (kestrix.device, .signals, .rules, .timers, .firmware, .update)\n");

// Whether the platform plugin named by `platform` ("name" or "name:arguments") can start here.
bool canStart(const QString &platform, const QString &display, const QString &waylandDisplay)
{
    const QString name = platform.section(QLatin1Char(':'), 0, 0).trimmed();
    if (name.isEmpty()) {
        return false;
    }
    if (name == QLatin1String("xcb")) {
        return !display.isEmpty();
    }
    if (name.startsWith(QLatin1String("wayland"))) {
        return !waylandDisplay.isEmpty();
    }
    // Headless platforms need nothing; for any other plugin (framebuffer, EGL) the user who
    // named it knows what it needs.
    return true;
}

} // namespace

Parsed parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's own options are single-dash words ("-platform offscreen"): read them as long options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine", "Desktop companion of the Dorvel: binds its button, sets its LED and turns the "
                       "LED\ninto a status light for your microphone, camera, VPN, meetings and scripts."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QCoreApplication::translate("CommandLine", "Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QCoreApplication::translate("CommandLine", "Show the version and exit."));
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),
        QCoreApplication::translate("CommandLine", "Print one line for each device attach, firmware run, "
                                                   "update and failure (diagnostics of every subsystem)."));
    const QCommandLineOption platform = hidden({QStringLiteral("platform"), {}, QStringLiteral("name")});
    const QCommandLineOption display = hidden({QStringLiteral("display"), {}, QStringLiteral("display")});
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(verbose);
    parser.addOption(platform);
    parser.addOption(display);
    for (const QString &name : qtValueOptions) {
        parser.addOption(hidden({name, {}, QStringLiteral("value")}));
    }
    for (const QString &name : qtFlagOptions) {
        parser.addOption(hidden(QCommandLineOption(name)));
    }

    Parsed parsed;
    const QString tryHelp = QCoreApplication::translate("CommandLine", "Try '%1 --help'.").arg(programName());
    if (!parser.parse(arguments)) {
        parsed.text =
            programName() + QStringLiteral(": ") + parser.errorText() + QLatin1Char(' ') + tryHelp + QLatin1Char('\n');
        parsed.exitCode = exitUsage;
        return parsed;
    }
    if (parser.isSet(help)) {
        // Qt's usage line names the executable's path, or a placeholder before the application
        // object exists; the help names the command as users type it.
        const QString text = parser.helpText();
        parsed.text = QCoreApplication::translate("CommandLine", "Usage: %1 [options]").arg(programName()) +
                      text.mid(text.indexOf(QLatin1Char('\n'))) +
                      QCoreApplication::translate("CommandLine", environmentHelp);
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.describeInstallation = parser.isSet(verbose);
        parsed.text =
            QLatin1String(AppInfo::name) + QLatin1Char(' ') + QLatin1String(AppInfo::shortVersion) + QLatin1Char('\n');
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        parsed.text = QCoreApplication::translate("CommandLine", "%1: unexpected argument '%2'. %3")
                          .arg(programName(), parser.positionalArguments().constFirst(), tryHelp) +
                      QLatin1Char('\n');
        parsed.exitCode = exitUsage;
        return parsed;
    }
    parsed.run = true;
    parsed.options.verbose = parser.isSet(verbose);
    if (parser.isSet(platform)) {
        parsed.options.platform = parser.value(platform);
    }
    if (parser.isSet(display)) {
        parsed.options.display = parser.value(display);
    }
    return parsed;
}

DisplayEnvironment DisplayEnvironment::current()
{
    return {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"),
            qEnvironmentVariable("WAYLAND_DISPLAY")};
}

std::optional<QString> missingDisplay(const Options &options, const DisplayEnvironment &environment)
{
    const QString display = options.display.value_or(environment.display);
    // -platform wins over QT_QPA_PLATFORM, as in Qt; each lists fallbacks separated by ";".
    const QString asked = options.platform.value_or(environment.qpaPlatform);
    if (!asked.isEmpty()) {
        const QStringList candidates = asked.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &candidate : candidates) {
            if (canStart(candidate, display, environment.waylandDisplay)) {
                return std::nullopt;
            }
        }
        return QCoreApplication::translate("CommandLine",
                                           "%1: the display platform '%2' has no desktop session to show on; run "
                                           "Kestrix from your desktop, or headless with QT_QPA_PLATFORM=offscreen.")
            .arg(programName(), asked);
    }
    if (!display.isEmpty() || !environment.waylandDisplay.isEmpty()) {
        return std::nullopt;
    }
    return QCoreApplication::translate("CommandLine",
                                       "%1: needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set); run "
                                       "it from your desktop, or headless with QT_QPA_PLATFORM=offscreen.")
        .arg(programName());
}

void applyDiagnostics(const Options &options)
{
    // Rules from QT_LOGGING_RULES and QT_LOGGING_CONF are applied after these, so they still win.
    if (options.verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("kestrix.*=true"));
    } else {
        // Qt's own warnings (the platform plugin's, the tray's, D-Bus's) would land in the desktop
        // session's log at every login; they are diagnostics like Kestrix's own.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.*.warning=false\ndefault.warning=false"));
    }
    if (qEnvironmentVariableIsEmpty("QT_MESSAGE_PATTERN")) {
        qSetMessagePattern(QStringLiteral("%{if-category}%{category}: %{endif}%{message}"));
    }
}

QString describeInstallation(PackageDatabase &packages)
{
    QString text;
    for (const auto &resource : AppResources::foundResources(AppResources::runningLocations())) {
        text += resource.role + QStringLiteral(": ") + resource.path.value_or(QStringLiteral("not found")) +
                QLatin1Char('\n');
    }
    text += QStringLiteral("translations: ") +
            Translations::folder(AppResources::runningLocations()).value_or(QStringLiteral("not found")) +
            QLatin1Char('\n');
    const QString bundle = AppBundle::runningBundlePath();
    const auto installation = AppBundle::inspect(bundle, packages);
    using Kind = AppBundle::Installation::Kind;
    switch (installation.kind) {
    case Kind::ownBundle:
        text += QStringLiteral("self-update: replaces the bundle ") + bundle;
        break;
    case Kind::packageManaged:
        text += QStringLiteral("self-update: off, installed by the package ") + installation.packageName +
                QStringLiteral(" (\"") + message(AppUpdateError::bundleNotReplaceable) + QStringLiteral("\")");
        break;
    case Kind::notABundle:
    case Kind::notWritable:
        text += QStringLiteral("self-update: off, ") + bundle + QStringLiteral(" is no replaceable Kestrix.app (\"") +
                message(AppUpdateError::bundleNotReplaceable) + QStringLiteral("\")");
        break;
    }
    return text + QLatin1Char('\n');
}

std::optional<int> handle(int argc, char **argv,
                          const std::function<std::unique_ptr<PackageDatabase>()> &packageDatabase)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    Parsed parsed = parse(arguments);
    std::optional<QString> why;
    if (parsed.run) {
        why = missingDisplay(parsed.options, DisplayEnvironment::current());
        if (!why) {
            applyDiagnostics(parsed.options);
            return std::nullopt;
        }
    }
    // What is printed is in the user's language, which takes an application object: a core one
    // needs no display, and it is gone before main() makes the GUI one. A start that runs never
    // gets here, so it pays nothing for it.
    QCoreApplication core(argc, argv);
    if (const auto folder = Translations::folder(AppResources::runningLocations())) {
        Translations::install(QLocale::system().uiLanguages(), *folder);
    }
    if (why) {
        why = missingDisplay(parsed.options, DisplayEnvironment::current());
        std::fprintf(stderr, "%s\n", why->toLocal8Bit().constData());
        return 1;
    }
    parsed = parse(arguments);
    QString text = parsed.text;
    if (parsed.describeInstallation && packageDatabase) {
        const auto packages = packageDatabase();
        text += describeInstallation(*packages);
    }
    std::fputs(text.toLocal8Bit().constData(), parsed.exitCode == 0 ? stdout : stderr);
    return parsed.exitCode;
}

} // namespace CommandLine
