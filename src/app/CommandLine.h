#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class PackageDatabase;

// The command line of the kestrix program, read before any QApplication exists: --help and
// --version must answer in a terminal without a display, where creating the GUI application
// would abort. Pure functions of their inputs, so tests call them directly.
namespace CommandLine {

struct Options {
    bool verbose = false;
    // The platform plugin asked for with Qt's own -platform option, if any (Qt reads it again).
    std::optional<QString> platform;
    // The X display named with Qt's own -display option, if any.
    std::optional<QString> display;
};

// What main() does after reading the arguments: run with `options`, or print `text` (to
// standard output when `exitCode` is 0, else to standard error) and exit with `exitCode`.
struct Parsed {
    bool run = false;
    // --version together with --verbose: also say where the resources are and whether this copy
    // may update itself (describeInstallation()).
    bool describeInstallation = false;
    Options options;
    QString text;
    int exitCode = 0;
};

// `arguments` includes the program name first. Unknown options and stray arguments are usage
// errors (exit code 2) with one line of explanation and a pointer to --help.
Parsed parse(const QStringList &arguments);

// The environment that decides whether a GUI platform can start.
struct DisplayEnvironment {
    QString qpaPlatform;    // QT_QPA_PLATFORM: a platform name, or a ";"-separated list tried in order
    QString display;        // DISPLAY
    QString waylandDisplay; // WAYLAND_DISPLAY
    static DisplayEnvironment current();
};

// Nothing when some platform the application would try can start; otherwise the one line that
// explains why Kestrix cannot start here and how to run it without a desktop session.
std::optional<QString> missingDisplay(const Options &options, const DisplayEnvironment &environment);

// Sets up diagnostics: the kestrix.* logging categories are quiet unless `verbose` (rules given
// in QT_LOGGING_RULES still win), and each message is printed as one "category: text" line unless
// QT_MESSAGE_PATTERN says otherwise.
void applyDiagnostics(const Options &options);

// Where the running program finds each of its resources, and whether its self-updater may replace
// it: lines of "what: where". Needs a QCoreApplication (the program's own folder); blocks while the
// package tools answer.
QString describeInstallation(PackageDatabase &packages);

// All of the above for main(), before the application object exists: prints what there is to
// print and returns the exit code when the program should end now, or sets up diagnostics and
// returns nothing when Kestrix should start. `packageDatabase` is asked only for
// "--version --verbose".
std::optional<int> handle(int argc, char **argv,
                          const std::function<std::unique_ptr<PackageDatabase>()> &packageDatabase);

} // namespace CommandLine
