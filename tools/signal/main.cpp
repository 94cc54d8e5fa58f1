// kestrix-signal: reports signals to the running Kestrix through its control socket, for shell
// prompt hooks, AI tool hooks and any other script. It runs inside prompts, so it must never hold
// one up: connecting gives up after half a second, each send after one, and nothing is read back.
#include "signals/ExternalTriggerServer.h"
#include "signals/TriggerLineParser.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr int exitNotDelivered = 1;
constexpr int exitUsage = 2;

// A blocking connect to a Unix socket whose backlog is full waits for room up to the send timeout;
// that wait is the connect timeout.
constexpr auto connectTimeout = 500ms;
constexpr auto sendTimeout = 1s;
// Standard input up to this size is read before connecting, so that a slow writer does not hold
// Kestrix's single connection open; the server keeps no more than this of one connection anyway.
constexpr std::size_t bufferedInputBytes = 64 * 1024;

constexpr std::string_view usageText =
    "Usage: kestrix-signal [--socket PATH] NAME VALUE [NAME VALUE...]\n"
    "       kestrix-signal [--socket PATH] < LINES\n"
    "\n"
    "Reports signals to the running Kestrix. Each NAME VALUE pair is sent as the line \"NAME VALUE\",\n"
    "all in one connection. VALUE is a whole number: 0 turns the signal off, any other number turns\n"
    "it on. Without pairs, standard input is sent as it is, up to its end.\n"
    "\n"
    "Built-in signals: terminal_active (a command runs in a terminal) and ai_execution (an AI\n"
    "coding tool is working). Names are case-sensitive; any other name is a custom signal.\n"
    "\n"
    "  --socket PATH  the control socket (default: $XDG_DATA_HOME/Kestrix/control.sock,\n"
    "                 that is ~/.local/share/Kestrix/control.sock)\n"
    "  --             ends the options, for a name that begins with '-'\n"
    "\n"
    "Exit status: 0 sent, 1 Kestrix is not running or did not take the input, 2 bad arguments.\n";

void printError(const QByteArray &message)
{
    std::fprintf(stderr, "kestrix-signal: %s\n", message.constData());
}

int usageError(const QByteArray &message)
{
    printError(message);
    std::fputs("Try 'kestrix-signal --help'.\n", stderr);
    return exitUsage;
}

QByteArray quoted(const QByteArray &text)
{
    return '"' + text + '"';
}

struct Arguments {
    QByteArray socketPath;
    std::vector<QByteArray> pairs; // name, value, name, value...
};

// The same rules as Kestrix's own reading of a line, and a little stricter for names: a tab or a
// carriage return would be taken into the name there, which is never what a caller meant.
std::optional<int> checkPair(const QByteArray &name, const QByteArray &value)
{
    if (name.isEmpty()) {
        return usageError("a signal name must not be empty");
    }
    for (const char c : {' ', '\t', '\r', '\n'}) {
        if (name.contains(c)) {
            return usageError("signal name " + quoted(name) + " must not contain spaces, tabs or line breaks");
        }
    }
    if (!QByteArrayView(name).isValidUtf8()) {
        return usageError("signal name " + quoted(name) + " is not valid UTF-8");
    }
    // Kestrix trims blanks at the start of a line, no-break spaces among them.
    const std::optional<TriggerReport> read = parseTriggerLine(QByteArray(name + " 0"));
    if (!read || read->name != QString::fromUtf8(name)) {
        return usageError("signal name " + quoted(name) + " must not begin with a blank character");
    }
    if (!parseTriggerValue(value)) {
        return usageError("value " + quoted(value) + " of " + name +
                          " is not a whole number (such as 1, 0 or -1, within the 64-bit range)");
    }
    return std::nullopt;
}

// Arguments, or the exit status to leave with at once.
std::variant<Arguments, int> readArguments(int argc, char **argv)
{
    Arguments arguments;
    int i = 1;
    // Options come before the first name only: later, "-1" is a value.
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            ++i;
            break;
        }
        if (argument == "-h" || argument == "--help") {
            std::fwrite(usageText.data(), 1, usageText.size(), stdout);
            return 0;
        }
        if (argument == "--socket") {
            if (++i == argc) {
                return usageError("--socket needs a path");
            }
            arguments.socketPath = argv[i];
        } else if (argument.starts_with("--socket=")) {
            arguments.socketPath = QByteArray(argv[i] + std::string_view("--socket=").size());
        } else {
            return usageError("unknown option " + QByteArray(argv[i]) + " (use -- before a name that begins with '-')");
        }
        if (arguments.socketPath.isEmpty()) {
            return usageError("--socket needs a path");
        }
    }
    if ((argc - i) % 2 != 0) {
        return usageError("expected NAME VALUE pairs, but " + quoted(argv[argc - 1]) + " has no value");
    }
    for (; i < argc; i += 2) {
        QByteArray name(argv[i]);
        QByteArray value(argv[i + 1]);
        if (const std::optional<int> status = checkPair(name, value)) {
            return *status;
        }
        arguments.pairs.push_back(std::move(name));
        arguments.pairs.push_back(std::move(value));
    }
    if (arguments.socketPath.isEmpty()) {
        arguments.socketPath = QFile::encodeName(ExternalTriggerServer::defaultOptions().socketPath);
    }
    return arguments;
}

