// kestrix-devsim: a simulated Dorvel plugged into a socket bus folder, for running Kestrix without
// the device and for tests of the real programs against each other.
#include "DevsimFormat.h"
#include "DevsimOptions.h"
#include "platform/sim/SimulatedDorvel.h"
#include "platform/sim/SocketBus.h"
#include "platform/sim/SocketDeviceServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// A standard descriptor that is closed gets /dev/null, so no socket of ours takes its number and
// is then mistaken for standard input.
void openStandardDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != fd) {
                ::dup2(opened, fd);
                ::close(opened);
            }
        }
    }
}

void printError(const QString &message)
{
    std::fprintf(stderr, "kestrix-devsim: %s\n", qUtf8Printable(message));
    std::fflush(stderr);
}

class DevsimProgram : public QObject {
public:
    explicit DevsimProgram(const DevsimOptions &options)
        : m_options(options), m_device(options.device), m_server(m_device, options.busFolder, options.name),
          m_ansi(::isatty(STDOUT_FILENO) == 1)
    {
        m_device.replyLatency = options.latency;
        m_device.updateFaults = options.updateFaults;
        m_device.onReportReceived = [this](ByteView) {
            m_updateBefore = m_device.updateProgress();
        };
        SocketBusDevice description = m_server.description();
        description.locationId = options.location;
        const auto &id = options.device.deviceId;
        description.serial = QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(id.data()), static_cast<qsizetype>(id.size())).toHex());
        m_server.setDescription(description);
        connect(&m_server, &SocketDeviceServer::reportHandled, this, &DevsimProgram::onReport);
        connect(&m_server, &SocketDeviceServer::pluggedChanged, this, &DevsimProgram::onPluggedChanged);
        connect(&m_server, &SocketDeviceServer::connectionCountChanged, this, &DevsimProgram::onConnectionCount);
        connect(&m_server, &SocketDeviceServer::replugFailed, this, [](const QString &error) {
            printError(QStringLiteral("cannot come back after the reboot: ") + error);
        });
    }

    bool start(QString *error)
    {
        m_clock.start();
        if (!m_options.reportLog.isEmpty()) {
            m_reportLog.setFileName(m_options.reportLog);
            if (!m_reportLog.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                *error = QStringLiteral("cannot write %1: %2").arg(m_options.reportLog, m_reportLog.errorString());
                return false;
            }
        }
        if (!m_server.plug(error)) {
            return false;
        }
        if (m_stateFailing) {
            *error = m_stateError;
            return false;
        }
        watchStandardInput();
        return true;
    }

    void stop() { m_server.unplug(); }