void setTimeout(int fd, int option, std::chrono::microseconds timeout)
{
    const timeval value{.tv_sec = static_cast<time_t>(timeout.count() / 1000000),
                        .tv_usec = static_cast<suseconds_t>(timeout.count() % 1000000)};
    ::setsockopt(fd, SOL_SOCKET, option, &value, sizeof value);
}

// A connected socket, or -1 after saying why there is none.
int connectTo(const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path) || path.contains('\0')) {
        printError("the control socket path is too long: " + path);
        return -1;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        printError(QByteArray("cannot create a socket: ") + std::strerror(errno));
        return -1;
    }
    setTimeout(fd, SO_SNDTIMEO, connectTimeout);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == ENOENT) {
            printError("Kestrix is not running (no control socket at " + path + ')');
        } else if (error == ECONNREFUSED) {
            printError("Kestrix is not running (nothing listens on " + path + ')');
        } else if (error == EAGAIN) {
            printError("Kestrix is busy: it did not accept a connection within half a second (" + path + ')');
        } else {
            printError("cannot connect to " + path + ": " + std::strerror(error));
        }
        return -1;
    }
    setTimeout(fd, SO_SNDTIMEO, sendTimeout);
    return fd;
}

bool sendAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                printError("Kestrix did not take the input within a second");
            } else {
                printError(QByteArray("sending to Kestrix failed: ") + std::strerror(errno));
            }
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Appends up to `limit` bytes of standard input. False on a read error (after saying so).
bool readInput(QByteArray &into, std::size_t limit, bool &ended)
{
    const auto start = into.size();
    into.resize(start + static_cast<qsizetype>(limit));
    qsizetype filled = start;
    ended = false;
    while (filled < into.size()) {
        const ssize_t n = ::read(STDIN_FILENO, into.data() + filled, static_cast<std::size_t>(into.size() - filled));
        if (n > 0) {
            filled += n;
        } else if (n == 0) {
            ended = true;
            break;
        } else if (errno != EINTR) {
            printError(QByteArray("cannot read standard input: ") + std::strerror(errno));
            return false;
        }
    }
    into.resize(filled);
    return true;
}

int forwardStandardInput(const QByteArray &socketPath)
{
    QByteArray input;
    bool ended = false;
    if (!readInput(input, bufferedInputBytes, ended)) {
        return exitNotDelivered;
    }
    const int fd = connectTo(socketPath);
    if (fd < 0) {
        return exitNotDelivered;
    }
    bool sent = sendAll(fd, input.constData(), static_cast<std::size_t>(input.size()));
    while (sent && !ended) {
        input.clear();
        sent = readInput(input, bufferedInputBytes, ended) &&
               sendAll(fd, input.constData(), static_cast<std::size_t>(input.size()));
    }
    ::close(fd);
    return sent ? 0 : exitNotDelivered;
}

int sendPairs(const Arguments &arguments)
{
    QByteArray lines;
    for (std::size_t i = 0; i < arguments.pairs.size(); i += 2) {
        lines += arguments.pairs[i] + ' ' + arguments.pairs[i + 1] + '\n';
    }
    const int fd = connectTo(arguments.socketPath);
    if (fd < 0) {
        return exitNotDelivered;
    }
    const bool sent = sendAll(fd, lines.constData(), static_cast<std::size_t>(lines.size()));
    ::close(fd);
    return sent ? 0 : exitNotDelivered;
}

} // namespace

int main(int argc, char **argv)
{
    const auto read = readArguments(argc, argv);
    if (read.index() == 1) {
        return std::get<1>(read);
    }
    const Arguments &arguments = std::get<0>(read);
    return arguments.pairs.empty() ? forwardStandardInput(arguments.socketPath) : sendPairs(arguments);
}