private:
    struct ShownLed {
        bool on;
        Dorvel::RGBMode mode;
        std::uint8_t hue, saturation, value, white;
        friend bool operator==(const ShownLed &, const ShownLed &) = default;
    };

    void say(const QString &line)
    {
        if (!m_options.quiet) {
            std::fprintf(stdout, "%s\n", qUtf8Printable(line));
            std::fflush(stdout);
        }
    }

    void showLed(bool always)
    {
        const auto &led = m_device.led();
        const ShownLed shown{led.on, led.mode, led.hue, led.saturation, led.value, led.white};
        if (always || shown != m_shownLed) {
            m_shownLed = shown;
            say(Devsim::ledLine(led, m_ansi));
        }
    }

    void writeState()
    {
        if (m_options.stateFile.isEmpty()) {
            return;
        }
        const Devsim::Status status{m_server.isPlugged(), m_server.description().locationId, m_server.reportsReceived(),
                                    m_server.connectionCount()};
        const QByteArray json = QJsonDocument(Devsim::stateJson(m_device, status)).toJson();
        QString error;
        const bool written = SocketBus::writeFileAtomically(m_options.stateFile, json, &error);
        // Reported when it starts failing, not on every report after.
        if (!written && !m_stateFailing) {
            printError(error);
            m_stateError = error;
        }
        m_stateFailing = !written;
    }

    void onReport(ByteView report)
    {
        if (m_reportLog.isOpen()) {
            m_reportLog.write(Devsim::reportLogLine(m_clock.elapsed(), report));
            m_reportLog.flush();
        }
        if (!report.empty() && report[0] == Dorvel::firmwareUpdateCommand) {
            onUpdateReport(report);
            return;
        }
        say(QStringLiteral("<- ") + Devsim::describeReport(report));
        showLed(false);
        writeState();
    }

    // A transfer is tens of thousands of chunks: they show as progress lines, and the state file
    // follows them once per percent.
    void onUpdateReport(ByteView report)
    {
        using Phase = SimulatedDorvel::UpdateProgress::Phase;
        const SimulatedDorvel::UpdateProgress &after = m_device.updateProgress();
        QString line = Devsim::updateLine(report, m_updateBefore, after);
        if (after.phase == Phase::rebooting && m_updateBefore.phase != Phase::rebooting) {
            line += m_options.updateFaults.afterReboot == SimulatedDorvel::UpdateFaults::AfterReboot::never
                        ? QStringLiteral(" (not coming back)")
                        : QStringLiteral(" (off the bus for %1 ms)").arg(m_options.device.rebootDelay.count());
        }
        if (!line.isEmpty()) {
            say(line);
        }
        auto percent = [](const SimulatedDorvel::UpdateProgress &p) {
            return p.totalSize == 0 ? 100 : std::uint64_t{p.receivedBytes} * 100 / p.totalSize;
        };
        const bool routineChunk = Dorvel::padded(report)[1] == Dorvel::Update::chunk &&
                                  after.lastStatus == UpdateStatus::ok && after.phase == Phase::receiving &&
                                  percent(after) == percent(m_updateBefore);
        if (!routineChunk) {
            writeState();
        }
    }

    void onPluggedChanged(bool plugged)
    {
        if (plugged) {
            const std::optional<LocationID> at = m_server.description().locationId;
            const QString location =
                at ? QStringLiteral("0x%1").arg(*at, 8, 16, QLatin1Char('0')) : QStringLiteral("no location");
            say(QStringLiteral("plugged in as \"%1\" at %2 on %3").arg(m_options.name, location, m_options.busFolder));
            showLed(true);
        } else {
            say(QStringLiteral("unplugged"));
        }
        writeState();
    }

    void onConnectionCount(int count)
    {
        say(QStringLiteral("%1 (%2 open)")
                .arg(count > m_connections ? QStringLiteral("app connected") : QStringLiteral("app disconnected"))
                .arg(count));
        m_connections = count;
        writeState();
    }

    // Standard input may be closed or /dev/null when scripts start the program: its end stops the
    // reading, never the program.
    void watchStandardInput()
    {
        if (::fcntl(STDIN_FILENO, F_GETFD) == -1) {
            return;
        }
        m_input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        connect(m_input.get(), &QSocketNotifier::activated, this, &DevsimProgram::readInput);
        if (::isatty(STDIN_FILENO) == 1) {
            say(QStringLiteral("commands: plug, unplug, quit"));
        }
    }

    void readInput()
    {
        char buffer[4096];
        const ssize_t length = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (length < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (length <= 0) {
            m_input->setEnabled(false);
            if (!m_pendingInput.isEmpty()) {
                runCommand(std::exchange(m_pendingInput, {}));
            }
            return;
        }
        m_pendingInput.append(buffer, length);
        for (qsizetype end = m_pendingInput.indexOf('\n'); end >= 0; end = m_pendingInput.indexOf('\n')) {
            const QByteArray line = m_pendingInput.left(end);
            m_pendingInput.remove(0, end + 1);
            runCommand(line);
        }
    }

    void runCommand(const QByteArray &line)
    {
        const QString command = QString::fromUtf8(line).trimmed();
        if (command.isEmpty()) {
            return;
        }
        if (command == QLatin1String("plug")) {
            QString error;
            if (m_server.isPlugged()) {
                say(QStringLiteral("already plugged in"));
            } else if (!m_server.plug(&error)) {
                printError(error);
            }
        } else if (command == QLatin1String("unplug")) {
            if (m_server.isPlugged()) {
                m_server.unplug();
            } else {
                say(QStringLiteral("already unplugged"));
            }
        } else if (command == QLatin1String("quit")) {
            QCoreApplication::quit();
        } else if (command == QLatin1String("help")) {
            say(QStringLiteral("commands: plug, unplug, quit"));
        } else {
            printError(QStringLiteral("unknown command \"%1\" (commands: plug, unplug, quit)").arg(command));
        }
    }

    DevsimOptions m_options;
    SimulatedDorvel m_device;
    SocketDeviceServer m_server;
    bool m_ansi;
    QElapsedTimer m_clock;
    QFile m_reportLog;
    std::unique_ptr<QSocketNotifier> m_input;
    QByteArray m_pendingInput;
    std::optional<ShownLed> m_shownLed;
    SimulatedDorvel::UpdateProgress m_updateBefore; // as it was when the report being handled arrived
    int m_connections = 0;
    bool m_stateFailing = false;
    QString m_stateError;
};

// The image a device of this simulator accepts and then boots as `version`, for serving a
// firmware update to try; its size gives a transfer long enough to watch.
int writeFirmwareImage(const QString &path, const QString &versionText)
{
    constexpr std::size_t demoImageSize = std::size_t{256} * 1024;
    const auto version = FirmwareVersion::fromString(versionText.toStdString());
    if (!version) {
        printError(QStringLiteral("--version: expected x.y.z, got \"%1\"").arg(versionText));
        return 2;
    }
    const Bytes image = SimulatedDorvel::makeFirmwareImage(*version, demoImageSize);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(image.data()), qint64(image.size())) != qint64(image.size()) ||
        !file.flush()) {
        printError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    openStandardDescriptors();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrix-devsim"));

    QCommandLineParser parser;
    setUpDevsimParser(parser);
    const QCommandLineOption makeImage(QStringLiteral("make-image"),
                                       QStringLiteral("Write a firmware image that this simulator boots as --version "
                                                      "to the file, and exit."),
                                       QStringLiteral("file"));
    parser.addOption(makeImage);
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        std::fputs("Try 'kestrix-devsim --help'.\n", stderr);
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(makeImage)) {
        const QString version =
            parser.isSet(QStringLiteral("version")) ? parser.value(QStringLiteral("version")) : QStringLiteral("1.0.0");
        return writeFirmwareImage(parser.value(makeImage), version);
    }
    const auto options = readDevsimOptions(parser);
    if (!options.ok()) {
        printError(options.error());
        std::fputs("Try 'kestrix-devsim --help'.\n", stderr);
        return 2;
    }

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        printError(QStringLiteral("cannot create a pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A reader that went away must not kill the program; reading a terminal from the background
    // fails instead of stopping it.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTTIN, SIG_IGN);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) == 1) {
        }
        QCoreApplication::quit();
    });

    DevsimProgram program(options.value());
    QString error;
    if (!program.start(&error)) {
        printError(error);
        return 1;
    }
    const int status = QCoreApplication::exec();
    program.stop();
    return status;
}
